// Listing tables in the object list against the catalog itself, interleaved in
// one process: the floor (a bare SQLTables loop that reads each name, on an
// open connection made from the same connection string), the peer (Qt's own
// ODBC driver's tables(), same string) and ours: from the click on a connected
// data source's "Tables" node until the click returns and the window answers
// again ("answered"), until the first rows are in the list ("first rows"), and
// until the first paint of the complete list ("painted"). In each view
// mode: large icons, small icons (the default), list and details. Peak RSS growth is
// the rise of VmHWM, reset per row, over the resident size before it.
// Catalogs, created on first use and kept: SQLite files of 1,000, 10,000 and
// 100,000 tables in bench-data beside this program (their schema rows written
// in one statement, seconds for the largest); PostgreSQL databases quarry_bench_list_<n> with the tables in
// the schema quarry_bench_list; MariaDB databases quarry_bench_list_<n> of Aria tables, made in two batches
// side by side (100,000 in about three minutes).
//
//   bench_list_objects [sqlite|postgresql|mariadb ...] [1000|10000|100000 ...] [--repeat N]
#include "BenchSupport.h"

#include "control/kwQuarryPrivate.h"
#include "platform/OdbcDrivers.h"
#include "platform/db/ConnectionString.h"
#include "platform/widgets/ObjectList.h"
#include "platform/widgets/TreeModel.h"
#include "platform/widgets/TreeView.h"
#include "settings/DataSources.h"
#include "settings/Glob.h"

#include <quarry/kwQuarry.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

struct Target
{
    QString Database; // "SQLite", "PostgreSQL" or "MariaDB"
    int Tables;
    QString Connection;

    QString name() const { return QStringLiteral("%1 %2").arg(Database).arg(Tables); }
};

// Kilobytes of a "VmRSS:" or "VmHWM:" line of /proc/self/status; -1 where unreadable.
qlonglong statusKb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QRegularExpression line(QString::fromLatin1(field) + QStringLiteral(":\\s*(\\d+)"));
    const QRegularExpressionMatch m = line.match(QString::fromLatin1(status.readAll()));
    return m.hasMatch() ? m.captured(1).toLongLong() : -1;
}

// Starts the peak over from the present resident size (Linux 4.0 and later).
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

void ensureSqlite(const QString& file, int tables)
{
    quarry::Connection c;
    c.Open(QStringLiteral("Provider=SQLite;Data Source=") + file);
    const qlonglong have =
        bench::scalar(c, QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table'"));
    if (have >= tables)
        return;
    std::printf("creating %d SQLite tables (once)...\n", tables);
    bench::flush();
    bench::run(c, QStringLiteral("BEGIN"));
    if (have == 0) {
        // SQLite reads its schema table through at every CREATE TABLE, so n tables
        // cost n squared. The schema rows are written directly instead, in one
        // statement; every table shares the first one's empty page. The catalog
        // reads as any other; the file is for listing, not for storing rows.
        bench::run(c, QStringLiteral("CREATE TABLE t0 (id INTEGER)"));
        bench::run(c, QStringLiteral("PRAGMA writable_schema = ON"));
        bench::run(
            c, QStringLiteral("INSERT INTO sqlite_master (type, name, tbl_name, rootpage, sql) "
                              "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                              "SELECT 'table', 't' || i, 't' || i, (SELECT rootpage FROM sqlite_master "
                              "WHERE name = 't0'), 'CREATE TABLE t' || i || ' (id INTEGER)' FROM n")
                   .arg(tables - 1));
        bench::run(c, QStringLiteral("PRAGMA writable_schema = OFF"));
    } else {
        for (qlonglong i = have; i < tables; ++i)
            bench::run(c, QStringLiteral("CREATE TABLE IF NOT EXISTS t%1 (id INTEGER)").arg(i));
    }
    bench::run(c, QStringLiteral("COMMIT"));
}

void ensurePostgres(const QString& database, int tables)
{
    bench::ensurePostgresDatabase(database);
    quarry::Connection c;
    c.Open(bench::postgresql(database));
    bench::run(c, QStringLiteral("CREATE SCHEMA IF NOT EXISTS quarry_bench_list"));
    const qlonglong have = bench::scalar(
        c, QStringLiteral("SELECT COUNT(*) FROM pg_tables WHERE schemaname = 'quarry_bench_list'"));
    if (have >= tables)
        return;
    std::printf("creating %d PostgreSQL tables in %s (once)...\n", tables, qPrintable(database));
    bench::flush();
    // Batches: one transaction with every table would run out of lock slots.
    for (int from = 0; from < tables; from += 5000)
        bench::run(c, QStringLiteral("DO $$ BEGIN FOR i IN %1..%2 LOOP EXECUTE format('CREATE TABLE IF NOT "
                                     "EXISTS quarry_bench_list.t%s (id integer)', i); END LOOP; END $$")
                          .arg(from)
                          .arg(std::min(from + 5000, tables) - 1));
}

void ensureMariaDb(const QString& database, int tables)
{
    quarry::Connection c;
    c.Open(bench::mariadb(QStringLiteral("test")));
    bench::run(c, QStringLiteral("CREATE DATABASE IF NOT EXISTS %1").arg(database));
    const qlonglong have = bench::scalar(
        c, QStringLiteral("SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA = '%1'")
               .arg(database));
    if (have >= tables)
        return;
    std::printf("creating %d MariaDB tables in %s (once)...\n", tables, qPrintable(database));
    bench::flush();
    bench::run(c, QStringLiteral("DROP PROCEDURE IF EXISTS %1.make_tables").arg(database));
    bench::run(c,
               QStringLiteral("CREATE PROCEDURE %1.make_tables(first INT, last INT) BEGIN DECLARE i INT "
                              "DEFAULT first; WHILE i < last DO SET @s = CONCAT('CREATE TABLE IF NOT EXISTS "
                              "%1.t', i, ' (id INT) ENGINE=Aria'); PREPARE st FROM @s; EXECUTE st; "
                              "DEALLOCATE PREPARE st; SET i = i + 1; END WHILE; END")
                   .arg(database));
    // Two batches side by side: the server creates tables about half again as fast so.
    std::vector<std::thread> batches;
    for (const auto& [first, last] : {std::pair{0, tables / 2}, std::pair{tables / 2, tables}})
        batches.emplace_back([database, first, last] {
            try {
                quarry::Connection batch;
                batch.Open(bench::mariadb(QStringLiteral("test")));
                bench::run(batch,
                           QStringLiteral("CALL %1.make_tables(%2, %3)").arg(database).arg(first).arg(last));
            } catch (const std::exception& error) {
                std::fprintf(stderr, "creating MariaDB tables failed: %s\n", error.what());
            }
        });
    for (std::thread& batch : batches)
        batch.join();
}

// The floor: the catalog call and a read of each name, nothing around it.
int bareTables(SQLHDBC dbc)
{
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt)))
        return -1;
    std::u16string type = u"TABLE";
    int rows = -1;
    if (SQL_SUCCEEDED(SQLTablesW(stmt, nullptr, 0, nullptr, 0, nullptr, 0,
                                 reinterpret_cast<SQLWCHAR*>(type.data()), SQL_NTS))) {
        rows = 0;
        SQLWCHAR name[256];
        SQLLEN indicator = 0;
        while (SQL_SUCCEEDED(SQLFetch(stmt))) {
            SQLGetData(stmt, 3, SQL_C_WCHAR, name, sizeof name, &indicator);
            ++rows;
        }
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return rows;
}

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times.empty() ? -1 : times[times.size() / 2];
}

template <class F> double timed(std::vector<double>& times, F&& f)
{
    QElapsedTimer timer;
    timer.start();
    f();
    times.push_back(double(timer.nsecsElapsed()) / 1e6);
    return times.back();
}

QModelIndex childNamed(const quarry::platform::TreeModel* model, const QModelIndex& parent,
                       const QString& text)
{
    for (int row = 0; row < model->rowCount(parent); ++row)
        if (model->text(model->index(row, 0, parent)) == text)
            return model->index(row, 0, parent);
    return {};
}

} // namespace

int main(int argc, char** argv)
{
    bench::Sandbox sandbox;
    QApplication app(argc, argv);
    sandbox.activate();
    const bench::Arguments args = bench::parseArguments(app.arguments().mid(1), 5);

    const QString dataDir = QCoreApplication::applicationDirPath() + QStringLiteral("/bench-data");
    QDir().mkpath(dataDir);
    // Numbers among the arguments pick catalog sizes; a size alone in a fresh
    // process gives the cleanest peak-memory figure.
    QList<int> sizes;
    QStringList databases;
    for (const QString& word : args.wanted) {
        bool number = false;
        const int tables = word.toInt(&number);
        number ? sizes.append(tables) : databases.append(word);
    }
    const auto wants = [&](const QString& database) {
        return databases.isEmpty() || databases.contains(database.toLower());
    };
    std::vector<Target> targets;
    for (int tables : {1000, 10000, 100000}) {
        if (!sizes.isEmpty() && !sizes.contains(tables))
            continue;
        const QString file = dataDir + QStringLiteral("/list-%1.sqlite").arg(tables);
        if (wants(QStringLiteral("SQLite")))
            targets.push_back(
                {QStringLiteral("SQLite"), tables, QStringLiteral("Provider=SQLite;Data Source=") + file});
        if (wants(QStringLiteral("PostgreSQL")))
            targets.push_back({QStringLiteral("PostgreSQL"), tables,
                               bench::postgresql(QStringLiteral("quarry_bench_list_%1").arg(tables))});
        if (wants(QStringLiteral("MariaDB")))
            targets.push_back({QStringLiteral("MariaDB"), tables,
                               bench::mariadb(QStringLiteral("quarry_bench_list_%1").arg(tables))});
    }
    std::vector<Target> ready;
    for (const Target& t : targets) {
        try {
            const QString database = QStringLiteral("quarry_bench_list_%1").arg(t.Tables);
            if (t.Database == QLatin1String("SQLite"))
                ensureSqlite(t.Connection.section(QLatin1Char('='), -1), t.Tables);
            else if (t.Database == QLatin1String("PostgreSQL"))
                ensurePostgres(database, t.Tables);
            else
                ensureMariaDb(database, t.Tables);
            ready.push_back(t);
        } catch (const quarry::DatabaseError& e) {
            std::printf("%-17s skipped: %s\n", qPrintable(t.name()), qPrintable(e.Description()));
        }
    }

    Glob::setAppTitle(QStringLiteral("Dabrook"));
    Glob::Read_INI();
    if (!Glob::Get_DataSources())
        return 1;
    for (const Target& t : ready)
        Glob::Add_DataSource(t.name(), t.Connection, {}, QStringLiteral("\""));
    if (!Glob::Save_DataSources())
        return 1;

    QWidget host;
    auto* layout = new QVBoxLayout(&host);
    kwQuarry control(&host);
    layout->addWidget(&control);
    host.resize(1000, 700);
    host.show();
    QString lastError;
    QObject::connect(&control, &kwQuarry::ErrHandle, [&](const QString& sub, const QString& description) {
        lastError = sub + QStringLiteral(": ") + description;
    });
    if (!control.Init())
        return 1;
    kwQuarryPrivate* d = kwQuarryPrivate::get(&control);

    std::printf("%d runs each, interleaved; medians in ms; ratios: ours (painted) to each\n", args.repeat);
    std::printf("%-17s %-7s %7s %8s %8s %8s %8s %8s %6s %6s %9s\n", "data source", "view", "items", "floor",
                "Qt ODBC", "answered", "1st rows", "painted", "/floor", "/Qt", "RSS +MB");
    const QStringList drivers = quarry::platform::InstalledOdbcDrivers();
    int failures = 0;
    for (const Target& t : ready) {
        const QString odbc = quarry::db::translateConnectionString(
                                 t.Connection, {quarry::adModeRead, 15, {}, {}, false, 0}, drivers)
                                 .OdbcString;
        const bench::BareConnection bare(odbc);
        QSqlDatabase peer = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), t.name());
        peer.setDatabaseName(odbc);
        if (!bare.dbc() || !peer.open()) {
            std::printf("%-17s the floor or the peer could not connect: %s\n", qPrintable(t.name()),
                        qPrintable(peer.lastError().text()));
            ++failures;
            continue;
        }
        const QModelIndex root = d->treeModel->findKey(QStringLiteral("a%1").arg(int(&t - ready.data()) + 1));
        d->tvwData->setCurrentIndex(root);
        d->tvwData->expand(root);
        const QModelIndex tables = childNamed(d->treeModel, root, QStringLiteral("Tables"));
        if (!tables.isValid() || !lastError.isEmpty()) {
            std::printf("%-17s failed to connect: %s\n", qPrintable(t.name()), qPrintable(lastError));
            ++failures;
            lastError.clear();
            continue;
        }
        for (int view :
             {int(quarry::platform::ObjectList::LargeIcons), int(quarry::platform::ObjectList::SmallIcons),
              int(quarry::platform::ObjectList::List), int(quarry::platform::ObjectList::Details)}) {
            Glob::Options().lngDataView = view;
            std::vector<double> floor, qt, answered, firstRows, painted;
            int items = -1, floorRows = -1, qtRows = -1;
            qlonglong peakKb = 0;
            for (int run = 0; run < args.repeat && lastError.isEmpty(); ++run) {
                timed(floor, [&] { floorRows = bareTables(bare.dbc()); });
                timed(qt, [&] { qtRows = int(peer.tables(QSql::Tables).size()); });
                d->lvwData->clear();
                QApplication::processEvents();
                resetPeak();
                const qlonglong rssBefore = statusKb("VmRSS");
                bool refreshed = false;
                const QMetaObject::Connection watch =
                    QObject::connect(&control, &kwQuarry::Refreshed, [&] { refreshed = true; });
                QElapsedTimer timer;
                timer.start();
                const auto now = [&timer] { return double(timer.nsecsElapsed()) / 1e6; };
                emit d->tvwData->nodeClick(tables);
                answered.push_back(now());
                double first = d->lvwData->count() > 0 ? now() : -1;
                while (!refreshed && lastError.isEmpty()) {
                    QApplication::processEvents(QEventLoop::WaitForMoreEvents);
                    if (first < 0 && d->lvwData->count() > 0)
                        first = now();
                }
                firstRows.push_back(first);
                // The first paint of the complete list.
                QApplication::processEvents();
                painted.push_back(now());
                QObject::disconnect(watch);
                peakKb = std::max(peakKb, statusKb("VmHWM") - rssBefore);
                items = control.QueryTotal();
            }
            if (!lastError.isEmpty() || items < t.Tables || !d->lvwData->isVisible()) {
                std::printf("%-17s failed: %d items listed. %s\n", qPrintable(t.name()), items,
                            qPrintable(lastError));
                ++failures;
                lastError.clear();
                break;
            }
            if (floorRows != items || qtRows != items)
                std::printf("  note: the floor read %d rows, Qt's driver %d\n", floorRows, qtRows);
            const double ours = median(painted);
            std::printf("%-17s %-7s %7d %8.1f %8.1f %8.1f %8.1f %8.1f %6.2f %6.2f %9.1f\n",
                        qPrintable(t.name()), std::array{"large", "small", "list", "details"}[size_t(view)],
                        items, median(floor), median(qt), median(answered), median(firstRows), ours,
                        ours / median(floor), ours / median(qt), double(peakKb) / 1024.0);
            bench::flush();
        }
        d->lvwData->clear();
        d->disconnectCommand();
    }
    control.UnloadFlter();
    return failures ? 1 : 0;
}
