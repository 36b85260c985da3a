#include "dialogs/dlgConnectionBuilder.h"
#include "dialogs/frmNewDataSource.h"
#include "platform/widgets/BusyPointer.h"

#include "WidgetTestSupport.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using OptString = std::optional<QString>;
Q_DECLARE_METATYPE(OptString)
using quarry::test::child;

const QString kConnection = QStringLiteral("Provider=SQLite;Data Source=a");

class TestNewDataSource : public QObject
{
    Q_OBJECT

    static void load(frmNewDataSource& dialog, const QString& name, const QString& connection,
                     const QString& description = {}, const QString& delimiter = {})
    {
        dialog.setSourceName(name);
        dialog.setConnection(connection);
        dialog.setDescription(description);
        dialog.setDelimiter(delimiter);
    }
    static void click(QWidget& dialog, const char* name)
    {
        QTest::mouseClick(child<QPushButton>(dialog, name), Qt::LeftButton);
    }
    static bool okEnabled(QWidget& dialog) { return child<QPushButton>(dialog, "cmdOK")->isEnabled(); }
    static QComboBox* delimiters(QWidget& dialog) { return child<QComboBox>(dialog, "cboDelimiter"); }
    // Title, the delimiters offered > the one shown, and whether OK is on.
    static QString seen(QWidget& dialog)
    {
        return QStringLiteral("%1: %2 > %3, OK %4")
            .arg(dialog.windowTitle(), quarry::test::itemTexts(*delimiters(dialog)).join(' '),
                 delimiters(dialog)->currentText(), okEnabled(dialog) ? "on" : "off");
    }

private slots:
    void loads_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("connection");
        QTest::addColumn<QString>("delimiter");
        QTest::addColumn<QString>("seen");
        const auto row = [](const char* name, const char* source, const QString& connection,
                            const char* delimiter, const char* seen) {
            QTest::newRow(name) << QString(source) << connection << QString(delimiter) << QString(seen);
        };
        row("new entry proposes grave accent", "", "", "", "New Data Source: \" ` > `, OK off");
        row("edit with double quote", "Sales", kConnection, "\"", "Edit Data Source: \" ` > \", OK on");
        row("edit with bracket adds a third item", "Sales", kConnection, "[",
            "Edit Data Source: \" ` [ > [, OK on");
        row("edit without delimiter proposes grave", "Sales", kConnection, "",
            "Edit Data Source: \" ` > `, OK on");
        row("stored two characters shown as the first", "Sales", kConnection, "ab",
            "Edit Data Source: \" ` ab > a, OK on");
        row("empty name is a new entry even with a connection", "", kConnection, "\"",
            "New Data Source: \" ` > \", OK on");
        row("name without connection keeps OK off", "Sales", "", "\"", "Edit Data Source: \" ` > \", OK off");
    }

    void loads()
    {
        QFETCH(QString, name);
        QFETCH(QString, connection);
        QFETCH(QString, delimiter);
        QFETCH(QString, seen);
        frmNewDataSource dialog;
        load(dialog, name, connection, QStringLiteral("some words"), delimiter);
        dialog.show();
        QCOMPARE(TestNewDataSource::seen(dialog), seen);
        QCOMPARE(child<QLineEdit>(dialog, "txtName")->text(), name);
        QCOMPARE(child<QPlainTextEdit>(dialog, "txtConnection")->toPlainText(), connection);
        QCOMPARE(child<QPlainTextEdit>(dialog, "txtDescription")->toPlainText(),
                 QStringLiteral("some words"));
        QVERIFY(dialog.Cancelled());
    }

    // Name, description and delimiter are typed in every row: only a connection enables OK.
    void okNeedsAConnection_data()
    {
        QTest::addColumn<QString>("connection"); // loaded
        QTest::addColumn<OptString>("built");    // what the connection prompt gives back
        QTest::addColumn<bool>("ok");
        QTest::newRow("prompt cancelled") << QString() << OptString() << false;
        QTest::newRow("prompt gives empty string") << QString() << OptString(QString()) << false;
        QTest::newRow("connection built") << QString() << OptString(kConnection) << true;
        QTest::newRow("existing entry") << kConnection << OptString() << true;
    }

    void okNeedsAConnection()
    {
        QFETCH(QString, connection);
        QFETCH(OptString, built);
        QFETCH(bool, ok);
        frmNewDataSource dialog;
        QList<QWidget*> owners;
        dialog.setConnectionPrompt([&](QWidget* owner, const QString&) {
            owners << owner;
            return built;
        });
        load(dialog, connection.isEmpty() ? QString() : QStringLiteral("Old"), connection);
        dialog.show();
        click(dialog, "cmdDataSource");
        QCOMPARE(owners, QList<QWidget*>{&dialog});
        QTest::keyClicks(child<QLineEdit>(dialog, "txtName"), QStringLiteral("Sales"));
        QTest::keyClicks(child<QPlainTextEdit>(dialog, "txtDescription"), QStringLiteral("words"));
        delimiters(dialog)->setCurrentIndex(0);
        QCOMPARE(okEnabled(dialog), ok);
        const QString expected = built && !built->isEmpty() ? *built : connection;
        QCOMPARE(child<QPlainTextEdit>(dialog, "txtConnection")->toPlainText(), expected);
        QCOMPARE(dialog.Connection(), expected);
    }

    void delimiterKeepsOneCharacter_data()
    {
        QTest::addColumn<bool>("selectAll");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("second character after the proposal") << false << QString("x") << QString("`");
        QTest::newRow("two typed over the selection") << true << QString("[]") << QString("[");
        QTest::newRow("one typed over the selection") << true << QString("'") << QString("'");
    }

    void delimiterKeepsOneCharacter()
    {
        QFETCH(bool, selectAll);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        frmNewDataSource dialog;
        load(dialog, QStringLiteral("Sales"), kConnection);
        dialog.show();
        QLineEdit* edit = delimiters(dialog)->lineEdit();
        edit->setCursorPosition(1);
        if (selectAll)
            edit->selectAll();
        QTest::keyClicks(edit, typed);
        QCOMPARE(delimiters(dialog)->currentText(), expected);
        click(dialog, "cmdOK");
        QCOMPARE(dialog.Delimiter(), expected);
    }

    void okCopiesControlsAndReuseStartsAfresh()
    {
        frmNewDataSource dialog;
        dialog.setConnectionPrompt(
            [](QWidget*, const QString&) { return OptString("Provider=PostgreSQL;X=1"); });
        load(dialog, {}, {}, {}, QStringLiteral("["));
        dialog.show();
        QCOMPARE(seen(dialog), QStringLiteral("New Data Source: \" ` [ > [, OK off"));
        click(dialog, "cmdDataSource");
        QTest::keyClicks(child<QLineEdit>(dialog, "txtName"), QStringLiteral("O'Brien"));
        auto* description = child<QPlainTextEdit>(dialog, "txtDescription");
        QTest::keyClicks(description, QStringLiteral("two"));
        QTest::keyClick(description, Qt::Key_Return); // a new line, not the default button
        QTest::keyClicks(description, QStringLiteral("lines"));
        delimiters(dialog)->setCurrentIndex(0);
        click(dialog, "cmdOK");

        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.Cancelled());
        QCOMPARE(dialog.SourceName(), QStringLiteral("O'Brien"));
        QCOMPARE(dialog.Connection(), QStringLiteral("Provider=PostgreSQL;X=1"));
        QCOMPARE(dialog.Description(), QStringLiteral("two\nlines"));
        QCOMPARE(dialog.Delimiter(), QStringLiteral("\""));

        load(dialog, {}, {});
        dialog.show();
        QVERIFY(dialog.Cancelled());
        QCOMPARE(seen(dialog), QStringLiteral("New Data Source: \" ` > `, OK off"));
        QVERIFY(child<QLineEdit>(dialog, "txtName")->text().isEmpty());
        QVERIFY(child<QPlainTextEdit>(dialog, "txtConnection")->toPlainText().isEmpty());
    }

    void cancelKeepsStoredValues_data()
    {
        QTest::addColumn<bool>("byEscape");
        QTest::newRow("cmdCancel") << false;
        QTest::newRow("Escape") << true;
    }

    void cancelKeepsStoredValues()
    {
        QFETCH(bool, byEscape);
        frmNewDataSource dialog;
        dialog.setConnectionPrompt(
            [](QWidget*, const QString&) { return OptString("Provider=SQLite;Data Source=b"); });
        load(dialog, QStringLiteral("Sales"), kConnection, QStringLiteral("d"), QStringLiteral("`"));
        bool sawModal = false;
        quarry::test::whenModal(&dialog, [&](QWidget* modal) {
            sawModal = modal == &dialog;
            click(dialog, "cmdDataSource");
            QTest::keyClicks(child<QLineEdit>(dialog, "txtName"), QStringLiteral("Changed"));
            if (byEscape)
                QTest::keyClick(child<QLineEdit>(dialog, "txtName"), Qt::Key_Escape);
            else
                click(dialog, "cmdCancel");
        });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QVERIFY(sawModal);
        QVERIFY(dialog.Cancelled());
        QCOMPARE(dialog.SourceName(), QStringLiteral("Sales"));
        QCOMPARE(dialog.Description(), QStringLiteral("d"));
        // A string built before cancelling is already in the property; the caller ignores it.
        QCOMPARE(dialog.Connection(), QStringLiteral("Provider=SQLite;Data Source=b"));
    }

    void failingPromptChangesNothing()
    {
        frmNewDataSource dialog;
        dialog.setConnectionPrompt(
            [](QWidget*, const QString&) -> OptString { throw std::runtime_error("no driver"); });
        dialog.show();
        click(dialog, "cmdDataSource");
        QVERIFY(!okEnabled(dialog));
        QVERIFY(dialog.Connection().isEmpty());
    }

    void busyPointerGivesWayWhileShown()
    {
        frmNewDataSource dialog;
        quarry::platform::BusyPointer busy;
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        dialog.show();
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::ArrowCursor);
        dialog.reject();
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }

    void defaultPromptIsTheBuilder()
    {
        frmNewDataSource dialog;
        load(dialog, QStringLiteral("Old"),
             QStringLiteral("Provider=PostgreSQL;Data Source=db.example,5433"));
        dialog.show();
        QString shownServer;
        quarry::test::whenModal(&dialog, [&](QWidget* modal) {
            auto* builder = qobject_cast<dlgConnectionBuilder*>(modal);
            if (!builder)
                return;
            shownServer = child<QLineEdit>(*builder, "txtServer")->text();
            child<QLineEdit>(*builder, "txtServer")->setText(QStringLiteral("other.example"));
            click(*builder, "cmdOK");
        });
        click(dialog, "cmdDataSource");
        QCOMPARE(shownServer, QStringLiteral("db.example"));
        QCOMPARE(dialog.Connection(), QStringLiteral("Provider=PostgreSQL;Data Source=other.example,5433"));
        QVERIFY(okEnabled(dialog));
    }
};

QTEST_MAIN(TestNewDataSource)
#include "tst_newdatasource.moc"
