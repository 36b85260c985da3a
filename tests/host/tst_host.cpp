// Dabrook as a person uses it: the main window answering the browser's queries over the sample
// database it creates on first start, results fetched in batches, the message strip, the source editor.
#include "app/MainWindow.h"
#include "app/ResultsModel.h"
#include "app/SampleDatabase.h"
#include "app/SqlText.h"
#include "app/Translations.h"
#include "control/kwQuarryPrivate.h"
#include "dialogs/frmNewDataSource.h"
#include "dialogs/frmOptions.h"
#include "platform/LibraryLocation.h"
#include "platform/widgets/ObjectList.h"
#include "settings/DataSources.h"
#include "settings/Glob.h"

#include "ScriptedPrompts.h"
#include "TcpProxy.h"
#include "TestDatabases.h"
#include "WidgetTestSupport.h"

#include <QAbstractItemModelTester>
#include <QtTest>
#include <QtWidgets>

using namespace dabrook;
using namespace Qt::StringLiterals;
using quarry::test::child;
using quarry::test::Db;

namespace {

const QString OrdersQuery = u"SELECT * \r\nFROM \"orders\""_s;

// 1 to 1000, without a table: all three databases know recursive CTEs.
const QString Thousand = QStringLiteral(
    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000) SELECT %1 FROM n");

QByteArray readAll(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList texts(const QAbstractItemModel* model)
{
    QStringList out;
    for (int row = 0; row < model->rowCount(); ++row)
        out << model->index(row, 0).data().toString();
    return out;
}

// Waits while the window runs its query or fetches rows; false when it never ends.
bool settled(const MainWindow& window)
{
    const bool done =
        QTest::qWaitFor([&] { return !window.isRunning() && !window.results()->isFetching(); }, 30000);
    QCoreApplication::processEvents(); // a failure posted right behind the rows
    return done;
}

// A category listed as from the command line, and waited for as the user waits for the list.
bool listed(MainWindow& window, const QString& source, const QString& category)
{
    if (!window.listCategory(source, category))
        return false;
    const bool done =
        QTest::qWaitFor([&] { return kwQuarryPrivate::get(window.browser())->lvwData->isEnabled(); }, 20000);
    QCoreApplication::processEvents();
    return done;
}

// The first window, shown in `size`, its browser started.
std::unique_ptr<MainWindow> opened(QSize size = {})
{
    auto window = std::make_unique<MainWindow>();
    if (size.isValid())
        window->resize(size);
    if (!window->initBrowser() || (window->show(), !QTest::qWaitForWindowExposed(window.get())))
        qFatal("the first window did not open");
    return window;
}

// A query handed over by the browser, and what the window makes of it.
struct Handed
{
    QString sql;
    int maxRecords;
    bool autoRun, showSql;
    int rows;                       // -1: not run
    QString status;                 // null: no connection handed over
    QString shown = {}, boxed = {}; // the first cell, "*" after a real NULL; part of the message box's text
    bool openSql = true;
    Db db = Db::SQLite; // SQLite: the sample
    int batch = 256;    // rows fetched at a time as the grid scrolls
};

} // namespace

Q_DECLARE_METATYPE(Handed)

class TestHost : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_sample;
    std::optional<quarry::test::ScriptedPrompts> m_prompts;

    quarry::Connection sample() const
    {
        quarry::Connection c;
        c.setMode(quarry::adModeRead);
        c.Open(SampleDatabase::connectionString(m_sample));
        return c;
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        quarry::platform::setLibraryFolderForTesting(m_dir.path());
        Glob::setAppTitle(u"Dabrook"_s);
        Glob::Read_INI(); // the data-source file's place follows the library folder
        m_sample = m_dir.filePath(u"Sample.db"_s);
        // Over what an interrupted first start left: built afresh, the same file every time.
        const QString again = m_dir.filePath(u"Again.db"_s);
        QFile partial(SampleDatabase::partialPath(again));
        QVERIFY(partial.open(QIODevice::WriteOnly) && partial.write("SQLite format 3\0 cut short", 26) == 26);
        partial.close();
        QString error;
        QVERIFY2(SampleDatabase::create(m_sample, &error) && SampleDatabase::create(again, &error),
                 qPrintable(error));
        QFile first(m_sample), second(again);
        QVERIFY(!partial.exists() && first.open(QIODevice::ReadOnly) && second.open(QIODevice::ReadOnly));
        QVERIFY(first.readAll() == second.readAll());
    }

    void init()
    {
        // Init turns message boxes on; none may ever wait for a user here. One at a time.
        m_prompts.emplace();
        // Each test starts with a window nobody has placed or configured.
        QFile::remove(QSettings(QSettings::IniFormat, QSettings::UserScope, u"Quarry"_s, u"DabrookWindow"_s)
                          .fileName());
        Glob::Options().blnToolBarText = false; // Init keeps what an earlier window was given
        // The scratch list, Sample alone, saved as the browser will load it.
        const QString file = Glob::Options().strDataSourceFile;
        QDir(file).removeRecursively(); // left by a failed test that blocked saving
        QFile::remove(file);
        QVERIFY(Glob::Get_DataSources() &&
                Glob::Add_DataSource("Sample", SampleDatabase::connectionString(m_sample), {}, "\"") &&
                Glob::Save_DataSources());
    }

    void runQuery_data()
    {
        QTest::addColumn<Handed>("handed");
        const QString f5 = u"Press F5 to run the query."_s;
        const auto row = [](const char* name, const Handed& handed) { QTest::newRow(name) << handed; };
        row("open for editing", {OrdersQuery, 0, false, true, -1, f5});
        row("open, Open SQL off", {OrdersQuery, 0, false, true, -1, f5, {}, {}, false});
        row("return all rows", {OrdersQuery, 0, true, false, 2000, "Done.", "1"});
        row("negative top means all", {OrdersQuery, -5, true, false, 2000, "Done.", "1"});
        row("shown and run", {OrdersQuery, 3, true, true, 3, "Done.", "1"});
        row("data-source query has no text", {{}, 0, true, false, -1, f5});
        row("a statement", {"CREATE TEMP TABLE t (a INT)", 0, true, false, 0, "Statement executed."});
        // The driver's own words; the text stays for the user to correct.
        row("no table", {"SELECT * FROM gone", 0, true, false, -1, "The query failed.", {}, "no such table"});
        row("no connection", {OrdersQuery, 0, true, false, -1, {}, {}, "no open connection"});
        // Rows read before a failure stay; evaluated row by row (no ORDER BY), it fails past row 300.
        const QString failing = Thousand.arg("CASE WHEN i > 300 THEN 1 / (i - i) ELSE i END");
        row("fails part way", {failing, 0, true, false, 300, "Done.", "1", "by zero", true, Db::PostgreSQL});
        // Fetched batch by batch up to the limit, from each database.
        const QString sequence = Thousand.arg("i") + " ORDER BY i";
        for (Db db : {Db::SQLite, Db::PostgreSQL, Db::MariaDB}) {
            const auto batches = [db, sequence](const char* name, int batch, int maxRecords, int rows) {
                QTest::addRow("%s: %s", qPrintable(quarry::test::dbName(db)), name)
                    << Handed{sequence, maxRecords, true, false, rows, "Done.", "1", {}, true, db, batch};
            };
            batches("batch divides the rows", 250, 0, 1000);
            batches("one batch holds all", 5000, 0, 1000);
            batches("limit inside the first batch", 256, 10, 10);
            batches("limit on a batch boundary", 100, 300, 300);
        }
        // The sample as it shows: declared foreign keys, rows breaking a rule (keys that hold, shipped dates
        // only for shipped orders, view totals that match their lines), a quote and non-ASCII letters that
        // survived literal escaping and the wide API, then each table's rows.
        const auto sample = [&](const char* name, const char* shown, const QString& sql) {
            row(name, {sql, 0, true, false, 1, "Done.", shown});
        };
        QStringList counts{
            "(SELECT COUNT(*) FROM sqlite_master, pragma_foreign_key_list(name) WHERE type = 'table')",
            "(SELECT (SELECT COUNT(*) FROM pragma_foreign_key_check) + (SELECT COUNT(*) FROM orders WHERE "
            "(status = 'shipped') <> (shipped_date IS NOT NULL)) + (SELECT COUNT(*) FROM order_totals t "
            "WHERE ABS(t.total - (SELECT SUM(quantity * unit_price * (1 - discount)) FROM order_items i "
            "WHERE i.order_id = t.order_id)) > 0.006))",
            "(SELECT COUNT(*) FROM employees WHERE last_name = 'O''Brien')",
            "(SELECT COUNT(DISTINCT city) FROM customers WHERE city IN ('Zürich', 'København'))"};
        for (const char* table : {"employees", "customers", "categories", "products", "orders", "order_items",
                                  "order_totals", "product_sales"})
            counts << u"(SELECT COUNT(*) FROM %1)"_s.arg(table);
        sample("contents", "7,0,1,2,12,250,8,96,2000,6000,2000,96", "SELECT " + counts.join(" || ',' || "));
        // A missing phone is a NULL, which looks different from the text "NULL".
        sample("missing phone", "NULL*", "SELECT phone FROM customers WHERE phone IS NULL LIMIT 1");
        sample("the text NULL", "NULL", "SELECT 'NULL'");
    }

    void runQuery()
    {
        QFETCH(Handed, handed);
        const auto& [sql, top, autoRun, showSql, rows, status, shown, boxed, openSql, db, batch] = handed;
        QUARRY_REQUIRE_DB(db);
        Glob::Options().blnOpenSQL = openSql;
        MainWindow window;
        // Leftovers of an earlier query, edited and run with F5's action, must not survive the next one.
        window.setConnection(sample(), u"Sample"_s);
        window.sqlEditor()->setPlainText(u"SELECT COUNT(*) FROM customers"_s);
        window.runAction()->trigger();
        QVERIFY(settled(window) && window.runAction()->shortcut() == QKeySequence(Qt::Key_F5) &&
                texts(window.results()) == QStringList{"250"});
        const quarry::Connection c = status.isNull()    ? quarry::Connection()
                                     : db == Db::SQLite ? sample()
                                                        : quarry::test::open(db, quarry::adModeRead);
        ResultsModel* results = window.results();
        QAbstractItemModelTester tester(results, QAbstractItemModelTester::FailureReportingMode::QtTest);
        results->setBatchSize(batch);
        emit window.browser()->RunQuery(c, sql, u"Sample : Tables : orders"_s, kwQuarry::dkDataTable, top,
                                        autoRun, showSql, u"\""_s, true);
        QVERIFY(settled(window));
        // Batch by batch as the grid scrolls, numbered from 1: a sequence arrives in order, none skipped or
        // repeated. "*" marks a real NULL, italic and greyed, unlike the text "NULL".
        // The grid may ask for a batch of its own while it lays the rows out.
        QList<int> seen{results->rowCount()}, batches{qMin(batch, qMax(rows, 0))};
        for (int guard = 0; results->canFetchMore({}) && guard < 100; ++guard) {
            results->fetchMore({});
            QVERIFY(settled(window));
            seen << results->rowCount();
        }
        while (batches.last() < rows)
            batches << qMin(batches.last() + batch, rows);
        QVERIFY2(std::is_sorted(seen.begin(), seen.end()) && seen.last() == batches.last() &&
                     std::all_of(seen.begin(), seen.end(), [&](int n) { return batches.contains(n); }),
                 qPrintable(QDebug::toString(seen)));
        QStringList cells, expected;
        for (int row : {0, rows / 2, rows - 1, rows}) {
            const QModelIndex cell = results->index(row, 0);
            const bool null =
                cell.data(Qt::FontRole).value<QFont>().italic() && cell.data(Qt::ForegroundRole).isValid();
            cells << results->headerData(row, Qt::Vertical).toString() + u'|' + cell.data().toString() +
                         (null ? "*" : "");
            expected << (row < 0 || row >= rows ? u"|"_s : row ? u"%1|%1"_s.arg(row + 1) : "1|" + shown);
        }
        QCOMPARE(cells, expected);
        QCOMPARE(u"%1|%2|"_s.arg(window.sqlEditor()->isReadOnly()).arg(results->columnCount() > 0) +
                     window.sqlEditor()->toPlainText(),
                 u"%1|%2|"_s.arg(!openSql).arg(rows > 0) + QString(sql).replace("\r\n", "\n"));
        if (!status.isNull())
            QCOMPARE(window.statusText(), status);
        // "2,000 rows, 5 ms"; a statement's time alone; nothing when it did not run.
        const QString counted = rows > 1 ? u"%L1 rows, "_s.arg(rows) : rows ? "1 row, " : "";
        if (!status.isNull() && boxed.isEmpty())
            QCOMPARE(QString(window.rowsText()).replace(QRegularExpression("\\d+ ms$"), "# ms"),
                     rows < 0 ? QString() : counted + "# ms");
        const auto calls = m_prompts->callsOf(quarry::test::ScriptedPrompts::Kind::MsgBox);
        QCOMPARE(calls.size(), size_t(boxed.isEmpty() ? 0 : 1));
        for (const auto& call : calls)
            QVERIFY2(call.text.contains(boxed) && call.title == "Dabrook" &&
                         call.icon == quarry::platform::MsgIcon::Critical,
                     qPrintable(call.text));
    }

    // What the grid shows is what the database holds: every digit, ISO dates, binary as hex with its
    // size, NULL unlike the text "NULL"; numbers on the right.
    void exactValues_data()
    {
        QTest::addColumn<Db>("db");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("shown");
        const QString common = u"|0.1|2024-02-29|2024-02-29 13:45:01.250|0x00FF (2 bytes)|NULL*|NULL|0x"_s +
                               QString(32, u'A') + u"… (%L1 bytes)"_s.arg(1000);
        QTest::newRow("PostgreSQL")
            << Db::PostgreSQL
            << u"SELECT CAST(185185.50 AS numeric(12,2)), CAST(1234567.891 AS float8), CAST(0.1 AS real), "
               u"DATE "
               "'2024-02-29', TIMESTAMP '2024-02-29 13:45:01.25', '\\x00ff'::bytea, NULL, 'NULL', "
               "decode(repeat('aa', 1000), 'hex')"_s
            << "185185.50|1234567.891" + common;
        QTest::newRow("MariaDB")
            << Db::MariaDB
            << u"SELECT CAST(185185.50 AS DECIMAL(12,2)), CAST(1234567.891 AS DOUBLE), CAST(0.1 AS FLOAT), "
               "DATE '2024-02-29', CAST('2024-02-29 13:45:01.25' AS DATETIME(3)), X'00FF', NULL, 'NULL', "
               "UNHEX(REPEAT('AA', 1000))"_s
            << "185185.50|1234567.891" + common;
        // SQLite keeps no decimals: 185185.50 is the real number 185185.5; an expression has no declared
        // type, so its driver hands a blob over as SQL text.
        QTest::newRow("SQLite")
            << Db::SQLite
            << u"SELECT 185185.50, 1234567.891, 0.1, DATE('2024-02-29'), "
               "STRFTIME('%Y-%m-%d %H:%M:%f', '2024-02-29 13:45:01.25'), X'00FF', NULL, "
               "'NULL'"_s
            << u"185185.5|1234567.891|0.1|2024-02-29|2024-02-29 13:45:01.250|X'00FF'|NULL*|"
               "NULL"_s;
    }
    void exactValues()
    {
        QFETCH(Db, db);
        QFETCH(QString, sql);
        QFETCH(QString, shown);
        QUARRY_REQUIRE_DB(db);
        MainWindow window;
        window.setConnection(db == Db::SQLite ? sample() : quarry::test::open(db, quarry::adModeRead),
                             u"x"_s);
        window.sqlEditor()->setPlainText(sql);
        QVERIFY(window.runSql() && settled(window));
        QStringList cells;
        const QAbstractItemModel* results = window.results();
        for (int column = 0; column < results->columnCount(); ++column) {
            const QModelIndex cell = results->index(0, column);
            cells << cell.data().toString() + (cell.data(Qt::FontRole).value<QFont>().italic() ? "*" : "");
        }
        QCOMPARE(cells.join(u'|'), shown);
        const bool typed = db != Db::SQLite; // no declared type, no side to align to
        QCOMPARE(bool(results->index(0, 1).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight), typed);
    }

    // A statement that takes its time leaves the window answering; Escape stops it through the driver,
    // and the next query runs on the same connection. A server that freezes under the statement
    // answers neither it nor the cancel: Escape still ends it, and the next query connects afresh.
    void cancel_data()
    {
        QTest::addColumn<Db>("db");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<bool>("frozen");
        for (const bool frozen : {false, true}) {
            const QString tag = frozen ? u", server frozen"_s : QString();
            QTest::newRow(qPrintable("PostgreSQL" + tag))
                << Db::PostgreSQL << u"SELECT pg_sleep(60)"_s << frozen;
            QTest::newRow(qPrintable("MariaDB" + tag)) << Db::MariaDB << u"SELECT SLEEP(60)"_s << frozen;
        }
        QTest::newRow("SQLite") << Db::SQLite
                                << u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) SELECT "
                                   "COUNT(*) FROM n"_s
                                << false;
    }
    void cancel()
    {
        QFETCH(Db, db);
        QFETCH(QString, sql);
        QFETCH(bool, frozen);
        QUARRY_REQUIRE_DB(db);
        quarry::test::TcpProxy server(db == Db::MariaDB ? 3306 : 5432);
        const auto connection = [&] {
            if (db == Db::SQLite)
                return sample();
            if (!frozen)
                return quarry::test::open(db, quarry::adModeRead);
            quarry::Connection c;
            c.setMode(quarry::adModeRead);
            c.Open(quarry::test::connectionString(db).replace(
                "127.0.0.1", (db == Db::MariaDB ? u"127.0.0.1:%1"_s : u"127.0.0.1,%1"_s).arg(server.port())));
            return c;
        };
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.setConnection(connection(), u"x"_s);
        window.sqlEditor()->setPlainText(sql);
        QSignalSpy finished(&window, &MainWindow::queryFinished);
        window.runAction()->trigger();
        QCOMPARE(window.runAction()->text(), u"&Cancel"_s);
        // The window's own timer goes on counting while the statement runs.
        QTRY_VERIFY(window.statusText().startsWith(u"Running query ... 0.5 s"));
        if (frozen)
            server.stall();
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.first().first().toBool(), false);
        QCOMPARE(window.statusText() + u'|' + window.runAction()->text(), u"Cancelled.|&Run"_s);
        QVERIFY(m_prompts->callsOf(quarry::test::ScriptedPrompts::Kind::MsgBox).empty());
        if (frozen)
            server.start();
        window.sqlEditor()->setPlainText(u"SELECT 42"_s);
        QVERIFY(window.runSql() && settled(window));
        QCOMPARE(texts(window.results()), QStringList{"42"});
        // Closed while the statement runs: the window stops it rather than wait the minute out.
        auto closing = std::make_unique<MainWindow>();
        closing->setConnection(connection(), u"x"_s);
        closing->sqlEditor()->setPlainText(sql);
        QVERIFY(closing->runSql());
        QTest::qWait(300);
        if (frozen)
            server.stall();
        QElapsedTimer closed;
        closed.start();
        closing.reset();
        QCOMPARE_LT(closed.elapsed(), 30000);
    }

    // The statement under the cursor: semicolons in quotes of every dialect and in comments do not count.
    void statementAt_data()
    {
        QTest::addColumn<QString>("script"); // '|' marks the cursor
        QTest::addColumn<QString>("statement");
        QTest::newRow("first") << u"SELECT| 1; SELECT 2"_s << u"SELECT 1"_s;
        QTest::newRow("second") << u"SELECT 1; SEL|ECT 2;"_s << u"SELECT 2"_s;
        QTest::newRow("after the last") << u"SELECT 1;\n  |"_s << u"SELECT 1"_s;
        QTest::newRow("next line") << u"SELECT 1;\n|SELECT 2"_s << u"SELECT 2"_s;
        QTest::newRow("quotes") << u"SELECT ';', \";\", `;`, [;], 'it''s;'|; SELECT 2"_s
                                << u"SELECT ';', \";\", `;`, [;], 'it''s;'"_s;
        QTest::newRow("comments") << u"SELECT 1 -- a;b\n/* c;d */ +| 2; SELECT 3"_s
                                  << u"SELECT 1 -- a;b\n/* c;d */ + 2"_s;
        QTest::newRow("unclosed quote") << u"SELECT 'a;|b"_s << u"SELECT 'a;b"_s;
    }
    void statementAt()
    {
        QFETCH(QString, script);
        QFETCH(QString, statement);
        const qsizetype at = script.indexOf(u'|');
        QCOMPARE(dabrook::statementAt(script.remove(at, 1), at), statement);
    }

    // F5 runs the selection if there is one, Ctrl+Enter the statement under the cursor; Ctrl+C copies
    // the selected cells under their column names. The next window opens as this one was left.
    void editorAndGrid()
    {
        auto window = std::make_unique<MainWindow>();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->setConnection(sample(), u"Sample : Tables : orders"_s);
        window->sqlEditor()->setReadOnly(false);
        const QString script = u"SELECT 1 AS one;\nSELECT 'a;b' AS \"x;y\", NULL AS n\n;\n"_s;
        window->sqlEditor()->setPlainText(script);
        // Keywords stand out; quoted text stays text, whatever it spells.
        const auto formatAt = [&](int line, int at) {
            const QTextBlock block = window->sqlEditor()->document()->findBlockByNumber(line);
            for (const QTextLayout::FormatRange& range : block.layout()->formats())
                if (range.start <= at && at < range.start + range.length)
                    return range.format;
            return QTextCharFormat();
        };
        QVERIFY(formatAt(0, 0).fontWeight() == QFont::Bold && formatAt(1, 9).fontWeight() != QFont::Bold &&
                formatAt(1, 9).foreground() != formatAt(1, 20).foreground());
        QTextCursor cursor = window->sqlEditor()->textCursor();
        cursor.setPosition(15, QTextCursor::KeepAnchor); // "SELECT 1 AS one"
        window->sqlEditor()->setTextCursor(cursor);
        QTest::keyClick(window->sqlEditor(), Qt::Key_F5);
        QVERIFY(settled(*window));
        QCOMPARE(window->results()->headerData(0, Qt::Horizontal).toString() +
                     texts(window->results()).join(u'|'),
                 u"one1"_s);
        cursor.setPosition(int(script.indexOf(u"NULL")));
        window->sqlEditor()->setTextCursor(cursor);
        QTest::keyClick(window->sqlEditor(), Qt::Key_Return, Qt::ControlModifier);
        QVERIFY(settled(*window));
        QTableView* grid = window->resultsView();
        grid->selectAll();
        QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), u"x;y\tn\na;b\t\n"_s);
        // Every row again, straight to the file named, quoted where CSV needs it.
        window->sqlEditor()->setPlainText(u"SELECT 'a,b' AS \"x,y\", 'say \"hi\"' AS q, NULL AS n UNION ALL "
                                          "SELECT 'line\nbreak', '', 'x'"_s);
        QVERIFY(window->runSql() && settled(*window));
        const QString csv = m_dir.filePath(u"result.csv"_s);
        m_prompts->inputAnswers = {csv};
        QVERIFY(window->exportResult() && settled(*window));
        QVERIFY2(window->statusText().startsWith(u"Exported 2 rows to "_s + csv),
                 qPrintable(window->statusText()));
        QCOMPARE(readAll(csv),
                 QByteArray("\"x,y\",q,n\r\n\"a,b\",\"say \"\"hi\"\"\",\r\n\"line\nbreak\",,x\r\n"));

        window->mainSplitter()->setSizes({300, 700});
        const QList<int> sizes = window->mainSplitter()->sizes();
        // A script runs statement by statement; the grid shows the last, and a failure is selected.
        window->sqlEditor()->setPlainText(u"SELECT 1; SELECT * FROM gone; SELECT 3"_s);
        QVERIFY(window->runSql() && settled(*window));
        const auto boxes = m_prompts->callsOf(quarry::test::ScriptedPrompts::Kind::MsgBox);
        QVERIFY(!boxes.empty() && boxes.back().text.startsWith(u"Statement 2 of 3 failed:\n"));
        QCOMPARE(window->sqlEditor()->textCursor().selectedText(), u"SELECT * FROM gone"_s);
        window->sqlEditor()->setPlainText(u"SELECT 1;\n\nSELECT 2 AS two;"_s);
        QVERIFY(window->runSql() && settled(*window));
        QCOMPARE(texts(window->results()), QStringList{"2"});
        // Each result in a tab of its own; the next run starts afresh.
        auto* tabs = child<QTabWidget>(*window, "tabResults");
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(tabs->tabText(0) + u'|' +
                     texts(static_cast<QTableView*>(tabs->widget(0))->model()).join(u',') + u'|' +
                     tabs->tabText(1),
                 u"Result 1|1|Result 2"_s);
        const QString last = window->sqlEditor()->toPlainText();
        window->close();
        window = std::make_unique<MainWindow>();
        QCOMPARE(window->sqlEditor()->toPlainText(), last);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QCOMPARE(window->mainSplitter()->sizes(), sizes);
    }

    // Statements cannot change data until the user allows it for that data source, and the status
    // bar says which; Fetch All reads to the end and counts every row; a header click sorts them
    // as numbers, saying when more are still to come.
    void changesAndFetchAll_data()
    {
        QTest::addColumn<Db>("db");
        QTest::addColumn<QString>("refused"); // part of the driver's own words
        QTest::newRow("PostgreSQL") << Db::PostgreSQL << u"read-only transaction"_s;
        QTest::newRow("MariaDB") << Db::MariaDB << u"READ ONLY"_s;
        QTest::newRow("SQLite") << Db::SQLite << u"readonly database"_s;
    }
    void changesAndFetchAll()
    {
        QFETCH(Db, db);
        QFETCH(QString, refused);
        QUARRY_REQUIRE_DB(db);
        const quarry::test::Scratch scratch(db);
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.setConnection(scratch.open(quarry::adModeRead), u"Scratch : Tables : t"_s);
        const auto run = [&](const QString& sql) {
            window.sqlEditor()->setPlainText(sql);
            return window.runSql() && settled(window) && window.statusText() != u"The query failed.";
        };
        const auto access = [&] { return child<QLabel>(window, "lblAccess")->text(); };
        scratch.exec(u"CREATE TABLE t (a INT)"_s);
        QVERIFY(!run(u"INSERT INTO t VALUES (1)"_s) && access() == u"Read-only");
        const auto boxes = m_prompts->callsOf(quarry::test::ScriptedPrompts::Kind::MsgBox);
        QVERIFY2(boxes.size() == 1 && boxes[0].text.contains(refused, Qt::CaseInsensitive),
                 qPrintable(boxes.empty() ? QString() : boxes[0].text));
        child<QAction>(window, "mnuAllowChanges")->trigger();
        QCOMPARE(access(), u"Changes allowed"_s);
        QVERIFY(run(u"INSERT INTO t "_s + Thousand.arg("i")));
        window.results()->setBatchSize(64);
        QVERIFY(run(u"SELECT a FROM t"_s));
        QCOMPARE(window.results()->rowCount(), 64);
        QHeaderView* header = window.resultsView()->horizontalHeader();
        const auto sortByA = [&] { QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, {5, 5}); };
        sortByA();
        QCOMPARE(window.statusText(), u"Sorted by a: the 64 rows read so far; more come as you scroll."_s);
        child<QAction>(window, "mnuFetchAll")->trigger();
        QTRY_COMPARE(window.rowsText().remove(QRegularExpression(u", \\d+ ms$"_s)), u"1,000 rows"_s);
        sortByA();
        const QAbstractItemModel* shown = window.resultsView()->model();
        QCOMPARE(shown->index(0, 0).data().toString() + u'|' + shown->index(999, 0).data().toString(),
                 u"1000|1"_s);
        // Kept for the data source: the next window allows changes there too, and nowhere else, and
        // offers its queries again, newest first.
        MainWindow next;
        next.setConnection(scratch.open(quarry::adModeRead), u"Scratch"_s);
        QCOMPARE(child<QLabel>(next, "lblAccess")->text(), u"Changes allowed"_s);
        auto* history = child<QMenu>(next, "mnuHistory");
        emit history->aboutToShow();
        QStringList offered;
        for (QAction* item : history->actions())
            offered << item->toolTip();
        QCOMPARE(offered, (QStringList{"SELECT a FROM t", "INSERT INTO t " + Thousand.arg("i"),
                                       "INSERT INTO t VALUES (1)"}));
        history->actions().constLast()->trigger();
        QCOMPARE(next.sqlEditor()->toPlainText(), u"INSERT INTO t VALUES (1)"_s);
        next.setConnection(scratch.open(quarry::adModeRead), u"Other"_s);
        QCOMPARE(child<QLabel>(next, "lblAccess")->text(), u"Read-only"_s);
    }

    // The browser's connection closed under a result (Disconnect in the tree's menu) takes nothing
    // away: the rows come from Dabrook's own connection, batch after batch, and nothing aborts.
    void disconnectUnderResult()
    {
        const auto window = opened();
        QVERIFY(window->expandDataSource(u"Sample"_s) && listed(*window, u"Sample"_s, u"Tables"_s));
        QAbstractItemView* list = kwQuarryPrivate::get(window->browser())->lvwData->currentView();
        QTest::keyClicks(list, u"orders"_s);
        QTest::keyClick(list, Qt::Key_Return);
        window->results()->setBatchSize(100);
        QVERIFY(window->sqlEditor()->toPlainText().contains(u"orders") && window->runSql() &&
                settled(*window));
        QCOMPARE(window->results()->rowCount(), 100);
        kwQuarryPrivate::get(window->browser())->mnuDisconnect->trigger();
        window->results()->fetchMore({});
        QVERIFY(settled(*window));
        QCOMPARE(window->results()->rowCount(), 200);
        QVERIFY(m_prompts->callsOf(quarry::test::ScriptedPrompts::Kind::MsgBox).empty());
    }

    // Opened from the list, a procedure with arguments is shown with NULL for each, not run;
    // a data source that does not connect says why in the strip.
    void browsing()
    {
        QUARRY_REQUIRE_DB(Db::PostgreSQL);
        const quarry::test::Scratch scratch(Db::PostgreSQL);
        scratch.exec(
            "CREATE FUNCTION order_lines(first_id integer, label text) RETURNS integer LANGUAGE sql AS "
            "'SELECT first_id'; CREATE FUNCTION tally(INOUT total integer) LANGUAGE sql AS 'SELECT total'");
        // Port 1 on loopback: nothing listens, so the refusal comes at once.
        QVERIFY(Glob::Add_DataSource("Shop", scratch.connectionString(), {}, "\"") &&
                Glob::Add_DataSource("Down", "Provider=PostgreSQL;Data Source=127.0.0.1,1", {}, "\"") &&
                Glob::Save_DataSources());
        const auto window = opened();
        QVERIFY(!window->expandDataSource(u"Sampl"_s));
        QCOMPARE(window->messageText(), u"There is no data source named \"Sampl\"."_s);
        // The newest message replaces the last, in the status bar too, with the database's own words.
        QVERIFY(!window->expandDataSource(u"Down"_s));
        QVERIFY2(window->messageText().startsWith(u"Could not connect to the data source: ") &&
                     child<QLabel>(*window, "lblMessage")->toolTip() == u"Connect_DataSource" &&
                     window->messageText().contains(u"connection refused", Qt::CaseInsensitive),
                 qPrintable(window->messageText()));
        QCOMPARE(window->statusText(), window->messageText());
        QTest::mouseClick(child<QToolButton>(*window, "cmdCloseMessage"), Qt::LeftButton);
        QVERIFY(window->messageText().isEmpty() && child<QWidget>(*window, "fraMessage")->isHidden());
        QVERIFY(window->expandDataSource(u"Shop"_s));
        QVERIFY(listed(*window, u"Shop"_s, u"Stored Procedures"_s));
        QAbstractItemView* list = kwQuarryPrivate::get(window->browser())->lvwData->currentView();
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(window->sqlEditor()->toPlainText() + u'|' + window->statusText(),
                 "{call \"order_lines\"(NULL, NULL)}|Replace the NULL arguments (first_id Integer, label "
                 "WChar), then run with F5.");
        QCOMPARE(window->results()->columnCount(), 0);
        // With the arguments filled in, the call runs through the driver's escape.
        window->sqlEditor()->setPlainText(u"{call \"order_lines\"(42, 'x')}"_s);
        QVERIFY(window->runSql() && settled(*window));
        QCOMPARE(texts(window->results()), QStringList{"42"});
        // An in/out parameter takes a place too.
        QTest::keyClick(list, Qt::Key_End);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(window->sqlEditor()->toPlainText(), "{call \"tally\"(NULL)}");
        QVERIFY(m_prompts->callsOf(quarry::test::ScriptedPrompts::Kind::MsgBox).empty());
    }

    // The first window shows the data sources' names whole and every toolbar button, captions too,
    // the query pane keeping the larger part; File > Add Data Source... puts a new one beside them.
    void firstWindow_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("captions");
        QTest::addColumn<QString>("typedName"); // "": the user cancels
        QTest::addColumn<bool>("saveFails");
        QTest::newRow("default, added") << QSize() << false << "Orders" << false;
        QTest::newRow("default, toolbar captions, cancelled") << QSize() << true << "" << false;
        QTest::newRow("wide, long name added") << QSize(1600, 900) << false << "Orders of the North" << false;
        QTest::newRow("narrow, toolbar captions, list cannot be saved")
            << QSize(900, 600) << true << "Orders" << true;
    }

    void firstWindow()
    {
        QFETCH(QSize, size);
        QFETCH(bool, captions);
        QFETCH(QString, typedName);
        QFETCH(bool, saveFails);
        const auto window = opened(size);
        if (!size.isValid()) // the first window as it opens fits the screen
            QVERIFY(window->screen()->availableGeometry().contains(window->geometry()));
        Glob::Options().blnToolBarText = captions;
        QVERIFY(window->browser()->Set_Options());
        const QString file = Glob::Options().strDataSourceFile;
        if (saveFails) // a folder where the file was: the new list cannot take its name
            QVERIFY(QFile::remove(file) && QDir().mkpath(file + u"/keep"_s));
        QAction* add = window->addDataSourceAction();
        QVERIFY(add->text() == u"Add Data Source..." &&
                window->menuBar()->actions().first()->menu()->actions().contains(add));
        // A name and a connection built through the editor's connection prompt, then OK; or Cancel.
        const QString connection = u"Provider=SQLite;Data Source="_s + m_sample;
        quarry::test::whenModal(this, [&](QWidget*) {
            frmNewDataSource& editor = Glob::DataSourceEditor();
            if (typedName.isEmpty())
                return child<QPushButton>(editor, "cmdCancel")->click();
            editor.setConnectionPrompt([connection](QWidget*, const QString&) { return connection; });
            child<QPushButton>(editor, "cmdDataSource")->click();
            QTest::keyClicks(child<QLineEdit>(editor, "txtName"), typedName);
            child<QPushButton>(editor, "cmdOK")->click();
        });
        add->trigger();
        const QAbstractItemView* tree = child<QTreeView>(*window->browser(), "tvwData");
        const bool added = !typedName.isEmpty() && !saveFails;
        QCOMPARE(texts(tree->model()), QStringList({"Sample", typedName}).mid(0, added ? 2 : 1));
        QVERIFY2(saveFails ? window->messageText().contains(u"could not be saved")
                           : window->messageText().isEmpty(),
                 qPrintable(window->messageText()));
        // Not on disk after a failed save, but not lost either: the next save writes it.
        if (saveFails)
            QVERIFY(QDir(file).removeRecursively() && Glob::Save_DataSources());
        QVERIFY(Glob::Get_DataSources());
        QCOMPARE(Glob::aDataSources()[2][Glob::dsName] + Glob::aDataSources()[2][Glob::dsConnection],
                 typedName.isEmpty() ? QString() : typedName + connection);
        // Every name whole, a new one too, beside a query pane that keeps the larger part.
        const QList<int> sizes = window->mainSplitter()->sizes();
        const double share = double(sizes[0]) / (sizes[0] + sizes[1]);
        QVERIFY2(share > 0.37 && share < 0.71 && window->browser()->width() == sizes[0],
                 qPrintable(QString::number(share)));
        QCOMPARE_LE(tree->sizeHintForColumn(0), tree->viewport()->width());
        QVERIFY(window->expandDataSource(u"Sample"_s));
        QVERIFY(!added || window->expandDataSource(typedName)); // the new node connects like any other
        // Every button visible, and every picture drawn for the screen's scale, not blown up.
        const qreal scale = window->devicePixelRatio();
        const auto sharp = [scale](const QIcon& icon) {
            return icon.pixmap(QSize(16, 16), scale).width() == qRound(16 * scale);
        };
        auto* bar = child<QToolBar>(*window->browser(), "tlbData");
        for (QAction* button : bar->actions())
            QVERIFY2(bar->widgetForAction(button)->isVisible() && sharp(button->icon()),
                     qPrintable(button->objectName()));
        for (int row = 0; row < 4; ++row) {
            const QModelIndex node = row ? tree->model()->index(row - 1, 0, tree->model()->index(0, 0))
                                         : tree->model()->index(0, 0);
            QVERIFY2(sharp(node.data(Qt::DecorationRole).value<QIcon>()), qPrintable(node.data().toString()));
        }
        QVERIFY(sharp(window->runAction()->icon()) && sharp(window->windowIcon()));
    }

    // Started in a German session, Dabrook speaks German: the browser's captions, its tree and count,
    // Dabrook's status and strip, a message of the database layer and Qt's own buttons. Switched
    // back, English again; the English category name still lists in either.
    void language_data()
    {
        QTest::addColumn<QLocale::Language>("language"); // loaded after German
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("German") << QLocale::German
                                << QStringList{"Optionen",
                                               "Allgemein",
                                               "Große Symbole",
                                               "Tabellen",
                                               " 6 Objekte",
                                               "Es gibt keine Abfrage zum Ausführen.",
                                               "Keine Verbindung zur Datenquelle möglich: Die "
                                               "SQLite-Datenbankdatei „%1“ existiert nicht.",
                                               "Abbrechen"};
        QTest::newRow("back to English")
            << QLocale::English
            << QStringList{
                   "Options",
                   "General",
                   "Large Icons",
                   "Tables",
                   " 6 items",
                   "There is no query to run.",
                   "Could not connect to the data source: The SQLite database file \"%1\" does not exist.",
                   "Cancel"};
    }

    void language()
    {
        QFETCH(QLocale::Language, language);
        QFETCH(QStringList, texts);
        const auto english = qScopeGuard([] { loadTranslations(QLocale(QLocale::English)); });
        QVERIFY(loadTranslations(QLocale(QLocale::German)));
        QCOMPARE(loadTranslations(QLocale(language)), language == QLocale::German);
        const QString gone = m_dir.filePath(u"Gone.db"_s);
        QVERIFY(Glob::Add_DataSource("Gone", "Provider=SQLite;Data Source=" + gone, {}, "\"") &&
                Glob::Save_DataSources());
        const frmOptions options;
        const QDialogButtonBox buttons(QDialogButtonBox::Cancel);
        const auto window = opened();
        QVERIFY(window->expandDataSource(u"Sample"_s) && listed(*window, u"Sample"_s, u"Tables"_s));
        const QAbstractItemModel* tree = child<QTreeView>(*window->browser(), "tvwData")->model();
        const QStringList shown{options.windowTitle(),
                                child<QTabWidget>(options, "tabOptions")->tabText(0),
                                child<QAction>(*window->browser(), "Large")->toolTip(),
                                tree->index(0, 0, tree->index(0, 0)).data().toString(),
                                child<QLabel>(*window->browser(), "Panel2")->text(),
                                (window->runSql(), window->statusText()),
                                (window->expandDataSource(u"Gone"_s), window->messageText()),
                                buttons.button(QDialogButtonBox::Cancel)->text()};
        texts[6] = texts[6].arg(gone);
        QCOMPARE(shown, texts);
    }
};

QTEST_MAIN(TestHost)
#include "tst_host.moc"
