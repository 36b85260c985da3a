// Reading the TABLES rowset of a large catalog through the database layer,
// against a bare SQLTables + SQLFetch loop over the same catalog in the same
// run. Catalogs (created once, kept between runs, away from the tests'
// "test" databases): 100,000 tables in the schema quarry_bench_tables of the
// PostgreSQL database quarry_bench, 10,000 in the MariaDB database
// quarry_bench_tables and in an SQLite file beside this program.
//
//   bench_schema_tables [sqlite|postgresql|mariadb ...] [--repeat N]
#include "BenchSupport.h"

#include <quarry/Database.h>

#include <QCoreApplication>
#include <QDir>
#include <QStringList>

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <cstdio>
#include <vector>

using namespace quarry;
using bench::run;
using bench::scalar;

namespace {

struct Target
{
    QString Name;
    QString Setup;  // connection string for creating the catalog
    QString Browse; // connection string the benchmark reads through
    QString Odbc;   // the same, for the bare loop
    int Tables;
};

void ensureCatalog(const Target& t)
{
    Connection c;
    c.Open(t.Setup);
    qlonglong have = 0;
    if (t.Name == "PostgreSQL") {
        bench::ensurePostgresDatabase("quarry_bench");
        c.Close();
        c.Open(t.Browse);
        run(c, "CREATE SCHEMA IF NOT EXISTS quarry_bench_tables");
        have = scalar(c, "SELECT COUNT(*) FROM pg_tables WHERE schemaname = 'quarry_bench_tables'");
        if (have < t.Tables) {
            std::printf("creating %d PostgreSQL tables (once)...\n", t.Tables);
            std::fflush(stdout);
            // Batches: one transaction with every table would run out of lock slots.
            for (qlonglong from = have; from < t.Tables; from += 5000)
                run(c, QString("DO $$ BEGIN FOR i IN %1..%2 LOOP EXECUTE format('CREATE TABLE IF NOT EXISTS "
                               "quarry_bench_tables.t%s (id integer)', i); END LOOP; END $$")
                           .arg(from)
                           .arg(qMin<qlonglong>(from + 5000, t.Tables) - 1));
        }
    } else if (t.Name == "MariaDB") {
        run(c, "CREATE DATABASE IF NOT EXISTS quarry_bench_tables");
        have = scalar(
            c, "SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA = 'quarry_bench_tables'");
        if (have < t.Tables) {
            std::printf("creating %d MariaDB tables (once)...\n", t.Tables);
            std::fflush(stdout);
            run(c, "DROP PROCEDURE IF EXISTS quarry_bench_tables.make_tables");
            run(c, "CREATE PROCEDURE quarry_bench_tables.make_tables(n INT) BEGIN DECLARE i INT DEFAULT 0; "
                   "WHILE i < n DO SET @s = CONCAT('CREATE TABLE IF NOT EXISTS quarry_bench_tables.t', i, "
                   "' (id INT) ENGINE=Aria'); PREPARE st FROM @s; EXECUTE st; DEALLOCATE PREPARE st; "
                   "SET i = i + 1; END WHILE; END");
            run(c, QString("CALL quarry_bench_tables.make_tables(%1)").arg(t.Tables));
        }
    } else {
        have = scalar(c, "SELECT COUNT(*) FROM sqlite_master WHERE type = 'table'");
        if (have < t.Tables) {
            std::printf("creating %d SQLite tables (once)...\n", t.Tables);
            std::fflush(stdout);
            run(c, "BEGIN");
            for (qlonglong i = have; i < t.Tables; ++i)
                run(c, QString("CREATE TABLE IF NOT EXISTS t%1 (id INTEGER)").arg(i));
            run(c, "COMMIT");
        }
    }
}

// The layer, read as the object list reads it.
qlonglong throughLayer(const Target& t, const QStringList& restrictions)
{
    Connection c;
    c.setMode(adModeRead);
    c.Open(t.Browse);
    Recordset rs = c.OpenSchema(adSchemaTables, restrictions);
    qlonglong rows = 0;
    while (!rs.AtEOF()) {
        const QVariant schema = rs.Fields(1).Value;
        const QVariant name = rs.Fields(2).Value;
        const QVariant type = rs.Fields(3).Value;
        const QVariant created = rs.Fields(7).Value;
        rows += name.isNull() ? 0 : 1;
        (void)schema, (void)type, (void)created;
        rs.MoveNext();
    }
    return rows;
}

// The same catalog call with nothing around it.
// `columns`: how many of the result's leading columns each row reads (1: the
// name only is read, as column 3; 5: what the layer reads).
qlonglong bare(const Target& t, const QString& catalog, const QString& schema, int columns)
{
    SQLHENV env = nullptr;
    SQLHDBC dbc = nullptr;
    SQLHSTMT stmt = nullptr;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    QString connection = t.Odbc;
    qlonglong rows = -1;
    if (SQL_SUCCEEDED(SQLDriverConnectW(dbc, nullptr, reinterpret_cast<SQLWCHAR*>(connection.data()), SQL_NTS,
                                        nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT))) {
        SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
        QString cat = catalog, sch = schema, type = "TABLE";
        auto arg = [](QString& s) { return s.isEmpty() ? nullptr : reinterpret_cast<SQLWCHAR*>(s.data()); };
        auto len = [](const QString& s) { return SQLSMALLINT(s.isEmpty() ? 0 : SQL_NTS); };
        if (SQL_SUCCEEDED(
                SQLTablesW(stmt, arg(cat), len(cat), arg(sch), len(sch), nullptr, 0, arg(type), len(type)))) {
            rows = 0;
            SQLWCHAR name[256];
            SQLLEN indicator = 0;
            while (SQL_SUCCEEDED(SQLFetch(stmt))) {
                if (columns == 1)
                    SQLGetData(stmt, 3, SQL_C_WCHAR, name, sizeof(name), &indicator);
                else
                    for (SQLUSMALLINT column = 1; column <= columns; ++column)
                        SQLGetData(stmt, column, SQL_C_WCHAR, name, sizeof(name), &indicator);
                ++rows;
            }
        }
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        SQLDisconnect(dbc);
    }
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return rows;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const bench::Arguments args = bench::parseArguments(app.arguments().mid(1), 3);
    const int repeat = args.repeat;
    const QString dataDir = QCoreApplication::applicationDirPath() + "/bench-data";
    QDir().mkpath(dataDir);
    const QString sqliteFile = dataDir + "/tables-10000.sqlite";

    const std::vector<Target> targets{
        {"SQLite", "Provider=SQLite;Data Source=" + sqliteFile, "Provider=SQLite;Data Source=" + sqliteFile,
         "Driver={SQLite3};Database=" + sqliteFile, 10000},
        {"PostgreSQL", bench::postgresql("test"), bench::postgresql("quarry_bench"),
         "Driver={PostgreSQL Unicode};Server=127.0.0.1;Database=quarry_bench;UID=root;"
         "TextAsLongVarchar=0;BoolsAsChar=0;ByteaAsLongVarBinary=1;UseDeclareFetch=1",
         100000},
        {"MariaDB", bench::mariadb("test"), bench::mariadb("quarry_bench_tables"),
         "Driver={MariaDB Unicode};Server=127.0.0.1;Database=quarry_bench_tables;UID=root", 10000},
    };

    std::printf("%-11s %8s %10s %10s %7s %12s %7s\n", "database", "tables", "layer ms", "bare ms", "ratio",
                "bare(5) ms", "ratio");
    int failures = 0;
    for (const Target& t : targets) {
        if (!args.wants(t.Name))
            continue;
        try {
            ensureCatalog(t);
            // The bare loop asks what the layer asks of each driver.
            const QString catalog = t.Name == "MariaDB" ? "quarry_bench_tables" : QString();
            const QString schema = t.Name == "PostgreSQL" ? "%" : QString();
            qlonglong layerRows = 0;
            qlonglong bareRows = 0;
            const double bareMs = bench::median(repeat, [&] { bareRows = bare(t, catalog, schema, 1); });
            const double bare5Ms = bench::median(repeat, [&] { bareRows = bare(t, catalog, schema, 5); });
            const double layerMs = bench::median(repeat, [&] {
                layerRows = throughLayer(t, {"", "", "", "TABLE"});
            });
            std::printf("%-11s %8lld %10.1f %10.1f %7.2f %12.1f %7.2f\n", qPrintable(t.Name), layerRows,
                        layerMs, bareMs, layerMs / bareMs, bare5Ms, layerMs / bare5Ms);
            if (layerRows < t.Tables)
                std::printf("  note: the layer listed %lld rows, the bare loop %lld\n", layerRows, bareRows);
        } catch (const DatabaseError& e) {
            std::printf("%-11s skipped: %s\n", qPrintable(t.Name), qPrintable(e.Description()));
            ++failures;
        }
        std::fflush(stdout);
    }
    return failures ? 1 : 0;
}
