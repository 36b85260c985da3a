// The results grid's model over live recordsets on the real databases.
#include "app/ProcedureCall.h"
#include "app/ResultsModel.h"

#include "TestDatabases.h"

#include <quarry/Database.h>

#include <QAbstractItemModelTester>
#include <QFont>
#include <QSignalSpy>
#include <QtTest>

using dabrook::ResultsModel;
using quarry::test::Db;
using Tester = QAbstractItemModelTester;

Q_DECLARE_METATYPE(std::vector<quarry::Parameter>)

namespace {

constexpr int TableRows = 1000;

// 1 to `count` in order, without a table: all three databases know recursive CTEs.
QString numbers(int count, const QString& select = QStringLiteral("i, i * 2 AS twice"))
{
    return QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                          "SELECT %2 FROM n ORDER BY i")
        .arg(count)
        .arg(select);
}

void exec(const quarry::Connection& c, const QString& sql)
{
    quarry::Recordset rs;
    rs.Open(sql, c);
    if (rs.State() == quarry::adStateOpen)
        rs.Close();
}

// A row named "<database>: <name>" per database, its first column the database.
template <typename Rows> void perDatabase(Rows rows)
{
    for (Db db : {Db::SQLite, Db::PostgreSQL, Db::MariaDB})
        rows([db](const char* name) -> QTestData& {
            return QTest::newRow(qPrintable(quarry::test::dbName(db) + QLatin1String(": ") + name)) << db;
        });
}

} // namespace

class TestResultsModel : public QObject
{
    Q_OBJECT

    const quarry::test::Scratch m_scratch{Db::SQLite};
    const quarry::Connection m_db = m_scratch.open(); // writable, with table t of TableRows rows

    static quarry::Connection connection(Db db) { return quarry::test::open(db, quarry::adModeRead); }

private slots:
    void initTestCase()
    {
        exec(m_db,
             "CREATE TABLE t AS " + numbers(TableRows, "i AS id, 'row ' || i AS name, i * 1.5 AS amount"));
    }

    void fetchesInBatches_data()
    {
        QTest::addColumn<Db>("db");
        QTest::addColumn<int>("batch");
        QTest::addColumn<int>("maxRecords");
        QTest::addColumn<int>("firstRows");
        QTest::addColumn<int>("totalRows");
        QTest::addColumn<int>("batches");
        perDatabase([](auto row) {
            row("default batch, all rows") << 256 << 0 << 256 << TableRows << 4;
            row("batch divides the rows") << 250 << 0 << 250 << TableRows << 4;
            row("one batch holds all") << 5000 << 0 << TableRows << TableRows << 1;
            row("limit inside the first batch") << 256 << 10 << 10 << 10 << 1;
            row("limit across batches") << 100 << 250 << 100 << 250 << 3;
            row("limit on a batch boundary") << 100 << 300 << 100 << 300 << 3;
            row("limit above the row count") << 400 << 5000 << 400 << TableRows << 3;
        });
    }

    void fetchesInBatches()
    {
        QFETCH(Db, db);
        QFETCH(int, batch);
        QFETCH(int, maxRecords);
        QFETCH(int, firstRows);
        QFETCH(int, totalRows);
        QFETCH(int, batches);
        QUARRY_REQUIRE_DB(db);

        ResultsModel model;
        Tester tester(&model, Tester::FailureReportingMode::QtTest);
        model.setBatchSize(batch);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);

        model.execute(connection(db), numbers(TableRows), maxRecords);
        QCOMPARE(model.rowCount(), firstRows);
        QCOMPARE(model.columnCount(), 2);
        for (int guard = 0; model.canFetchMore({}) && guard < 100; ++guard)
            model.fetchMore({});
        QCOMPARE(model.rowCount(), totalRows);
        // The first batch comes with the reset; each later one is an insertion.
        QCOMPARE(inserted.count() + 1, batches);
        for (const auto& args : inserted)
            QVERIFY(args.at(2).toInt() - args.at(1).toInt() + 1 <= batch);
        QVERIFY(!model.hasPendingRows());
        // Rows arrive in the order the query gave them, none skipped or repeated.
        for (int row : {0, totalRows / 2, totalRows - 1}) {
            QCOMPARE(model.data(model.index(row, 0), ResultsModel::ValueRole).toInt(), row + 1);
            QCOMPARE(model.data(model.index(row, 1), ResultsModel::ValueRole).toInt(), 2 * (row + 1));
        }
        QVERIFY(model.fetchError().isEmpty());
    }

    void headersNameTheColumns()
    {
        ResultsModel model;
        Tester tester(&model, Tester::FailureReportingMode::QtTest);
        model.execute(m_db, QStringLiteral("SELECT id AS \"Order ID\", name AS \"naïve name\", amount, "
                                           "amount * 2 AS twice FROM t WHERE id <= 3"));
        QStringList headers;
        for (int c = 0; c < model.columnCount(); ++c)
            headers << model.headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headers, QStringList({"Order ID", QStringLiteral("naïve name"), "amount", "twice"}));
        QCOMPARE(model.headerData(0, Qt::Vertical).toInt(), 1);
        QCOMPARE(model.headerData(2, Qt::Vertical).toInt(), 3);
        QVERIFY(!model.headerData(3, Qt::Vertical).isValid());
        QVERIFY(!model.headerData(4, Qt::Horizontal).isValid());
    }

    void nullIsShownDistinctly_data()
    {
        QTest::addColumn<Db>("db");
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("display");
        QTest::addColumn<bool>("isNull");
        perDatabase([](auto row) {
            row("NULL") << "NULL" << ResultsModel::nullText() << true;
            row("empty text") << "''" << QString() << false;
            row("the word NULL") << "'NULL'" << QString("NULL") << false;
            row("plain text") << "'plain'" << QString("plain") << false;
        });
    }

    void nullIsShownDistinctly()
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

    void clearAndStatementsLeaveNoRows()
    {
        ResultsModel model;
        Tester tester(&model, Tester::FailureReportingMode::QtTest);
        model.setBatchSize(10);
        model.execute(m_db, QStringLiteral("SELECT * FROM t"));
        QVERIFY(model.canFetchMore({}));
        model.clear();
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.columnCount(), 0);
        QVERIFY(!model.canFetchMore({}));
        // With the statement released, the database takes writes again.
        exec(m_db, QStringLiteral("CREATE TABLE after_clear (a INTEGER)"));
        exec(m_db, QStringLiteral("DROP TABLE after_clear"));

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

    void failedQueryLeavesModelEmpty_data() { quarry::test::addDatabaseRows(); }

    void failedQueryLeavesModelEmpty()
    {
        QFETCH(Db, db);
        QUARRY_REQUIRE_DB(db);
        const quarry::Connection c = connection(db);
        ResultsModel model;
        Tester tester(&model, Tester::FailureReportingMode::QtTest);
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

    void failurePartWayKeepsRowsRead_data()
    {
        QTest::addColumn<Db>("db");
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QString>("message");
        // Both evaluate row by row, so the error strikes only past row 300.
        QTest::newRow("SQLite") << Db::SQLite << "abs(-9223372036854775807 - 1)" << QString("overflow");
        QTest::newRow("PostgreSQL") << Db::PostgreSQL << "1 / (i - i)" << QString("division by zero");
    }

    void failurePartWayKeepsRowsRead()
    {
        QFETCH(Db, db);
        QFETCH(QString, failing);
        QFETCH(QString, message);
        QUARRY_REQUIRE_DB(db);

        ResultsModel model;
        Tester tester(&model, Tester::FailureReportingMode::QtTest);
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

    void procedureCallText_data()
    {
        using P = quarry::Parameter;
        QTest::addColumn<std::vector<quarry::Parameter>>("parameters");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("arguments");
        const P ret{"@RETURN_VALUE", 3, quarry::adParamReturnValue};
        QTest::newRow("none") << std::vector<P>{} << "{call \"proc\"}" << 0;
        QTest::newRow("return value only") << std::vector<P>{ret} << "{call \"proc\"}" << 0;
        QTest::newRow("return value and two inputs")
            << std::vector<P>{ret, {"@id", 3, quarry::adParamInput}, {"@name", 202, quarry::adParamInput}}
            << "{call \"proc\"(NULL, NULL)}" << 2;
        QTest::newRow("output parameter takes a place too")
            << std::vector<P>{{"a", 3, quarry::adParamInput}, {"b", 3, quarry::adParamOutput}}
            << "{call \"proc\"(NULL, NULL)}" << 2;
    }

    void procedureCallText()
    {
        QFETCH(std::vector<quarry::Parameter>, parameters);
        QFETCH(QString, text);
        QFETCH(int, arguments);
        QCOMPARE(dabrook::procedureCallText(QStringLiteral("\"proc\""), parameters), text);
        QCOMPARE(int(dabrook::procedureArguments(parameters).size()), arguments);
    }
};

QTEST_MAIN(TestResultsModel)
#include "tst_resultsmodel.moc"
