// The one system password, kept only scrambled, the gate in front of the
// data-source commands, and the key filters of the password and number boxes.
#pragma once

#include <quarry/quarry_export.h>

#include <QString>

class frmPassword;

namespace Glob {

QUARRY_EXPORT QString Scramble_Password(const QString& strText);
// True when the user may go on: no password is needed, or the right one was given.
QUARRY_EXPORT bool Check_AdminPassword();
// The key code to use instead of `intKeyAscii`: 0 cancels the key, -1 stands for Enter.
QUARRY_EXPORT short Check_AlphaKey(short intKeyAscii);
QUARRY_EXPORT short Check_NumberKey(short intKeyAscii, bool blnDecimal);

// The one password dialog of this thread, created on first use.
QUARRY_EXPORT frmPassword& PasswordDialog();

} // namespace Glob
