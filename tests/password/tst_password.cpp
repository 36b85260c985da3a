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
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.isLetterOrNumber(); }))
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

// Shows the shared dialog over a stored password (clear text, "" for none);
// `steps` run while it is modal.
frmPassword& show(const QString& stored, bool changeMode, const std::function<void(QWidget*)>& steps)
{
    Glob::Options().strPassword = stored.isEmpty() ? QString() : Glob::Scramble_Password(stored.toUpper());
    frmPassword& dialog = Glob::PasswordDialog();
    QObject context;
    whenModal(&context, steps);
    dialog.setChangeMode(changeMode);
    dialog.exec();
    return dialog;
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

    void scrambleEquivalence_data()
    {
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("right");
        QTest::addColumn<bool>("same");
        const auto row = [](const char* tag, const char* left, const char* right, bool same) {
            QTest::newRow(tag) << QString::fromUtf8(left) << QString(right) << same;
        };
        row("empty gives empty", "", "", true);
        row("case does not matter", "abc", "ABC", true);
        row("mixed case digits", "pa55Word", "PA55WORD", true);
        row("leading dash contributes nothing", "-A", "A", true);
        row("leading run of non-table characters", " _é-A9", "A9", true);
        row("trailing dash repeats", "A-", "AA", true);
        row("inner blank repeats the previous", "A B", "AAB", true);
        row("non-table only gives empty", "--_ ", "", true);
        row("order matters", "AB", "BA", false);
        row("length matters", "A", "AA", false);
        row("neighbours differ", "A", "B", false);
        row("digit and letter differ", "0", "O", false);
    }

    void scrambleEquivalence()
    {
        QFETCH(QString, left);
        QFETCH(QString, right);
        QFETCH(bool, same);
        QCOMPARE(Glob::Scramble_Password(left) == Glob::Scramble_Password(right), same);
    }

    void scrambleTableIsOneToOne()
    {
        QSet<QChar> images;
        for (const QChar c : kTable) {
            const QString one = Glob::Scramble_Password(QString(c));
            QCOMPARE(one.size(), 1);
            QVERIFY2(kTable.contains(one.front()), qPrintable(one));
            images.insert(one.front());
        }
        QCOMPARE(images.size(), 36);
        // Stored passwords were made with this table: it must never change.
        QCOMPARE(Glob::Scramble_Password(QStringLiteral("ADMIN2024")), QStringLiteral("FNZUDB5B7"));
    }

    void alphaKey_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("result");
        QTest::newRow("backspace") << 8 << 8;
        QTest::newRow("enter") << 13 << -1;
        for (const char c : {'0', '5', '9', 'a', 'm', 'z', 'A', 'Q', 'Z'})
            QTest::addRow("%c", c) << int(c) << int(c);
        // Each boundary of the three ranges from outside, then blank, underscore, dot,
        // tab, line feed, nul, delete, latin-1 e acute and a negative code.
        for (const int c :
             std::initializer_list<int>{'/', ':', '@', '[', '`', '{', 32, 95, 46, 9, 10, 0, 127, 233, -1})
            QTest::addRow("%d cancelled", c) << c << 0;
    }

    void alphaKey()
    {
        QFETCH(int, key);
        QFETCH(int, result);
        QCOMPARE(int(Glob::Check_AlphaKey(short(key))), result);
    }

    void numberKey_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("decimal");
        QTest::addColumn<int>("result");
        for (const bool decimal : {false, true}) {
            const char* tag = decimal ? "decimal" : "whole";
            QTest::addRow("backspace %s", tag) << 8 << decimal << 8;
            QTest::addRow("enter %s", tag) << 13 << decimal << -1;
            QTest::addRow("dot %s", tag) << 46 << decimal << (decimal ? 46 : 0);
            for (const int digit : {'0', '7', '9'})
                QTest::addRow("%c %s", digit, tag) << digit << decimal << digit;
            // slash, colon, comma, minus, a letter, blank
            for (const int other : {47, 58, 44, 45, int('a'), 32})
                QTest::addRow("%d %s", other, tag) << other << decimal << 0;
        }
    }

    void numberKey()
    {
        QFETCH(int, key);
        QFETCH(bool, decimal);
        QFETCH(int, result);
        QCOMPARE(int(Glob::Check_NumberKey(short(key), decimal)), result);
    }

    void initialState_data()
    {
        QTest::addColumn<bool>("stored");
        QTest::addColumn<bool>("changeMode");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QList<bool>>("enabled"); // txtPassword0..2
        QTest::newRow("check, stored")
            << true << false << "Admin Password" << QList<bool>{true, false, false};
        QTest::newRow("check, none") << false << false << "Admin Password"
                                     << QList<bool>{false, false, false};
        QTest::newRow("change, stored") << true << true << "Set Password" << QList<bool>{true, true, true};
        QTest::newRow("change, none") << false << true << "Set Password" << QList<bool>{false, true, true};
    }

    void initialState()
    {
        QFETCH(bool, stored);
        QFETCH(bool, changeMode);
        QFETCH(QString, caption);
        QFETCH(QList<bool>, enabled);
        ScriptedPrompts prompts;
        const QString old = stored ? QStringLiteral("old") : QString();
        // The previous showing leaves text behind in the other mode, which the
        // next showing must not keep.
        frmPassword& dialog = show(old, !changeMode, [](QWidget* modal) {
            for (int i = 0; i < 3; ++i)
                box(modal, i)->setText(QStringLiteral("LEFT"));
            modal->close();
        });
        bool same = false, okEnabled = true;
        QString seenCaption;
        QList<bool> boxes, labels;
        QStringList texts;
        show(old, changeMode, [&](QWidget* modal) {
            same = modal == &dialog; // one instance, reused
            seenCaption = modal->windowTitle();
            for (int i = 0; i < 3; ++i) {
                boxes << box(modal, i)->isEnabled();
                labels << modal->findChild<QLabel*>(QStringLiteral("lblLabel%1").arg(i))->isEnabled();
                texts << box(modal, i)->text();
            }
            okEnabled = button(modal, "cmdOK")->isEnabled();
            button(modal, "cmdCancel")->click();
        });
        QVERIFY(same);
        QCOMPARE(seenCaption, caption);
        QCOMPARE(boxes, enabled);
        QCOMPARE(labels, enabled);
        QCOMPARE(texts, (QStringList{"", "", ""}));
        QVERIFY(!okEnabled);
        QVERIFY(dialog.Cancelled());
        QVERIFY(prompts.calls.empty());
    }

    void keyFilter_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        const auto row = [](const char* tag, const char* typed, const char* kept) {
            QTest::newRow(tag) << QString::fromUtf8(typed) << QString(kept);
        };
        row("letters and digits", "aZ09", "aZ09");
        row("blank, underscore, dash dropped", "a b_c-d", "abcd");
        row("punctuation dropped", "x!@#.,;:y", "xy");
        row("beyond ASCII dropped", "Äpfel€", "pfel");
        row("eight at most", "abcdefghij", "abcdefgh");
    }

    void keyFilter()
    {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        ScriptedPrompts prompts;
        QStringList texts;
        QList<QLineEdit::EchoMode> echoes;
        QString afterBackspace;
        frmPassword& dialog = show({}, true, [&](QWidget* modal) {
            for (int i = 1; i < 3; ++i) {
                typeKeys(box(modal, i), typed);
                texts << box(modal, i)->text();
                echoes << box(modal, i)->echoMode();
            }
            QTest::keyClick(box(modal, 1), Qt::Key_Backspace);
            afterBackspace = box(modal, 1)->text();
            button(modal, "cmdCancel")->click();
        });
        QCOMPARE(texts, (QStringList{kept, kept}));
        QCOMPARE(echoes, (QList<QLineEdit::EchoMode>{QLineEdit::Password, QLineEdit::Password}));
        QCOMPARE(afterBackspace, kept.chopped(1));
        QCOMPARE(box(&dialog, 0)->echoMode(), QLineEdit::Password);
        QCOMPARE(box(&dialog, 0)->maxLength(), 8);
    }

    void flows_data()
    {
        QTest::addColumn<QString>("stored"); // clear text, "" for none
        QTest::addColumn<bool>("changeMode");
        QTest::addColumn<QStringList>("typed"); // current, new, confirm
        QTest::addColumn<bool>("okEnabled");
        QTest::addColumn<QString>("message"); // "" for none
        QTest::addColumn<QString>("storedAfter");
        const auto row = [](const char* tag, const char* stored, bool changeMode, const QStringList& typed,
                            bool ok, const char* message, const char* after) {
            QTest::newRow(tag) << QString(stored) << changeMode << typed << ok << QString(message)
                               << QString(after);
        };
        const char* invalid = "Invalid Password";
        const char* mismatch = "Confirm does not match Password, try again!";
        const char* changed = "Password changed";
        row("check: right", "secret", false, {"secret", "", ""}, true, "", "secret");
        row("check: other case", "secret", false, {"SeCrEt", "", ""}, true, "", "secret");
        row("check: surrounding blanks", "secret", false, {"  secret ", "", ""}, true, "", "secret");
        row("check: wrong", "secret", false, {"secreT1", "", ""}, true, invalid, "secret");
        row("check: prefix is wrong", "secret", false, {"secre", "", ""}, true, invalid, "secret");
        row("change: none stored, confirmed", "", true, {"", "abc1", "ABC1"}, true, changed, "abc1");
        row("change: right current, confirmed", "old", true, {"OLD", "new9", "new9"}, true, changed, "new9");
        row("change: both new empty removes password", "old", true, {"old", "", ""}, true, changed, "");
        row("change: same length, different text", "old", true, {"old", "abcd", "abce"}, true, mismatch,
            "old");
        row("change: wrong current checked first", "old", true, {"bad", "abcd", "abce"}, true, invalid,
            "old");
        row("change: lengths differ keep OK off", "old", true, {"old", "abcd", "abc"}, false, "", "old");
        row("change: blanks around confirm ignored", "old", true, {"old", "abc", " abc  "}, true, changed,
            "abc");
    }

    void flows()
    {
        QFETCH(QString, stored);
        QFETCH(bool, changeMode);
        QFETCH(QStringList, typed);
        QFETCH(bool, okEnabled);
        QFETCH(QString, message);
        QFETCH(QString, storedAfter);
        ScriptedPrompts prompts;
        bool okSeen = !okEnabled, stillOpen = false;
        QWidget* focusAfter = nullptr;
        QString titleSeen;
        frmPassword& dialog = show(stored, changeMode, [&](QWidget* modal) {
            titleSeen = modal->windowTitle();
            for (int i = 0; i < 3; ++i)
                enter(box(modal, i), typed.at(i));
            okSeen = button(modal, "cmdOK")->isEnabled();
            if (okSeen)
                button(modal, "cmdOK")->click();
            stillOpen = modal->isVisible();
            focusAfter = QApplication::focusWidget();
            if (stillOpen)
                button(modal, "cmdCancel")->click();
        });
        // Refused or left with OK off: the dialog stays open and counts as cancelled.
        const bool cancelled = message.isEmpty() ? !okEnabled : message != "Password changed";
        QCOMPARE(okSeen, okEnabled);
        const auto calls = prompts.callsOf(ScriptedPrompts::Kind::MsgBox);
        QStringList texts;
        for (const auto& call : calls)
            texts << call.text;
        QCOMPARE(texts, message.isEmpty() ? QStringList{} : QStringList{message});
        QCOMPARE(dialog.Cancelled(), cancelled);
        QCOMPARE(stillOpen, cancelled);
        QCOMPARE(Glob::Options().strPassword, Glob::Scramble_Password(storedAfter.toUpper()));
        const auto keys = prompts.callsOf(ScriptedPrompts::Kind::SendKeys);
        QCOMPARE(keys.empty(), !cancelled || message.isEmpty());
        if (message.isEmpty())
            return;
        QCOMPARE(calls.front().title, titleSeen);
        QCOMPARE(calls.front().icon, cancelled ? MsgIcon::Critical : MsgIcon::Information);
        QCOMPARE(calls.front().buttons,
                 message.startsWith("Confirm") ? MsgButtons::OKCancel : MsgButtons::OK);
        // After a refusal the offending box is focused and its content selected.
        if (cancelled) {
            QCOMPARE(keys.size(), size_t(1));
            QCOMPARE(keys.front().text, QStringLiteral("{Home}+{End}"));
            QCOMPARE(focusAfter, box(&dialog, message == "Invalid Password" ? 0 : 1));
        }
    }

    void enterPressesOk()
    {
        ScriptedPrompts prompts;
        bool okBeforeTyping = true;
        frmPassword& dialog = show(QStringLiteral("key"), false, [&](QWidget* modal) {
            okBeforeTyping = button(modal, "cmdOK")->isEnabled();
            QTest::keyClicks(box(modal, 0), QStringLiteral("KEY"));
            QTest::keyClick(box(modal, 0), Qt::Key_Return);
        });
        QVERIFY(!okBeforeTyping);
        QVERIFY(!dialog.Cancelled());
        QVERIFY(prompts.calls.empty());
    }

    void activationRestoresPointer()
    {
        ScriptedPrompts prompts;
        Qt::CursorShape inside = Qt::WaitCursor;
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        show({}, true, [&](QWidget* modal) {
            const QCursor* cursor = QGuiApplication::overrideCursor();
            inside = cursor ? cursor->shape() : Qt::BlankCursor;
            button(modal, "cmdCancel")->click();
        });
        QCOMPARE(inside, Qt::ArrowCursor);
        // The caller's busy pointer is its own to restore.
        QVERIFY(QGuiApplication::overrideCursor());
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QGuiApplication::restoreOverrideCursor();
        QVERIFY(!QGuiApplication::overrideCursor());
    }
};

QTEST_MAIN(PasswordTest)
#include "tst_password.moc"
