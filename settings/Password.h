// The one system password, kept only scrambled, the gate in front of the
// data-source commands, and the key filters of the password and number boxes.
#pragma once

#include <quarry/quarry_export.h>

#include <QString>
#include <QValidator>

class frmPassword;

namespace Glob {

QUARRY_EXPORT QString Scramble_Password(const QString& strText);
// True when the user may go on: no password is needed, or the right one was given.
QUARRY_EXPORT bool Check_AdminPassword();
// The key code to use instead of `intKeyAscii`: 0 cancels the key, -1 stands for Enter.
QUARRY_EXPORT short Check_AlphaKey(short intKeyAscii);
QUARRY_EXPORT short Check_NumberKey(short intKeyAscii, bool blnDecimal);

// A line edit's validator that lets in only what `check` (one of the key
// filters above) passes, however the text comes: typed, pasted or dropped.
class QUARRY_EXPORT KeyFilter : public QValidator
{
public:
    using Check = short (*)(short intKeyAscii);
    KeyFilter(Check check, QObject* parent);
    State validate(QString& input, int& pos) const override;

private:
    Check m_check;
};

// The one password dialog of this thread, created on first use.
QUARRY_EXPORT frmPassword& PasswordDialog();

} // namespace Glob
