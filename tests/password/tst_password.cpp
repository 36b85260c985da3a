#include "ScriptedPrompts.h"
#include "WidgetTestSupport.h"
#include "dialogs/frmPassword.h"
#include "settings/Glob.h"
#include "settings/Password.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

using quarry::platform::MsgButtons;
using quarry::platform::MsgIcon;
using quarry::test::child;
using quarry::test::ScriptedPrompts;
using quarry::test::whenModal;

namespace {

const QString kTable = QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ");

QLineEdit* box(QWidget* dialog, int index)
{
    return dialog->findChild<QLineEdit*>(QStringLiteral("txtPassword%1").arg(index));
}

QPushButton* button(QWidget* dialog, const char* name)
{
    return child<QPushButton>(*dialog, name);
}

// Typed key by key where a user could type it, so that the filter sees it;
// text a user cannot type (blanks) arrives as a paste would.
void enter(QLineEdit* edit, const QString& text)
{
    const bool typeable = std::all_of(text.begin(), text.end(), [](QChar c) { return c.isLetterOrNumber(); });
    if (typeable)
        QTest::keyClicks(edit, text);
    else
        edit->setText(text);
}

// Key by key as a keyboard would send them; QTest types ASCII only.
void typeKeys(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(widget, char(c.unicode()));
            continue;
        }
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

QStringList messageTexts(const ScriptedPrompts& prompts)
{
    QStringList texts;
    for (const auto& call : prompts.callsOf(ScriptedPrompts::Kind::MsgBox))
        texts << call.text;
    return texts;
}

void setStoredPassword(const QString& clear)
{
    Glob::Options().strPassword = clear.isEmpty() ? QString() : Glob::Scramble_Password(clear.toUpper());
}

} // namespace

class PasswordTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init()
    {
        Glob::Reporter().clearReports();
        Glob::Options() = Glob::BrowserOptions();
    }
    void cleanup() { QCOMPARE(Glob::Reporter().reports().size(), size_t(0)); }

    void scrambleEquivalence_data();
    void scrambleEquivalence();
    void scrambleTableIsOneToOne();
    void alphaKey_data();
    void alphaKey();
    void numberKey_data();
    void numberKey();

    void initialState_data();
    void initialState();
    void keyFilter_data();
    void keyFilter();
    void flows_data();
    void flows();
    void enterPressesOk();
    void activationRestoresPointer();
};

void PasswordTest::scrambleEquivalence_data()
{
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("right");
    QTest::addColumn<bool>("same");

    QTest::newRow("empty gives empty") << ""
                                       << "" << true;
    QTest::newRow("case does not matter") << "abc"
                                          << "ABC" << true;
    QTest::newRow("mixed case digits") << "pa55Word"
                                       << "PA55WORD" << true;
    QTest::newRow("leading dash contributes nothing") << "-A"
                                                      << "A" << true;
    QTest::newRow("leading run of non-table characters") << " _é-A9"
                                                         << "A9" << true;
    QTest::newRow("trailing dash repeats") << "A-"
                                           << "AA" << true;
    QTest::newRow("inner blank repeats the previous") << "A B"
                                                      << "AAB" << true;
    QTest::newRow("non-table only gives empty") << "--_ "
                                                << "" << true;
    QTest::newRow("order matters") << "AB"
                                   << "BA" << false;
    QTest::newRow("length matters") << "A"
                                    << "AA" << false;
    QTest::newRow("neighbours differ") << "A"
                                       << "B" << false;
    QTest::newRow("digit and letter differ") << "0"
                                             << "O" << false;
}

void PasswordTest::scrambleEquivalence()
{
    QFETCH(QString, left);
    QFETCH(QString, right);
    QFETCH(bool, same);
    QCOMPARE(Glob::Scramble_Password(left) == Glob::Scramble_Password(right), same);
}

void PasswordTest::scrambleTableIsOneToOne()
{
    QSet<QChar> images;
    for (const QChar c : kTable) {
        const QString one = Glob::Scramble_Password(QString(c));
        QCOMPARE(one.size(), 1);
        QVERIFY2(kTable.contains(one.front()), qPrintable(one));
        images.insert(one.front());
    }
    QCOMPARE(images.size(), 36);
    // A password must never be stored as typed.
    QVERIFY(Glob::Scramble_Password(QStringLiteral("PASSWORD")) != QStringLiteral("PASSWORD"));
    // Stored passwords were made with this table: it must never change.
    QCOMPARE(Glob::Scramble_Password(QStringLiteral("ADMIN2024")), QStringLiteral("FNZUDB5B7"));
}

void PasswordTest::alphaKey_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("result");

    QTest::newRow("backspace") << 8 << 8;
    QTest::newRow("enter") << 13 << -1;
    for (const char c : {'0', '5', '9', 'a', 'm', 'z', 'A', 'Q', 'Z'})
        QTest::addRow("%c", c) << int(c) << int(c);
    // Each boundary of the three ranges, from outside.
    for (const int c : {'/', ':', '@', '[', '`', '{'})
        QTest::addRow("%c cancelled", c) << c << 0;
    QTest::newRow("blank") << 32 << 0;
    QTest::newRow("underscore") << 95 << 0;
    QTest::newRow("dot") << 46 << 0;
    QTest::newRow("tab") << 9 << 0;
    QTest::newRow("line feed") << 10 << 0;
    QTest::newRow("nul") << 0 << 0;
    QTest::newRow("delete char") << 127 << 0;
    QTest::newRow("latin-1 e acute") << 233 << 0;
    QTest::newRow("negative") << -1 << 0;
}

void PasswordTest::alphaKey()
{
    QFETCH(int, key);
    QFETCH(int, result);
    QCOMPARE(int(Glob::Check_AlphaKey(short(key))), result);
}

void PasswordTest::numberKey_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("decimal");
    QTest::addColumn<int>("result");

    for (const bool decimal : {false, true}) {
        const char* tag = decimal ? "decimal" : "whole";
        QTest::addRow("backspace %s", tag) << 8 << decimal << 8;
        QTest::addRow("enter %s", tag) << 13 << decimal << -1;
        QTest::addRow("dot %s", tag) << 46 << decimal << (decimal ? 46 : 0);
        QTest::addRow("7 %s", tag) << 55 << decimal << 55;
        QTest::addRow("0 %s", tag) << 48 << decimal << 48;
        QTest::addRow("9 %s", tag) << 57 << decimal << 57;
        QTest::addRow("slash %s", tag) << 47 << decimal << 0;
        QTest::addRow("colon %s", tag) << 58 << decimal << 0;
        QTest::addRow("comma %s", tag) << 44 << decimal << 0;
        QTest::addRow("minus %s", tag) << 45 << decimal << 0;
        QTest::addRow("letter %s", tag) << int('a') << decimal << 0;
        QTest::addRow("blank %s", tag) << 32 << decimal << 0;
    }
}

void PasswordTest::numberKey()
{
    QFETCH(int, key);
    QFETCH(bool, decimal);
    QFETCH(int, result);
    QCOMPARE(int(Glob::Check_NumberKey(short(key), decimal)), result);
}

void PasswordTest::initialState_data()
{
    QTest::addColumn<bool>("stored");
    QTest::addColumn<bool>("changeMode");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QList<bool>>("enabled"); // txtPassword0..2

    QTest::newRow("check, stored") << true << false << "Admin Password" << QList<bool>{true, false, false};
    QTest::newRow("check, none stored")
        << false << false << "Admin Password" << QList<bool>{false, false, false};
    QTest::newRow("change, stored") << true << true << "Set Password" << QList<bool>{true, true, true};
    QTest::newRow("change, none stored") << false << true << "Set Password" << QList<bool>{false, true, true};
}

void PasswordTest::initialState()
{
    QFETCH(bool, stored);
    QFETCH(bool, changeMode);
    QFETCH(QString, caption);
    QFETCH(QList<bool>, enabled);

    ScriptedPrompts prompts;
    setStoredPassword(stored ? QStringLiteral("old") : QString());
    frmPassword& dialog = Glob::PasswordDialog();
    QCOMPARE(&Glob::PasswordDialog(), &dialog); // one instance, reused

    // The previous showing leaves text behind in the other mode, which the
    // next showing must not keep.
    const auto leaveText = [&](QWidget* modal) {
        for (int i = 0; i < 3; ++i)
            box(modal, i)->setText(QStringLiteral("LEFT"));
        modal->close();
    };
    QObject first;
    whenModal(&first, leaveText);
    dialog.setChangeMode(!changeMode);
    dialog.exec();

    struct Seen
    {
        bool modal = false;
        QString caption;
        QList<bool> boxes, labels;
        QStringList texts;
        bool okEnabled = true;
    } seen;
    QObject second;
    whenModal(&second, [&](QWidget* modal) {
        seen.modal = modal == &dialog;
        seen.caption = modal->windowTitle();
        for (int i = 0; i < 3; ++i) {
            seen.boxes << box(modal, i)->isEnabled();
            seen.labels << modal->findChild<QLabel*>(QStringLiteral("lblLabel%1").arg(i))->isEnabled();
            seen.texts << box(modal, i)->text();
        }
        seen.okEnabled = button(modal, "cmdOK")->isEnabled();
        button(modal, "cmdCancel")->click();
    });
    dialog.setChangeMode(changeMode);
    dialog.exec();

    QVERIFY(seen.modal);
    QCOMPARE(seen.caption, caption);
    QCOMPARE(seen.boxes, enabled);
    QCOMPARE(seen.labels, enabled);
    QCOMPARE(seen.texts, (QStringList{"", "", ""}));
    QVERIFY(!seen.okEnabled);
    QVERIFY(dialog.Cancelled());
    QVERIFY(prompts.calls.empty());
}

void PasswordTest::keyFilter_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");

    QTest::newRow("letters and digits") << "aZ09"
                                        << "aZ09";
    QTest::newRow("blank, underscore, dash dropped") << "a b_c-d"
                                                     << "abcd";
    QTest::newRow("punctuation dropped") << "x!@#.,;:y"
                                         << "xy";
    QTest::newRow("beyond ASCII dropped") << "Äpfel€"
                                          << "pfel";
    QTest::newRow("eight at most") << "abcdefghij"
                                   << "abcdefgh";
}

void PasswordTest::keyFilter()
{
    QFETCH(QString, typed);
    QFETCH(QString, kept);

    ScriptedPrompts prompts;
    setStoredPassword(QString());
    frmPassword& dialog = Glob::PasswordDialog();
    QStringList texts;
    QList<QLineEdit::EchoMode> echoes;
    QString afterBackspace;
    QObject context;
    whenModal(&context, [&](QWidget* modal) {
        for (int i = 1; i < 3; ++i) {
            typeKeys(box(modal, i), typed);
            texts << box(modal, i)->text();
            echoes << box(modal, i)->echoMode();
        }
        QTest::keyClick(box(modal, 1), Qt::Key_Backspace);
        afterBackspace = box(modal, 1)->text();
        button(modal, "cmdCancel")->click();
    });
    dialog.setChangeMode(true);
    dialog.exec();

    QCOMPARE(texts, (QStringList{kept, kept}));
    QCOMPARE(echoes, (QList<QLineEdit::EchoMode>{QLineEdit::Password, QLineEdit::Password}));
    QCOMPARE(afterBackspace, kept.chopped(1));
    QCOMPARE(box(&dialog, 0)->echoMode(), QLineEdit::Password);
    QCOMPARE(box(&dialog, 0)->maxLength(), 8);
}

void PasswordTest::flows_data()
{
    QTest::addColumn<QString>("stored"); // clear text, "" for none
    QTest::addColumn<bool>("changeMode");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("newText");
    QTest::addColumn<QString>("confirm");
    QTest::addColumn<bool>("okEnabled");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("cancelled");
    QTest::addColumn<QString>("storedAfter"); // clear text, "" for none

    const QStringList none;
    const QString invalid = QStringLiteral("Invalid Password");
    const QString mismatch = QStringLiteral("Confirm does not match Password, try again!");
    const QString changed = QStringLiteral("Password changed");

    QTest::newRow("check: right") << "secret" << false << "secret"
                                  << ""
                                  << "" << true << none << false << "secret";
    QTest::newRow("check: other case") << "secret" << false << "SeCrEt"
                                       << ""
                                       << "" << true << none << false << "secret";
    QTest::newRow("check: surrounding blanks") << "secret" << false << "  secret "
                                               << ""
                                               << "" << true << none << false << "secret";
    QTest::newRow("check: wrong") << "secret" << false << "secreT1"
                                  << ""
                                  << "" << true << QStringList{invalid} << true << "secret";
    QTest::newRow("check: prefix is wrong") << "secret" << false << "secre"
                                            << ""
                                            << "" << true << QStringList{invalid} << true << "secret";
    QTest::newRow("change: none stored, confirmed")
        << "" << true << ""
        << "abc1"
        << "ABC1" << true << QStringList{changed} << false << "abc1";
    QTest::newRow("change: right current, confirmed")
        << "old" << true << "OLD"
        << "new9"
        << "new9" << true << QStringList{changed} << false << "new9";
    QTest::newRow("change: both new empty removes password")
        << "old" << true << "old"
        << ""
        << "" << true << QStringList{changed} << false << "";
    QTest::newRow("change: same length, different text")
        << "old" << true << "old"
        << "abcd"
        << "abce" << true << QStringList{mismatch} << true << "old";
    QTest::newRow("change: wrong current checked first")
        << "old" << true << "bad"
        << "abcd"
        << "abce" << true << QStringList{invalid} << true << "old";
    QTest::newRow("change: lengths differ keep OK off") << "old" << true << "old"
                                                        << "abcd"
                                                        << "abc" << false << none << true << "old";
    QTest::newRow("change: blanks around confirm ignored")
        << "old" << true << "old"
        << "abc"
        << " abc  " << true << QStringList{changed} << false << "abc";
}

void PasswordTest::flows()
{
    QFETCH(QString, stored);
    QFETCH(bool, changeMode);
    QFETCH(QString, current);
    QFETCH(QString, newText);
    QFETCH(QString, confirm);
    QFETCH(bool, okEnabled);
    QFETCH(QStringList, messages);
    QFETCH(bool, cancelled);
    QFETCH(QString, storedAfter);

    ScriptedPrompts prompts;
    setStoredPassword(stored);
    frmPassword& dialog = Glob::PasswordDialog();
    bool okSeen = !okEnabled;
    bool stillOpen = false;
    QWidget* focusAfter = nullptr;
    QString titleSeen;
    QObject context;
    whenModal(&context, [&](QWidget* modal) {
        titleSeen = modal->windowTitle();
        enter(box(modal, 0), current);
        enter(box(modal, 1), newText);
        enter(box(modal, 2), confirm);
        QPushButton* ok = button(modal, "cmdOK");
        okSeen = ok->isEnabled();
        if (ok->isEnabled())
            ok->click();
        stillOpen = modal->isVisible();
        focusAfter = QApplication::focusWidget();
        if (stillOpen)
            button(modal, "cmdCancel")->click();
    });
    dialog.setChangeMode(changeMode);
    dialog.exec();

    QCOMPARE(okSeen, okEnabled);
    QCOMPARE(messageTexts(prompts), messages);
    QCOMPARE(dialog.Cancelled(), cancelled);
    QCOMPARE(stillOpen, cancelled);
    QCOMPARE(Glob::Options().strPassword, Glob::Scramble_Password(storedAfter.toUpper()));

    const auto messageCalls = prompts.callsOf(ScriptedPrompts::Kind::MsgBox);
    const auto keys = prompts.callsOf(ScriptedPrompts::Kind::SendKeys);
    if (!messages.isEmpty()) {
        const auto& call = messageCalls.front();
        QCOMPARE(call.title, titleSeen);
        const bool wasChanged = call.text == QLatin1String("Password changed");
        QCOMPARE(call.icon, wasChanged ? MsgIcon::Information : MsgIcon::Critical);
        QCOMPARE(call.buttons,
                 call.text.startsWith(QLatin1String("Confirm")) ? MsgButtons::OKCancel : MsgButtons::OK);
        // After a refusal the offending box is focused and its content selected.
        if (!wasChanged) {
            QCOMPARE(keys.size(), size_t(1));
            QCOMPARE(keys.front().text, QStringLiteral("{Home}+{End}"));
            const int expected = call.text == QLatin1String("Invalid Password") ? 0 : 1;
            QCOMPARE(focusAfter, box(&dialog, expected));
        }
    } else {
        QVERIFY(keys.empty());
    }
}

void PasswordTest::enterPressesOk()
{
    ScriptedPrompts prompts;
    setStoredPassword(QStringLiteral("key"));
    frmPassword& dialog = Glob::PasswordDialog();
    bool okBeforeTyping = true;
    QObject context;
    whenModal(&context, [&](QWidget* modal) {
        okBeforeTyping = button(modal, "cmdOK")->isEnabled();
        QTest::keyClicks(box(modal, 0), QStringLiteral("KEY"));
        QTest::keyClick(box(modal, 0), Qt::Key_Return);
    });
    dialog.setChangeMode(false);
    dialog.exec();
    QVERIFY(!okBeforeTyping);
    QVERIFY(!dialog.Cancelled());
    QVERIFY(prompts.calls.empty());
}

void PasswordTest::activationRestoresPointer()
{
    ScriptedPrompts prompts;
    setStoredPassword(QString());
    frmPassword& dialog = Glob::PasswordDialog();
    Qt::CursorShape inside = Qt::WaitCursor;
    QObject context;
    whenModal(&context, [&](QWidget* modal) {
        inside =
            QGuiApplication::overrideCursor() ? QGuiApplication::overrideCursor()->shape() : Qt::BlankCursor;
        button(modal, "cmdCancel")->click();
    });
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    dialog.setChangeMode(true);
    dialog.exec();
    QCOMPARE(inside, Qt::ArrowCursor);
    // The caller's busy pointer is its own to restore.
    QVERIFY(QGuiApplication::overrideCursor());
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QGuiApplication::restoreOverrideCursor();
    QVERIFY(!QGuiApplication::overrideCursor());
}

QTEST_MAIN(PasswordTest)
#include "tst_password.moc"
