// The system password: its scrambled form, the key filters, and the dialog that checks or changes it.
#include "ScriptedPrompts.h"
#include "SettingsTestSupport.h"
#include "WidgetTestSupport.h"
#include "dialogs/frmPassword.h"
#include "settings/Glob.h"
#include "settings/Password.h"

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>

using namespace quarry::test;

namespace {

// Key by key as a keyboard sends them, to the focus (a Tab moves it), so that the filter sees each: QTest's
// own typing knows ASCII only. "|text" is pasted with Ctrl+V, "||text" with Shift+Insert.
void typeKeys(QWidget* box, const QString& text)
{
    const bool insert = text.startsWith(QStringLiteral("||"));
    if (text.startsWith(u'|')) {
        QApplication::clipboard()->setText(text.mid(insert ? 2 : 1));
        return QTest::keyClick(box, insert ? Qt::Key_Insert : Qt::Key_V,
                               insert ? Qt::ShiftModifier : Qt::ControlModifier);
    }
    if (!text.isEmpty())
        box->setFocus();
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(),
                            c.unicode() < 0x80 ? QTest::asciiToKey(char(c.unicode())) : Qt::Key_unknown,
                            QString(c), Qt::NoModifier);
}

} // namespace

class PasswordTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { Glob::Options() = {}; }
    void cleanup() { QCOMPARE(takeReports(), QStringList()); }
    void scramble()
    {
        // Stored passwords were made with this table: it must never change. Other characters repeat
        // the last table character, or give nothing before the first.
        QCOMPARE(Glob::Scramble_Password("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"),
                 "5QBY7GV4WHFMXNAC93UL68ZDSKJOEI2T1RP0");
        QCOMPARE(Glob::Scramble_Password("pa55Word"), "KFGG1SON");
        QCOMPARE(Glob::Scramble_Password("é_-A-B C"), "FFMMX");
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
        const QStringList invalid{"Invalid Password [OK, critical]", "txtPassword0 then holds X"};
        const QStringList mismatch{"Confirm does not match Password, try again! [OK/Cancel, critical]",
                                   "txtPassword1 then holds X"};
        const QStringList changed{"Password changed [OK, information]"};
        // Pasted text meets the key filter: with a refused character nothing of it arrives. The current
        // password is compared in capitals, as it is stored.
        row("check: Shift+Insert pastes", "secret", false, {"||SECRET", "", ""}, {}, "secret");
        row("check: pasted blanks refused", "secret", false, {"||  secret ", "", ""}, {"OK off"}, "secret");
        row("check: Enter presses OK", "key", false, {"KEY\r", "", ""}, {"closed while typing"}, "key");
        row("check: Escape cancels", "key", false, {"KE\x1b", "", ""}, {"cancelled while typing"}, "key");
        row("check: none stored", "", false, {"", "", ""}, {"OK off"}, "");
        row("change: both new empty removes it", "old", true, {"old", "", ""}, changed, "");
        row("change: same length, other text", "old", true, {"old", "abcd", "abce"}, mismatch, "old");
        row("change: wrong current first", "old", true, {"bad", "abcd", "abce"}, invalid, "old");
        row("change: lengths differ keep OK off", "old", true, {"old", "abcd", "abc"}, {"OK off"}, "old");
        row("change: Ctrl+V pastes, blanks refused", "old", true, {"old", "|abc", "| abc "}, {"OK off"},
            "old");
        row("change: Tab and Shift+Tab move", "old", true, {"OLD\tnew\x0b\t\tnew", "", ""}, changed, "new");
        // Only letters and digits get through, eight at most; editing keys work as usual. Nothing stored,
        // nothing to give first; the confirmation is compared in capitals.
        row("keys filtered", "", true, {"", "a b_Äc-d€!.;x\b9fghij", "ABCD9FGH"}, changed, "abcd9fgh");
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
        const char* const buttons[] = {"OK", "OK/Cancel", "Yes/No", "Yes/No/Cancel"};
        const char* const icons[] = {"no icon", "critical", "question", "information"};
        QString seen;
        QStringList told;
        bool stillOpen = false;
        QObject context;
        whenModal(&context, [&](QWidget* modal) {
            QVERIFY(QTest::qWaitForWindowActive(modal)); // keys go to the focus
            QPushButton* ok = child<QPushButton>(*modal, "cmdOK");
            seen = modal->windowTitle();
            QLineEdit* boxes[3];
            for (int i = 0; i < 3; ++i) {
                const auto* label = child<QLabel>(*modal, qPrintable(QStringLiteral("lblLabel%1").arg(i)));
                boxes[i] = child<QLineEdit>(*modal, qPrintable(QStringLiteral("txtPassword%1").arg(i)));
                seen += QStringLiteral(" %1%2").arg(boxes[i]->isEnabled()).arg(label->isEnabled());
                seen += boxes[i]->text() + (boxes[i]->echoMode() == QLineEdit::Password ? "" : "shown");
            }
            seen += ok->isEnabled() ? " on" : " off";
            seen += QGuiApplication::overrideCursor()->shape() == Qt::ArrowCursor ? " arrow" : " busy";
            for (int i = 0; i < 3; ++i)
                typeKeys(boxes[i], typed[i]);
            if (!ok->isEnabled())
                told << "OK off";
            if (!modal->isVisible())
                told << (dialog.Cancelled() ? "cancelled" : "closed") + QStringLiteral(" while typing");
            else if (ok->isEnabled())
                ok->click();
            for (const ScriptedPrompts::Call& call : prompts.calls)
                told << QStringLiteral("%1 [%2, %3]")
                                .arg(call.text, buttons[int(call.buttons)], icons[int(call.icon)]) +
                            (call.title == caption ? "" : " titled " + call.title);
            stillOpen = modal->isVisible();
            if (auto* focus = qobject_cast<QLineEdit*>(QApplication::focusWidget());
                focus && stillOpen && !prompts.calls.empty()) {
                QTest::keyClick(focus, 'X');
                told << focus->objectName() + " then holds " + focus->text();
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
        QCOMPARE(told, said);
        // Refused (a message, then the offending box selected) or left with OK off: it stays open, cancelled.
        const bool cancelled =
            said.contains("OK off") || said.size() == 2 || said.contains("cancelled while typing");
        QCOMPARE(dialog.Cancelled(), cancelled);
        QCOMPARE(stillOpen, cancelled && said.filter("while typing").isEmpty());
        QCOMPARE(Glob::Options().strPassword, Glob::Scramble_Password(storedAfter.toUpper()));
    }
};

QTEST_MAIN(PasswordTest)
#include "tst_password.moc"
