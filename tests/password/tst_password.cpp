// The system password: its scrambled form, the key filters, and the dialog
// that checks or changes it, driven through its named boxes and buttons.
#include "ScriptedPrompts.h"
#include "SettingsTestSupport.h"
#include "WidgetTestSupport.h"
#include "dialogs/frmPassword.h"
#include "settings/Glob.h"
#include "settings/Password.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>

using namespace quarry::test;

namespace {

QLineEdit* box(QWidget* dialog, int index)
{
    return dialog->findChild<QLineEdit*>(QStringLiteral("txtPassword%1").arg(index));
}

// Key by key as a keyboard sends them, so that the filter sees each; QTest types ASCII only.
void typeKeys(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(widget, char(c.unicode()));
            continue;
        }
        for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent event(type, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(widget, &event);
        }
    }
}

} // namespace

class PasswordTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { Glob::Options() = {}; }
    void cleanup() { QCOMPARE(takeReports(), QStringList()); }
    void scramble_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("scrambled");
        // Stored passwords were made with this table: it must never change. Other
        // characters repeat the last table character, or give nothing before the first.
        const char* const rows[][2] = {
            {"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ", "5QBY7GV4WHFMXNAC93UL68ZDSKJOEI2T1RP0"},
            {"pa55Word", "KFGG1SON"},
            {"", ""},
            {" _é-A9", "FH"},
            {"A-B C", "FFMMX"},
            {"--_ ", ""}};
        for (const auto& r : rows)
            QTest::addRow("'%s'", r[0]) << QString::fromUtf8(r[0]) << QString(r[1]);
    }
    void scramble()
    {
        QFETCH(QString, text);
        QFETCH(QString, scrambled);
        QCOMPARE(Glob::Scramble_Password(text), scrambled);
    }
    void keyFilters_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QList<int>>("results"); // letters and digits, whole number, decimal number
        const auto row = [](int key, const QList<int>& results) {
            QTest::addRow("%d", key) << key << results;
        };
        row(8, {8, 8, 8});     // backspace
        row(13, {-1, -1, -1}); // enter
        row('.', {0, 0, '.'});
        for (const int digit : {'0', '5', '9'})
            row(digit, {digit, digit, digit});
        for (const int letter : {'a', 'm', 'z', 'A', 'Q', 'Z'})
            row(letter, {letter, 0, 0});
        // Each range's neighbours, blank, underscore, comma, minus, tab, line feed, nul, delete, é, negative.
        for (const int other : std::initializer_list<int>{'/', ':', '@', '[', '`', '{', ' ', '_', ',', '-',
                                                          '\t', '\n', 0, 127, 233, -1})
            row(other, {0, 0, 0});
    }
    void keyFilters()
    {
        QFETCH(int, key);
        QFETCH(QList<int>, results);
        QCOMPARE((QList<int>{Glob::Check_AlphaKey(short(key)), Glob::Check_NumberKey(short(key), false),
                             Glob::Check_NumberKey(short(key), true)}),
                 results);
    }
    void dialog_data()
    {
        QTest::addColumn<QString>("stored"); // clear text, "" for none
        QTest::addColumn<bool>("changeMode");
        QTest::addColumn<QStringList>("typed"); // current, new, confirm; key by key, or pasted after a '|'
        QTest::addColumn<bool>("okEnabled");
        QTest::addColumn<QStringList>("said"); // message boxes and keys sent, in order
        QTest::addColumn<QString>("storedAfter");
        const auto row = [](const char* tag, const char* stored, bool changeMode, const QStringList& typed,
                            bool ok, const QStringList& said, const char* after) {
            QTest::newRow(tag) << QString(stored) << changeMode << typed << ok << said << QString(after);
        };
        const QStringList invalid{"Invalid Password [OK, critical]", "{Home}+{End} txtPassword0"};
        const QStringList mismatch{"Confirm does not match Password, try again! [OK/Cancel, critical]",
                                   "{Home}+{End} txtPassword1"};
        const QStringList changed{"Password changed [OK, information]"};
        row("check: right", "secret", false, {"secret", "", ""}, true, {}, "secret");
        row("check: surrounding blanks", "secret", false, {"|  secret ", "", ""}, true, {}, "secret");
        row("check: Enter presses OK", "key", false, {"KEY\r", "", ""}, true, {"closed while typing"}, "key");
        row("check: wrong", "secret", false, {"secre", "", ""}, true, invalid, "secret");
        row("check: none stored", "", false, {"", "", ""}, false, {}, "");
        row("change: none stored", "", true, {"", "abc1", "ABC1"}, true, changed, "abc1");
        row("change: right current", "old", true, {"OLD", "new9", "new9"}, true, changed, "new9");
        row("change: both new empty removes it", "old", true, {"old", "", ""}, true, changed, "");
        row("change: same length, different text", "old", true, {"old", "abcd", "abce"}, true, mismatch,
            "old");
        row("change: wrong current checked first", "old", true, {"bad", "abcd", "abce"}, true, invalid,
            "old");
        row("change: lengths differ keep OK off", "old", true, {"old", "abcd", "abc"}, false, {}, "old");
        row("change: blanks around ignored", "old", true, {"old", "abc", "| abc  "}, true, changed, "abc");
        // Only letters and digits get through, eight at most; editing keys work as usual.
        row("blank, underscore, dash, punctuation", "", true, {"", "a b_c-d!.;", "abcd"}, true, changed,
            "abcd");
        row("beyond ASCII", "", true, {"", "Äpfel€", "pfel"}, true, changed, "pfel");
        row("eight at most", "", true, {"", "abcdefghij", "abcdefgh"}, true, changed, "abcdefgh");
        row("backspace", "", true, {"", "abcx\b", "abc"}, true, changed, "abc");
    }
    void dialog()
    {
        QFETCH(QString, stored);
        QFETCH(bool, changeMode);
        QFETCH(QStringList, typed);
        QFETCH(bool, okEnabled);
        QFETCH(QStringList, said);
        QFETCH(QString, storedAfter);
        ScriptedPrompts prompts;
        Glob::Options().strPassword = Glob::Scramble_Password(stored.toUpper());
        frmPassword& dialog = Glob::PasswordDialog();
        const QString caption =
            changeMode ? QStringLiteral("Set Password") : QStringLiteral("Admin Password");
        // Each showing starts afresh, whatever the one before left in the boxes.
        const QString shown =
            QStringLiteral("%1 %2%2 %3%3 %3%3 off arrow").arg(caption).arg(!stored.isEmpty()).arg(changeMode);
        QString seen;
        bool okSeen = false, closedByTyping = false, stillOpen = false;
        QWidget* focus = nullptr;
        QObject context;
        whenModal(&context, [&](QWidget* modal) {
            QPushButton* ok = child<QPushButton>(*modal, "cmdOK");
            seen = modal->windowTitle();
            for (int i = 0; i < 3; ++i)
                seen += QStringLiteral(" %1%2%3")
                            .arg(box(modal, i)->isEnabled())
                            .arg(child<QLabel>(*modal, qPrintable(QStringLiteral("lblLabel%1").arg(i)))
                                     ->isEnabled())
                            .arg(box(modal, i)->text());
            seen += ok->isEnabled() ? " on" : " off";
            seen += QGuiApplication::overrideCursor()->shape() == Qt::ArrowCursor ? " arrow" : " busy";
            for (int i = 0; i < 3; ++i) {
                if (typed[i].startsWith(u'|'))
                    box(modal, i)->setText(typed[i].mid(1));
                else
                    typeKeys(box(modal, i), typed[i]);
            }
            okSeen = ok->isEnabled();
            closedByTyping = !modal->isVisible();
            if (okSeen && !closedByTyping)
                ok->click();
            stillOpen = modal->isVisible();
            focus = QApplication::focusWidget();
            if (stillOpen)
                child<QPushButton>(*modal, "cmdCancel")->click();
        });
        dialog.setChangeMode(changeMode);
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        dialog.exec();
        // The caller's busy pointer is its own to restore.
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QGuiApplication::restoreOverrideCursor();
        QVERIFY(!QGuiApplication::overrideCursor());
        QCOMPARE(seen, shown);
        for (int i = 0; i < 3; ++i)
            QVERIFY(box(&dialog, i)->echoMode() == QLineEdit::Password && box(&dialog, i)->maxLength() == 8);

        QCOMPARE(okSeen, okEnabled);
        const char* const buttons[] = {"OK", "OK/Cancel", "Yes/No", "Yes/No/Cancel"};
        const char* const icons[] = {"no icon", "critical", "question", "information"};
        QStringList told = closedByTyping ? QStringList{"closed while typing"} : QStringList();
        for (const ScriptedPrompts::Call& call : prompts.calls)
            told << (call.kind == ScriptedPrompts::Kind::SendKeys
                         ? call.text + u' ' + focus->objectName()
                         : QStringLiteral("%1 [%2, %3]")
                                   .arg(call.text, buttons[int(call.buttons)], icons[int(call.icon)]) +
                               (call.title == caption ? "" : " titled " + call.title));
        QCOMPARE(told, said);
        // Refused (a message, then the offending box selected) or left with OK
        // off: the dialog stays open and counts as cancelled.
        const bool cancelled = !okEnabled || said.size() == 2;
        QCOMPARE(dialog.Cancelled(), cancelled);
        QCOMPARE(stillOpen, cancelled);
        QCOMPARE(Glob::Options().strPassword, Glob::Scramble_Password(storedAfter.toUpper()));
    }
};

QTEST_MAIN(PasswordTest)
#include "tst_password.moc"
