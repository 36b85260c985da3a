// The control as a host and its user meet it: named parts, Init over the stored options and the layout
// they give, the data-source tree, its popup menu and commands, the type tables, the platform widgets.
#include "BrowserFixture.h"
#include "TcpProxy.h"
#include "TestDatabases.h"
#include "WidgetTestSupport.h"

#include "dialogs/frmNewDataSource.h"
#include "dialogs/frmPassword.h"
#include "platform/ProfileFile.h"
#include "platform/widgets/Grid.h"
#include "platform/widgets/Splitter.h"
#include "platform/widgets/Twips.h"
#include "settings/DataSources.h"
#include "settings/Password.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QtTest>
#include <QtWidgets>

#include <cmath>

using namespace quarry::test;
using namespace quarry::platform;
using Settings = std::vector<std::array<QString, 3>>;

namespace {

const QStringList kCategories{"Tables", "Views", "Stored Procedures"};
const QStringList kMaintenance{"-", "&New Data Source", "&Edit Data Source properties",
                               "&Delete Data Source"};

Settings admin(std::initializer_list<std::pair<const char*, bool>> keys)
{
    Settings settings;
    for (const auto& [key, on] : keys)
        settings.push_back({"Admin", key, on ? "True" : "False"});
    return settings;
}

std::vector<SourceRow> sources(const QStringList& names,
                               const QString& connection = connectionString(Db::SQLite))
{
    std::vector<SourceRow> rows;
    for (const QString& name : names)
        rows.push_back({name, connection, name + QStringLiteral(" data")});
    return rows;
}

QString throughPort(Db db, quint16 port)
{
    return QStringLiteral("Provider=%1;Data Source=127.0.0.1,%2;Initial Catalog=test;User ID=root")
        .arg(db == Db::PostgreSQL ? "PostgreSQL" : "MariaDB")
        .arg(port);
}

// A click on `node` (the empty area when invalid); the captions of the menu
// items then shown, "-" for a separator. Closes the menu.
QStringList release(const Browser& b, const QModelIndex& node, Qt::MouseButton button = Qt::RightButton)
{
    QTest::mouseClick(b.tree()->viewport(), button, {},
                      node.isValid() ? b.tree()->visualRect(node).center() : QPoint(5, 5));
    QStringList texts;
    for (QAction* action : b.d->mnuData->actions())
        if (b.d->mnuData->isVisible() && action->isVisible())
            texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    b.d->mnuData->hide();
    return texts;
}

// The data sources as the tree shows them, "|", and as the data-source file holds them now.
QStringList treeAndFile(const Browser& b)
{
    QStringList names{"|"};
    for (int row = 0; row < b.model()->rowCount(); ++row)
        names.insert(row, b.model()->text(b.model()->index(row, 0)));
    for (int section = 1;; ++section) {
        const QString name =
            GetProfileString(QString::number(section), "Name", {}, 254, Glob::Options().strDataSourceFile);
        if (name.isEmpty())
            return names;
        names << name;
    }
}

// Answers the editor: a new name and a connection from the scripted builder, then OK; "" cancels.
std::function<void(QWidget*)> editorAnswer(const QString& name, bool* shown)
{
    return [name, shown](QWidget* modal) {
        auto* editor = qobject_cast<frmNewDataSource*>(modal);
        if (!(*shown = editor))
            return;
        child<QLineEdit>(*editor, "txtName")->setText(name);
        child<QPushButton>(*editor, "cmdDataSource")->click();
        child<QPushButton>(*editor, name.isEmpty() ? "cmdCancel" : "cmdOK")->click();
    };
}

// A data-source command from the tree menu and how the user answers it.
struct Command
{
    QString item{};                    // New, Edit or Delete
    int node = 1;                      // the data source under the pointer
    QString typed{};                   // into the editor; "" cancels it
    QStringList after{};               // the data sources then, in the tree and in the file
    QString message{};                 // the boxes shown
    MsgResult answer = MsgResult::Yes; // to the delete question
    bool stored = false;               // "GATE7" as the password
    bool dataFlag = false;             // "Data Password": the password guards the commands
    QString password{};                // typed into the password dialog; "" cancels
    bool unwritable = false;           // the file, at first: "Again" is added once it is not
    QStringList names{"One", "Two"};
};

} // namespace

Q_DECLARE_METATYPE(Command)

class KwQuarryTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScriptedPrompts> m_prompts;

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        Glob::DataSourceEditor().setConnectionPrompt(
            [](QWidget*, const QString&) { return std::optional<QString>(connectionString(Db::SQLite)); });
    }
    void init()
    {
        // A reporter configured by an earlier Init shows boxes: script them.
        m_prompts = std::make_unique<ScriptedPrompts>();
        QFile::remove(Glob::SettingsStore(QStringLiteral("Dabrook")).fileName());
        Glob::Reporter().clearReports();
        Glob::Options() = {};
    }
    void cleanup() { m_prompts.reset(); }

    // What a host finds by name: one object each, of the class in the tag.
    void namedChildren_data()
    {
        QTest::addColumn<QString>("names");
        QTest::newRow("QTreeView") << "tvwData";
        QTest::newRow("quarry::platform::ObjectList") << "lvwData";
        QTest::newRow("QTableView") << "grdTooltip";
        QTest::newRow("QTimer") << "tmrTip";
        QTest::newRow("QToolBar") << "tlbData";
        QTest::newRow("QStatusBar") << "staStatus";
        QTest::newRow("QLabel") << "Panel1 Panel2";
        QTest::newRow("quarry::platform::Splitter") << "kwSplitData";
        QTest::newRow("quarry::platform::ImageList") << "imgBrowser imgBrowserLarge";
        QTest::newRow("QMenu") << "mnuData mnuTable";
        QTest::newRow("QAction")
            << "Large Small List Report Options mnuConnect mnuDisconnect mnuDatCap1 mnuQuery "
               "mnuNewDataSource mnuEditDataSource mnuDeleteDataSource mnuDatCap2 "
               "mnuTables0 mnuTables1 mnuTables2 mnuTables3";
    }
    void namedChildren()
    {
        QFETCH(QString, names);
        kwQuarry control;
        for (const QString& name : names.split(u' ')) {
            const QList<QObject*> found = control.findChildren<QObject*>(name);
            QVERIFY2(found.size() == 1 && found.first()->inherits(QTest::currentDataTag()), qPrintable(name));
        }
    }

    // Init over the stored options; a failure shows where the control's own
    // procedures raise ErrHandle and Init and the store's loader report.
    void initReadsStore_data()
    {
        QTest::addColumn<QByteArray>("file"); // written as it stands
        QTest::addColumn<Settings>("settings");
        QTest::addColumn<QString>("failure"); // the one failure shown, as a pattern; "" for none
        const auto row = [](const char* tag, QByteArray file, Settings settings, const char* failure = "") {
            QTest::newRow(tag) << file << settings << QString(failure);
        };
        row("fresh store", {}, {});
        row("SQL not to be edited", {}, admin({{"Open SQL", false}}));
        row("not a settings file", "\x01\x02 no settings file\nat all\n", {}, "^report Read_INI: .");
        row("Boolean that is no Boolean", "[Data]\nToolBar%20Text=yes\n", {}, "^report Read_INI: .");
        row("split percentage over 100", {}, {{"Data", "Split\\Percentage", "150"}},
            "^ErrHandle Set_Options: .*150");
        row("negative split percentage", {}, {{"Data", "Split\\Percentage", "-1"}},
            "^ErrHandle Set_Options: .*-1");
        row("unknown data view", {}, {{"General", "Data View", "7"}}, "^report Init: .*7");
    }
    void initReadsStore()
    {
        QFETCH(QByteArray, file);
        QFETCH(Settings, settings);
        QFETCH(QString, failure);
        QFile stored(Glob::SettingsStore(QStringLiteral("Dabrook")).fileName());
        QDir().mkpath(QFileInfo(stored).absolutePath());
        QVERIFY(file.isEmpty() || (stored.open(QIODevice::WriteOnly) && stored.write(file) == file.size()));
        stored.close();
        Glob::setAppTitle(QStringLiteral("Dabrook"));
        for (const auto& [section, key, value] : settings)
            QVERIFY(Glob::SaveSetting(section, key, value));
        kwQuarry control;
        kwQuarryPrivate* d = kwQuarryPrivate::get(&control);
        d->CurrentDataType = kwQuarry::dkDataStoredProc;
        QSignalSpy errors(&control, &kwQuarry::ErrHandle);
        QCOMPARE(control.Init(), failure.isEmpty());
        QStringList failures;
        for (const auto& report : Glob::Reporter().reports())
            failures << "report " + report.Procedure + ": " + report.Description;
        for (const QList<QVariant>& error : errors)
            failures << "ErrHandle " + error[0].toString() + ": " + error[1].toString();
        QVERIFY2(failures.size() == !failure.isEmpty() &&
                     (failure.isEmpty() || QRegularExpression(failure).match(failures[0]).hasMatch()),
                 qPrintable(failures.join(u'\n')));
        if (!failure.isEmpty()) {
            for (const char* name : {"tvwData", "lvwData", "kwSplitData", "staStatus"})
                QVERIFY2(control.findChild<QWidget*>(QLatin1StringView(name))->isHidden(), name);
            // The user's file is left as it was.
            QVERIFY(file.isEmpty() || (stored.open(QIODevice::ReadOnly) && stored.readAll() == file));
            return;
        }
        QCOMPARE(control.property("stOpenSQL").toBool(), settings.empty());
        const Glob::BrowserOptions& options = Glob::Options();
        QCOMPARE(QList<int>({options.lngDataView, options.lngSplitPercent, options.lngToolTipDelay}),
                 QList<int>({1, 20, 3}));
        QVERIFY(options.blnOptions && options.blnEditData && options.blnQueryTables &&
                options.blnQueryViews && options.blnQueryProcs);
        QCOMPARE(d->CurrentDataType, kwQuarry::dkDataTable);
        const AppInfo& app = Glob::Reporter().appInfo();
        QCOMPARE(QStringList({Glob::Reporter().title(), app.Name, app.Version, app.Path}),
                 QStringList({"Dabrook Error", "Quarry", "0.1.0", LibraryFolder()}));
    }

    // The stored split and toolbar text laid out between toolbar and status bar
    // at any size; each Set_Options flag puts right only its own part.
    void layoutFollowsOptions_data()
    {
        QTest::addColumn<int>("percent");
        QTest::addColumn<bool>("horizontal");
        QTest::addColumn<bool>("listFirst");
        QTest::addColumn<bool>("captions");
        QTest::addColumn<bool>("dataChanged");
        QTest::addColumn<bool>("dataSourceChanged");
        QTest::newRow("tree left, no flags") << 30 << false << false << true << false << false;
        QTest::newRow("list left, data changed") << 60 << false << true << false << true << false;
        QTest::newRow("tree above, data sources changed") << 25 << true << false << true << false << true;
        QTest::newRow("list above, both") << 75 << true << true << false << true << true;
    }
    void layoutFollowsOptions()
    {
        QFETCH(int, percent);
        QFETCH(bool, horizontal);
        QFETCH(bool, listFirst);
        QFETCH(bool, captions);
        QFETCH(bool, dataChanged);
        QFETCH(bool, dataSourceChanged);
        const auto word = [](bool on) { return on ? QStringLiteral("True") : QStringLiteral("False"); };
        Browser b(sources({"Sales"}), {{"Data", "Split\\Percentage", QString::number(percent)},
                                       {"Data", "Split\\Orientation", word(horizontal)},
                                       {"Data", "Split\\Left", word(listFirst)},
                                       {"Data", "ToolBar Text", word(captions)}});
        const QStringList texts = captions
                                      ? QStringList{"Large", "Small ", "List", "Details", "Browse options"}
                                      : QStringList(5, {});
        for (size_t i = 0; i < 5; ++i)
            QCOMPARE(b.d->toolButtons[i]->text(), texts[i]);
        QWidget* first = listFirst ? static_cast<QWidget*>(b.d->lvwData) : b.d->tvwData;
        QWidget* second = listFirst ? static_cast<QWidget*>(b.d->tvwData) : b.d->lvwData;
        QVERIFY(b.d->kwSplitData->firstPane() == first && b.d->kwSplitData->secondPane() == second);
        for (const QSize size : {QSize(640, 480), QSize(500, 700)}) {
            b.control->resize(size);
            const QRect toolbar = b.d->tlbData->geometry(), status = b.d->staStatus->geometry();
            const QRect splitter = b.d->kwSplitData->geometry();
            QCOMPARE(QList<int>(
                         {toolbar.top(), toolbar.width(), splitter.top(), splitter.width(), status.bottom()}),
                     QList<int>({0, size.width(), toolbar.bottom() + 1, size.width(), size.height() - 1}));
            // The first pane left of (or above) the second, sized by the percentage.
            const QRect a = first->geometry(), c = second->geometry();
            QVERIFY(first->isVisible() && second->isVisible() &&
                    (horizontal ? a.bottom() < c.top() : a.right() < c.left()));
            const double share = horizontal ? double(a.height()) / (a.height() + c.height())
                                            : double(a.width()) / (a.width() + c.width());
            QVERIFY2(qAbs(share * 100 - percent) <= 2, qPrintable(QString::number(share)));
        }
        // A dragged bar is remembered, rounded, once the control has started.
        QSplitter* bar = b.d->kwSplitData->splitter();
        const int total = bar->sizes()[0] + bar->sizes()[1],
                  moved = int(std::ceil(total * 0.746)); // 75, not 74
        for (const bool started : {false, true}) {
            b.d->Initialized = started;
            bar->setSizes({moved, total - moved});
            emit bar->splitterMoved(moved, 1);
            QCOMPARE(Glob::Options().lngSplitPercent, started ? 75 : percent);
        }

        const bool lines = !b.d->lvwData->gridLines();
        Glob::Options().blnGridLines = lines;
        b.model()->addNode({}, QStringLiteral("a9"), QStringLiteral("stale"), 1);
        b.d->toolButtons[0]->setText(QStringLiteral("junk"));
        b.d->kwSplitData->setBarWidth(0);
        QSignalSpy refreshed(b.control.get(), &kwQuarry::Refreshed);
        QVERIFY(b.control->Set_Options(dataChanged, true, dataSourceChanged));
        QCOMPARE(b.d->lvwData->gridLines(), dataChanged ? lines : !lines);
        QCOMPARE(b.root(9).isValid(), !dataSourceChanged);
        for (size_t i = 0; i < 5; ++i)
            QCOMPARE(b.d->toolButtons[i]->text(), texts[i]);
        QVERIFY(b.d->kwSplitData->barWidth() == 40 && refreshed.size() == 1 && b.errors->isEmpty());
    }

    // The buttons show the list their way and save the mode; the list keeps its items
    // sorted case-blind, the chosen one chosen; Details fits the columns to their texts.
    void toolbarButtons_data()
    {
        QTest::addColumn<int>("view");
        QTest::newRow("Large") << 0;
        QTest::newRow("Small") << 1;
        QTest::newRow("List") << 2;
        QTest::newRow("Report") << 3;
        QTest::newRow("Options") << 2; // opens the dialog (closed here); the mode is saved all the same
    }
    void toolbarButtons()
    {
        QFETCH(int, view);
        const QString key = QString::fromLatin1(QTest::currentDataTag());
        Browser b(sources({"Sales"}), {{"General", "Data View", "2"}});
        ObjectList* list = b.d->lvwData;
        QVERIFY(list->view() == 2 && b.d->toolButtons[2]->isChecked());
        const QString longest = QStringLiteral("c rather long table name");
        const std::vector<ListItem> items{{"b", {"a much longer owner name"}, 1, 5},
                                          {"A", {"dbo", "2024-01-01"}, 1, 5},
                                          {longest, {}, 1, 5},
                                          {"a", {}, 1, 5},
                                          {"B", {"", "x"}, 1, 5}};
        list->model()->setItems(items);
        QStringList order;
        for (int row = 0; row < list->count(); ++row)
            order << list->model()->item(row).text;
        QCOMPARE(order, (QStringList{"A", "a", "b", "B", longest})); // equals stay in arrival order
        list->selectRow(1);
        QString dialog;
        whenModal(b.control.get(), [&](QWidget* modal) {
            if (auto* shown = qobject_cast<QDialog*>(modal)) {
                dialog = shown->objectName();
                shown->reject();
            }
        });
        QTest::mouseClick(b.d->tlbData->widgetForAction(b.control->findChild<QAction*>(key)), Qt::LeftButton);
        QCOMPARE(dialog, key == QLatin1String("Options") ? QStringLiteral("frmOptions") : QString());
        QVERIFY(b.errors->isEmpty() && list->view() == view && Glob::Options().lngDataView == view);
        QCOMPARE(Glob::GetSetting("General", "Data View"), QString::number(view));
        QStringList checked;
        for (QAction* button : b.d->viewButtons->actions())
            checked << (button->isChecked() ? button->objectName() : QString());
        QCOMPARE(checked.join(QString()), key == QLatin1String("Options") ? QStringLiteral("List") : key);
        QCOMPARE(list->selectedRow(), 1);
        // Widths in twips: the widest text and 400 more; the fourth column stays out of sight.
        for (int column = 0; column < 4; ++column) {
            double widest = 0;
            for (const ListItem& item : items)
                widest = std::max(
                    widest, TextWidth(b.control.get(), column ? item.subItems.value(column - 1) : item.text));
            QCOMPARE(list->columnWidth(column), column == 3 ? 0 : view == 3 ? widest + 400 : 1500);
            QCOMPARE(list->detailsView()->header()->isSectionHidden(column), column == 3);
        }
        // Small icons and List give every item the widest text's room.
        if (view == 1 || view == 2) {
            list->iconView()->doItemsLayout();
            QVERIFY(list->iconView()->visualRect(list->model()->index(4, 0)).width() >
                    list->iconView()->fontMetrics().horizontalAdvance(longest));
        }
    }

    // One bold node per data source up to the first unnamed one, a child per category allowed.
    void buildsTree_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<Settings>("settings");
        QTest::addColumn<int>("roots");
        QTest::addColumn<QStringList>("children");
        QStringList fifty;
        for (int i = 1; i <= 50; ++i)
            fifty << QStringLiteral("Source %1").arg(i);
        QTest::newRow("empty list") << QStringList{} << Settings{} << 0 << kCategories;
        QTest::newRow("unnamed third row ends the list")
            << QStringList{"Sales", "O'Brien & Co", "", "Four"} << Settings{} << 2 << kCategories;
        QTest::newRow("views and procedures only")
            << QStringList{"One"} << admin({{"Open Table", false}}) << 1 << kCategories.mid(1);
        QTest::newRow("tables only") << QStringList{"One"}
                                     << admin(
                                            {{"Open View", false}, {"Open sp", false}, {"Edit Data", false}})
                                     << 1 << kCategories.mid(0, 1);
        QTest::newRow("no categories")
            << QStringList{"One", "Two"}
            << admin({{"Open Table", false}, {"Open View", false}, {"Open sp", false}}) << 2 << QStringList{};
        QTest::newRow("full list of fifty") << fifty << Settings{} << 50 << kCategories;
    }
    void buildsTree()
    {
        QFETCH(QStringList, names);
        QFETCH(Settings, settings);
        QFETCH(int, roots);
        QFETCH(QStringList, children);
        Browser b(sources(names, QStringLiteral("Provider=SQLite;Data Source=/nonexistent/x.db")), settings);
        QVERIFY(b.initialized && b.errors->isEmpty() && b.tree()->isVisible() && b.d->staStatus->isVisible());
        QStringList expected, shown; // key, image, bold, full path
        for (int number = 1; number <= roots; ++number) {
            expected << QStringLiteral("a%1 1 1 ").arg(number) + names[number - 1];
            for (const QString& category : children)
                expected << QStringLiteral(" %1 0 ").arg(kCategories.indexOf(category) + 2) +
                                names[number - 1] + " : " + category;
        }
        for (int row = 0; row < b.model()->rowCount(); ++row)
            for (int child = -1; child < b.model()->rowCount(b.model()->index(row, 0)); ++child) {
                const QModelIndex root = b.model()->index(row, 0),
                                  node = child < 0 ? root : b.model()->index(child, 0, root);
                shown << b.model()->key(node) + ' ' + QString::number(b.model()->image(node)) + ' ' +
                             QString::number(b.model()->bold(node)) + ' ' + b.model()->fullPath(node);
            }
        QCOMPARE(shown, expected);
        QCOMPARE(b.d->Connections.size(), size_t(roots) + 1);
        // A menu for a data-source node only, by any button but the left; only the menu
        // claims the query for the data source.
        b.d->QueryFromTree = false;
        QVERIFY(release(b, b.root(1), roots ? Qt::LeftButton : Qt::RightButton).isEmpty() &&
                !b.d->QueryFromTree);
        if (roots == 0)
            return;
        const bool editing = std::none_of(settings.begin(), settings.end(),
                                          [](const auto& key) { return key[1] == "Edit Data"; });
        QCOMPARE(release(b, b.root(1), Qt::MiddleButton),
                 QStringList{"Connect"} + (editing ? kMaintenance : QStringList()));
        QVERIFY(b.d->QueryFromTree);
    }

    // Expanding connects, read only, and shows it; a category click records its kind
    // and path, and is the new query context when it lists nothing; Refresh lists
    // the selected category again; the menu's query hands the whole data source over.
    void expandConnects_data() { addDatabaseRows(); }
    void expandConnects()
    {
        QFETCH(Db, db);
        QUARRY_REQUIRE_DB(db);
        Scratch scratch(db);
        Browser b({{QStringLiteral("Elsewhere"), {}, QStringLiteral("far away")},
                   {QStringLiteral("Shop"), scratch.connectionString(), QStringLiteral("the shop")}});
        const QModelIndex shop = b.root(2);
        b.expand(shop);
        QVERIFY(b.errors->isEmpty() && b.tree()->isExpanded(shop) && b.tree()->currentIndex() == shop);
        QVERIFY(b.model()->image(shop) == 9 &&
                !b.model()->data(shop, Qt::DecorationRole).value<QIcon>().isNull());
        QCOMPARE(b.status(), QStringLiteral("Ready ..."));
        quarry::Connection connection = b.d->connection(2);
        QCOMPARE(QList<int>({Glob::CurrentDataSource(), connection.State(), connection.Mode()}),
                 QList<int>({2, quarry::adStateOpen, quarry::adModeRead}));
        QVERIFY(Glob::Reporter().connection() == connection && !b.d->Connections[1].has_value());
        // Over a data source the tree shows its description; anywhere else nothing.
        const QModelIndex views = b.child(2, QStringLiteral("Views"));
        for (const auto& [node, tip] : QList<std::pair<QModelIndex, QString>>{
                 {shop, "the shop"}, {b.root(1), "far away"}, {views, ""}, {shop, "the shop"}, {{}, ""}}) {
            QTest::mouseMove(b.tree()->viewport(),
                             node.isValid() ? b.tree()->visualRect(node).center() : QPoint(5, 300));
            QTRY_COMPARE(b.tree()->toolTip(), tip);
        }
        QVERIFY(release(b, views).isEmpty()); // no menu for a category
        for (const QString& category : QStringList{"Stored Procedures", "Views", "Tables"}) {
            Glob::setCurrentDataSource(1);
            b.click(b.child(2, category));
            QCOMPARE(QStringList(
                         {b.d->CategoryPath, b.selected->value(b.selected->size() - 1).value(0).toString()}),
                     QStringList(2, "Shop : " + category));
            QCOMPARE(QList<int>({b.d->CurrentDataType, Glob::CurrentDataSource()}),
                     QList<int>({int(kCategories.indexOf(category)), 2}));
        }
        scratch.exec("CREATE TABLE " + scratch.qualify("t") + " (a INTEGER)");
        QVERIFY(!b.control->Refresh() && b.control->QueryTotal() == 1);
        b.tree()->setCurrentIndex(shop);
        QVERIFY(!b.control->Refresh() && b.control->property("QueryTotal") == 1);
        // A right-click on the data source names it and empties the list. The query command hands
        // the whole data source over, every argument arriving at a host on another thread too.
        QList<QVariantList> runs;
        connect(
            b.control.get(), &kwQuarry::RunQuery, this,
            [&](quarry::Connection used, QString sql, QString name, kwQuarry::dkDataType kind, int max,
                bool autoRun, bool showSql, QString delimiter, bool options) {
                runs << QVariantList{used == connection, sql, name, int(kind), max, autoRun, showSql};
                runs.last() << delimiter << options;
            },
            Qt::QueuedConnection);
        b.d->CurrentDataType = kwQuarry::dkDataView;
        b.tree()->setCurrentIndex(b.child(2, QStringLiteral("Tables")));
        QCOMPARE(release(b, shop), (QStringList{"Disconnect"} + kMaintenance + QStringList{"-", "&Query"}));
        QVERIFY(b.selected->last().value(0) == "Shop" && b.control->QueryTotal() == 0);
        b.d->mnuQuery->trigger();
        QVERIFY(runs.isEmpty());
        QTRY_COMPARE(runs, QList<QVariantList>({{true, QString(), "Shop", 0, 0, false, true, "\"", true}}));
        // What the menu offers follows the options as they are when it opens.
        Glob::Options().blnEditData = false;
        QCOMPARE(release(b, shop), (QStringList{"Disconnect", "-", "&Query"}));
        Glob::Options().blnOpenSQL = false;
        QCOMPARE(release(b, shop), QStringList{"Disconnect"});
        // Disconnecting closes the connection and collapses the node; the connect command opens it again.
        b.d->mnuDisconnect->trigger();
        QVERIFY(connection.State() == quarry::adStateClosed && b.model()->image(shop) == 1 &&
                !b.tree()->isExpanded(shop));
        b.d->mnuConnect->trigger();
        QVERIFY(b.tree()->isExpanded(shop) && b.model()->image(shop) == 9);
        QVERIFY(connection.State() == quarry::adStateOpen && b.errors->isEmpty() &&
                !QGuiApplication::overrideCursor() && b.control->cursor().shape() == Qt::ArrowCursor);
        // UnloadFlter closes the connection and the field look-up, empties the slots and lets the
        // panes go (not destroyed); a second call finds nothing to do.
        const quarry::Recordset fields = connection.Execute(QStringLiteral("SELECT 1 AS one"));
        b.d->ObjectRecordset = fields;
        for (int pass = 0; pass < 2; ++pass) {
            b.control->UnloadFlter();
            QVERIFY(connection.State() == quarry::adStateClosed && fields.State() == quarry::adStateClosed);
            QVERIFY(!b.d->ObjectRecordset && b.d->Connections.size() == 3 && !b.d->kwSplitData->firstPane() &&
                    !b.d->kwSplitData->secondPane());
            for (const auto& slot : b.d->Connections)
                QVERIFY(!slot.has_value());
        }
        QVERIFY(b.errors->isEmpty() && b.control->Set_Options());
        QTRY_VERIFY(b.tree()->isVisible() && b.d->lvwData->isVisible());
    }

    // The driver's message reaches the host, the node closes, the control goes on.
    void failedConnectCollapses_data()
    {
        QTest::addColumn<QString>("connection");
        QTest::addColumn<Db>("server"); // for a server that goes away after a first connect
        QTest::newRow("empty connection string") << QString() << Db::SQLite;
        QTest::newRow("server that hangs") << "hang" << Db::SQLite; // ends by the 10 s timeout
        QTest::newRow("PostgreSQL gone") << "gone" << Db::PostgreSQL;
        QTest::newRow("MariaDB gone") << "gone" << Db::MariaDB;
    }
    void failedConnectCollapses()
    {
        QFETCH(QString, connection);
        QFETCH(Db, server);
        QUARRY_REQUIRE_DB(server);
        QTcpServer silent;
        std::optional<TcpProxy> proxy;
        if (connection == QLatin1String("hang") && silent.listen(QHostAddress::LocalHost))
            connection = throughPort(Db::PostgreSQL, silent.serverPort());
        if (connection == QLatin1String("gone"))
            connection = throughPort(server, proxy.emplace(server == Db::PostgreSQL ? 5432 : 3306).port());
        Browser b({{QStringLiteral("Broken"), connection, {}},
                   {QStringLiteral("Local"), connectionString(Db::SQLite), {}}});
        const QModelIndex broken = b.root(1);
        if (proxy) {
            b.expand(broken);
            QVERIFY(b.errors->isEmpty() && b.model()->image(broken) == 9);
            b.d->mnuDisconnect->trigger();
            proxy->stop();
        }
        b.expand(broken);
        QCOMPARE(b.errorProcedures(), QStringList{"Connect_DataSource"});
        const QString description = b.errors->first().at(1).toString();
        QVERIFY2(!description.trimmed().isEmpty(), qPrintable(description));
        QVERIFY(!b.tree()->isExpanded(broken) && b.model()->image(broken) == 1 &&
                !QGuiApplication::overrideCursor() && b.control->cursor().shape() == Qt::ArrowCursor);
        QCOMPARE(b.status(), QStringLiteral("Connecting to Broken ..."));
        QCOMPARE(b.d->connection(1).State(), quarry::adStateClosed);
        // Back again, the same node connects without a rebuild; any other node connects all along.
        if (proxy)
            proxy->start();
        const QModelIndex next = proxy ? broken : b.root(2);
        b.errors->clear();
        b.expand(next);
        QVERIFY(b.errors->isEmpty() && b.model()->image(next) == 9 && b.status() == "Ready ...");
    }

    // New, Edit and Delete on the node under the pointer: the password gate, the
    // editor and the question, then the tree and the file as they end up.
    void commands_data()
    {
        QTest::addColumn<Command>("c");
        const QStringList two{"One", "Two"}, added{"One", "Two", "Added"};
        QTest::newRow("new") << Command{.item = "New", .typed = "Added", .after = added};
        QTest::newRow("new, editor cancelled") << Command{.item = "New", .node = 2, .after = two};
        QTest::newRow("edit second") << Command{
            .item = "Edit", .node = 2, .typed = "Second", .after = {"One", "Second"}};
        QTest::newRow("delete first, yes")
            << Command{.item = "Delete", .after = {"Two"}, .message = "Delete One?"};
        QTest::newRow("delete, no") << Command{"Delete", 2, {}, two, "Delete Two?", MsgResult::No};
        QTest::newRow("delete the only one")
            << Command{.item = "Delete", .after = {}, .message = "Delete Only?", .names = {"Only"}};
        // The password gate: stored "GATE7"; what is typed, "" cancelling.
        QTest::newRow("gate: data flag off, no question")
            << Command{.item = "New", .typed = "Added", .after = added, .stored = true};
        QTest::newRow("gate: none stored, data flag on, no question") << Command{
            .item = "Delete", .node = 2, .after = {"One"}, .message = "Delete Two?", .dataFlag = true};
        const auto gated = [](const char* item, const char* password, const QStringList& after,
                              const char* message = "") {
            return Command{item, 1, "Added", after, message, MsgResult::Yes, true, true, password};
        };
        QTest::newRow("gate: new, cancelled") << gated("New", "", two);
        QTest::newRow("gate: new, wrong") << gated("New", "nope", two, "Invalid Password");
        QTest::newRow("gate: edit, right") << gated("Edit", "Gate7", {"Added", "Two"});
        QTest::newRow("gate: delete, right") << gated("Delete", "gate7", {"Two"}, "Delete One?");
        // A change that cannot be saved is kept for the session; the next save carries it along.
        QTest::newRow("new, save fails") << Command{
            .item = "New", .typed = "Added", .after = {"One", "Two", "Added", "Again"}, .unwritable = true};
        QTest::newRow("delete, save fails") << Command{
            .item = "Delete", .after = {"Two", "Again"}, .message = "Delete One?", .unwritable = true};
    }
    void commands()
    {
        QFETCH(Command, c);
        QUARRY_REQUIRE_DB(Db::SQLite);
        Settings settings = admin({{"Data Password", c.dataFlag}});
        if (c.stored)
            settings.push_back({"Admin", "Password", Glob::Scramble_Password(QStringLiteral("GATE7"))});
        Browser b(sources(c.names), settings);
        b.expand(b.root(1));
        // The menu speaks for the node under the pointer, not for the one opened before.
        const QStringList shown = release(b, b.root(c.node));
        QCOMPARE(Glob::CurrentDataSource(), c.node);
        QCOMPARE(shown.value(0), c.node == 1 ? QStringLiteral("Disconnect") : QStringLiteral("Connect"));
        QAction* command = b.control->findChild<QAction*>("mnu" + c.item + "DataSource");

        b.prompts.msgAnswers = {c.answer};
        const bool editing = c.item != QLatin1String("Delete"), asking = c.stored && c.dataFlag;
        bool asked = false, editorShown = false;
        QObject context;
        if (!asking && editing)
            whenModal(&context, editorAnswer(c.typed, &editorShown));
        if (asking)
            whenModal(&context, [&](QWidget* modal) {
                if (!(asked = modal == &Glob::PasswordDialog()))
                    return;
                QTest::keyClicks(child<QLineEdit>(*modal, "txtPassword0"), c.password);
                if (editing && !c.password.isEmpty())
                    whenModal(&context, editorAnswer(c.typed, &editorShown));
                child<QPushButton>(*modal, c.password.isEmpty() ? "cmdCancel" : "cmdOK")->click();
                if (modal->isVisible())
                    child<QPushButton>(*modal, "cmdCancel")->click();
            });
        const QString file = Glob::Options().strDataSourceFile;
        if (c.unwritable)
            Glob::Options().strDataSourceFile =
                b.m_folder.filePath(QStringLiteral("missing/DataSources.ini"));
        command->trigger();
        if (c.unwritable) {
            QCOMPARE(b.errorProcedures(), QStringList{command->objectName() + "_Click"});
            QVERIFY(b.errors->takeFirst().at(1).toString().contains(Glob::Options().strDataSourceFile));
            QCOMPARE(treeAndFile(b), c.names + QStringList{"|"}); // and nothing where it failed
            Glob::Options().strDataSourceFile = file;
            QVERIFY(!release(b, b.root(2)).isEmpty());
            QObject retry;
            whenModal(&retry, editorAnswer(QStringLiteral("Again"), &editorShown));
            b.d->mnuNewDataSource->trigger();
        }
        QCOMPARE(asked, asking);
        QCOMPARE(editorShown,
                 (editing || c.unwritable) && (!asking || (c.message.isEmpty() && !c.password.isEmpty())));
        QCOMPARE(treeAndFile(b), c.after + QStringList{"|"} + c.after);
        QStringList boxes;
        for (const auto& call : b.prompts.callsOf(ScriptedPrompts::Kind::MsgBox)) {
            boxes << call.text;
            QVERIFY(!call.text.startsWith(QLatin1String("Delete ")) ||
                    (call.title == "Delete Data Source" && call.icon == MsgIcon::Question));
        }
        QCOMPARE(boxes.join(u'\n'), c.message);
        // A rebuilt tree has dropped every connection; an untouched one keeps them.
        for (int number = 1; number <= b.model()->rowCount(); ++number)
            QCOMPARE(b.d->connection(number).State() == quarry::adStateOpen,
                     c.after == c.names && number == 1);
        QVERIFY(b.errors->isEmpty());
    }

    // Every code not named here has no name, no format, and is allowed.
    void fieldTypes()
    {
        QMap<int, QString> names;
        for (const QString& pair :
             QStringLiteral(
                 "0 Empty|2 SmallInt|3 Integer|4 Single|5 Double|6 Currency|7 Date|8 BSTR|9 IDispatch|"
                 "10 Error|11 Boolean|12 Variant|13 IUnknown|14 Decimal|16 TinyInt|20 BigInt|72 GUID|"
                 "128 Binary|129 Char|131 Numeric|133 DBDate|134 DBTime|135 DBTimeStamp|200 VarChar|"
                 "201 LongVarChar|202 WChar|203 LongVarWChar|205 LongVarBinary|8192 Array")
                 .split(u'|'))
            names.insert(pair.section(u' ', 0, 0).toInt(), pair.section(u' ', 1));
        const QList<int> whole{2, 3, 16, 17, 18, 19, 20, 21}, decimal{4, 5, 14, 131}, refused{203, 204, 205};
        kwQuarry control;
        QStringList actual, expected;
        for (int code = -5; code <= 9000; ++code) {
            const char* format = whole.contains(code)     ? "#,###"
                                 : decimal.contains(code) ? "#,###.00"
                                 : code == 6              ? "$#,###.00"
                                                          : "";
            const QString line = QStringLiteral("%1 %2 %3 %4").arg(code);
            expected << line.arg(names.value(code), format).arg(int(!refused.contains(code)));
            actual << line.arg(control.Field_Type(code), control.Format_Value(code))
                          .arg(int(control.Allowed_DataType(code)));
        }
        QCOMPARE(actual, expected);
    }

    // Edge cases of the platform widgets the gestures do not reach.
    void twips_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<double>("twips");
        QTest::addColumn<int>("pixels");
        QTest::newRow("400 at 96 rounds up") << 96 << 400.0 << 27;
        QTest::newRow("column width at 120") << 120 << 1500.0 << 125;
    }
    void twips()
    {
        QFETCH(int, dpi);
        QFETCH(double, twips);
        QFETCH(int, pixels);
        QCOMPARE(TwipsToPixels(twips, dpi), pixels);
        if (std::fmod(twips * dpi, 1440.0) == 0) // back exactly when the twips are whole pixels
            QCOMPARE(PixelsToTwips(pixels, dpi), twips);
        QCOMPARE(PixelsToTwips(pixels, 0), 0.0);
    }

    // By number as by name, on the bar the user sees; a number or value out of range changes nothing.
    void splitterNumbers_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("taken");
        QTest::newRow("0 locked") << 0 << QVariant(true) << true;
        QTest::newRow("1 bar width") << 1 << QVariant(40) << true;
        QTest::newRow("percentage above 100") << 2 << QVariant(101) << false;
        QTest::newRow("negative bar width") << 1 << QVariant(-5) << false;
        QTest::newRow("property 6") << 6 << QVariant(true) << false;
    }
    void splitterNumbers()
    {
        QFETCH(int, number);
        QFETCH(QVariant, value);
        QFETCH(bool, taken);
        Splitter splitter;
        QWidget* first = new QLabel(&splitter);
        QWidget* second = new QLabel(&splitter);
        splitter.setNumberedProperty(Splitter::FirstPane, QVariant::fromValue(first));
        splitter.setNumberedProperty(Splitter::SecondPane, QVariant::fromValue(second));
        QVariantList expected{false, 0, 50, QVariant::fromValue(second), QVariant::fromValue(first), false},
            shown;
        if (taken)
            splitter.setNumberedProperty(number, expected[number] = value);
        else
            QVERIFY_THROWS_EXCEPTION(std::out_of_range, splitter.setNumberedProperty(number, value));
        for (int n = 0; n < 6; ++n)
            shown << splitter.numberedProperty(n);
        QCOMPARE(shown, expected);
        const QSplitter& bar = *splitter.splitter();
        QCOMPARE(bar.handle(1)->isEnabled(), !splitter.locked());
        QCOMPARE(bar.orientation(), splitter.horizontal() ? Qt::Vertical : Qt::Horizontal);
        QVERIFY(number != Splitter::BarWidth || !taken || bar.handleWidth() == TwipsToPixelsX(&splitter, 40));
    }

    // Columns fit every row's text, not only those in view, plus the extra; cutting keeps the header rows.
    void gridFitAndCut()
    {
        for (const auto& [fixedRows, extra] : {std::pair{1, 0.0}, std::pair{0, 400.0}}) {
            Grid grid;
            GridModel* model = grid.grid();
            model->setCols(2);
            model->setRows(1);
            model->setFixedRows(fixedRows);
            model->setText(0, 0, QStringLiteral("Name"));
            const QString widest = QStringLiteral("a much, much wider cell text");
            for (int i = 0; i < 200; ++i)
                model->addRow({i == 199 ? widest : QStringLiteral("x"), QStringLiteral("y"),
                               QStringLiteral("dropped")});
            model->addRow({QStringLiteral("short")});
            grid.resize(200, 100);
            grid.show();
            QVERIFY(QTest::qWaitForWindowExposed(&grid));
            grid.fitColumns(0, 1, extra);
            const int wanted =
                QFontMetrics(grid.font()).horizontalAdvance(widest) + TwipsToPixelsX(&grid, extra);
            QVERIFY(grid.columnWidth(0) >= wanted && grid.columnWidth(0) <= wanted + 20);
            QVERIFY(grid.columnWidth(1) < grid.columnWidth(0));
            model->cutToHeader();
            QCOMPARE(QList<int>({model->rows(), int(model->text(0, 0) == "Name")}),
                     QList<int>({fixedRows, fixedRows}));
        }
    }
};

QTEST_MAIN(KwQuarryTest)
#include "tst_kwquarry.moc"
