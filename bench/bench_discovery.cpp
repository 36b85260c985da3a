// Column discovery (Connection::Execute) on a 2,000,000-row table against an
// empty table with the same columns: describing must not depend on the rows.
// For contrast, the time to execute the same query and read its first row.
// Fixtures quarry_bench_big / quarry_bench_empty are created once and kept,
// in a database quarry_bench of their own (never the tests' "test").
//
//   bench_discovery [postgresql|mariadb ...] [--repeat N]
#include "BenchSupport.h"

#include <quarry/Database.h>

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <vector>

using namespace quarry;
using bench::median;
using bench::run;
using bench::scalar;

namespace {

constexpr qlonglong kRows = 2000000;

struct Target
{
    QString Name;
    QString Setup; // where the fixture database is created from
    QString Connection;
    QString Fill; // INSERT … SELECT of kRows rows into quarry_bench_big
};

void ensureFixtures(Connection& c, const Target& t)
{
    const QString columns = "(id INTEGER, name VARCHAR(40), amount NUMERIC(12,2), created TIMESTAMP)";
    run(c, "CREATE TABLE IF NOT EXISTS quarry_bench_empty " + columns);
    run(c, "CREATE TABLE IF NOT EXISTS quarry_bench_big " + columns);
    if (scalar(c, "SELECT COUNT(*) FROM quarry_bench_big") != kRows) {
        std::printf("filling quarry_bench_big on %s with %lld rows (once)...\n", qPrintable(t.Name), kRows);
        std::fflush(stdout);
        run(c, "DELETE FROM quarry_bench_big");
        run(c, t.Fill);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const bench::Arguments args = bench::parseArguments(app.arguments().mid(1), 21);
    const int repeat = args.repeat;

    const std::vector<Target> targets{
        {"PostgreSQL", bench::postgresql("test"), bench::postgresql("quarry_bench"),
         QString("INSERT INTO quarry_bench_big SELECT i, 'name ' || i, i / 100.0, "
                 "TIMESTAMP '2020-01-01' + i * INTERVAL '1 second' FROM generate_series(1, %1) AS i")
             .arg(kRows)},
        {"MariaDB", bench::mariadb("test"), bench::mariadb("quarry_bench"),
         QString("INSERT INTO quarry_bench_big SELECT seq, CONCAT('name ', seq), seq / 100, "
                 "TIMESTAMP '2020-01-01 00:00:00' + INTERVAL seq SECOND FROM seq_1_to_%1")
             .arg(kRows)},
    };

    std::printf("%-11s %14s %14s %7s %20s\n", "database", "big table ms", "empty ms", "ratio",
                "execute+1 row ms");
    int failures = 0;
    for (const Target& t : targets) {
        if (!args.wants(t.Name))
            continue;
        try {
            if (t.Name == "PostgreSQL") {
                bench::ensurePostgresDatabase("quarry_bench");
            } else {
                Connection setup;
                setup.Open(t.Setup);
                run(setup, "CREATE DATABASE IF NOT EXISTS quarry_bench");
            }
            Connection c;
            c.Open(t.Connection);
            ensureFixtures(c, t);
            int fields = 0;
            const double big =
                median(repeat, [&] { fields = c.Execute("SELECT * FROM quarry_bench_big").FieldCount(); });
            const double empty =
                median(repeat, [&] { c.Execute("SELECT * FROM quarry_bench_empty").FieldCount(); });
            // Executing loads whatever the driver buffers; once is enough to show it.
            const double executed = median(1, [&] {
                Recordset rs;
                rs.Open("SELECT * FROM quarry_bench_big", c);
                rs.Close();
            });
            std::printf("%-11s %14.2f %14.2f %7.2f %20.1f\n", qPrintable(t.Name), big, empty, big / empty,
                        executed);
            if (fields != 4)
                std::printf("  note: %d fields described, 4 expected\n", fields);
        } catch (const DatabaseError& e) {
            std::printf("%-11s skipped: %s\n", qPrintable(t.Name), qPrintable(e.Description()));
            ++failures;
        }
        std::fflush(stdout);
    }
    return failures ? 1 : 0;
}
