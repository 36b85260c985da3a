// Expanding a data source in the browser's tree: from tvwData->expand(root)
// until the status says "Ready ...", which includes opening the connection.
// The tree is rebuilt between runs, so every run connects afresh. For
// contrast, the bare open of the same string through the database layer.
// Loopback PostgreSQL and MariaDB ("test") and an SQLite file of one table.
//
//   bench_expand [sqlite|postgresql|mariadb ...] [--repeat N]
#include "BenchSupport.h"

#include "settings/DataSources.h"
#include "settings/Glob.h"

#include <quarry/kwQuarry.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Target
{
    QString Name;
    QString Connection;
};

QModelIndex rootNamed(QTreeView* tree, const QString& name)
{
    const QAbstractItemModel* model = tree->model();
    for (int row = 0; row < model->rowCount(); ++row)
        if (model->index(row, 0).data().toString() == name)
            return model->index(row, 0);
    return {};
}

} // namespace

int main(int argc, char** argv)
{
    bench::Sandbox sandbox;
    QApplication app(argc, argv);
    sandbox.activate();
    const bench::Arguments args = bench::parseArguments(app.arguments().mid(1), 21);

    const QString sqliteFile = sandbox.path() + QStringLiteral("/expand.db");
    const std::vector<Target> all{
        {QStringLiteral("SQLite"), QStringLiteral("Provider=SQLite;Data Source=") + sqliteFile},
        {QStringLiteral("PostgreSQL"), bench::postgresql(QStringLiteral("test"))},
        {QStringLiteral("MariaDB"), bench::mariadb(QStringLiteral("test"))},
    };
    std::vector<Target> targets;
    for (const Target& t : all)
        if (args.wants(t.Name))
            targets.push_back(t);

    try {
        quarry::Connection c;
        c.Open(all[0].Connection);
        bench::run(c, QStringLiteral("CREATE TABLE IF NOT EXISTS t (id INTEGER)"));
    } catch (const quarry::DatabaseError& e) {
        std::printf("cannot create %s: %s\n", qPrintable(sqliteFile), qPrintable(e.Description()));
        return 1;
    }

    Glob::setAppTitle(QStringLiteral("Dabrook"));
    Glob::Read_INI();
    if (!Glob::Get_DataSources())
        return 1;
    for (const Target& t : targets)
        Glob::Add_DataSource(t.Name, t.Connection, {}, QStringLiteral("\""));
    if (!Glob::Save_DataSources())
        return 1;

    QWidget host;
    auto* layout = new QVBoxLayout(&host);
    kwQuarry control(&host);
    layout->addWidget(&control);
    host.resize(800, 600);
    host.show();
    QString lastError;
    QObject::connect(&control, &kwQuarry::ErrHandle, [&](const QString& sub, const QString& description) {
        lastError = sub + ": " + description;
    });
    if (!control.Init())
        return 1;
    auto* tree = control.findChild<QTreeView*>(QStringLiteral("tvwData"));
    auto* status = control.findChild<QLabel*>(QStringLiteral("Panel1"));

    std::printf("%d runs each\n", args.repeat);
    std::printf("%-11s %10s %9s %9s %9s %14s\n", "database", "median ms", "min ms", "max ms", "first ms",
                "bare open ms");
    int failures = 0;
    for (const Target& t : targets) {
        std::vector<double> times;
        lastError.clear();
        for (int run = 0; run < args.repeat && lastError.isEmpty(); ++run) {
            // A new tree drops every connection: the next expand connects again.
            control.Set_Options(false, false, true);
            QApplication::processEvents();
            const QModelIndex root = rootNamed(tree, t.Name);
            QElapsedTimer timer;
            timer.start();
            tree->expand(root);
            const double ms = double(timer.nsecsElapsed()) / 1e6;
            if (!tree->isExpanded(root) || status->text() != QLatin1String("Ready ..."))
                break;
            times.push_back(ms);
        }
        if (times.size() != size_t(args.repeat)) {
            std::printf("%-11s failed: %s\n", qPrintable(t.Name),
                        qPrintable(lastError.isEmpty() ? QStringLiteral("not connected") : lastError));
            ++failures;
            continue;
        }
        const double first = times.front();
        double bare = -1;
        try {
            bare = bench::median(args.repeat, [&] {
                quarry::Connection c;
                c.setMode(quarry::adModeRead);
                c.setCursorLocation(quarry::adUseServer);
                c.setConnectionTimeout(10);
                c.Open(t.Connection);
                c.Close();
            });
        } catch (const quarry::DatabaseError& e) {
            std::printf("  bare open failed: %s\n", qPrintable(e.Description()));
        }
        std::sort(times.begin(), times.end());
        std::printf("%-11s %10.2f %9.2f %9.2f %9.2f %14.2f\n", qPrintable(t.Name), times[times.size() / 2],
                    times.front(), times.back(), first, bare);
        bench::flush();
    }
    control.UnloadFlter();
    return failures ? 1 : 0;
}
