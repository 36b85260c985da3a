// What a person does with the object list and the tree, by mouse and by
// keyboard, in each of the list's four view modes, on each database.
#include "BrowserFixture.h"
#include "TestDatabases.h"
#include "objects/ListedObject.h"

#include "platform/widgets/Grid.h"
#include "platform/widgets/ImageList.h"
#include "platform/widgets/ListDelegate.h"
#include "platform/widgets/ListOrder.h"
#include "platform/widgets/Twips.h"
#include "settings/DataSources.h"

#include <QAction>
#include <QGuiApplication>
#include <QHeaderView>
#include <QListView>
#include <QMenu>
#include <QTimer>
#include <QToolBar>

#include <algorithm>
#include <numeric>

using quarry::platform::ObjectList;
using quarry::test::Browser;
using quarry::test::Db;
using quarry::test::Scratch;

namespace {

const char* const kModes[] = {"large icons", "small icons", "list", "details"};

// A shop's tables, a view and a procedure named like a table, in a scratch
// area of `db`, browsed as data source "Shop" (and an empty "Other" beside
// it), with the Tables category listed in view mode `mode`, chosen on the toolbar.
struct Shop
{
    Shop(Db db, int mode)
        : scratch(db)
        , other(Db::SQLite)
    {
        scratch.exec("CREATE TABLE " + scratch.qualify("customers") +
                     " (name VARCHAR(20), city VARCHAR(20))");
        scratch.exec("CREATE TABLE " + scratch.qualify("employees") + " (id INTEGER)");
        scratch.exec("CREATE TABLE " + scratch.qualify("orders") + " (id INTEGER, placed DATE)");
        scratch.exec("CREATE TABLE " + scratch.qualify("odd\"name") + " (x INTEGER)");
        scratch.exec("CREATE VIEW " + scratch.qualify("v_customers") + " AS SELECT name FROM " +
                     scratch.qualify("customers"));
        if (db == Db::PostgreSQL)
            scratch.exec("CREATE FUNCTION orders(qty integer) RETURNS integer LANGUAGE sql AS 'SELECT 1'");
        else if (db == Db::MariaDB)
            scratch.exec("CREATE PROCEDURE orders(IN qty INT) BEGIN END");
        b = std::make_unique<Browser>(std::vector<quarry::test::SourceRow>{
            {"Shop", scratch.connectionString(), {}}, {"Other", other.connectionString(), {}}});
        // Without a delimiter of its own a data source gets its database's quote: ` on MariaDB.
        if (db == Db::MariaDB)
            Glob::aDataSources()[1][Glob::dsDelimiter].clear();
        Glob::Options().blnToolTips = Glob::Options().blnOpenSQL = true;
        runs = std::make_unique<QSignalSpy>(b->control.get(), &kwQuarry::RunQuery);
        b->expand(b->root(1));
        b->click(b->child(1, "Tables"));
        QTest::mouseClick(b->d->tlbData->widgetForAction(b->d->toolButtons[size_t(mode)]), Qt::LeftButton);
    }

    QAbstractItemView* view() const { return b->d->lvwData->currentView(); }
    // Where the item shows, scrolled into view.
    QRect rectOf(const QString& text) const
    {
        const QAbstractItemModel* model = view()->model();
        const QModelIndex index =
            model->match(model->index(0, 0), Qt::DisplayRole, text, 1, Qt::MatchExactly).value(0);
        view()->scrollTo(index);
        return view()->visualRect(index);
    }
    void click(const QString& text, Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers modifiers = {}) const
    {
        QTest::mouseClick(view()->viewport(), button, modifiers, rectOf(text).center());
    }
    // As a person makes it: a click, then the second press that makes it double.
    void doubleClick(const QString& text) const
    {
        click(text);
        QTest::mouseDClick(view()->viewport(), Qt::LeftButton, {}, rectOf(text).center());
    }
    void key(Qt::Key key) const
    {
        view()->setFocus();
        QTest::keyClick(view(), key);
    }
    void rightClick(const QModelIndex& node) const
    {
        QTest::mouseClick(b->tree()->viewport(), Qt::RightButton, {}, b->tree()->visualRect(node).center());
    }
    // The delimited name as the database spells it, owner first where the list shows one.
    QString qualified(const QString& name) const
    {
        const QString q = scratch.db() == Db::MariaDB ? "`" : "\"";
        const QString quoted = q + QString(name).replace(q, q + q) + q;
        return scratch.db() == Db::PostgreSQL ? q + scratch.place() + q + u'.' + quoted : quoted;
    }
    QString lastSelected() const { return b->selected->value(b->selected->size() - 1).value(0).toString(); }
    // The last hand-off: query text, name, kind, max records, auto-run, show SQL.
    QString lastRun() const
    {
        return runs->isEmpty() ? QString() : QVariant(runs->last().mid(1, 6)).toStringList().join(u'|');
    }
    // The hand-off that opens a table (or a view) of Shop, with max records, auto-run and show SQL.
    QString tableRun(const QString& name, const QString& settings, const QString& kind = "Table") const
    {
        return "SELECT * \r\nFROM " + qualified(name) + "|Shop : " + kind + "s : " + name + "|dkData" + kind +
               '|' + settings;
    }
    QStringList fields() const
    {
        QStringList names;
        for (const auto& field : b->d->ObjectFields)
            names << field[0];
        return names;
    }
    QStringList gridTexts() const
    {
        QStringList texts;
        const auto* cells = b->d->grdTooltip->grid();
        for (int cell = 0; cell < cells->rows() * cells->cols(); ++cell)
            texts << cells->text(cell / cells->cols(), cell % cells->cols());
        return texts;
    }

    Scratch scratch;
    Scratch other;
    std::unique_ptr<Browser> b;
    std::unique_ptr<QSignalSpy> runs;
};

QStringList visibleItems(const QMenu* menu)
{
    QStringList captions;
    for (QAction* action : menu->actions())
        if (action->isVisible())
            captions << (action->isSeparator() ? u'-' + action->text() : action->text());
    return captions;
}

} // namespace

class ListEventsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    // Click, double-click and the table menu on the item under the pointer;
    // then arrows, typed letters and Enter on the item that is current.
    void list_data()
    {
        QTest::addColumn<Db>("db");
        QTest::addColumn<int>("mode");
        for (Db db : {Db::SQLite, Db::PostgreSQL, Db::MariaDB})
            for (int mode = 0; mode < 4; ++mode)
                QTest::addRow("%s, %s", qPrintable(quarry::test::dbName(db)), kModes[mode]) << db << mode;
    }
    void list()
    {
        QFETCH(Db, db);
        QFETCH(int, mode);
        QUARRY_REQUIRE_DB(db);
        Shop s(db, mode);
        QCOMPARE(s.b->d->lvwData->view(), mode);
        QCOMPARE(s.b->d->lvwData->count(), 4);
        // Names read whole: the icon modes leave room around them, the details
        // view's column fits the longest beside its picture.
        for (const QString name : {"customers", "employees"}) {
            const QRect rect = s.rectOf(name);
            const QModelIndex index = s.view()->indexAt(rect.center());
            QVERIFY2(s.view()->sizeHintForIndex(index).width() <= rect.width(), qPrintable(name));
            QVERIFY(mode == ObjectList::Details ||
                    rect.width() - s.view()->fontMetrics().horizontalAdvance(name) >= 8);
        }

        s.click("customers");
        QCOMPARE(s.lastSelected(), "Shop : Tables : customers");
        QCOMPARE(s.fields(), (QStringList{"name", "city"}));
        QCOMPARE(s.gridTexts(), (QStringList{"name", "city"}));
        QVERIFY(s.b->d->tmrTip->isActive());
        QVERIFY(!QGuiApplication::overrideCursor());
        s.doubleClick("customers");
        QCOMPARE(s.runs->size(), 1);
        QCOMPARE(s.lastRun(), s.tableRun("customers", "0|true|false"));
        // Empty space hands nothing over.
        const QPoint space = s.view()->viewport()->rect().bottomRight() - QPoint(3, 3);
        QTest::mouseDClick(s.view()->viewport(), Qt::LeftButton, {}, space);
        QCOMPARE(s.runs->size(), 1);

        // "Return top ..." answered with Enter: the release that closes the
        // box lands on the list and must not open the table a second time.
        s.click("orders", Qt::RightButton);
        QVERIFY(s.b->d->mnuTable->isVisible());
        QCOMPARE(visibleItems(s.b->d->mnuTable),
                 (QStringList{"&Open", "-", "Return &all rows", "Return &top ..."}));
        s.b->prompts.inputAnswers = {"25"};
        QTest::keyClick(s.b->d->mnuTable, Qt::Key_T);
        QTest::keyRelease(s.view(), Qt::Key_Return);
        QCOMPARE(s.runs->size(), 2);
        QCOMPARE(s.lastRun(), s.tableRun("orders", "25|true|false"));
        s.click("orders", Qt::RightButton);
        QTest::keyClick(s.b->d->mnuTable, Qt::Key_O);
        QCOMPARE(s.lastRun(), s.tableRun("orders", "0|false|true"));

        s.click("customers");
        s.key(mode >= ObjectList::List ? Qt::Key_Down : Qt::Key_Right);
        QCOMPARE(s.lastSelected(), "Shop : Tables : employees");
        QCOMPARE(s.fields(), QStringList{"id"});
        s.key(Qt::Key_Return);
        QCOMPARE(s.runs->size(), 4);
        QCOMPARE(s.lastRun(), s.tableRun("employees", "0|true|false"));
        QTest::keyClicks(s.view(), "od");
        QCOMPARE(s.lastSelected(), "Shop : Tables : odd\"name");
        s.key(Qt::Key_Enter);
        QCOMPARE(s.lastRun(), s.tableRun("odd\"name", "0|true|false"));
        s.key(Qt::Key_End);
        QCOMPARE(s.lastSelected(), "Shop : Tables : orders");

        // Ctrl+click takes the selection away: the tooltip goes quietly and
        // Enter has nothing to open.
        s.click("orders", Qt::LeftButton, Qt::ControlModifier);
        QCOMPARE(s.b->d->lvwData->selectedRow(), -1);
        QVERIFY(!s.b->d->tmrTip->isActive());
        QVERIFY(!s.b->d->grdTooltip->isVisible());
        s.key(Qt::Key_Return);
        QCOMPARE(s.runs->size(), 5);
        QCOMPARE(s.b->errorProcedures(), QStringList{});
    }

    // The tree by keyboard and its menus; then fields looked up per data source,
    // kind and name, afresh after a refill, and a grid not filled while
    // tooltips were off is not reused.
    void tree_data() { quarry::test::addDatabaseRows(); }
    void tree()
    {
        QFETCH(Db, db);
        QUARRY_REQUIRE_DB(db);
        Shop s(db, ObjectList::Details);
        Browser& b = *s.b;

        // Arrow keys select a node as a click does.
        b.tree()->setFocus();
        b.tree()->setCurrentIndex(b.root(1));
        QTest::keyClick(b.tree(), Qt::Key_Down);
        QVERIFY(b.waitListed());
        QCOMPARE(b.d->CategoryPath, "Shop : Tables");
        QCOMPARE(b.d->panel2->text(), " 4 items");
        QTest::keyClick(b.tree(), Qt::Key_Down);
        QVERIFY(b.waitListed());
        QCOMPARE(b.d->CategoryPath, "Shop : Views");
        QCOMPARE(b.d->lvwData->count(), 1);

        // Right-click, Escape: the menu's claim on the query ends with the next
        // gesture, and Enter in the list opens the item it shows selected.
        s.rightClick(b.root(1));
        QVERIFY(b.d->mnuData->isVisible());
        QTest::keyClick(b.d->mnuData, Qt::Key_Escape);
        b.click(b.child(1, "Views"));
        s.key(Qt::Key_Return);
        QCOMPARE(s.lastRun(), s.tableRun("v_customers", "0|true|false", "View"));

        // A right-click on another data source: the list follows it as a click would.
        s.rightClick(b.root(2));
        QCOMPARE(Glob::CurrentDataSource(), 2);
        QCOMPARE(b.d->lvwData->count(), 0);
        QCOMPARE(s.lastSelected(), "Other");
        QVERIFY(b.d->mnuData->isVisible());
        QCOMPARE(visibleItems(b.d->mnuData).first(), "Connect");
        QTest::keyClick(b.d->mnuData, Qt::Key_Escape);
        s.key(Qt::Key_Return);
        QCOMPARE(s.runs->size(), 1);

        // The whole-data-source query comes only from the menu.
        b.click(b.child(1, "Tables"));
        s.rightClick(b.root(1));
        QTest::keyClick(b.d->mnuData, Qt::Key_Q);
        QCOMPARE(s.lastRun(), "|Shop|dkDataTable|0|false|true");

        // A refill while the tooltip waits: it never comes up over the new items.
        b.click(b.child(1, "Tables"));
        s.click("orders");
        QCOMPARE(s.fields(), (QStringList{"id", "placed"}));
        b.click(b.child(1, "Stored Procedures"));
        QVERIFY(!b.d->tmrTip->isActive());
        if (db != Db::SQLite) {
            s.click("orders");
            QVERIFY2(s.fields().contains("qty"), qPrintable(s.fields().join(u',')));
            QVERIFY(!b.d->tmrTip->isActive());
        }
        b.click(b.child(1, "Tables"));
        s.click("orders");
        QCOMPARE(s.fields(), (QStringList{"id", "placed"}));
        QCOMPARE(b.d->SelectedObject, s.qualified("orders"));

        for (bool tips : {false, true}) {
            Glob::Options().blnToolTips = tips;
            b.control->Set_Options(false, false, false);
            s.click("customers");
            QCOMPARE(s.gridTexts(), (tips ? QStringList{"name", "city"} : QStringList{"id", "placed"}));
        }

        // "orders" of another data source is another table.
        b.expand(b.root(2));
        s.other.exec("CREATE TABLE orders (code TEXT)");
        b.click(b.child(2, "Tables"));
        s.click("orders");
        QCOMPARE(s.fields(), QStringList{"code"});
        QCOMPARE(b.errorProcedures(), QStringList{});
    }

    // Failures inside handlers reach the host by the handler's name; the
    // control goes on working.
    void handlerFailures_data()
    {
        QTest::addColumn<QString>("procedure"); // the gesture is the row's name
        QTest::newRow("mnuDisconnect") << "mnuDisconnect_Click";
        QTest::newRow("mnuConnect") << "Connect_DataSource";
        QTest::newRow("click") << "lvwData_ItemClick";
        QTest::newRow("double-click") << "lvwData_DblClick";
    }
    void handlerFailures()
    {
        QFETCH(QString, procedure);
        const QString gesture = QTest::currentDataTag();
        QUARRY_REQUIRE_DB(Db::SQLite);
        Shop s(Db::SQLite, ObjectList::SmallIcons);
        // A data source the table no longer has.
        Glob::setCurrentDataSource(Glob::kDataSourceRows + 1);
        if (gesture.startsWith("mnu"))
            s.b->control->findChild<QAction*>(gesture)->trigger();
        else
            gesture == "click" ? s.click("orders") : s.doubleClick("orders");
        QVERIFY2(s.b->errorProcedures().contains(procedure), qPrintable(s.b->errorProcedures().join(u',')));
        QCOMPARE(s.runs->size(), 0);
        QVERIFY(!QGuiApplication::overrideCursor());

        Glob::setCurrentDataSource(1);
        s.b->click(s.b->child(1, "Tables"));
        s.click("customers");
        QCOMPARE(s.fields(), (QStringList{"name", "city"}));
    }

    // The selected item's text box and 300 twips to its right, 60 below,
    // bounds included, keep the tooltip; a twip further on it goes.
    void pointerLeavesItem_data()
    {
        QTest::addColumn<double>("bound"); // twips past the edge
        QTest::addColumn<QPointF>("outwards");
        QTest::newRow("right") << 300.0 << QPointF(1, 0);
        QTest::newRow("below") << 60.0 << QPointF(0, 1);
        QTest::newRow("left") << 0.0 << QPointF(-1, 0);
        QTest::newRow("above") << 0.0 << QPointF(0, -1);
    }
    void pointerLeavesItem()
    {
        QFETCH(double, bound);
        QFETCH(QPointF, outwards);
        Browser b({});
        ObjectList* list = b.d->lvwData;
        list->model()->setItems({{"orders", {}, 1, 5}, {"x", {}, 1, 5}});
        list->selectRow(1);
        const QRectF item = list->itemRect(1);
        QVERIFY(item.isValid());
        // The corner of the text box on the edge's side.
        const QPointF corner(
            outwards.x() > 0 ? item.left() + quarry::platform::TextWidth(b.control.get(), "x") : item.left(),
            outwards.y() > 0 ? item.top() + quarry::platform::TextHeight(b.control.get(), "x") : item.top());
        for (double beyond : {bound, bound + 1})
            for (bool timerOnly : {false, true}) {
                b.d->grdTooltip->setVisible(!timerOnly);
                b.d->tmrTip->start(60000);
                emit list->pointerMoved(Qt::NoButton, {}, corner + outwards * beyond);
                QCOMPARE(b.d->grdTooltip->isVisible(), !timerOnly && beyond == bound);
                QCOMPARE(b.d->tmrTip->isActive(), beyond == bound);
            }
    }

    // Header clicks: the same column again reverses, another column keeps the
    // direction; "Create Date" sorts by date, not by either date text.
    void columnClick_data()
    {
        QTest::addColumn<QList<int>>("headers");
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<QList<int>>("icons");
        using I = QList<int>;
        using L = QStringList;
        QTest::newRow("name again") << I{1} << L{"c", "b", "a"} << I{2, 0, 0};
        QTest::newRow("owner twice") << I{2, 2} << L{"a", "c", "b"} << I{0, 2, 0};
        QTest::newRow("date") << I{3} << L{"c", "a", "b"} << I{0, 0, 1};
        QTest::newRow("descending kept") << I{1, 3} << L{"b", "a", "c"} << I{0, 0, 2};
        QTest::newRow("back to name") << I{3, 1} << L{"a", "b", "c"} << I{1, 0, 0};
    }
    void columnClick()
    {
        QFETCH(QList<int>, headers);
        QFETCH(QStringList, order);
        QFETCH(QList<int>, icons);
        Browser b({});
        ObjectList* list = b.d->lvwData;
        list->setView(ObjectList::Details);
        using quarry::objects::ListedObject;
        list->model()->setItems({ListedObject("a", 1, 5, "zed", {{2023, 12, 1}, {9, 0}}),
                                 ListedObject("b", 1, 5, "alpha", {{2024, 1, 15}, {8, 0}}),
                                 ListedObject("c", 1, 5, "mid", {{1999, 6, 30}, {23, 0}})});
        list->model()->setColumnIcon(3, 7);

        QHeaderView* header = list->detailsView()->header();
        for (int column : headers)
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(column - 1) + 4, header->height() / 2));
        QStringList shown;
        QList<int> headerIcons;
        for (int row = 0; row < list->count(); ++row)
            shown << list->model()->item(row).text;
        for (int column = 0; column < 4; ++column)
            headerIcons << list->model()->column(column).icon;
        QCOMPARE(shown, order);
        QCOMPARE(headerIcons, icons << 7);
        QCOMPARE(b.errorProcedures(), QStringList{});
    }

    // The small icons and list views draw their items as the style would, in
    // every state an item can show; only the work behind it is less.
    void quickPaint_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("focused");
        QTest::newRow("small icons") << int(ObjectList::SmallIcons) << true << false;
        QTest::newRow("small icons, focused") << int(ObjectList::SmallIcons) << true << true;
        QTest::newRow("list, while a listing loads") << int(ObjectList::List) << false << false;
        QTest::newRow("list, focused") << int(ObjectList::List) << true << true;
    }
    void quickPaint()
    {
        QFETCH(int, mode);
        QFETCH(bool, enabled);
        QFETCH(bool, focused);
        quarry::platform::ImageList small(QSize(16, 16));
        quarry::platform::ImageList large(QSize(32, 32));
        for (const auto picture : {QStyle::SP_FileIcon, QStyle::SP_FileLinkIcon}) {
            small.add(QApplication::style()->standardIcon(picture));
            large.add(QApplication::style()->standardIcon(picture));
        }
        ObjectList list;
        list.setImageLists(&small, &large, nullptr);
        // A name too long for its item is elided; one of many lines keeps to its first.
        const QStringList names{
            "customers", "Überweisungen", "order_lines_2023", QString(90, u'W'), "two\nlines",
            "",          "view_of_ä",     "t99999",           "ordinary_table",  "w"};
        std::vector<quarry::platform::ListItem> items;
        for (int i = 0; i < names.size(); ++i)
            items.push_back({names[i], {}, 1 + i % 2, 1 + i % 2});
        list.model()->setItems(items);
        list.setView(mode);
        list.resize(700, 200);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QListView* view = list.iconView();
        list.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&list));
        focused ? view->setFocus() : view->clearFocus();
        QCOMPARE(view->hasFocus(), focused);
        // One item selected, another current (the one with the focus frame).
        list.selectRow(2);
        list.selectionModel()->setCurrentIndex(list.model()->index(5, 0), QItemSelectionModel::NoUpdate);
        list.setEnabled(enabled);
        auto* delegate = dynamic_cast<quarry::platform::ListDelegate*>(view->itemDelegate());
        QVERIFY(delegate && delegate->quick);
        const QImage quick = view->viewport()->grab().toImage();
        delegate->quick = false;
        const QImage styled = view->viewport()->grab().toImage();
        delegate->quick = true;
        QCOMPARE(quick, styled);
    }

    // Rows ordered batch by batch while a listing comes in end up as one sort of them all would put
    // them: equal names (by case) keep the order they came in, whatever the batches.
    void batchOrder_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("descending");
        QTest::addColumn<int>("batch");
        QTest::newRow("C, names, rows one by one") << "C" << 0 << false << 1;
        QTest::newRow("C, names down, batches of 7") << "C" << 0 << true << 7;
        QTest::newRow("English, names, batches of 64") << "en_US" << 0 << false << 64;
        QTest::newRow("German, owners down, batches of 5") << "de_DE" << 1 << true << 5;
        QTest::newRow("English, in one batch") << "en_US" << 0 << true << 1000;
    }
    void batchOrder()
    {
        QFETCH(QString, locale);
        QFETCH(int, key);
        QFETCH(bool, descending);
        QFETCH(int, batch);
        const QLocale before;
        const auto restore = qScopeGuard([before] { QLocale::setDefault(before); });
        QLocale::setDefault(QLocale(locale));
        quarry::platform::ObjectListModel model;
        model.setSortKey(key);
        model.setSortOrder(descending ? 1 : 0);
        std::vector<quarry::platform::ListItem> all;
        // Some alike in their first eight letters, told apart after them.
        const QStringList words{"b",
                                "A",
                                "a",
                                "ä",
                                "B",
                                "_x",
                                "Z",
                                "z9",
                                "z10",
                                "é",
                                "e",
                                "E",
                                "customer_b",
                                "Customer_A",
                                "customer_a_",
                                "order_lines_2023",
                                "Order_Lines_2022"};
        for (int i = 0; i < 300; ++i) {
            const QString word = words[(i * 7) % words.size()];
            all.push_back(quarry::objects::ListedObject(word + QString::number(i / words.size() % 3), 1, 5,
                                                        words[(i * 5) % words.size()], {}));
        }
        quarry::platform::ListOrder order(model);
        std::vector<quarry::platform::ListItem> arrived;
        for (const auto& item : all) {
            arrived.push_back(item);
            if (int(arrived.size()) % batch == 0)
                order.add(arrived);
        }
        order.add(arrived);
        std::vector<int> expected(all.size());
        std::iota(expected.begin(), expected.end(), 0);
        const auto text = [&](int row) {
            return key ? all[size_t(row)].subItems.value(0) : all[size_t(row)].text;
        };
        std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
            const int c = model.collator().compare(text(a), text(b));
            return descending ? c > 0 : c < 0;
        });
        QCOMPARE(order.order(), expected);
        QVERIFY(order.holdsFor(model));
        model.setSortOrder(descending ? 0 : 1);
        QVERIFY(!order.holdsFor(model));
    }
};

QTEST_MAIN(ListEventsTest)
#include "tst_listevents.moc"
