#include "ScriptedPrompts.h"
#include "TestDatabases.h"
#include "WidgetTestSupport.h"
#include "control/kwQuarryPrivate.h"
#include "platform/LibraryLocation.h"
#include "platform/widgets/ImageList.h"
#include "platform/widgets/ObjectList.h"
#include "platform/widgets/Splitter.h"
#include "platform/widgets/TreeModel.h"
#include "platform/widgets/TreeView.h"
#include "settings/Glob.h"
#include "settings/SettingsStore.h"

#include <quarry/kwQuarry.h>

#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMetaMethod>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <functional>

using quarry::test::Db;
using quarry::test::ScriptedPrompts;

namespace {

QString settingsFile()
{
    return Glob::SettingsStore(QStringLiteral("Dabrook")).fileName();
}

void writeSettings(const QByteArray& content)
{
    const QString file = settingsFile();
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(content);
}

} // namespace

class KwQuarryTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void namedChildren_data();
    void namedChildren();
    void startsHiddenAndEmpty();
    void publishedInterfaceOrder();
    void signalsInOrder_data();
    void signalsInOrder();
    void runQueryCrossesQueuedConnections();

    void initOnFreshStore();
    void initWithUnloadableOptions_data();
    void initWithUnloadableOptions();

    void newQueryNeverRaised();
    void unloadFlterOnNeverOpenedConnections_data();
    void unloadFlterOnNeverOpenedConnections();
    void unloadFlterClosesOpenConnections_data();
    void unloadFlterClosesOpenConnections();
    void queryTotalCountsListItems();
    void stOpenSQLFollowsOption_data();
    void stOpenSQLFollowsOption();
    void smallPublicProcedures();
    void refresh_data();
    void refresh();

private:
    std::unique_ptr<ScriptedPrompts> m_prompts;
};

void KwQuarryTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void KwQuarryTest::init()
{
    // A reporter configured by an earlier Init shows boxes: script them.
    m_prompts = std::make_unique<ScriptedPrompts>();
    QFile::remove(settingsFile());
    Glob::Reporter().clearReports();
}

void KwQuarryTest::cleanup()
{
    QFile::remove(settingsFile());
    m_prompts.reset();
}

void KwQuarryTest::namedChildren_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("caption");
    const auto row = [](const char* name, const char* className, const char* caption = "") {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(className)
                            << QString::fromLatin1(caption);
    };
    row("tvwData", "QTreeView");
    row("lvwData", "quarry::platform::ObjectList");
    row("grdTooltip", "QTableView");
    row("tmrTip", "QTimer");
    row("tlbData", "QToolBar");
    row("Large", "QAction", "Large");
    row("Small", "QAction", "Small ");
    row("List", "QAction", "List");
    row("Report", "QAction", "Details");
    row("Options", "QAction", "Browse options");
    row("staStatus", "QStatusBar");
    row("Panel1", "QLabel");
    row("Panel2", "QLabel");
    row("kwSplitData", "quarry::platform::Splitter");
    row("imgBrowser", "quarry::platform::ImageList");
    row("imgBrowserLarge", "quarry::platform::ImageList");
    row("mnuData", "QMenu");
    row("mnuConnect", "QAction", "Connect");
    row("mnuDisconnect", "QAction", "Disconnect");
    row("mnuDatCap1", "QAction", "-");
    row("mnuNewDataSource", "QAction", "&New Data Source");
    row("mnuEditDataSource", "QAction", "&Edit Data Source properties");
    row("mnuDeleteDataSource", "QAction", "&Delete Data Source");
    row("mnuDatCap2", "QAction", "-");
    row("mnuQuery", "QAction", "&Query");
    row("mnuTable", "QMenu");
    row("mnuTables0", "QAction", "&Open");
    row("mnuTables1", "QAction", "-");
    row("mnuTables2", "QAction", "Return &all rows");
    row("mnuTables3", "QAction", "Return &top ...");
}

void KwQuarryTest::namedChildren()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, caption);
    kwQuarry control;
    const QList<QObject*> found = control.findChildren<QObject*>(name);
    QCOMPARE(found.size(), 1);
    QVERIFY2(found.first()->inherits(qPrintable(className)), found.first()->metaObject()->className());
    if (auto* action = qobject_cast<QAction*>(found.first()); action && !caption.isEmpty())
        QCOMPARE(action->text(), caption);
}

void KwQuarryTest::startsHiddenAndEmpty()
{
    kwQuarry control;
    for (const char* name : {"tvwData", "lvwData", "staStatus", "kwSplitData", "grdTooltip"})
        QVERIFY2(control.findChild<QWidget*>(QString::fromLatin1(name))->isHidden(), name);
    QVERIFY(!control.findChild<QTimer*>(QStringLiteral("tmrTip"))->isActive());

    // The four view buttons are one group; the options button stands apart.
    QAction* large = control.findChild<QAction*>(QStringLiteral("Large"));
    QVERIFY(large->actionGroup() && large->actionGroup()->isExclusive());
    for (const char* name : {"Small", "List", "Report"})
        QCOMPARE(control.findChild<QAction*>(QString::fromLatin1(name))->actionGroup(), large->actionGroup());
    QVERIFY(!control.findChild<QAction*>(QStringLiteral("Options"))->actionGroup());
    QCOMPARE(control.findChild<QAction*>(QStringLiteral("Report"))->toolTip(), QStringLiteral("Details"));
    QCOMPARE(control.findChild<QAction*>(QStringLiteral("Options"))->toolTip(),
             QStringLiteral("Browser options"));

    auto* images = control.findChild<quarry::platform::ImageList*>(QStringLiteral("imgBrowser"));
    QCOMPARE(images->count(), 9);
    QVERIFY(!images->icon(9).isNull());
    QCOMPARE(control.findChild<quarry::platform::ImageList*>(QStringLiteral("imgBrowserLarge"))->count(), 3);

    // The menus hold their items in order.
    const QList<QAction*> items = control.findChild<QMenu*>(QStringLiteral("mnuData"))->actions();
    QStringList names;
    for (QAction* item : items)
        names << item->objectName();
    QCOMPARE(names, (QStringList{"mnuConnect", "mnuDisconnect", "mnuDatCap1", "mnuNewDataSource",
                                 "mnuEditDataSource", "mnuDeleteDataSource", "mnuDatCap2", "mnuQuery"}));
    QVERIFY(items[2]->isSeparator() && items[6]->isSeparator());
    QCOMPARE(control.findChild<QMenu*>(QStringLiteral("mnuData"))->title(), QStringLiteral("Browser"));
    QCOMPARE(control.findChild<QMenu*>(QStringLiteral("mnuTable"))->title(), QStringLiteral("Table"));

    // The tree is the named view itself, over the model that Get_DataObjects' index belongs to.
    auto* tree = control.findChild<quarry::platform::TreeView*>(QStringLiteral("tvwData"));
    QVERIFY(qobject_cast<quarry::platform::TreeModel*>(tree->model()));
    QCOMPARE(control.QueryTotal(), 0);
}

void KwQuarryTest::publishedInterfaceOrder()
{
    const QStringList members = {"Allowed_DataType(int)",
                                 "Connect_DataSource()",
                                 "Field_Type(int)",
                                 "Get_Parameters()",
                                 "Print_Preview()",
                                 "Refresh()",
                                 "Run(int)",
                                 "Run_Query()",
                                 "Show_Options()",
                                 "Show_SQLError(QString,QString)",
                                 "Show_ToolbarMenu()",
                                 "Show_ToolTip()",
                                 "Format_Value(int)",
                                 "Get_Fields()",
                                 "Popluate_ToolTip()",
                                 "Sort_Array(QVariant&)",
                                 "UnloadFlter()",
                                 "Get_DataObjects(QModelIndex&)",
                                 "Set_MenuText()",
                                 "Size_Cols()",
                                 "Set_Options(bool,bool,bool)",
                                 "Init()"};
    const QMetaObject& meta = kwQuarry::staticMetaObject;
    int previous = -1;
    for (const QString& member : members) {
        const int index = meta.indexOfMethod(member.toLatin1());
        QVERIFY2(index >= 0, qPrintable(member));
        QVERIFY2(index > previous, qPrintable(member));
        previous = index;
    }
    // Argument names are part of what hosts see.
    const QMetaMethod setOptions = meta.method(meta.indexOfMethod("Set_Options(bool,bool,bool)"));
    QCOMPARE(setOptions.parameterNames(),
             (QList<QByteArray>{"blnDataChanged", "blnChartChanged", "blnDataSourceChanged"}));
    QCOMPARE(meta.method(meta.indexOfMethod("Show_SQLError(QString,QString)")).parameterNames(),
             (QList<QByteArray>{"strSQl", "strDescription"}));
    QCOMPARE(meta.method(meta.indexOfMethod("Run(int)")).parameterNames(), QList<QByteArray>{"lngType"});
    // Optional arguments: callable by name with none.
    QVERIFY(meta.indexOfMethod("Set_Options()") >= 0);

    const QMetaProperty total = meta.property(meta.indexOfProperty("QueryTotal"));
    QVERIFY(total.isReadable() && !total.isWritable());
    QCOMPARE(total.metaType(), QMetaType::fromType<int>());
    const QMetaProperty openSql = meta.property(meta.indexOfProperty("stOpenSQL"));
    QVERIFY(openSql.isReadable() && !openSql.isWritable());
    QCOMPARE(openSql.metaType(), QMetaType::fromType<bool>());

    const QMetaEnum kinds = QMetaEnum::fromType<kwQuarry::dkDataType>();
    QCOMPARE(kinds.keyToValue("dkDataTable"), 0);
    QCOMPARE(kinds.keyToValue("dkDataView"), 1);
    QCOMPARE(kinds.keyToValue("dkDataStoredProc"), 2);
}

void KwQuarryTest::signalsInOrder_data()
{
    QTest::addColumn<QByteArray>("signature");
    QTest::addColumn<QByteArrayList>("names");
    QTest::newRow("1 Refreshed") << QByteArray("Refreshed()") << QByteArrayList{};
    QTest::newRow("2 QuerySelected") << QByteArray("QuerySelected(QString)") << QByteArrayList{"strQuery"};
    QTest::newRow("3 ErrHandle") << QByteArray("ErrHandle(QString,QString)")
                                 << QByteArrayList{"strSub", "strDescription"};
    QTest::newRow("4 NewQuery") << QByteArray("NewQuery(quarry::Connection,QString)")
                                << QByteArrayList{"adoConnection", "strSQl"};
    QTest::newRow("5 RunQuery") << QByteArray(
                                       "RunQuery(quarry::Connection,QString,QString,kwQuarry::dkDataType,"
                                       "int,bool,bool,QString,bool)")
                                << QByteArrayList{"adoConnection",     "strSQl",        "strQueryName",
                                                  "dkCurrentDataType", "lngMaxRecords", "blnAutoRun",
                                                  "blnShowSQL",        "strDelimter",   "blnOptions"};
}

void KwQuarryTest::signalsInOrder()
{
    QFETCH(QByteArray, signature);
    QFETCH(QByteArrayList, names);
    const QMetaObject& meta = kwQuarry::staticMetaObject;
    // The control's own signals, in declaration order.
    QList<QMetaMethod> own;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        if (meta.method(i).methodType() == QMetaMethod::Signal)
            own << meta.method(i);
    }
    QCOMPARE(own.size(), 5);
    const int position = QString::fromLatin1(QTest::currentDataTag()).left(1).toInt() - 1;
    QCOMPARE(own[position].methodSignature(), signature);
    QCOMPARE(own[position].parameterNames(), names);
}

void KwQuarryTest::runQueryCrossesQueuedConnections()
{
    kwQuarry control;
    quarry::Connection connection;
    QObject receiver;
    QList<QVariantList> received;
    connect(
        &control, &kwQuarry::RunQuery, &receiver,
        [&](quarry::Connection c, QString sql, QString name, kwQuarry::dkDataType kind, int max, bool autoRun,
            bool showSql, QString delimiter, bool options) {
            received << QVariantList{QVariant::fromValue(c == connection),
                                     sql,
                                     name,
                                     int(kind),
                                     max,
                                     autoRun,
                                     showSql,
                                     delimiter,
                                     options};
        },
        Qt::QueuedConnection);
    emit control.RunQuery(connection, QStringLiteral("SELECT * \r\nFROM [t]"),
                          QStringLiteral("db : Tables : t"), kwQuarry::dkDataView, 0, true, false,
                          QStringLiteral("\""), true);
    QCOMPARE(received.size(), 0);
    QTRY_COMPARE(received.size(), 1);
    QCOMPARE(received.first(),
             (QVariantList{true, QStringLiteral("SELECT * \r\nFROM [t]"), QStringLiteral("db : Tables : t"),
                           1, 0, true, false, QStringLiteral("\""), true}));
}

void KwQuarryTest::initOnFreshStore()
{
    kwQuarry control;
    kwQuarryPrivate* d = kwQuarryPrivate::get(&control);
    d->CurrentDataType = kwQuarry::dkDataStoredProc;
    d->Initialized = true;
    QSignalSpy errors(&control, &kwQuarry::ErrHandle);

    QVERIFY(control.Init());
    QCOMPARE(Glob::AppTitle(), QStringLiteral("Dabrook"));
    const Glob::BrowserOptions& options = Glob::Options();
    QCOMPARE(options.lngDataView, 1);
    QCOMPARE(options.lngSplitPercent, 20);
    QCOMPARE(options.lngToolTipDelay, 3);
    QVERIFY(options.blnOpenSQL && options.blnOptions && options.blnEditData);
    QVERIFY(options.blnQueryTables && options.blnQueryViews && options.blnQueryProcs);

    QVERIFY(Glob::HasErrorReporter());
    const quarry::platform::ErrorReporter& reporter = Glob::Reporter();
    QCOMPARE(reporter.title(), QStringLiteral("Dabrook Error"));
    QVERIFY(reporter.contact().contains(u'@'));
    QVERIFY(reporter.showMessages());
    QCOMPARE(reporter.appInfo().Name, QStringLiteral("Quarry"));
    QCOMPARE(reporter.appInfo().Path, quarry::platform::LibraryFolder());
    QCOMPARE(reporter.appInfo().Version, QStringLiteral("0.1.0"));
    QVERIFY(reporter.reports().empty());

    QCOMPARE(d->CurrentDataType, kwQuarry::dkDataTable);
    QVERIFY(d->Initialized);
    QCOMPARE(errors.size(), 0);
    QVERIFY(m_prompts->callsOf(ScriptedPrompts::Kind::MsgBox).empty());

    // A second control on the thread initialises over the same module state.
    kwQuarry second;
    QVERIFY(second.Init());
    QVERIFY(Glob::Reporter().reports().empty());
}

void KwQuarryTest::initWithUnloadableOptions_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("not a settings file") << QByteArray("\x01\x02 this is no settings file\nat all\n");
    QTest::newRow("Boolean that is no Boolean") << QByteArray("[Data]\nToolBar%20Text=yes\n");
}

void KwQuarryTest::initWithUnloadableOptions()
{
    QFETCH(QByteArray, content);
    writeSettings(content);
    kwQuarry control;
    QSignalSpy errors(&control, &kwQuarry::ErrHandle);
    QVERIFY(!control.Init());

    const auto& reports = Glob::Reporter().reports();
    QCOMPARE(reports.size(), size_t(1));
    QCOMPARE(reports.front().Procedure, QStringLiteral("Read_INI"));
    QVERIFY(!reports.front().Description.isEmpty());
    QCOMPARE(errors.size(), 0);
    for (const char* name : {"tvwData", "lvwData", "kwSplitData", "staStatus"})
        QVERIFY2(control.findChild<QWidget*>(QString::fromLatin1(name))->isHidden(), name);
    // The user's file is left as it was.
    QFile file(settingsFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), content);
}

void KwQuarryTest::newQueryNeverRaised()
{
    kwQuarry control;
    QSignalSpy newQuery(&control, &kwQuarry::NewQuery);
    int called = 0;
    connect(&control, &kwQuarry::NewQuery, &control, [&called] { ++called; });
    // Every member a host can call.
    const QMetaObject& meta = kwQuarry::staticMetaObject;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod method = meta.method(i);
        if (method.methodType() != QMetaMethod::Method || method.parameterCount() != 0)
            continue;
        if (method.name() == "Show_Options")
            quarry::test::whenModal(&control, [](QWidget* modal) {
                if (auto* dialog = qobject_cast<QDialog*>(modal))
                    dialog->reject();
            });
        try {
            QVERIFY(method.invoke(&control, Qt::DirectConnection));
        } catch (const std::exception&) {
            // Get_Parameters hands the provider's failure to its caller.
        }
    }
    QVariant data = QStringList{"b", "a"};
    control.Sort_Array(data);
    control.Run(1);
    control.Show_SQLError(QStringLiteral("SELECT 1"), QStringLiteral("failed"));
    QCOMPARE(newQuery.size(), 0);
    QCOMPARE(called, 0);
}

void KwQuarryTest::unloadFlterOnNeverOpenedConnections_data()
{
    QTest::addColumn<int>("slotCount");
    QTest::newRow("before the tree was built") << 0;
    QTest::newRow("three data sources") << 3;
}

void KwQuarryTest::unloadFlterOnNeverOpenedConnections()
{
    QFETCH(int, slotCount);
    kwQuarry control;
    kwQuarryPrivate* d = kwQuarryPrivate::get(&control);
    d->kwSplitData->setFirstPane(d->tvwData);
    d->kwSplitData->setSecondPane(d->lvwData);
    d->Connections.resize(size_t(slotCount));
    QSignalSpy errors(&control, &kwQuarry::ErrHandle);
    for (int pass = 0; pass < 2; ++pass) {
        control.UnloadFlter();
        QCOMPARE(d->Connections.size(), size_t(slotCount));
        for (const auto& slot : d->Connections)
            QVERIFY(!slot.has_value());
        QVERIFY(!d->ObjectRecordset.has_value());
        QVERIFY(!d->kwSplitData->firstPane());
        QVERIFY(!d->kwSplitData->secondPane());
    }
    QCOMPARE(errors.size(), 0);
    // The panes are detached, not destroyed.
    QVERIFY(control.findChild<QWidget*>(QStringLiteral("tvwData")));
    QVERIFY(control.findChild<QWidget*>(QStringLiteral("lvwData")));
}

void KwQuarryTest::unloadFlterClosesOpenConnections_data()
{
    quarry::test::addDatabaseRows();
}

void KwQuarryTest::unloadFlterClosesOpenConnections()
{
    QFETCH(Db, db);
    QUARRY_REQUIRE_DB(db);
    kwQuarry control;
    kwQuarryPrivate* d = kwQuarryPrivate::get(&control);
    d->Connections.resize(3);
    quarry::Connection open = quarry::test::open(db, quarry::adModeRead);
    QCOMPARE(open.State(), quarry::adStateOpen);
    d->Connections[2] = open;
    // Slot 1 touched but never opened.
    QCOMPARE(d->connection(1).State(), quarry::adStateClosed);
    quarry::Recordset fields = open.Execute(QStringLiteral("SELECT 1 AS one"));
    d->ObjectRecordset = fields;
    QCOMPARE(fields.State(), quarry::adStateOpen);

    QSignalSpy errors(&control, &kwQuarry::ErrHandle);
    control.UnloadFlter();
    QCOMPARE(open.State(), quarry::adStateClosed);
    QCOMPARE(fields.State(), quarry::adStateClosed);
    QVERIFY(!d->ObjectRecordset.has_value());
    for (const auto& slot : d->Connections)
        QVERIFY(!slot.has_value());
    control.UnloadFlter();
    QCOMPARE(errors.size(), 0);
}

void KwQuarryTest::queryTotalCountsListItems()
{
    kwQuarry control;
    QCOMPARE(control.QueryTotal(), 0);
    QCOMPARE(control.property("QueryTotal").toInt(), 0);
    auto* list = control.findChild<quarry::platform::ObjectList*>(QStringLiteral("lvwData"));
    list->model()->setItems({{QStringLiteral("a"), {}, 1, 5}, {QStringLiteral("b"), {}, 1, 5}});
    QCOMPARE(control.QueryTotal(), 2);
    QCOMPARE(control.property("QueryTotal").toInt(), 2);
    list->clear();
    QCOMPARE(control.QueryTotal(), 0);
}

void KwQuarryTest::stOpenSQLFollowsOption_data()
{
    QTest::addColumn<bool>("openSql");
    QTest::newRow("may edit") << true;
    QTest::newRow("may not edit") << false;
}

void KwQuarryTest::stOpenSQLFollowsOption()
{
    QFETCH(bool, openSql);
    writeSettings(QByteArray("[Admin]\nOpen%20SQL=") + (openSql ? "True" : "False") + "\n");
    kwQuarry control;
    QVERIFY(control.Init());
    QCOMPARE(control.stOpenSQL(), openSql);
    QCOMPARE(control.property("stOpenSQL").toBool(), openSql);
    Glob::Options().blnOpenSQL = !openSql;
    QCOMPARE(control.stOpenSQL(), !openSql);
}

void KwQuarryTest::smallPublicProcedures()
{
    kwQuarry control;
    QSignalSpy errors(&control, &kwQuarry::ErrHandle);
    QCOMPARE(control.Print_Preview(), false);
    QCOMPARE(control.Show_ToolbarMenu(), true);
    bool result = true;
    QVERIFY(QMetaObject::invokeMethod(&control, "Print_Preview", Q_RETURN_ARG(bool, result)));
    QCOMPARE(result, false);
    QVERIFY(QMetaObject::invokeMethod(&control, "Show_ToolbarMenu", Q_RETURN_ARG(bool, result)));
    QCOMPARE(result, true);
    QCOMPARE(errors.size(), 0);
}

void KwQuarryTest::refresh_data()
{
    QTest::addColumn<QString>("select");
    QTest::addColumn<bool>("lists");
    QTest::newRow("nothing selected") << QString() << false;
    QTest::newRow("data-source node") << "a1" << false;
    QTest::newRow("data source without categories") << "a2" << true;
    QTest::newRow("category node") << "a1/Views" << true;
}

void KwQuarryTest::refresh()
{
    QFETCH(QString, select);
    QFETCH(bool, lists);
    kwQuarry control;
    kwQuarryPrivate* d = kwQuarryPrivate::get(&control);
    quarry::platform::TreeModel* model = d->treeModel;
    const QModelIndex sales = model->addNode({}, QStringLiteral("a1"), QStringLiteral("Sales"), 1);
    model->addNode(sales, {}, QStringLiteral("Tables"), 2);
    const QModelIndex views = model->addNode(sales, {}, QStringLiteral("Views"), 3);
    const QModelIndex bare = model->addNode({}, QStringLiteral("a2"), QStringLiteral("Bare"), 1);
    if (select == QLatin1String("a1"))
        d->tvwData->setCurrentIndex(sales);
    else if (select == QLatin1String("a2"))
        d->tvwData->setCurrentIndex(bare);
    else if (!select.isEmpty())
        d->tvwData->setCurrentIndex(views);

    // Listing shows as a Get_DataObjects report or a Refreshed signal.
    QSignalSpy errors(&control, &kwQuarry::ErrHandle);
    QSignalSpy refreshed(&control, &kwQuarry::Refreshed);
    QCOMPARE(control.Refresh(), false);
    int listed = int(refreshed.size());
    int otherErrors = 0;
    for (const QList<QVariant>& error : errors) {
        const bool listing = error.first().toString() == QLatin1String("Get_DataObjects");
        listed += listing;
        otherErrors += !listing;
    }
    QCOMPARE(listed, lists ? 1 : 0);
    QCOMPARE(otherErrors, 0);
}

QTEST_MAIN(KwQuarryTest)
#include "tst_kwquarry.moc"
