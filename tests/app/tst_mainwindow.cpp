// Dabrook's main window answering the browser's RunQuery as its arguments ask,
// on the sample database.
#include "app/MainWindow.h"
#include "app/ResultsModel.h"
#include "app/SampleDatabase.h"
#include "settings/Glob.h"

#include "ScriptedPrompts.h"
#include "TestDatabases.h"

#include <quarry/Database.h>

#include <QAction>
#include <QPlainTextEdit>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using dabrook::MainWindow;
using quarry::test::ScriptedPrompts;

namespace {

const QString OrdersQuery = QStringLiteral("SELECT * \r\nFROM \"orders\"");

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    quarry::Connection m_sample;

    // As the browser asks for a query; the delimiter and options do not matter here.
    static void runQuery(MainWindow& window, const quarry::Connection& c, const QString& sql, int maxRecords,
                         bool autoRun, bool showSql, kwQuarry::dkDataType type = kwQuarry::dkDataTable)
    {
        emit window.browser()->RunQuery(c, sql, QStringLiteral("Sample : Tables : orders"), type, maxRecords,
                                        autoRun, showSql, QStringLiteral("\""), true);
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
        const QString path = m_dir.filePath(QStringLiteral("Sample.db"));
        QString error;
        QVERIFY2(dabrook::SampleDatabase::create(path, &error), qPrintable(error));
        m_sample.setMode(quarry::adModeRead);
        m_sample.Open(dabrook::SampleDatabase::connectionString(path));
    }

    void init() { Glob::Options().blnOpenSQL = true; }

    void runQueryArguments_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("maxRecords");
        QTest::addColumn<bool>("autoRun");
        QTest::addColumn<bool>("showSql");
        QTest::addColumn<int>("rows"); // -1: not run

        QTest::newRow("open for editing") << OrdersQuery << 0 << false << true << -1;
        QTest::newRow("return all rows") << OrdersQuery << 0 << true << false << 2000;
        QTest::newRow("return top 25") << OrdersQuery << 25 << true << false << 25;
        QTest::newRow("negative top means all") << OrdersQuery << -5 << true << false << 2000;
        QTest::newRow("shown and run") << OrdersQuery << 3 << true << true << 3;
        QTest::newRow("neither shown nor run") << OrdersQuery << 0 << false << false << -1;
        QTest::newRow("data-source query has no text") << QString() << 0 << true << false << -1;
    }

    void runQueryArguments()
    {
        QFETCH(QString, sql);
        QFETCH(int, maxRecords);
        QFETCH(bool, autoRun);
        QFETCH(bool, showSql);
        QFETCH(int, rows);

        ScriptedPrompts prompts;
        MainWindow window;
        // Leftovers of an earlier query, edited and run with F5's action, must not survive the next one.
        window.setConnection(m_sample, QStringLiteral("Sample"));
        window.sqlEditor()->setPlainText(QStringLiteral("SELECT COUNT(*) AS n FROM customers"));
        window.runAction()->trigger();
        QCOMPARE(window.runAction()->shortcut(), QKeySequence(Qt::Key_F5));
        QCOMPARE(window.results()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("n"));
        QCOMPARE(window.results()->data(window.results()->index(0, 0)).toInt(), 250);

        runQuery(window, m_sample, sql, maxRecords, autoRun, showSql);
        QCOMPARE(window.sqlEditor()->toPlainText(),
                 QString(sql).replace(QLatin1String("\r\n"), QLatin1String("\n")));
        for (int guard = 0; window.results()->canFetchMore({}) && guard < 1000; ++guard)
            window.results()->fetchMore({});
        if (rows < 0) {
            QCOMPARE(window.results()->columnCount(), 0);
            QCOMPARE(window.results()->rowCount(), 0);
            QVERIFY(window.rowsText().isEmpty());
        } else {
            QCOMPARE(window.results()->columnCount(), 6);
            QCOMPARE(window.results()->rowCount(), rows);
            QVERIFY2(window.rowsText().startsWith(QStringLiteral("%L1 rows, ").arg(rows)),
                     qPrintable(window.rowsText()));
            QVERIFY(window.rowsText().endsWith(QStringLiteral(" ms")));
        }
        QCOMPARE(prompts.callsOf(ScriptedPrompts::Kind::MsgBox).size(), size_t(0));
    }

    void statementWithoutRows()
    {
        ScriptedPrompts prompts;
        MainWindow window;
        window.setConnection(m_sample, QStringLiteral("Sample"));
        // Temporary: the sample is open read-only.
        window.sqlEditor()->setPlainText(QStringLiteral("CREATE TEMP TABLE t (a INTEGER)"));
        QVERIFY(window.runSql());
        QCOMPARE(window.results()->columnCount(), 0);
        QCOMPARE(window.statusText(), QStringLiteral("Statement executed."));
        QVERIFY(window.rowsText().endsWith(QStringLiteral(" ms")));
    }

    void failuresAreBoxed()
    {
        ScriptedPrompts prompts;
        MainWindow window;
        runQuery(window, quarry::Connection(), OrdersQuery, 0, true, false);
        runQuery(window, m_sample, QStringLiteral("SELECT * FROM nowhere"), 0, true, false);
        const auto boxes = prompts.callsOf(ScriptedPrompts::Kind::MsgBox);
        QCOMPARE(boxes.size(), size_t(2));
        QVERIFY2(boxes[0].text.contains(QStringLiteral("no open connection")), qPrintable(boxes[0].text));
        // The driver's own words.
        QVERIFY2(boxes[1].text.contains(QStringLiteral("no such table")), qPrintable(boxes[1].text));
        for (const auto& box : boxes) {
            QCOMPARE(box.title, QStringLiteral("Dabrook"));
            QCOMPARE(box.icon, quarry::platform::MsgIcon::Critical);
        }
        QCOMPARE(window.results()->rowCount(), 0);
        QCOMPARE(window.statusText(), QStringLiteral("The query failed."));
        // The text stays for the user to correct.
        QCOMPARE(window.sqlEditor()->toPlainText(), QStringLiteral("SELECT * FROM nowhere"));
    }

    void editingFollowsOpenSqlOption_data()
    {
        QTest::addColumn<bool>("openSql");
        QTest::newRow("Open SQL on") << true;
        QTest::newRow("Open SQL off") << false;
    }

    void editingFollowsOpenSqlOption()
    {
        QFETCH(bool, openSql);
        Glob::Options().blnOpenSQL = openSql;
        ScriptedPrompts prompts;
        MainWindow window;
        runQuery(window, m_sample, OrdersQuery, 0, false, true);
        QCOMPARE(window.browser()->stOpenSQL(), openSql);
        QCOMPARE(window.sqlEditor()->isReadOnly(), !openSql);
    }

    void errHandleGoesToStatus()
    {
        ScriptedPrompts prompts;
        MainWindow window;
        emit window.browser()->ErrHandle(QStringLiteral("Get_Fields"), QStringLiteral("the driver said no"));
        QCOMPARE(window.statusText(), QStringLiteral("Get_Fields: the driver said no"));
        // The browser's own errors are not the host's to box.
        QCOMPARE(prompts.callsOf(ScriptedPrompts::Kind::MsgBox).size(), size_t(0));
    }

    void procedureWithArgumentsIsShownNotRun()
    {
        using quarry::test::Db;
        QUARRY_REQUIRE_DB(Db::PostgreSQL);
        quarry::test::Scratch scratch(Db::PostgreSQL);
        const QString name = scratch.qualify(QStringLiteral("order_lines"));
        scratch.exec(QStringLiteral("CREATE FUNCTION %1(first_id integer, label text) RETURNS integer "
                                    "LANGUAGE sql AS 'SELECT first_id'")
                         .arg(name));
        quarry::Connection c = scratch.open(quarry::adModeRead);

        ScriptedPrompts prompts;
        MainWindow window;
        runQuery(window, c, name, 0, true, false, kwQuarry::dkDataStoredProc);
        QCOMPARE(window.sqlEditor()->toPlainText(), QStringLiteral("{call %1(NULL, NULL)}").arg(name));
        QCOMPARE(window.results()->columnCount(), 0);
        QVERIFY2(window.statusText().contains(QStringLiteral("first_id")), qPrintable(window.statusText()));
        QVERIFY2(window.statusText().contains(QStringLiteral("label")), qPrintable(window.statusText()));

        // With the arguments filled in, the call runs through the driver's escape.
        window.sqlEditor()->setPlainText(QStringLiteral("{call %1(42, 'x')}").arg(name));
        QVERIFY(window.runSql());
        QCOMPARE(window.results()->rowCount(), 1);
        QCOMPARE(window.results()->data(window.results()->index(0, 0)).toInt(), 42);
        QCOMPARE(prompts.callsOf(ScriptedPrompts::Kind::MsgBox).size(), size_t(0));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
