// The results grid's model over a live recordset on a real SQLite database.
#include "app/ProcedureCall.h"
#include "app/ResultsModel.h"

#include "TestDatabases.h"

#include <quarry/Database.h>

#include <QAbstractItemModelTester>
#include <QFont>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <array>
#include <map>

using dabrook::ResultsModel;
using quarry::test::Db;

Q_DECLARE_METATYPE(std::vector<quarry::Parameter>)

namespace {

constexpr int TableRows = 1000;
constexpr std::array Databases = {Db::SQLite, Db::PostgreSQL, Db::MariaDB};

// 1 to `count` in order, without a table: all three databases know recursive CTEs.
QString numbers(int count, const QString& select = QStringLiteral("i, i * 2 AS twice"))
{
    return QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                          "SELECT %2 FROM n ORDER BY i")
        .arg(count)
        .arg(select);
}

QString rowName(Db db, const char* name)
{
    return quarry::test::dbName(db) + QLatin1String(": ") + QLatin1String(name);
}

void exec(const quarry::Connection& c, const QString& sql)
{
    quarry::Recordset rs;
    rs.Open(sql, c);
    if (rs.State() == quarry::adStateOpen)
        rs.Close();
}

} // namespace

class TestResultsModel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void fetchesInBatches_data();
    void fetchesInBatches();
    void viewFetchesAsItScrolls();
    void headersNameTheColumns();
    void nullIsShownDistinctly_data();
    void nullIsShownDistinctly();
    void statementWithoutRows();
    void failedQueryLeavesModelEmpty_data();
    void failedQueryLeavesModelEmpty();
    void failurePartWayKeepsRowsRead_data();
    void failurePartWayKeepsRowsRead();
    void clearReleasesTheRecordset();
    void procedureCallText_data();
    void procedureCallText();

private:
    quarry::Connection connection(Db db);

    QTemporaryDir m_dir;
    quarry::Connection m_db;
    std::map<Db, quarry::Connection> m_servers;
};

quarry::Connection TestResultsModel::connection(Db db)
{
    auto it = m_servers.find(db);
    if (it == m_servers.end())
        it = m_servers.emplace(db, quarry::test::open(db, quarry::adModeRead)).first;
    return it->second;
}

void TestResultsModel::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_db.setMode(quarry::adModeReadWrite);
    m_db.Open(
        QStringLiteral("Provider=SQLite;Data Source=%1").arg(m_dir.filePath(QStringLiteral("rows.db"))));
    exec(m_db, QStringLiteral("CREATE TABLE t (id INTEGER PRIMARY KEY, name VARCHAR(20), amount DOUBLE, "
                              "note VARCHAR(20))"));
    exec(m_db, QStringLiteral("BEGIN"));
    for (int i = 1; i <= TableRows; ++i) {
        exec(m_db, QStringLiteral("INSERT INTO t VALUES (%1, 'row %1', %2, %3)")
                       .arg(i)
                       .arg(i * 1.5)
                       .arg(i % 3 == 0 ? QStringLiteral("NULL") : QStringLiteral("'n%1'").arg(i)));
    }
    exec(m_db, QStringLiteral("COMMIT"));
}

void TestResultsModel::cleanupTestCase()
{
    m_db.Close();
    for (auto& [db, c] : m_servers)
        c.Close();
}

void TestResultsModel::fetchesInBatches_data()
{
    QTest::addColumn<Db>("db");
    QTest::addColumn<int>("batch");
    QTest::addColumn<int>("maxRecords");
    QTest::addColumn<int>("firstRows");
    QTest::addColumn<int>("totalRows");
    QTest::addColumn<int>("batches");

    for (Db db : Databases) {
        auto row = [db](const char* name) -> QTestData& {
            return QTest::newRow(qPrintable(rowName(db, name))) << db;
        };
        row("default batch, all rows") << 256 << 0 << 256 << TableRows << 4;
        row("batch divides the rows") << 250 << 0 << 250 << TableRows << 4;
        row("one batch holds all") << 5000 << 0 << TableRows << TableRows << 1;
        row("limit inside the first batch") << 256 << 10 << 10 << 10 << 1;
        row("limit across batches") << 100 << 250 << 100 << 250 << 3;
        row("limit on a batch boundary") << 100 << 300 << 100 << 300 << 3;
        row("limit above the row count") << 400 << 5000 << 400 << TableRows << 3;
    }
}

void TestResultsModel::fetchesInBatches()
{
    QFETCH(Db, db);
    QFETCH(int, batch);
    QFETCH(int, maxRecords);
    QFETCH(int, firstRows);
    QFETCH(int, totalRows);
    QFETCH(int, batches);
    QUARRY_REQUIRE_DB(db);

    ResultsModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setBatchSize(batch);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);

    model.execute(connection(db), numbers(TableRows), maxRecords);
    QCOMPARE(model.rowCount(), firstRows);
    QCOMPARE(model.columnCount(), 2);

    int guard = 0;
    while (model.canFetchMore({}) && ++guard < 100)
        model.fetchMore({});
    QCOMPARE(model.rowCount(), totalRows);
    // The first batch comes with the reset; each later one is an insertion.
    QCOMPARE(inserted.count() + 1, batches);
    for (const auto& args : inserted) {
        const int first = args.at(1).toInt();
        const int last = args.at(2).toInt();
        QVERIFY(last - first + 1 <= batch);
    }
    QVERIFY(!model.hasPendingRows());
    // Rows arrive in the order the query gave them, none skipped or repeated.
    for (int row : {0, totalRows / 2, totalRows - 1}) {
        QCOMPARE(model.data(model.index(row, 0), ResultsModel::ValueRole).toInt(), row + 1);
        QCOMPARE(model.data(model.index(row, 1), ResultsModel::ValueRole).toInt(), 2 * (row + 1));
    }
    QVERIFY(model.fetchError().isEmpty());
}

void TestResultsModel::viewFetchesAsItScrolls()
{
    ResultsModel model;
    model.setBatchSize(64);
    QTableView view;
    view.setModel(&model);
    view.resize(400, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    model.execute(m_db, QStringLiteral("SELECT * FROM t ORDER BY id"));
    QCOMPARE(model.rowCount(), 64);
    for (int i = 0; i < 50 && model.canFetchMore({}); ++i) {
        view.scrollToBottom();
        QCoreApplication::processEvents();
    }
    QCOMPARE(model.rowCount(), TableRows);
    QVERIFY(!model.canFetchMore({}));
}

void TestResultsModel::headersNameTheColumns()
{
    ResultsModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.execute(m_db, QStringLiteral("SELECT id AS \"Order ID\", name AS \"naïve name\", amount, "
                                       "amount * 2 AS twice FROM t WHERE id <= 3"));
    QCOMPARE(model.columnCount(), 4);
    QStringList headers;
    for (int c = 0; c < model.columnCount(); ++c)
        headers << model.headerData(c, Qt::Horizontal).toString();
    QCOMPARE(headers, QStringList({"Order ID", QStringLiteral("naïve name"), "amount", "twice"}));
    QCOMPARE(model.headerData(0, Qt::Vertical).toInt(), 1);
    QCOMPARE(model.headerData(2, Qt::Vertical).toInt(), 3);
    QVERIFY(!model.headerData(3, Qt::Vertical).isValid());
    QVERIFY(!model.headerData(4, Qt::Horizontal).isValid());
}

void TestResultsModel::nullIsShownDistinctly_data()
{
    QTest::addColumn<Db>("db");
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("display");
    QTest::addColumn<bool>("isNull");

    for (Db db : Databases) {
        auto row = [db](const char* name) -> QTestData& {
            return QTest::newRow(qPrintable(rowName(db, name))) << db;
        };
        row("NULL") << "NULL" << ResultsModel::nullText() << true;
        row("empty text") << "''" << QString() << false;
        row("the word NULL") << "'NULL'"
                             << "NULL" << false;
        row("plain text") << "'plain'"
                          << "plain" << false;
    }
}

void TestResultsModel::nullIsShownDistinctly()
{
    QFETCH(Db, db);
    QFETCH(QString, expression);
    QFETCH(QString, display);
    QFETCH(bool, isNull);
    QUARRY_REQUIRE_DB(db);

    ResultsModel model;
    model.execute(connection(db), QStringLiteral("SELECT %1 AS v").arg(expression));
    QCOMPARE(model.rowCount(), 1);
    const QModelIndex cell = model.index(0, 0);
    QCOMPARE(model.data(cell).toString(), display);
    QCOMPARE(model.data(cell, ResultsModel::IsNullRole).toBool(), isNull);
    QCOMPARE(model.data(cell, ResultsModel::ValueRole).isNull(), isNull);
    // A real NULL looks different from the text "NULL".
    QCOMPARE(qvariant_cast<QFont>(model.data(cell, Qt::FontRole)).italic(), isNull);
    QCOMPARE(model.data(cell, Qt::ForegroundRole).isValid(), isNull);
}

void TestResultsModel::statementWithoutRows()
{
    ResultsModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.execute(m_db, QStringLiteral("SELECT id FROM t WHERE id < 5"));
    QCOMPARE(model.rowCount(), 4);

    model.execute(m_db, QStringLiteral("CREATE TABLE IF NOT EXISTS scratch (a INTEGER)"));
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 0);
    QVERIFY(!model.canFetchMore({}));

    model.execute(m_db, QStringLiteral("SELECT id FROM t WHERE id < 0"));
    QCOMPARE(model.columnCount(), 1);
    QCOMPARE(model.rowCount(), 0);
    QVERIFY(!model.canFetchMore({}));
}

void TestResultsModel::failedQueryLeavesModelEmpty_data()
{
    QTest::addColumn<Db>("db");
    for (Db db : Databases)
        QTest::newRow(qPrintable(quarry::test::dbName(db))) << db;
}

void TestResultsModel::failedQueryLeavesModelEmpty()
{
    QFETCH(Db, db);
    QUARRY_REQUIRE_DB(db);
    const quarry::Connection c = connection(db);

    ResultsModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.execute(c, numbers(5));
    QCOMPARE(model.rowCount(), 5);

    QString description;
    try {
        model.execute(c, QStringLiteral("SELECT * FROM no_such_table"));
    } catch (const quarry::DatabaseError& e) {
        description = e.Description();
    }
    // The driver's own words, naming the culprit.
    QVERIFY2(description.contains(QStringLiteral("no_such_table")), qPrintable(description));
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 0);
    QVERIFY(!model.canFetchMore({}));

    // The connection is still usable afterwards.
    model.execute(c, numbers(7));
    QCOMPARE(model.rowCount(), 7);
}

void TestResultsModel::failurePartWayKeepsRowsRead_data()
{
    QTest::addColumn<Db>("db");
    QTest::addColumn<QString>("failing");
    QTest::addColumn<QString>("message");
    // Both evaluate row by row, so the error strikes only past row 300.
    QTest::newRow("SQLite") << Db::SQLite << "abs(-9223372036854775807 - 1)"
                            << "overflow";
    QTest::newRow("PostgreSQL") << Db::PostgreSQL << "1 / (i - i)"
                                << "division by zero";
}

void TestResultsModel::failurePartWayKeepsRowsRead()
{
    QFETCH(Db, db);
    QFETCH(QString, failing);
    QFETCH(QString, message);
    QUARRY_REQUIRE_DB(db);

    ResultsModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setBatchSize(100);
    QSignalSpy failed(&model, &ResultsModel::fetchFailed);

    // No ORDER BY: a sort would evaluate every row before the first arrives.
    QString sql = numbers(TableRows, QStringLiteral("CASE WHEN i > 300 THEN %1 ELSE i END").arg(failing));
    sql.chop(QStringLiteral(" ORDER BY i").size());
    QString description;
    try {
        model.execute(connection(db), sql);
        for (int guard = 0; model.canFetchMore({}) && guard < 100; ++guard)
            model.fetchMore({});
        QCOMPARE(failed.count(), 1);
        description = failed.at(0).at(0).toString();
        QCOMPARE(model.fetchError(), description);
        QCOMPARE(model.rowCount(), 300);
        QCOMPARE(model.data(model.index(299, 0)).toInt(), 300);
    } catch (const quarry::DatabaseError& e) {
        // A driver that reads the whole result at once fails before the first row.
        description = e.Description();
        QCOMPARE(model.rowCount(), 0);
    }
    QVERIFY2(description.contains(message), qPrintable(description));
    QVERIFY(!model.canFetchMore({}));
}

void TestResultsModel::clearReleasesTheRecordset()
{
    ResultsModel model;
    model.setBatchSize(10);
    model.execute(m_db, QStringLiteral("SELECT * FROM t"));
    QVERIFY(model.canFetchMore({}));
    model.clear();
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 0);
    QVERIFY(!model.canFetchMore({}));
    // With the statement released, the database takes writes again.
    exec(m_db, QStringLiteral("CREATE TABLE IF NOT EXISTS after_clear (a INTEGER)"));
    exec(m_db, QStringLiteral("DROP TABLE after_clear"));
}

void TestResultsModel::procedureCallText_data()
{
    using P = quarry::Parameter;
    QTest::addColumn<std::vector<quarry::Parameter>>("parameters");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("arguments");

    QTest::newRow("none") << std::vector<P>{} << "{call \"proc\"}" << 0;
    QTest::newRow("return value only")
        << std::vector<P>{{"@RETURN_VALUE", 3, quarry::adParamReturnValue}} << "{call \"proc\"}" << 0;
    QTest::newRow("return value and two inputs")
        << std::vector<P>{{"@RETURN_VALUE", 3, quarry::adParamReturnValue},
                          {"@id", 3, quarry::adParamInput},
                          {"@name", 202, quarry::adParamInput}}
        << "{call \"proc\"(NULL, NULL)}" << 2;
    QTest::newRow("output parameter takes a place too")
        << std::vector<P>{{"a", 3, quarry::adParamInput}, {"b", 3, quarry::adParamOutput}}
        << "{call \"proc\"(NULL, NULL)}" << 2;
}

void TestResultsModel::procedureCallText()
{
    QFETCH(std::vector<quarry::Parameter>, parameters);
    QFETCH(QString, text);
    QFETCH(int, arguments);
    QCOMPARE(dabrook::procedureCallText(QStringLiteral("\"proc\""), parameters), text);
    QCOMPARE(int(dabrook::procedureArguments(parameters).size()), arguments);
}

QTEST_MAIN(TestResultsModel)
#include "tst_resultsmodel.moc"
