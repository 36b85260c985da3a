#include "settings/Password.h"

#include "dialogs/frmPassword.h"
#include "settings/Glob.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>

#include <algorithm>
#include <exception>
#include <iterator>

namespace Glob {

namespace {

// Replacement for "0"-"9" then "A"-"Z", in that order. Every stored password
// was scrambled with it: changing a single letter locks every user out.
constexpr char16_t kScrambleFrom[] = u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr char16_t kScrambleTo[] = u"5QBY7GV4WHFMXNAC93UL68ZDSKJOEI2T1RP0";
static_assert(std::size(kScrambleFrom) == 37 && std::size(kScrambleTo) == 37);

struct PasswordHolder
{
    QPointer<frmPassword> dialog;
    ~PasswordHolder()
    {
        // Past the application's end (the main thread's thread_locals die
        // after main returns) a widget can no longer be deleted safely.
        if (dialog && QCoreApplication::instance() && dialog->thread() == QThread::currentThread())
            delete dialog.data();
    }
};

thread_local PasswordHolder t_password;

constexpr short kBackspace = 8;
constexpr short kEnter = 13;
constexpr short kEnterResult = -1;
constexpr short kCancelKey = 0;

bool isDigit(short key)
{
    return key >= '0' && key <= '9';
}

} // namespace

frmPassword& PasswordDialog()
{
    if (!t_password.dialog)
        t_password.dialog = new frmPassword;
    return *t_password.dialog;
}

QString Scramble_Password(const QString& strText)
{
    try {
        QString result;
        result.reserve(strText.size());
        QChar last; // null until a table character has come
        for (const QChar c : strText) {
            const QChar upper = c.toUpper();
            const char16_t* const end = kScrambleFrom + 36;
            const char16_t* const hit = std::find(kScrambleFrom, end, upper.unicode());
            if (hit != end)
                last = QChar(kScrambleTo[hit - kScrambleFrom]);
            if (!last.isNull())
                result += last;
        }
        return result;
    } catch (const std::exception& e) {
        Reporter().ReportError(QStringLiteral("Scramble_Password"), QString::fromLocal8Bit(e.what()));
        return QString();
    }
}

bool Check_AdminPassword()
{
    try {
        const BrowserOptions& options = Options();
        if (options.strPassword.isEmpty() || !options.blnDataPassword)
            return true;
        frmPassword& dialog = PasswordDialog();
        dialog.setChangeMode(false);
        dialog.exec();
        return !dialog.Cancelled();
    } catch (const std::exception& e) {
        Reporter().ReportError(QStringLiteral("Check_AdminPassword"), QString::fromLocal8Bit(e.what()));
        return false;
    }
}

short Check_AlphaKey(short intKeyAscii)
{
    if (intKeyAscii == kBackspace)
        return kBackspace;
    if (intKeyAscii == kEnter)
        return kEnterResult;
    if (isDigit(intKeyAscii) || (intKeyAscii >= 'a' && intKeyAscii <= 'z') ||
        (intKeyAscii >= 'A' && intKeyAscii <= 'Z'))
        return intKeyAscii;
    return kCancelKey;
}

short Check_NumberKey(short intKeyAscii, bool blnDecimal)
{
    if (intKeyAscii == kBackspace)
        return kBackspace;
    if (intKeyAscii == kEnter)
        return kEnterResult;
    if (intKeyAscii == '.')
        return blnDecimal ? intKeyAscii : kCancelKey;
    if (isDigit(intKeyAscii))
        return intKeyAscii;
    return kCancelKey;
}

KeyFilter::KeyFilter(Check check, QObject* parent)
    : QValidator(parent)
    , m_check(check)
{}

QValidator::State KeyFilter::validate(QString& input, int& /*pos*/) const
{
    // A paste with a refused character is refused whole, as the key would be:
    // one with the character quietly dropped would give a password other
    // than the one pasted. Control characters are keys, never text.
    for (const QChar c : input) {
        const char16_t code = c.unicode();
        if (code < 0x20 || code > 0x7e || m_check(short(code)) != short(code))
            return Invalid;
    }
    return Acceptable;
}

} // namespace Glob
