// Start-up of the browser with a full data-source list: from `new kwQuarry`
// and Init until the control is shown and its tree laid out, and the tree's
// rebuild alone (Set_Options with the data-source flag, as after an edit).
// 50 data sources with all three categories; their SQLite files are never
// opened. Settings and the list live in a temporary HOME and folder.
//
//   bench_init_tree [--repeat N] [--sources N]
#include "BenchSupport.h"

#include "platform/ProfileFile.h"
#include "platform/widgets/TreeModel.h"
#include "settings/DataSources.h"
#include "settings/Glob.h"

#include <quarry/kwQuarry.h>

#include <QApplication>
#include <QDir>
#include <QTreeView>
#include <QVBoxLayout>

#include <cstdio>
#include <memory>

namespace {

// The whole tree as the user sees it: a root and its three categories per
// data source, and the last root placed by the view's layout.
bool laidOut(QTreeView* tree, int sources)
{
    auto* model = qobject_cast<quarry::platform::TreeModel*>(tree->model());
    const int roots = model ? model->rowCount() : 0;
    return tree->isVisible() && roots == sources && model->nodeCount() == sources * 4 &&
           !tree->visualRect(model->index(roots - 1, 0)).isEmpty();
}

void report(const char* what, const std::vector<double>& times)
{
    std::printf("%-34s %9.2f %9.2f %9.2f\n", what, times[times.size() / 2], times.front(), times.back());
    bench::flush();
}

} // namespace

int main(int argc, char** argv)
{
    bench::Sandbox sandbox;
    QApplication app(argc, argv);
    sandbox.activate();
    QStringList arguments = app.arguments().mid(1);
    int sources = Glob::kDataSourceRows;
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--sources"));
        at >= 0 && at + 1 < arguments.size()) {
        sources = qBound(1, arguments[at + 1].toInt(), Glob::kDataSourceRows);
        arguments.remove(at, 2);
    }
    const bench::Arguments args = bench::parseArguments(arguments, 21);

    // The list every run loads: written once through the store itself.
    Glob::setAppTitle(QStringLiteral("Dabrook"));
    Glob::Read_INI();
    if (!Glob::Get_DataSources())
        return 1;
    for (int i = 1; i <= sources; ++i)
        Glob::Add_DataSource(
            QStringLiteral("Data source %1").arg(i, 2, 10, QLatin1Char('0')),
            QStringLiteral("Provider=SQLite;Data Source=%1/never-%2.db").arg(sandbox.path()).arg(i),
            QStringLiteral("never opened"), QStringLiteral("\""));
    if (!Glob::Save_DataSources()) {
        std::printf("cannot write the data-source list in %s\n", qPrintable(sandbox.path()));
        return 1;
    }

    QWidget host;
    auto* layout = new QVBoxLayout(&host);
    host.resize(800, 600);
    host.show();

    std::printf("%d data sources, %d runs\n", sources, args.repeat);
    std::printf("%-34s %9s %9s %9s\n", "", "median ms", "min ms", "max ms");
    int failures = 0;
    const std::vector<double> start = bench::timings(args.repeat, [&] {
        auto control = std::make_unique<kwQuarry>(&host);
        layout->addWidget(control.get());
        if (!control->Init())
            ++failures;
        control->show();
        auto* tree = control->findChild<QTreeView*>(QStringLiteral("tvwData"));
        QApplication::processEvents();
        if (!laidOut(tree, sources))
            ++failures;
        control->UnloadFlter();
    });
    report("new + Init until shown and laid out", start);

    // The rebuild on a control that is up and visible.
    kwQuarry control(&host);
    layout->addWidget(&control);
    control.Init();
    control.show();
    QApplication::processEvents();
    auto* tree = control.findChild<QTreeView*>(QStringLiteral("tvwData"));
    const std::vector<double> rebuild = bench::timings(args.repeat, [&] {
        if (!control.Set_Options(false, false, true))
            ++failures;
        QApplication::processEvents();
        if (!laidOut(tree, sources))
            ++failures;
    });
    report("Set_Options(false, false, true)", rebuild);
    control.UnloadFlter();

    // A hand-grown file of 1,000 entries: the first 50 load, the rest are reported once per load.
    QList<quarry::platform::ProfileEntry> extra;
    for (int i = sources + 1; i <= 1000; ++i)
        extra.append({QString::number(i), QStringLiteral("Name"), QStringLiteral("Extra %1").arg(i)});
    if (!quarry::platform::WriteProfileStrings(extra, Glob::Options().strDataSourceFile))
        return 1;
    Glob::Reporter().setShowMessages(false);
    std::fflush(stderr);
    if (!std::freopen("/dev/null", "w", stderr)) // the report of the extra entries, at every run
        return 1;
    const std::vector<double> load = bench::timings(args.repeat, [&] {
        if (!Glob::Get_DataSources() || Glob::lngDataSourceCount() != sources)
            ++failures;
    });
    report("Get_DataSources, 1,000 in the file", load);
    if (failures)
        std::printf("  %d runs did not end with the whole tree laid out\n", failures);
    return failures ? 1 : 0;
}
