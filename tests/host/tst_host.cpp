// Dabrook as a person uses it: the main window answering the browser's queries over the sample
// database it creates on first start, results fetched in batches, the message strip, the source editor.
#include "app/MainWindow.h"
#include "app/ProcedureCall.h"
#include "app/ResultsModel.h"
#include "app/SampleDatabase.h"
#include "control/kwQuarryPrivate.h"
#include "dialogs/frmNewDataSource.h"
#include "platform/LibraryLocation.h"
#include "platform/widgets/ObjectList.h"
#include "settings/DataSources.h"
#include "settings/Glob.h"

#include "ScriptedPrompts.h"
#include "TestDatabases.h"
#include "WidgetTestSupport.h"

#include <QAbstractItemModelTester>
#include <QtTest>
#include <QtWidgets>

using dabrook::MainWindow;
using dabrook::ResultsModel;
using dabrook::SampleDatabase;
using quarry::test::child;
using quarry::test::Db;

namespace {

const QString OrdersQuery = QStringLiteral("SELECT * \r\nFROM \"orders\"");

// 1 to `count`, without a table: all three databases know recursive CTEs.
QString numbers(int count, const QString& select, const QString& order = QStringLiteral(" ORDER BY i"))
{
    return QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                          "SELECT %2 FROM n%3")
        .arg(QString::number(count), select, order);
}

QStringList texts(const QAbstractItemModel* model, const QModelIndex& parent = {})
{
    QStringList out;
    for (int row = 0; row < model->rowCount(parent); ++row)
        out << model->index(row, 0, parent).data().toString();
    return out;
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

QTreeView* tree(const MainWindow& window)
{
    return child<QTreeView>(*window.browser(), "tvwData");
}

// A query handed over by the browser, and what the window makes of it.
struct Handed
{
    QString sql;
    int maxRecords;
    bool autoRun;
    bool showSql;
    int rows;           // -1: not run
    QString status;     // null: no connection handed over
    QString boxed = {}; // part of the message box's text
    bool openSql = true;
    Db db = Db::SQLite; // SQLite: the sample
};

} // namespace

Q_DECLARE_METATYPE(Handed)

class TestHost : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_sample;
    std::unique_ptr<quarry::test::ScriptedPrompts> m_prompts;

    // The scratch list: Sample and `name`, saved as the browser will load it.
    bool writeSources(const QString& name = {}, const QString& connection = {})
    {
        const QString file = Glob::Options().strDataSourceFile;
        QDir(file).removeRecursively(); // left by a failed test that blocked saving
        QFile::remove(file);
        return Glob::Get_DataSources() &&
               Glob::Add_DataSource("Sample", SampleDatabase::connectionString(m_sample), {}, "\"") &&
               (name.isEmpty() || Glob::Add_DataSource(name, connection, {}, "\"")) &&
               Glob::Save_DataSources();
    }
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
        Glob::setAppTitle(QStringLiteral("Dabrook"));
        Glob::Read_INI(); // the data-source file's place follows the library folder
        m_sample = m_dir.filePath(QStringLiteral("Sample.db"));
        // Over what an interrupted first start left: built afresh, the same file every time.
        const QString again = m_dir.filePath(QStringLiteral("again/Sample.db"));
        QFile partial(SampleDatabase::partialPath(again));
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("again"))) && partial.open(QIODevice::WriteOnly));
        QVERIFY(partial.write("SQLite format 3\0 cut short", 26) == 26);
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
        m_prompts.reset();
        m_prompts = std::make_unique<quarry::test::ScriptedPrompts>();
        Glob::Reporter().clearReports();
        Glob::Options().blnOpenSQL = true;
        QVERIFY(writeSources());
    }

    // Each query counts what should number `expected`: rows, or rows that break a rule.
    void sampleDatabase_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const char* expected, const QString& sql) {
            QTest::newRow(name) << sql << QString(expected);
        };
        row("objects",
            "categories customers employees order_items order_totals orders product_sales products",
            "SELECT group_concat(name, ' ') FROM (SELECT name FROM sqlite_master WHERE type <> 'index' "
            "ORDER BY 1)");
        for (const char* table : {"employees:12", "customers:250", "categories:8", "products:96",
                                  "orders:2000", "order_items:6000", "order_totals:2000", "product_sales:96"})
            row(table, strchr(table, ':') + 1, "SELECT COUNT(*) FROM " + QString(table).section(u':', 0, 0));
        row("declared foreign keys", "7",
            "SELECT COUNT(*) FROM sqlite_master m, pragma_foreign_key_list(m.name) WHERE m.type = 'table'");
        row("rows breaking a foreign key", "0", "SELECT COUNT(*) FROM pragma_foreign_key_check");
        row("shipped date only for shipped orders", "0",
            "SELECT COUNT(*) FROM orders WHERE (status = 'shipped') <> (shipped_date IS NOT NULL)");
        row("view totals disagree with the lines", "0",
            "SELECT COUNT(*) FROM order_totals t WHERE ABS(t.total - (SELECT SUM(quantity * unit_price * "
            "(1 - discount)) FROM order_items i WHERE i.order_id = t.order_id)) > 0.006");
        // A quote and non-ASCII letters survive literal escaping and the wide API.
        row("apostrophe", "1", "SELECT COUNT(*) > 0 FROM employees WHERE last_name = 'O''Brien'");
        row("umlaut", "1", "SELECT COUNT(*) > 0 FROM customers WHERE city = 'Zürich'");
        row("a with ring", "1", "SELECT COUNT(*) > 0 FROM customers WHERE city = 'København'");
        row("missing phone", "1", "SELECT COUNT(*) > 0 FROM customers WHERE phone IS NULL");
    }

    void sampleDatabase()
    {
        QFETCH(QString, sql);
        QFETCH(QString, expected);
        quarry::Recordset rs;
        rs.Open(sql, sample());
        QCOMPARE(rs.Fields(0).Value.toString(), expected);
    }

    void fetchesInBatches_data()
    {
        QTest::addColumn<Db>("db");
        QTest::addColumn<int>("batch");
        QTest::addColumn<int>("maxRecords");
        QTest::addColumn<QList<int>>("rows"); // after the first batch, then after each later one
        for (Db db : {Db::SQLite, Db::PostgreSQL, Db::MariaDB}) {
            const auto row = [db](const char* name, int batch, int maxRecords, QList<int> rows) {
                QTest::addRow("%s: %s", qPrintable(quarry::test::dbName(db)), name)
                    << db << batch << maxRecords << rows;
            };
            row("default batch, all rows", 256, 0, {256, 512, 768, 1000});
            row("batch divides the rows", 250, 0, {250, 500, 750, 1000});
            row("one batch holds all", 5000, 0, {1000});
            row("limit inside the first batch", 256, 10, {10});
            row("limit on a batch boundary", 100, 300, {100, 200, 300});
        }
    }

    void fetchesInBatches()
    {
        QFETCH(Db, db);
        QFETCH(int, batch);
        QFETCH(int, maxRecords);
        QFETCH(QList<int>, rows);
        QUARRY_REQUIRE_DB(db);
        ResultsModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setBatchSize(batch);
        model.execute(quarry::test::open(db, quarry::adModeRead),
                      numbers(1000, "i, i * 2 AS twice, NULL AS absent, 'NULL' AS word, '' AS blank"),
                      maxRecords);
        QList<int> seen{model.rowCount()};
        for (int guard = 0; model.canFetchMore({}) && guard < 100; ++guard) {
            model.fetchMore({});
            seen << model.rowCount();
        }
        QCOMPARE(seen, rows);
        QVERIFY(!model.hasPendingRows() && model.fetchError().isEmpty());
        // In the query's order, none skipped or repeated; rows numbered from 1.
        for (int row : {0, rows.last() / 2, rows.last() - 1})
            QCOMPARE(QList<int>({model.headerData(row, Qt::Vertical).toInt(),
                                 model.data(model.index(row, 0), ResultsModel::ValueRole).toInt(),
                                 model.data(model.index(row, 1), ResultsModel::ValueRole).toInt()}),
                     QList<int>({row + 1, row + 1, 2 * (row + 1)}));
        QVERIFY(!model.headerData(rows.last(), Qt::Vertical).isValid());
        // A real NULL looks different from the text "NULL", and an empty text is no NULL.
        QStringList cells;
        for (int column : {2, 3, 4}) {
            const QModelIndex cell = model.index(0, column);
            cells << model.data(cell).toString() + u'|' +
                         model.data(cell, ResultsModel::IsNullRole).toString() + u'|' +
                         QString::number(qvariant_cast<QFont>(model.data(cell, Qt::FontRole)).italic()) +
                         QString::number(model.data(cell, Qt::ForegroundRole).isValid());
        }
        QCOMPARE(cells, (QStringList{"NULL|true|11", "NULL|false|00", "|false|00"}));
    }

    // Every parameter but the return value takes a place, output ones too.
    void procedureCallText_data()
    {
        QTest::addColumn<QList<int>>("directions");
        QTest::addColumn<QString>("text");
        QTest::newRow("return value only") << QList<int>{quarry::adParamReturnValue} << "{call \"proc\"}";
        QTest::newRow("return value, input, in/out, output")
            << QList<int>{quarry::adParamReturnValue, quarry::adParamInput, quarry::adParamInputOutput,
                          quarry::adParamOutput}
            << "{call \"proc\"(NULL, NULL, NULL)}";
    }

    void procedureCallText()
    {
        QFETCH(QList<int>, directions);
        QFETCH(QString, text);
        std::vector<quarry::Parameter> parameters;
        for (int direction : directions)
            parameters.push_back({QStringLiteral("p"), 3, quarry::ParameterDirection(direction)});
        QCOMPARE(dabrook::procedureCallText(QStringLiteral("\"proc\""), parameters), text);
        QCOMPARE(int(dabrook::procedureArguments(parameters).size()), text.count(QLatin1String("NULL")));
    }

    void runQuery_data()
    {
        QTest::addColumn<Handed>("handed");
        const QString f5 = QStringLiteral("Press F5 to run the query.");
        QTest::newRow("open for editing") << Handed{OrdersQuery, 0, false, true, -1, f5};
        QTest::newRow("open, Open SQL off") << Handed{OrdersQuery, 0, false, true, -1, f5, {}, false};
        QTest::newRow("return all rows") << Handed{OrdersQuery, 0, true, false, 2000, "Done."};
        QTest::newRow("negative top means all") << Handed{OrdersQuery, -5, true, false, 2000, "Done."};
        QTest::newRow("shown and run") << Handed{OrdersQuery, 3, true, true, 3, "Done."};
        QTest::newRow("data-source query has no text") << Handed{{}, 0, true, false, -1, f5};
        QTest::newRow("statement without rows")
            << Handed{"CREATE TEMP TABLE t (a INTEGER)", 0, true, false, 0, "Statement executed."};
        // The driver's own words; the text stays for the user to correct.
        QTest::newRow("no such table")
            << Handed{"SELECT * FROM nowhere", 0, true, false, -1, "The query failed.", "no such table"};
        QTest::newRow("no connection") << Handed{OrdersQuery, 0, true, false, -1, {}, "no open connection"};
        // Rows read before a failure stay; evaluated row by row (no ORDER BY), it fails past row 300.
        const QString failing = numbers(1000, "CASE WHEN i > 300 THEN 1 / (i - i) ELSE i END", {});
        QTest::newRow("failure part way")
            << Handed{failing, 0, true, false, 300, "Done.", "division by zero", true, Db::PostgreSQL};
    }

    void runQuery()
    {
        QFETCH(Handed, handed);
        const auto& [sql, maxRecords, autoRun, showSql, rows, status, boxed, openSql, db] = handed;
        QUARRY_REQUIRE_DB(db);
        Glob::Options().blnOpenSQL = openSql;
        MainWindow window;
        // Leftovers of an earlier query, edited and run with F5's action, must not survive the next one.
        window.setConnection(sample(), QStringLiteral("Sample"));
        window.sqlEditor()->setPlainText(QStringLiteral("SELECT COUNT(*) FROM customers"));
        QCOMPARE(window.runAction()->shortcut(), QKeySequence(Qt::Key_F5));
        window.runAction()->trigger();
        QCOMPARE(texts(window.results()), QStringList{"250"});

        const quarry::Connection c = status.isNull()    ? quarry::Connection()
                                     : db == Db::SQLite ? sample()
                                                        : quarry::test::open(db, quarry::adModeRead);
        emit window.browser()->RunQuery(c, sql, QStringLiteral("Sample : Tables : orders"),
                                        kwQuarry::dkDataTable, maxRecords, autoRun, showSql,
                                        QStringLiteral("\""), true);
        for (int guard = 0; window.results()->canFetchMore({}) && guard < 1000; ++guard)
            window.results()->fetchMore({});
        QCOMPARE(QStringLiteral("%1|%2|%3|")
                         .arg(window.sqlEditor()->isReadOnly())
                         .arg(window.results()->rowCount())
                         .arg(window.results()->columnCount() > 0) +
                     window.sqlEditor()->toPlainText(),
                 QStringLiteral("%1|%2|%3|").arg(!openSql).arg(qMax(rows, 0)).arg(rows > 0) +
                     QString(sql).replace("\r\n", "\n"));
        if (!status.isNull())
            QCOMPARE(window.statusText(), status);
        // "2,000 rows, 5 ms"; a statement's time alone.
        const QString counted = rows > 0 ? QStringLiteral("%L1 rows, ").arg(rows) : QString();
        if (!status.isNull() && boxed.isEmpty())
            QVERIFY2(rows < 0 ? window.rowsText().isEmpty()
                              : window.rowsText().startsWith(counted) && window.rowsText().endsWith(u" ms"),
                     qPrintable(window.rowsText()));
        const auto calls = m_prompts->callsOf(quarry::test::ScriptedPrompts::Kind::MsgBox);
        QCOMPARE(calls.size(), size_t(boxed.isEmpty() ? 0 : 1));
        for (const auto& call : calls)
            QVERIFY2(call.text.contains(boxed) && call.title == "Dabrook" &&
                         call.icon == quarry::platform::MsgIcon::Critical,
                     qPrintable(call.text));
    }

    // Opened from the list, a procedure with arguments is shown with NULL for each, not run;
    // a data source that does not connect says why in the strip.
    void browsing()
    {
        QUARRY_REQUIRE_DB(Db::PostgreSQL);
        const quarry::test::Scratch scratch(Db::PostgreSQL);
        scratch.exec(
            QStringLiteral("CREATE FUNCTION order_lines(first_id integer, label text) RETURNS integer "
                           "LANGUAGE sql AS 'SELECT first_id'"));
        // Port 1 on loopback: nothing listens, so the refusal comes at once.
        const QString down =
            QStringLiteral("Provider=PostgreSQL;Data Source=127.0.0.1,1;Initial Catalog=test");
        QVERIFY(writeSources(QStringLiteral("Shop"), scratch.connectionString()));
        QVERIFY(Glob::Add_DataSource("Down", down, {}, "\"") && Glob::Save_DataSources());
        const auto window = opened();
        QVERIFY(!window->expandDataSource(QStringLiteral("Sampl")));
        QCOMPARE(window->messageText(), QStringLiteral("There is no data source named \"Sampl\"."));
        QVERIFY(!window->expandDataSource(QStringLiteral("Down")));
        QString description; // the database layer's own, whole and unchanged
        try {
            quarry::Connection().Open(down);
        } catch (const quarry::DatabaseError& e) {
            description = e.Description();
        }
        QVERIFY(description.contains(QLatin1String("connection refused"), Qt::CaseInsensitive));
        // The newest message replaces the last, in the status bar too, shown whole until closed:
        // wrapped to the window's width, which it must not widen, with height for every line.
        QCOMPARE(window->messageText(), QStringLiteral("Connect_DataSource: ") + description);
        QCOMPARE(window->statusText(), window->messageText());
        auto* label = child<QLabel>(*window, "lblMessage");
        const QRect wrapped(0, 0, label->width(), 10000);
        QTRY_VERIFY(label->height() >=
                    label->fontMetrics().boundingRect(wrapped, Qt::TextWordWrap, label->text()).height());
        QVERIFY(label->mapTo(window.get(), QPoint(label->width(), 0)).x() <= window->width() &&
                window->width() <= 1100);
        QTest::mouseClick(child<QToolButton>(*window, "cmdCloseMessage"), Qt::LeftButton);
        QVERIFY(window->messageText().isEmpty() && child<QWidget>(*window, "fraMessage")->isHidden());

        QVERIFY(window->expandDataSource(QStringLiteral("Shop")));
        const QAbstractItemModel* model = tree(*window)->model();
        QCOMPARE(texts(model, model->match(model->index(0, 0), Qt::DisplayRole, "Shop").value(0)),
                 (QStringList{"Tables", "Views", "Stored Procedures"}));
        QVERIFY(window->listCategory(QStringLiteral("Shop"), QStringLiteral("Stored Procedures")));
        QAbstractItemView* list = kwQuarryPrivate::get(window->browser())->lvwData->currentView();
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(window->sqlEditor()->toPlainText() + u'|' + window->statusText(),
                 "{call \"order_lines\"(NULL, NULL)}|Replace the NULL arguments (first_id Integer, label "
                 "WChar), then run with F5.");
        QCOMPARE(window->results()->columnCount(), 0);
        // With the arguments filled in, the call runs through the driver's escape.
        window->sqlEditor()->setPlainText(QStringLiteral("{call \"order_lines\"(42, 'x')}"));
        QVERIFY(window->runSql());
        QCOMPARE(texts(window->results()), QStringList{"42"});
        QVERIFY(m_prompts->callsOf(quarry::test::ScriptedPrompts::Kind::MsgBox).empty());
    }

    void addDataSource_data()
    {
        QTest::addColumn<QString>("typedName"); // "": the user cancels
        QTest::addColumn<bool>("saveFails");
        QTest::addColumn<QStringList>("roots");
        QTest::addColumn<QString>("message");
        QTest::newRow("confirmed") << "Orders" << false << QStringList{"Sample", "Orders"} << QString();
        QTest::newRow("cancelled") << "" << false << QStringList{"Sample"} << QString();
        QTest::newRow("list cannot be saved")
            << "Orders" << true << QStringList{"Sample"} << "could not be saved";
    }

    void addDataSource()
    {
        QFETCH(QString, typedName);
        QFETCH(bool, saveFails);
        QFETCH(QStringList, roots);
        QFETCH(QString, message);
        const auto window = opened();
        const QString file = Glob::Options().strDataSourceFile;
        if (saveFails) // a folder where the file was: the new list cannot take its name
            QVERIFY(QFile::remove(file) && QDir().mkpath(file + QStringLiteral("/keep")));
        QAction* add = window->addDataSourceAction();
        QVERIFY(add->text() == QLatin1String("Add Data Source...") &&
                window->menuBar()->actions().first()->menu()->actions().contains(add));
        // A name and a connection built through the editor's connection prompt, then OK; or Cancel.
        const QString connection = QStringLiteral("Provider=SQLite;Data Source=") + m_sample;
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
        QVERIFY(!Glob::DataSourceEditor().isVisible());
        QCOMPARE(texts(tree(*window)->model()), roots);
        QVERIFY2(window->messageText().contains(message), qPrintable(window->messageText()));
        // Not on disk after a failed save, but not lost either: the next save writes it.
        if (saveFails)
            QVERIFY(QDir(file).removeRecursively() && Glob::Save_DataSources());
        QVERIFY(Glob::Get_DataSources());
        QCOMPARE(Glob::aDataSources()[2][Glob::dsName] + Glob::aDataSources()[2][Glob::dsConnection],
                 typedName.isEmpty() ? QString() : typedName + connection);
        if (roots.contains(typedName)) // the new node is live: it connects like any other
            QVERIFY(window->expandDataSource(typedName));
    }

    // The first window shows the data sources' names whole and every toolbar
    // button, with captions too; the query pane keeps the larger part.
    void browserShare_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("captions");
        QTest::newRow("default") << QSize() << false;
        QTest::newRow("default, toolbar captions") << QSize() << true;
        QTest::newRow("wide") << QSize(1600, 900) << false;
        QTest::newRow("narrow, toolbar captions") << QSize(900, 600) << true;
    }

    void browserShare()
    {
        QFETCH(QSize, size);
        QFETCH(bool, captions);
        const auto window = opened(size);
        Glob::Options().blnToolBarText = captions;
        if (captions)
            QVERIFY(window->browser()->Set_Options());
        const QList<int> sizes = window->mainSplitter()->sizes();
        const double share = double(sizes[0]) / (sizes[0] + sizes[1]);
        QVERIFY2(share > 0.37 && share < 0.71 && window->browser()->width() == sizes[0],
                 qPrintable(QString::number(share)));
        const QAbstractItemView* view = tree(*window);
        QVERIFY2(
            view->model()->rowCount() > 0 && view->sizeHintForColumn(0) <= view->viewport()->width(),
            qPrintable(
                QStringLiteral("%1 > %2").arg(view->sizeHintForColumn(0)).arg(view->viewport()->width())));
        auto* bar = child<QToolBar>(*window->browser(), "tlbData");
        for (QAction* button : bar->actions())
            QVERIFY2(bar->widgetForAction(button)->isVisible(), qPrintable(button->objectName()));
        Glob::Options().blnToolBarText = false;
    }
};

QTEST_MAIN(TestHost)
#include "tst_host.moc"
