// The system password: its scrambled form, the key filters, and the dialog that checks or changes it.
#include "ScriptedPrompts.h"
#include "SettingsTestSupport.h"
#include "WidgetTestSupport.h"
#include "dialogs/frmPassword.h"
#include "settings/Glob.h"
#include "settings/Password.h"

#include <QClipboard>
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

// Key by key as a keyboard sends them, to the focus (a Tab moves it), so that the filter sees each; QTest
// types ASCII only. "|text" is pasted with Ctrl+V, "||text" with Shift+Insert.
void typeKeys(QWidget* box, const QString& text)
{
    if (text.startsWith(u'|')) {
        const bool insert = text.startsWith(QStringLiteral("||"));
        QApplication::clipboard()->setText(text.mid(insert ? 2 : 1));
        QTest::keyClick(box, insert ? Qt::Key_Insert : Qt::Key_V,
                        insert ? Qt::ShiftModifier : Qt::ControlModifier);
        return;
    }
    if (!text.isEmpty())
        box->setFocus();
    for (const QChar c : text) {
        QWidget* focus = QApplication::focusWidget();
        if (c.unicode() < 0x80) {
            QTest::keyClick(focus, char(c.unicode()));
            continue;
        }
        for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent event(type, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(focus, &event);
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
        // Stored passwords were made with this table: it must never change. Other characters repeat
        // the last table character, or give nothing before the first.
        for (const char* row : {"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ|5QBY7GV4WHFMXNAC93UL68ZDSKJOEI2T1RP0",
                                "pa55Word|KFGG1SON", "é_-A-B C|FFMMX"})
            QTest::newRow(row) << QString(row).section(u'|', 0, 0) << QString(row).section(u'|', 1);
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
        // Backspace, Enter, '.', the ends of each range, then their neighbours and other keys.
        const int rows[][4] = {{8, 8, 8, 8},         {13, -1, -1, -1},     {'.', 0, 0, '.'},
                               {'0', '0', '0', '0'}, {'9', '9', '9', '9'}, {'a', 'a', 0, 0},
                               {'z', 'z', 0, 0},     {'A', 'A', 0, 0},     {'Z', 'Z', 0, 0}};
        for (const auto& r : rows)
            QTest::addRow("%d", r[0]) << r[0] << QList<int>{r[1], r[2], r[3]};
        for (const int other : std::initializer_list<int>{'/', ':', '@', '[', '`', '{', ' ', '_', ',', '-',
                                                          '\t', '\n', 0, 127, 233, -1})
            QTest::addRow("%d", other) << other << QList<int>{0, 0, 0};
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
        QTest::addColumn<QStringList>("typed"); // current, new, confirm: as typeKeys takes them
        QTest::addColumn<QStringList>("said");  // OK left off, closed by a key, message boxes, then typing
        QTest::addColumn<QString>("storedAfter");
        const auto row = [](const char* tag, const char* stored, bool changeMode, const QStringList& typed,
                            const QStringList& said, const char* after) {
            QTest::newRow(tag) << QString(stored) << changeMode << typed << said << QString(after);
        };
        // A refused entry is selected, so that typing replaces it.
        const QStringList invalid{"Invalid Password [OK, critical]", "X replaces txtPassword0"};
        const QStringList mismatch{"Confirm does not match Password, try again! [OK/Cancel, critical]",
                                   "X replaces txtPassword1"};
        const QStringList changed{"Password changed [OK, information]"};
        row("check: right", "secret", false, {"secret", "", ""}, {}, "secret");
        // Pasted text meets the key filter: with a refused character nothing of it arrives.
        row("check: Shift+Insert pastes", "secret", false, {"||SECRET", "", ""}, {}, "secret");
        row("check: pasted blanks refused", "secret", false, {"||  secret ", "", ""}, {"OK off"}, "secret");
        row("check: Enter presses OK", "key", false, {"KEY\r", "", ""}, {"closed while typing"}, "key");
        row("check: Escape cancels", "key", false, {"KE\x1b", "", ""}, {"cancelled while typing"}, "key");
        row("check: wrong", "secret", false, {"secre", "", ""}, invalid, "secret");
        row("check: none stored", "", false, {"", "", ""}, {"OK off"}, "");
        row("change: none stored", "", true, {"", "abc1", "ABC1"}, changed, "abc1");
        row("change: right current", "old", true, {"OLD", "new9", "new9"}, changed, "new9");
        row("change: both new empty removes it", "old", true, {"old", "", ""}, changed, "");
        row("change: same length, other text", "old", true, {"old", "abcd", "abce"}, mismatch, "old");
        row("change: wrong current first", "old", true, {"bad", "abcd", "abce"}, invalid, "old");
        row("change: lengths differ keep OK off", "old", true, {"old", "abcd", "abc"}, {"OK off"}, "old");
        row("change: Ctrl+V pastes, blanks refused", "old", true, {"old", "|abc", "| abc "}, {"OK off"},
            "old");
        row("change: Tab and Shift+Tab move", "old", true, {"old\tnew\x0b\t\tnew", "", ""}, changed, "new");
        // Only letters and digits get through, eight at most; editing keys work as usual.
        row("keys filtered", "", true, {"", "a b_Äc-d€!.;x\befghij", "abcdefgh"}, changed, "abcdefgh");
    }
    void dialog()
    {
        QFETCH(QString, stored);
        QFETCH(bool, changeMode);
        QFETCH(QStringList, typed);
        QFETCH(QStringList, said);
        QFETCH(QString, storedAfter);
        ScriptedPrompts prompts;
        Glob::Options().strPassword = Glob::Scramble_Password(stored.toUpper());
        frmPassword& dialog = Glob::PasswordDialog();
        const QString caption = changeMode ? "Set Password" : "Admin Password";
        // Each showing starts afresh, whatever the one before left in the boxes.
        const QString shown =
            QStringLiteral("%1 %2%2 %3%3 %3%3 off arrow").arg(caption).arg(!stored.isEmpty()).arg(changeMode);
        QString seen;
        bool okSeen = false, closedByTyping = false, stillOpen = false, replaced = false;
        QWidget* focus = nullptr;
        QObject context;
        whenModal(&context, [&](QWidget* modal) {
            QVERIFY(QTest::qWaitForWindowActive(modal)); // keys go to the focus
            QPushButton* ok = child<QPushButton>(*modal, "cmdOK");
            seen = modal->windowTitle();
            for (int i = 0; i < 3; ++i) {
                const auto* label = modal->findChild<QLabel*>(QStringLiteral("lblLabel%1").arg(i));
                seen += QStringLiteral(" %1%2").arg(box(modal, i)->isEnabled()).arg(label->isEnabled());
                seen +=
                    box(modal, i)->text() + (box(modal, i)->echoMode() == QLineEdit::Password ? "" : "shown");
            }
            seen += ok->isEnabled() ? " on" : " off";
            seen += QGuiApplication::overrideCursor()->shape() == Qt::ArrowCursor ? " arrow" : " busy";
            for (int i = 0; i < 3; ++i)
                typeKeys(box(modal, i), typed[i]);
            okSeen = ok->isEnabled();
            closedByTyping = !modal->isVisible();
            if (okSeen && !closedByTyping)
                ok->click();
            stillOpen = modal->isVisible();
            focus = QApplication::focusWidget();
            if (stillOpen && !prompts.calls.empty()) {
                QTest::keyClick(focus, 'X');
                replaced = qobject_cast<QLineEdit*>(focus)->text() == "X";
            }
            if (stillOpen)
                child<QPushButton>(*modal, "cmdCancel")->click();
        });
        dialog.setChangeMode(changeMode);
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        dialog.exec();
        // The caller's busy pointer is its own to restore.
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QGuiApplication::restoreOverrideCursor();
        QCOMPARE(seen, shown);
        const char* const buttons[] = {"OK", "OK/Cancel", "Yes/No", "Yes/No/Cancel"};
        const char* const icons[] = {"no icon", "critical", "question", "information"};
        QStringList told = okSeen ? QStringList() : QStringList{"OK off"};
        if (closedByTyping)
            told << (dialog.Cancelled() ? "cancelled" : "closed") + QStringLiteral(" while typing");
        for (const ScriptedPrompts::Call& call : prompts.calls)
            told << QStringLiteral("%1 [%2, %3]")
                            .arg(call.text, buttons[int(call.buttons)], icons[int(call.icon)]) +
                        (call.title == caption ? "" : " titled " + call.title);
        if (replaced)
            told << "X replaces " + focus->objectName();
        QCOMPARE(told, said);
        // Refused (a message, then the offending box selected) or left with OK off: it stays open, cancelled.
        const bool cancelled = !okSeen || said.size() == 2 || said.contains("cancelled while typing");
        QCOMPARE(dialog.Cancelled(), cancelled);
        QCOMPARE(stillOpen, cancelled && !closedByTyping);
        QCOMPARE(Glob::Options().strPassword, Glob::Scramble_Password(storedAfter.toUpper()));
    }
};

QTEST_MAIN(PasswordTest)
#include "tst_password.moc"
