// The control as a host and its user meet it: named parts, Init over the stored options and the layout
// they give, the data-source tree, its popup menu and commands, the type tables, the platform widgets.
#include "BrowserFixture.h"
#include "TestDatabases.h"
#include "WidgetTestSupport.h"

#include "dialogs/frmNewDataSource.h"
#include "dialogs/frmPassword.h"
#include "platform/ProfileFile.h"
#include "platform/widgets/ObjectListModel.h"
#include "platform/widgets/Splitter.h"
#include "platform/widgets/Twips.h"
#include "settings/DataSources.h"
#include "settings/Password.h"

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

std::vector<SourceRow> sources(const QStringList& names, QString connection = connectionString(Db::SQLite))
{
    std::vector<SourceRow> rows;
    for (const QString& name : names)
        rows.push_back({name, connection, {}});
    return rows;
}

// A click on `node` (the empty area when invalid); the captions of the menu
// items then shown, "-" for a separator (followed by any text the style would print). Closes the menu.
QStringList release(const Browser& b, const QModelIndex& node, Qt::MouseButton button = Qt::RightButton)
{
    QTest::mouseClick(b.tree()->viewport(), button, {},
                      node.isValid() ? b.tree()->visualRect(node).center() : QPoint(5, 5));
    QStringList texts;
    for (QAction* action : b.d->mnuData->actions())
        if (b.d->mnuData->isVisible() && action->isVisible())
            texts << (action->isSeparator() ? u'-' + action->text() : action->text());
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
    QString password{};                // typed into the password dialog
    bool unwritable = false;           // the file, at first: "Again" is added once it is not
    QStringList names{"One", "Two"};
};

} // namespace

Q_DECLARE_METATYPE(Command)

class KwQuarryTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        Glob::DataSourceEditor().setConnectionPrompt(
            [](QWidget*, const QString&) { return std::optional<QString>(connectionString(Db::SQLite)); });
    }
    void init() { Glob::Reporter().clearReports(); }

    // Init over the stored options: named parts, defaults, a bold node per named data source with a child
    // per category allowed, a menu for those nodes only. What cannot be used is reported once; Init goes on.
    void initBuildsTree_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<Settings>("settings");
        QTest::addColumn<QStringList>("children");
        QTest::addColumn<QString>("failure"); // the one report, as a pattern
        QStringList fifty;
        for (int i = 1; i <= 50; ++i)
            fifty << QStringLiteral("Source %1").arg(i);
        const auto row = [](const char* tag, QStringList names, Settings settings,
                            QStringList children = kCategories, const char* failure = "") {
            QTest::newRow(tag) << names << settings << children << QString(failure);
        };
        row("empty list", {}, {});
        row("unnamed third row left out", {"Sales", "O'Brien & Co", "", "Four"}, {}, kCategories,
            "^report Get_DataSources: Section \\[3\\] of .* has no name and is left out\\.$");
        row("views and procedures only", {"One"}, admin({{"Open Table", false}}), kCategories.mid(1));
        row("tables only, nothing to edit", {"One"},
            admin({{"Open View", false}, {"Open sp", false}, {"Edit Data", false}, {"Open SQL", false}}),
            kCategories.mid(0, 1));
        row("full list of fifty", fifty, {});
        row("Boolean that is no Boolean", {"One"}, {{"Data", "ToolBar Text", "yes"}}, kCategories,
            "^report Read_INI: \"yes\" is not a valid Boolean .*; False is used\\.$");
        row("split percentage over 100", {"One"}, {{"Data", "Split\\Percentage", "150"}}, kCategories,
            "^report Read_INI: 150 is out of range .*; 20 is used\\.$");
        row("unknown data view", {"One"}, {{"General", "Data View", "7"}}, kCategories,
            "^report Read_INI: 7 is out of range .*; 1 is used\\.$");
    }
    void initBuildsTree()
    {
        QFETCH(QStringList, names);
        QFETCH(Settings, settings);
        QFETCH(QStringList, children);
        QFETCH(QString, failure);
        Browser b(sources(names, QStringLiteral("Provider=SQLite;Data Source=/nonexistent/x.db")), settings);
        // One object of each name, of the class that leads its group.
        for (const QString& group :
             QStringLiteral(
                 "QTreeView tvwData|quarry::platform::ObjectList lvwData|QTableView grdTooltip|QTimer tmrTip|"
                 "QToolBar tlbData|QStatusBar staStatus|QLabel Panel1 Panel2|quarry::platform::Splitter "
                 "kwSplitData|quarry::platform::ImageList imgBrowser imgBrowserLarge|QMenu mnuData mnuTable|"
                 "QAction Large Small List Report Options mnuConnect mnuDisconnect mnuDatCap1 mnuQuery "
                 "mnuNewDataSource mnuEditDataSource mnuDeleteDataSource mnuDatCap2 mnuTables0 mnuTables1 "
                 "mnuTables2 mnuTables3")
                 .split(u'|')) {
            for (const QString& name : group.split(u' ').mid(1)) {
                const QList<QObject*> found = b.control->findChildren<QObject*>(name);
                QVERIFY2(found.size() == 1 && found[0]->inherits(qPrintable(group.section(u' ', 0, 0))),
                         qPrintable(name));
            }
        }
        QStringList failures;
        for (const auto& report : Glob::Reporter().reports())
            failures << "report " + report.Procedure + ": " + report.Description;
        for (const QList<QVariant>& error : *b.errors)
            failures << "ErrHandle " + error[0].toString() + ": " + error[1].toString();
        QVERIFY2(failures.size() == !failure.isEmpty() &&
                     (failure.isEmpty() || QRegularExpression(failure).match(failures[0]).hasMatch()),
                 qPrintable(failures.join(u'\n')));
        QVERIFY(b.initialized);
        for (const char* name : {"tvwData", "lvwData", "kwSplitData", "staStatus"})
            QVERIFY2(child<QWidget>(*b.control, name)->isVisible(), name);
        const auto allowed = [&](const char* key) {
            return std::none_of(settings.begin(), settings.end(),
                                [&](const auto& row) { return row[1] == key; });
        };
        const Glob::BrowserOptions& options = Glob::Options();
        QCOMPARE(QList<int>({options.lngDataView, options.lngSplitPercent, options.lngToolTipDelay,
                             options.blnOptions, b.control->property("stOpenSQL").toBool()}),
                 QList<int>({1, 20, 3, true, allowed("Open SQL")}));
        const AppInfo& app = Glob::Reporter().appInfo();
        QCOMPARE(QStringList({Glob::Reporter().title(), app.Name, app.Version, app.Path}),
                 QStringList({"Dabrook Error", "Quarry", "0.1.0", LibraryFolder()}));
        names.removeAll(QString());
        const int roots = int(names.size());
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
        // By any button but the left; only the menu claims the query for the data source.
        b.d->QueryFromTree = false;
        QVERIFY(release(b, b.root(1), roots ? Qt::LeftButton : Qt::RightButton).isEmpty() &&
                !b.d->QueryFromTree);
        if (roots == 0)
            return;
        QCOMPARE(release(b, b.root(1), Qt::MiddleButton),
                 QStringList{"Connect"} + (allowed("Edit Data") ? kMaintenance : QStringList()));
        QVERIFY(b.d->QueryFromTree);
    }

    // The stored split, captions and view laid out between toolbar and status bar at any size; a button
    // shows the list its way and saves the mode; Details fits the columns to their texts.
    void layoutFollowsOptions_data()
    {
        QTest::addColumn<int>("percent");
        QTest::addColumn<bool>("horizontal");
        QTest::addColumn<bool>("listFirst"); // and no captions
        QTest::addColumn<int>("stored");     // view
        QTest::addColumn<QString>("button");
        QTest::newRow("tree left, Large") << 30 << false << false << 2 << "Large";
        QTest::newRow("list left, Small") << 60 << false << true << 3 << "Small";
        QTest::newRow("tree above, List") << 25 << true << false << 0 << "List";
        QTest::newRow("list above, Details") << 75 << true << true << 1 << "Report";
        QTest::newRow("tree left, Options, mode kept") << 50 << false << false << 3 << "Options";
    }
    void layoutFollowsOptions()
    {
        QFETCH(int, percent);
        QFETCH(bool, horizontal);
        QFETCH(bool, listFirst);
        QFETCH(int, stored);
        QFETCH(QString, button);
        Browser b(sources({"Sales"}), {{"Data", "Split\\Percentage", QString::number(percent)},
                                       {"Data", "Split\\Orientation", QVariant(horizontal).toString()},
                                       {"Data", "Split\\Left", QVariant(listFirst).toString()},
                                       {"Data", "ToolBar Text", QVariant(!listFirst).toString()},
                                       {"General", "Data View", QString::number(stored)}});
        // Captions, and five pictures no two alike.
        const auto toolbar = [&] {
            QString texts;
            QSet<QByteArray> pictures;
            for (QAction* action : b.d->toolButtons) {
                texts += action->text() + u'|';
                const QImage image = action->icon().pixmap(16).toImage();
                pictures << QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
            }
            return texts + b.d->viewButtons->checkedAction()->objectName() + QString::number(pictures.size());
        };
        const QStringList views{"Large", "Small", "List", "Report"};
        const QString texts = listFirst ? "|||||" : "Large|Small |List|Details|Browse options|";
        ObjectList* list = b.d->lvwData;
        QCOMPARE(toolbar(), texts + views[stored] + "5");
        QWidget* first = listFirst ? static_cast<QWidget*>(list) : b.tree();
        QWidget* second = listFirst ? static_cast<QWidget*>(b.tree()) : list;
        Splitter* splitter = b.d->kwSplitData;
        QVERIFY(splitter->firstPane() == first && splitter->secondPane() == second);
        for (const QSize size : {QSize(640, 480), QSize(500, 700)}) {
            b.control->resize(size);
            const QRect bar = b.d->tlbData->geometry(), split = splitter->geometry(), a = first->geometry(),
                        c = second->geometry();
            QCOMPARE(QList<int>({bar.top(), bar.width(), split.top(), split.width(),
                                 b.d->staStatus->geometry().bottom()}),
                     QList<int>({0, size.width(), bar.bottom() + 1, size.width(), size.height() - 1}));
            // The first pane left of (or above) the second, sized by the percentage.
            const double share = horizontal ? double(a.height()) / (a.height() + c.height())
                                            : double(a.width()) / (a.width() + c.width());
            QVERIFY(first->isVisible() && second->isVisible() && qAbs(share * 100 - percent) <= 2 &&
                    (horizontal ? a.bottom() < c.top() : a.right() < c.left()));
        }
        // A dragged bar is remembered, rounded, once the control has started.
        QSplitter* bar = splitter->splitter();
        const int total = bar->sizes()[0] + bar->sizes()[1],
                  moved = int(std::ceil(total * 0.746)); // 75, not 74
        for (const bool started : {false, true}) {
            b.d->Initialized = started;
            bar->setSizes({moved, total - moved});
            emit bar->splitterMoved(moved, 1);
            QCOMPARE(Glob::Options().lngSplitPercent, started ? 75 : percent);
        }

        // Sorted case-blind, equals in arrival order; the chosen one stays chosen.
        const QString longest = QStringLiteral("c rather long table name");
        const std::vector<ListItem> items{{"b", {"a much longer owner name"}},
                                          {"A", {"dbo", "2024-01-01"}},
                                          {longest, {}},
                                          {"a", {}},
                                          {"B", {}}};
        list->model()->setItems(items);
        QStringList order;
        for (int row = 0; row < list->count(); ++row)
            order << list->model()->item(row).text;
        QCOMPARE(order, (QStringList{"A", "a", "b", "B", longest}));
        {
            // The same under a language's own collation, and with a single list that arrives unsorted.
            const QLocale was;
            QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
            quarry::platform::ObjectListModel german;
            QLocale::setDefault(was);
            german.setItems(items);
            order.clear();
            for (int row = 0; row < german.count(); ++row)
                order << german.item(row).text;
            QCOMPARE(order, (QStringList{"A", "a", "b", "B", longest}));
        }
        list->selectRow(1);
        QString dialog;
        whenModal(b.control.get(), [&](QWidget* modal) {
            dialog = modal ? modal->objectName() : QString();
            if (modal)
                static_cast<QDialog*>(modal)->reject();
        });
        QTest::mouseClick(b.d->tlbData->widgetForAction(b.control->findChild<QAction*>(button)),
                          Qt::LeftButton);
        const int view = button == "Options" ? stored : int(views.indexOf(button));
        QCOMPARE(dialog, button == "Options" ? QStringLiteral("frmOptions") : QString());
        QVERIFY(b.errors->isEmpty() && list->view() == view && Glob::Options().lngDataView == view);
        QCOMPARE(Glob::GetSetting("General", "Data View"), QString::number(view));
        QCOMPARE(toolbar(), texts + views[view] + "5");
        QCOMPARE(list->selectedRow(), 1);
        // Widths in twips: the widest text and 400 more; the fourth column stays out of sight.
        for (int column = 0; column < 4; ++column) {
            double widest = 0;
            for (const ListItem& item : items)
                widest = std::max(
                    widest, TextWidth(b.control.get(), column ? item.subItems.value(column - 1) : item.text));
            QCOMPARE(list->columnWidth(column), column == 3 ? 0 : button == "Report" ? widest + 400 : 1500);
            QCOMPARE(list->detailsView()->header()->isSectionHidden(column), column == 3);
        }

        // The splitter by number as by name; a value out of range changes nothing; locked, its bar stays.
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, splitter->setNumberedProperty(Splitter::Percentage, 101));
        splitter->setNumberedProperty(Splitter::Locked, true);
        QVERIFY(splitter->numberedProperty(Splitter::Percentage) == 75 && !bar->handle(1)->isEnabled());
    }

    // The details view wears the application's style, narrowed, and follows a style chosen later.
    void detailsFollowStyle()
    {
        const ObjectList list;
        const auto worn = [&] {
            const auto* proxy = qobject_cast<const QProxyStyle*>(list.detailsView()->style());
            return proxy ? proxy->baseStyle()->name().toLower() : QString();
        };
        const QString was = QApplication::style()->name();
        QCOMPARE(worn(), was.toLower());
        QApplication::setStyle(QStringLiteral("Windows"));
        QCOMPARE(worn(), QStringLiteral("windows"));
        QApplication::setStyle(was);
        QCOMPARE(worn(), was.toLower());
    }

    // Expanding connects, read only, or passes the driver's message on and closes the node; a category
    // click records its kind and path; Refresh lists the selected category again.
    void expandConnects_data() { addDatabaseRows(); }
    void expandConnects()
    {
        QFETCH(Db, db);
        QUARRY_REQUIRE_DB(db);
        Scratch scratch(db);
        QTcpServer silent;
        QString elsewhere; // ends by the 10 s timeout
        if (db == Db::PostgreSQL && silent.listen(QHostAddress::LocalHost))
            elsewhere = QStringLiteral("Provider=PostgreSQL;Data Source=127.0.0.1,%1;Initial Catalog=test")
                            .arg(silent.serverPort());
        Browser b({{QStringLiteral("Elsewhere"), elsewhere, QStringLiteral("far away")},
                   {QStringLiteral("Shop"), scratch.connectionString(), QStringLiteral("the shop")}});
        const QModelIndex shop = b.root(2);
        b.expand(b.root(1));
        QCOMPARE(b.errorProcedures(), QStringList{"Connect_DataSource"});
        QVERIFY(!b.errors->takeFirst()[1].toString().trimmed().isEmpty());
        QVERIFY(!b.tree()->isExpanded(b.root(1)) && b.model()->image(b.root(1)) == 1 &&
                b.d->connection(1).State() == quarry::adStateClosed && !QGuiApplication::overrideCursor() &&
                b.control->cursor().shape() == Qt::ArrowCursor);
        QCOMPARE(b.status(), QStringLiteral("Connecting to Elsewhere ..."));
        b.expand(shop);
        QVERIFY(b.errors->isEmpty() && b.tree()->isExpanded(shop) && b.tree()->currentIndex() == shop &&
                b.model()->image(shop) == 9 && b.status() == "Ready ...");
        QVERIFY(!b.model()->data(shop, Qt::DecorationRole).value<QIcon>().isNull());
        quarry::Connection connection = b.d->connection(2);
        QCOMPARE(QList<int>({Glob::CurrentDataSource(), connection.State(), connection.Mode()}),
                 QList<int>({2, quarry::adStateOpen, quarry::adModeRead}));
        QCOMPARE(Glob::Reporter().connectionText(), "provider " + connection.Provider());
        // Over a data source the tree shows its description, anywhere else nothing.
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
            QCOMPARE(QStringList({b.d->CategoryPath, b.selected->last().value(0).toString()}),
                     QStringList(2, "Shop : " + category));
            QCOMPARE(QList<int>({b.d->CurrentDataType, Glob::CurrentDataSource()}),
                     QList<int>({int(kCategories.indexOf(category)), 2}));
        }
        scratch.exec("CREATE TABLE " + scratch.qualify("t") + " (a INTEGER)");
        QVERIFY(!b.control->Refresh() && b.waitListed() && b.control->QueryTotal() == 1);
        b.tree()->setCurrentIndex(shop);
        QVERIFY(!b.control->Refresh() && b.waitListed() && b.control->property("QueryTotal") == 1);
        // The query command for a connected data source only, while the options allow it.
        QCOMPARE(release(b, shop), (QStringList{"Disconnect"} + kMaintenance + QStringList{"-", "&Query"}));
        Glob::Options().blnOpenSQL = false;
        QCOMPARE(release(b, shop), QStringList{"Disconnect"} + kMaintenance);
        // Disconnecting closes the connection and collapses the node; the connect command opens it again.
        b.d->mnuDisconnect->trigger();
        QVERIFY(connection.State() == quarry::adStateClosed && b.model()->image(shop) == 1 &&
                !b.tree()->isExpanded(shop));
        b.d->mnuConnect->trigger();
        QVERIFY(connection.State() == quarry::adStateOpen && b.model()->image(shop) == 9 &&
                b.tree()->isExpanded(shop) && b.errors->isEmpty());
        // UnloadFlter closes every connection and lets the panes go (not destroyed) until Set_Options.
        b.control->UnloadFlter();
        QVERIFY(connection.State() == quarry::adStateClosed && b.d->Connections.size() == 3 &&
                !b.d->Connections[2] && !b.d->kwSplitData->firstPane() && !b.d->kwSplitData->secondPane());
        QVERIFY(b.control->Set_Options());
        QTRY_VERIFY(b.tree()->isVisible() && b.d->lvwData->isVisible());
    }

    // New, Edit and Delete on the node under the pointer: the password gate, the editor and the question,
    // then the tree and the file as they end up.
    void commands_data()
    {
        QTest::addColumn<Command>("c");
        const QStringList two{"One", "Two"}, added{"One", "Two", "Added"};
        QTest::newRow("new, a password but no data flag")
            << Command{.item = "New", .typed = "Added", .after = added, .stored = true};
        QTest::newRow("new, editor cancelled") << Command{.item = "New", .node = 2, .after = two};
        QTest::newRow("delete first, data flag but no password")
            << Command{.item = "Delete", .after = {"Two"}, .message = "Delete One?", .dataFlag = true};
        QTest::newRow("delete, no") << Command{"Delete", 2, {}, two, "Delete Two?", MsgResult::No};
        QTest::newRow("delete the only one")
            << Command{.item = "Delete", .after = {}, .message = "Delete Only?", .names = {"Only"}};
        // The password gate: stored "GATE7"; what is typed.
        const auto gated = [](const char* item, const char* password, const QStringList& after,
                              const char* message = "") {
            return Command{item, 1, "Added", after, message, MsgResult::Yes, true, true, password};
        };
        QTest::newRow("gate: new, wrong") << gated("New", "nope", two, "Invalid Password");
        QTest::newRow("gate: edit, right") << gated("Edit", "Gate7", {"Added", "Two"});
        QTest::newRow("gate: delete, right") << gated("Delete", "gate7", {"Two"}, "Delete One?");
        // A change that cannot be saved is kept for the session; the next save carries it along.
        QTest::newRow("new, save fails") << Command{
            .item = "New", .typed = "Added", .after = {"One", "Two", "Added", "Again"}, .unwritable = true};
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
        QCOMPARE(release(b, b.root(c.node)).value(0), c.node == 1 ? "Disconnect" : "Connect");
        QCOMPARE(Glob::CurrentDataSource(), c.node);
        QAction* command = b.control->findChild<QAction*>("mnu" + c.item + "DataSource");
        b.prompts.msgAnswers = {c.answer};
        // The password, then a name and a connection from the scripted builder, each confirmed or cancelled.
        bool asked = false, editorShown = false;
        QString typed = c.typed;
        QObject context;
        std::function<void(QWidget*)> answer = [&](QWidget* modal) {
            if (modal && modal == &Glob::PasswordDialog()) {
                asked = true;
                QTest::keyClicks(child<QLineEdit>(*modal, "txtPassword0"), c.password);
                whenModal(&context, answer);
                child<QPushButton>(*modal, "cmdOK")->click();
                if (modal->isVisible()) // refused
                    child<QPushButton>(*modal, "cmdCancel")->click();
            } else if (auto* editor = qobject_cast<frmNewDataSource*>(modal)) {
                editorShown = true;
                child<QLineEdit>(*editor, "txtName")->setText(typed);
                child<QPushButton>(*editor, "cmdDataSource")->click();
                child<QPushButton>(*editor, typed.isEmpty() ? "cmdCancel" : "cmdOK")->click();
            }
        };
        whenModal(&context, answer);
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
            typed = QStringLiteral("Again");
            whenModal(&context, answer);
            b.d->mnuNewDataSource->trigger();
        }
        // The editor follows a password only when one was asked for and taken.
        const bool asking = c.stored && c.dataFlag,
                   editing = c.item != "Delete" && (!asking || c.message.isEmpty());
        QCOMPARE(QList<bool>({asked, editorShown}), QList<bool>({asking, editing}));
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

    // Type codes: every code not named here has no name, no format, and is allowed. Twips round to the
    // nearest pixel and come back exactly when whole; no resolution, no twips.
    void conversions()
    {
        const QMap<int, QString> names{
            {0, "Empty"},         {2, "SmallInt"}, {3, "Integer"},        {4, "Single"},
            {5, "Double"},        {6, "Currency"}, {7, "Date"},           {8, "BSTR"},
            {9, "IDispatch"},     {10, "Error"},   {11, "Boolean"},       {12, "Variant"},
            {13, "IUnknown"},     {14, "Decimal"}, {16, "TinyInt"},       {20, "BigInt"},
            {72, "GUID"},         {128, "Binary"}, {129, "Char"},         {131, "Numeric"},
            {133, "DBDate"},      {134, "DBTime"}, {135, "DBTimeStamp"},  {200, "VarChar"},
            {201, "LongVarChar"}, {202, "WChar"},  {203, "LongVarWChar"}, {205, "LongVarBinary"},
            {8192, "Array"}};
        const QList<int> whole{2, 3, 16, 17, 18, 19, 20, 21}, decimal{4, 5, 14, 131}, refused{203, 204, 205};
        kwQuarry control;
        QStringList actual, expected;
        for (int code = -5; code <= 9000; ++code) {
            const QString line = QStringLiteral("%1 %2 %3 %4").arg(code);
            expected << line.arg(names.value(code), whole.contains(code)     ? "#,###"
                                                    : decimal.contains(code) ? "#,###.00"
                                                    : code == 6              ? "$#,###.00"
                                                                             : "")
                            .arg(int(!refused.contains(code)));
            actual << line.arg(control.Field_Type(code), control.Format_Value(code))
                          .arg(int(control.Allowed_DataType(code)));
        }
        QCOMPARE(actual, expected);
        QCOMPARE(QList<double>({double(TwipsToPixels(400, 96)), double(TwipsToPixels(1500, 120)),
                                PixelsToTwips(125, 120), PixelsToTwips(27, 0)}),
                 QList<double>({27, 125, 1500, 0}));
    }
};

QTEST_MAIN(KwQuarryTest)
#include "tst_kwquarry.moc"
