// Dabrook's time to the first rows of SELECT * over 2,000,000 rows of ten mixed
// columns, and the peak memory it takes, against a bare ODBC loop that runs
// the same statement on the same driver options and fetches the same first
// batch. Each figure comes from a fresh child process (so that its peak RSS
// is its own), floor and ours taking turns. Then the time a cancel of a
// running sort of those rows takes to come back.
//
//   bench_first_rows [sqlite|postgresql|mariadb ...] [--repeat N]
//   (children: bench_first_rows --child floor|ours|cancel <database>)
#include "BenchSupport.h"

#include "app/QueryRunner.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTimer>

#include <cstdio>
#include <map>
#include <vector>

namespace {

constexpr int kRows = 2000000;
constexpr int kFirstBatch = 256;
const QString kTable = QStringLiteral("first_rows");

struct Target
{
    QString Name;
    QString Connection; // for the database layer
    QString Odbc;       // the same for the bare loop, streaming options included
    QString Fill;       // statement that fills the table
    QString Create;
};

QString sqliteFile()
{
    return QStringLiteral("/tmp/quarry_bench_first_rows.db");
}

std::vector<Target> targets()
{
    return {
        {QStringLiteral("SQLite"), QStringLiteral("Provider=SQLite;Data Source=") + sqliteFile(),
         QStringLiteral("Driver=SQLite3;Database=%1;StepAPI=1").arg(sqliteFile()),
         QStringLiteral(
             "INSERT INTO first_rows WITH RECURSIVE g(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM g "
             "WHERE n < %1) SELECT n, n %% 1000, n * 1.25, n / 7.0, hex(randomblob(16)), "
             "date('2020-01-01', '+' || (n %% 1000) || ' days'), datetime('2020-01-01', '+' || n "
             "|| ' seconds'), n %% 2, n %% 97, 'xxxxxxxxxxxxxxxxxxxx' FROM g")
             .arg(kRows)
             .replace(QStringLiteral("%%"), QStringLiteral("%")),
         QStringLiteral("CREATE TABLE first_rows (id INTEGER, i INTEGER, n NUMERIC(12,2), f DOUBLE, t "
                        "VARCHAR(40), d DATE, ts TIMESTAMP, b INTEGER, s VARCHAR(10), x VARCHAR(20))")},
        {QStringLiteral("PostgreSQL"), bench::postgresql(QStringLiteral("quarry_bench")),
         QStringLiteral("Driver={PostgreSQL Unicode};Server=127.0.0.1;Database=quarry_bench;UID=root;"
                        "UseDeclareFetch=1;CommLog=0;Debug=0"),
         QStringLiteral("INSERT INTO first_rows SELECT g, g %% 1000, (g * 1.25)::numeric(12,2), g / 7.0, "
                        "md5(g::text), DATE '2020-01-01' + (g %% 1000), TIMESTAMP '2020-01-01' + g * "
                        "interval '1 second', g %% 2 = 0, (g %% 97)::text, repeat('x', 20) FROM "
                        "generate_series(1, %1) g")
             .arg(kRows)
             .replace(QStringLiteral("%%"), QStringLiteral("%")),
         QStringLiteral("CREATE TABLE first_rows (id bigint, i integer, n numeric(12,2), f float8, t "
                        "varchar(40), d date, ts timestamp, b boolean, s varchar(10), x varchar(20))")},
        {QStringLiteral("MariaDB"), bench::mariadb(QStringLiteral("quarry_bench")),
         QStringLiteral("Driver={MariaDB Unicode};Server=127.0.0.1;Database=quarry_bench;UID=root;"
                        "FORWARDONLY=1;NO_CACHE=1"),
         QStringLiteral(
             "INSERT INTO first_rows SELECT seq, seq %% 1000, seq * 1.25, seq / 7.0, md5(seq), "
             "DATE '2020-01-01' + INTERVAL (seq %% 1000) DAY, TIMESTAMP '2020-01-01 00:00:00' + INTERVAL "
             "seq SECOND, seq %% 2, seq %% 97, REPEAT('x', 20) FROM seq_1_to_%1")
             .arg(kRows)
             .replace(QStringLiteral("%%"), QStringLiteral("%")),
         QStringLiteral("CREATE TABLE first_rows (id BIGINT, i INT, n DECIMAL(12,2), f DOUBLE, t "
                        "VARCHAR(40), d DATE, ts DATETIME, b TINYINT, s VARCHAR(10), x VARCHAR(20))")},
    };
}

const Target* find(const QString& name)
{
    static const std::vector<Target> all = targets();
    for (const Target& t : all)
        if (t.Name.compare(name, Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

void prepare(const Target& t)
{
    if (t.Name == QLatin1String("PostgreSQL"))
        bench::ensurePostgresDatabase(QStringLiteral("quarry_bench"));
    if (t.Name == QLatin1String("MariaDB")) {
        quarry::Connection c;
        c.Open(bench::mariadb(QStringLiteral("test")));
        bench::run(c, QStringLiteral("CREATE DATABASE IF NOT EXISTS quarry_bench"));
    }
    quarry::Connection c;
    c.Open(t.Connection);
    qlonglong rows = -1;
    try {
        rows = bench::scalar(c, QStringLiteral("SELECT COUNT(*) FROM first_rows"));
    } catch (const quarry::DatabaseError&) {
        bench::run(c, t.Create);
        rows = 0;
    }
    if (rows != kRows) {
        std::printf("  filling %s with %d rows ...\n", qPrintable(t.Name), kRows);
        bench::flush();
        bench::run(c, QStringLiteral("DELETE FROM first_rows"));
        bench::run(c, t.Fill);
    }
}

// Peak resident memory of this process so far, in kB.
long peakKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// The floor: connect, execute, fetch the first batch reading every column as text.
double floorRun(const Target& t)
{
    const bench::BareConnection bare(t.Odbc);
    if (!bare.dbc())
        return -1;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_STMT, bare.dbc(), &stmt);
    QElapsedTimer timer;
    timer.start();
    std::u16string sql = QStringLiteral("SELECT * FROM first_rows").toStdU16String();
    SQLExecDirectW(stmt, reinterpret_cast<SQLWCHAR*>(sql.data()), SQL_NTS);
    SQLSMALLINT columns = 0;
    SQLNumResultCols(stmt, &columns);
    SQLWCHAR buffer[512];
    for (int row = 0; row < kFirstBatch && SQL_SUCCEEDED(SQLFetch(stmt)); ++row)
        for (SQLUSMALLINT c = 1; c <= columns; ++c) {
            SQLLEN indicator = 0;
            SQLGetData(stmt, c, SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
        }
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return ms;
}

// Ours: Dabrook's runner, from run() to the first batch in the window's thread.
double oursRun(const Target& t, bool cancelSort)
{
    dabrook::QueryRunner runner;
    QEventLoop loop;
    double ms = -1;
    QElapsedTimer timer;
    QObject::connect(&runner, &dabrook::QueryRunner::executed, &loop, [&] {
        ms = double(timer.nsecsElapsed()) / 1e6;
        loop.quit();
    });
    QObject::connect(&runner, &dabrook::QueryRunner::failed, &loop,
                     [&](int, const QString& why, bool cancelled) {
                         ms = cancelled ? double(timer.nsecsElapsed()) / 1e6 : -1;
                         if (!cancelled)
                             std::printf("  %s\n", qPrintable(why));
                         loop.quit();
                     });
    // The connection is opened first, so that only the statement is timed.
    runner.run(t.Connection, true, QStringLiteral("SELECT 1"), 0, 1);
    loop.exec();
    timer.start();
    if (!cancelSort) {
        runner.run(t.Connection, true, QStringLiteral("SELECT * FROM first_rows"), 0, kFirstBatch);
        loop.exec();
        return ms;
    }
    runner.run(t.Connection, true, QStringLiteral("SELECT * FROM first_rows ORDER BY t DESC"), 0,
               kFirstBatch);
    // A second into the sort, the user presses Escape: timed from there.
    QTimer::singleShot(1000, &loop, [&] {
        timer.start();
        runner.cancel();
    });
    loop.exec();
    return ms;
}

int child(const QString& what, const QString& database)
{
    const Target* t = find(database);
    if (!t)
        return 2;
    const long before = peakKb();
    const double ms =
        what == QLatin1String("floor") ? floorRun(*t) : oursRun(*t, what == QLatin1String("cancel"));
    std::printf("%.1f %ld\n", ms, (peakKb() - before) / 1024);
    return ms < 0 ? 1 : 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.value(0) == QLatin1String("--child"))
        return child(arguments.value(1), arguments.value(2));

    const bench::Arguments args = bench::parseArguments(arguments, 5);
    std::printf("first %d rows of SELECT * over %d rows; ms and peak RSS growth (MB), median of %d\n",
                kFirstBatch, kRows, args.repeat);
    for (const Target& t : targets()) {
        if (!args.wants(t.Name))
            continue;
        try {
            prepare(t);
        } catch (const quarry::DatabaseError& e) {
            std::printf("%-10s  cannot prepare: %s\n", qPrintable(t.Name), qPrintable(e.Description()));
            continue;
        }
        std::map<QString, std::vector<std::pair<double, long>>> figures;
        for (int i = 0; i < args.repeat; ++i)
            for (const QString what : {"floor", "ours", "cancel"}) {
                QProcess p;
                p.start(app.applicationFilePath(), {QStringLiteral("--child"), what, t.Name});
                p.waitForFinished(600000);
                const QStringList out = QString::fromLatin1(p.readAllStandardOutput()).split(u' ');
                figures[what].push_back({out.value(0).toDouble(), out.value(1).trimmed().toLong()});
            }
        const auto median = [&](const QString& what) {
            auto v = figures[what];
            std::sort(v.begin(), v.end());
            return v[v.size() / 2];
        };
        const auto [floorMs, floorMb] = median(QStringLiteral("floor"));
        const auto [oursMs, oursMb] = median(QStringLiteral("ours"));
        std::printf("%-10s  floor %8.1f ms %5ld MB   ours %8.1f ms %5ld MB   cancel of a sort %7.1f ms\n",
                    qPrintable(t.Name), floorMs, floorMb, oursMs, oursMb,
                    median(QStringLiteral("cancel")).first);
        bench::flush();
    }
    return 0;
}
