// What a person does with the object list and the tree, by mouse and by
// keyboard, in each of the list's four view modes, on each database.
#include "BrowserFixture.h"
#include "TestDatabases.h"
#include "objects/ListedObject.h"

#include "platform/widgets/Grid.h"
#include "platform/widgets/Twips.h"
#include "settings/DataSources.h"

#include <QAction>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QTimer>
#include <QToolBar>

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
            scratch.exec("CREATE FUNCTION " + scratch.qualify("orders") +
                         "(qty integer) RETURNS integer LANGUAGE sql AS 'SELECT 1'");
        else if (db == Db::MariaDB)
            scratch.exec("CREATE PROCEDURE " + scratch.qualify("orders") + "(IN qty INT) BEGIN END");
        b = std::make_unique<Browser>(
            std::vector<quarry::test::SourceRow>{{QStringLiteral("Shop"), scratch.connectionString(), {}},
                                                 {QStringLiteral("Other"), other.connectionString(), {}}});
        if (db == Db::MariaDB)
            Glob::aDataSources()[1][Glob::dsDelimiter] = QStringLiteral("`");
        Glob::Options().blnToolTips = true;
        Glob::Options().blnOpenSQL = true;
        runs = std::make_unique<QSignalSpy>(b->control.get(), &kwQuarry::RunQuery);
        b->expand(b->root(1));
        b->click(b->child(1, QStringLiteral("Tables")));
        QToolBar* bar = b->d->tlbData;
        QTest::mouseClick(bar->widgetForAction(b->d->toolButtons[size_t(mode)]), Qt::LeftButton);
    }

    QAbstractItemView* view() const { return b->d->lvwData->currentView(); }
    int rowOf(const QString& text) const
    {
        for (int row = 0; row < b->d->lvwData->count(); ++row)
            if (b->d->lvwData->model()->item(row).text == text)
                return row;
        return -1;
    }
    QPoint centreOf(const QString& text) const
    {
        const QModelIndex index = view()->model()->index(rowOf(text), 0);
        view()->scrollTo(index);
        return view()->visualRect(index).center();
    }
    void click(const QString& text, Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers modifiers = {}) const
    {
        QTest::mouseClick(view()->viewport(), button, modifiers, centreOf(text));
    }
    // As a person makes it: a click, then the second press that makes it double.
    void doubleClick(const QString& text) const
    {
        click(text);
        QTest::mouseDClick(view()->viewport(), Qt::LeftButton, {}, centreOf(text));
    }
    void key(Qt::Key key) const
    {
        view()->setFocus();
        QTest::keyClick(view(), key);
    }
    // The delimited name as the database spells it, owner first where the list shows one.
    QString qualified(const QString& name) const
    {
        const QString q = scratch.db() == Db::MariaDB ? QStringLiteral("`") : QStringLiteral("\"");
        const QString quoted = q + QString(name).replace(q, q + q) + q;
        return scratch.db() == Db::PostgreSQL ? q + scratch.place() + q + u'.' + quoted : quoted;
    }
    QString lastSelected() const
    {
        return b->selected->isEmpty() ? QString() : b->selected->last().at(0).toString();
    }
    // The last hand-off: query text, name, kind, max records, auto-run, show SQL.
    QString lastRun() const
    {
        if (runs->isEmpty())
            return {};
        const QList<QVariant>& run = runs->last();
        return QStringLiteral("%1|%2|%3|%4 %5 %6")
            .arg(run.at(1).toString(), run.at(2).toString())
            .arg(run.at(3).toInt())
            .arg(run.at(4).toInt())
            .arg(run.at(5).toBool())
            .arg(run.at(6).toBool());
    }
    QString tableRun(const QString& name, const char* settings, int kind = 0,
                     const char* category = "Tables") const
    {
        return QStringLiteral("SELECT * \r\nFROM %1|Shop : %2 : %3|%4|%5")
            .arg(qualified(name), QLatin1String(category), name)
            .arg(kind)
            .arg(QLatin1String(settings));
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
        for (int row = 0; row < cells->rows(); ++row)
            for (int col = 0; col < cells->cols(); ++col)
                texts << cells->text(row, col);
        return texts;
    }

    Scratch scratch;
    Scratch other;
    std::unique_ptr<Browser> b;
    std::unique_ptr<QSignalSpy> runs;
};

void addModeRows()
{
    QTest::addColumn<Db>("db");
    QTest::addColumn<int>("mode");
    for (Db db : {Db::SQLite, Db::PostgreSQL, Db::MariaDB})
        for (int mode = 0; mode < 4; ++mode)
            QTest::addRow("%s, %s", qPrintable(quarry::test::dbName(db)), kModes[mode]) << db << mode;
}

QStringList visibleItems(const QMenu* menu)
{
    QStringList captions;
    for (QAction* action : menu->actions())
        if (action->isVisible())
            captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
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

    // Click, double-click and the table menu on the item under the pointer.
    void mouse_data() { addModeRows(); }
    void mouse()
    {
        QFETCH(Db, db);
        QFETCH(int, mode);
        QUARRY_REQUIRE_DB(db);
        Shop s(db, mode);
        QCOMPARE(s.b->d->lvwData->view(), mode);
        QCOMPARE(s.b->d->lvwData->count(), 4);
        // Names read whole in the icon modes.
        const QRect item = s.view()->visualRect(s.view()->model()->index(s.rowOf("customers"), 0));
        QVERIFY(mode == 3 || item.width() > s.view()->fontMetrics().horizontalAdvance("customers") + 8);

        s.click(QStringLiteral("customers"));
        QCOMPARE(s.lastSelected(), QStringLiteral("Shop : Tables : customers"));
        QCOMPARE(s.fields(), (QStringList{"name", "city"}));
        QCOMPARE(s.gridTexts(), (QStringList{"name", "city"}));
        QVERIFY(s.b->d->tmrTip->isActive());
        QVERIFY(!QGuiApplication::overrideCursor());

        s.doubleClick(QStringLiteral("customers"));
        QCOMPARE(s.runs->size(), 1);
        QCOMPARE(s.lastRun(), s.tableRun(QStringLiteral("customers"), "0 1 0"));

        // Empty space hands nothing over.
        const QRect space = s.view()->viewport()->rect();
        QTest::mouseDClick(s.view()->viewport(), Qt::LeftButton, {}, space.bottomRight() - QPoint(3, 3));
        QCOMPARE(s.runs->size(), 1);

        // "Return top ..." answered with Enter: the release that closes the
        // box lands on the list and must not open the table a second time.
        s.click(QStringLiteral("orders"), Qt::RightButton);
        QVERIFY(s.b->d->mnuTable->isVisible());
        QCOMPARE(visibleItems(s.b->d->mnuTable),
                 (QStringList{"&Open", "-", "Return &all rows", "Return &top ..."}));
        s.b->prompts.inputAnswers = {QStringLiteral("25")};
        QTest::keyClick(s.b->d->mnuTable, Qt::Key_T);
        QTest::keyRelease(s.view(), Qt::Key_Return);
        QCOMPARE(s.runs->size(), 2);
        QCOMPARE(s.lastRun(), s.tableRun(QStringLiteral("orders"), "25 1 0"));

        s.click(QStringLiteral("orders"), Qt::RightButton);
        QTest::keyClick(s.b->d->mnuTable, Qt::Key_O);
        QCOMPARE(s.lastRun(), s.tableRun(QStringLiteral("orders"), "0 0 1"));
        QCOMPARE(s.b->errorProcedures(), QStringList{});
    }

    // Arrows, typed letters and Enter act on the item that is current.
    void keyboard_data() { addModeRows(); }
    void keyboard()
    {
        QFETCH(Db, db);
        QFETCH(int, mode);
        QUARRY_REQUIRE_DB(db);
        Shop s(db, mode);
        const bool rows =
            mode == quarry::platform::ObjectList::List || mode == quarry::platform::ObjectList::Details;

        s.click(QStringLiteral("customers"));
        s.key(rows ? Qt::Key_Down : Qt::Key_Right);
        QCOMPARE(s.lastSelected(), QStringLiteral("Shop : Tables : employees"));
        QCOMPARE(s.fields(), QStringList{"id"});
        s.key(Qt::Key_Return);
        QCOMPARE(s.runs->size(), 1);
        QCOMPARE(s.lastRun(), s.tableRun(QStringLiteral("employees"), "0 1 0"));

        QTest::keyClicks(s.view(), QStringLiteral("od"));
        QCOMPARE(s.lastSelected(), QStringLiteral("Shop : Tables : odd\"name"));
        s.key(Qt::Key_Enter);
        QCOMPARE(s.lastRun(), s.tableRun(QStringLiteral("odd\"name"), "0 1 0"));

        s.key(Qt::Key_End);
        QCOMPARE(s.lastSelected(), QStringLiteral("Shop : Tables : orders"));

        // Ctrl+click takes the selection away: the tooltip goes quietly and
        // Enter has nothing to open.
        s.click(QStringLiteral("orders"), Qt::LeftButton, Qt::ControlModifier);
        QCOMPARE(s.b->d->lvwData->selectedRow(), -1);
        QVERIFY(!s.b->d->tmrTip->isActive());
        QVERIFY(!s.b->d->grdTooltip->isVisible());
        s.key(Qt::Key_Return);
        QCOMPARE(s.runs->size(), 2);
        QCOMPARE(s.b->errorProcedures(), QStringList{});
    }

    // The tree by keyboard, its menu, and a right-click on another data source.
    void tree_data() { quarry::test::addDatabaseRows(); }
    void tree()
    {
        QFETCH(Db, db);
        QUARRY_REQUIRE_DB(db);
        Shop s(db, quarry::platform::ObjectList::SmallIcons);
        Browser& b = *s.b;
        const auto rightClick = [&b](const QModelIndex& node) {
            QTest::mouseClick(b.tree()->viewport(), Qt::RightButton, {}, b.tree()->visualRect(node).center());
        };

        // Arrow keys select a node as a click does.
        b.tree()->setFocus();
        b.tree()->setCurrentIndex(b.root(1));
        QTest::keyClick(b.tree(), Qt::Key_Down);
        QCOMPARE(b.d->CategoryPath, QStringLiteral("Shop : Tables"));
        QCOMPARE(b.d->panel2->text(), QStringLiteral(" 4 items"));
        QTest::keyClick(b.tree(), Qt::Key_Down);
        QCOMPARE(b.d->CategoryPath, QStringLiteral("Shop : Views"));
        QCOMPARE(b.d->lvwData->count(), 1);

        // Right-click, Escape: the menu's claim on the query ends with the next
        // gesture, and Enter in the list opens the item it shows selected.
        rightClick(b.root(1));
        QVERIFY(b.d->mnuData->isVisible());
        QTest::keyClick(b.d->mnuData, Qt::Key_Escape);
        b.click(b.child(1, QStringLiteral("Views")));
        s.key(Qt::Key_Return);
        QCOMPARE(s.lastRun(), s.tableRun(QStringLiteral("v_customers"), "0 1 0", 1, "Views"));

        // A right-click on another data source: the list follows it as a click would.
        rightClick(b.root(2));
        QCOMPARE(Glob::CurrentDataSource(), 2);
        QCOMPARE(b.d->lvwData->count(), 0);
        QCOMPARE(s.lastSelected(), QStringLiteral("Other"));
        QVERIFY(b.d->mnuData->isVisible());
        QCOMPARE(visibleItems(b.d->mnuData).first(), QStringLiteral("Connect"));
        QTest::keyClick(b.d->mnuData, Qt::Key_Escape);
        s.key(Qt::Key_Return);
        QCOMPARE(s.runs->size(), 1);

        // The whole-data-source query comes only from the menu.
        b.click(b.child(1, QStringLiteral("Tables")));
        rightClick(b.root(1));
        QTest::keyClick(b.d->mnuData, Qt::Key_Q);
        QCOMPARE(s.lastRun(), QStringLiteral("|Shop|0|0 0 1"));

        QCOMPARE(b.errorProcedures(), QStringList{});
    }

    // Fields are looked up per data source, kind and name, afresh after a
    // refill, and a grid not filled while tooltips were off is not reused.
    void lookUps_data() { quarry::test::addDatabaseRows(); }
    void lookUps()
    {
        QFETCH(Db, db);
        QUARRY_REQUIRE_DB(db);
        Shop s(db, quarry::platform::ObjectList::Details);
        Browser& b = *s.b;
        s.click(QStringLiteral("orders"));
        QCOMPARE(s.fields(), (QStringList{"id", "placed"}));

        // A refill while the tooltip waits: it never comes up over the new items.
        b.click(b.child(1, QStringLiteral("Stored Procedures")));
        QVERIFY(!b.d->tmrTip->isActive());
        if (db != Db::SQLite) {
            s.click(QStringLiteral("orders"));
            QVERIFY2(s.fields().contains(QStringLiteral("qty")), qPrintable(s.fields().join(u',')));
            QVERIFY(!b.d->tmrTip->isActive());
        }
        b.click(b.child(1, QStringLiteral("Tables")));
        s.click(QStringLiteral("orders"));
        QCOMPARE(s.fields(), (QStringList{"id", "placed"}));
        QCOMPARE(b.d->SelectedObject, s.qualified(QStringLiteral("orders")));

        Glob::Options().blnToolTips = false;
        b.control->Set_Options(false, false, false);
        s.click(QStringLiteral("customers"));
        QCOMPARE(s.gridTexts(), (QStringList{"id", "placed"}));
        Glob::Options().blnToolTips = true;
        b.control->Set_Options(false, false, false);
        s.click(QStringLiteral("customers"));
        QCOMPARE(s.gridTexts(), (QStringList{"name", "city"}));

        // "orders" of another data source is another table.
        b.expand(b.root(2));
        s.other.exec(QStringLiteral("CREATE TABLE orders (code TEXT)"));
        b.click(b.child(2, QStringLiteral("Tables")));
        s.click(QStringLiteral("orders"));
        QCOMPARE(s.fields(), QStringList{"code"});
        QCOMPARE(b.errorProcedures(), QStringList{});
    }

    // Failures inside handlers reach the host by the handler's name; the
    // control goes on working.
    void handlerFailures_data()
    {
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<QString>("procedure");
        QTest::newRow("disconnect") << "mnuDisconnect"
                                    << "mnuDisconnect_Click";
        QTest::newRow("connect") << "mnuConnect"
                                 << "Connect_DataSource";
        QTest::newRow("item click") << "click"
                                    << "lvwData_ItemClick";
        QTest::newRow("double-click") << "double-click"
                                      << "lvwData_DblClick";
    }
    void handlerFailures()
    {
        QFETCH(QString, gesture);
        QFETCH(QString, procedure);
        QUARRY_REQUIRE_DB(Db::SQLite);
        Shop s(Db::SQLite, quarry::platform::ObjectList::SmallIcons);
        // A data source the table no longer has.
        Glob::setCurrentDataSource(Glob::kDataSourceRows + 1);
        if (gesture == QLatin1String("click"))
            s.click(QStringLiteral("orders"));
        else if (gesture == QLatin1String("double-click"))
            s.doubleClick(QStringLiteral("orders"));
        else
            s.b->control->findChild<QAction*>(gesture)->trigger();
        QVERIFY2(s.b->errorProcedures().contains(procedure), qPrintable(s.b->errorProcedures().join(u',')));
        QCOMPARE(s.runs->size(), 0);
        QVERIFY(!QGuiApplication::overrideCursor());

        Glob::setCurrentDataSource(1);
        s.b->click(s.b->child(1, QStringLiteral("Tables")));
        s.click(QStringLiteral("customers"));
        QCOMPARE(s.fields(), (QStringList{"name", "city"}));
    }

    // The selected item's text box and 300 twips to its right, 60 below,
    // bounds included, keep the tooltip.
    void pointerLeavesItem_data()
    {
        QTest::addColumn<QString>("edge");
        QTest::addColumn<double>("beyond"); // twips past the edge, outwards
        QTest::addColumn<bool>("hidden");
        QTest::newRow("300 right") << "right" << 300.0 << false;
        QTest::newRow("301 right") << "right" << 301.0 << true;
        QTest::newRow("60 below") << "bottom" << 60.0 << false;
        QTest::newRow("61 below") << "bottom" << 61.0 << true;
        QTest::newRow("left edge") << "left" << 0.0 << false;
        QTest::newRow("left of it") << "left" << 1.0 << true;
        QTest::newRow("top edge") << "top" << 0.0 << false;
        QTest::newRow("above it") << "top" << 1.0 << true;
    }
    void pointerLeavesItem()
    {
        QFETCH(QString, edge);
        QFETCH(double, beyond);
        QFETCH(bool, hidden);
        Browser b({});
        quarry::platform::ObjectList* list = b.d->lvwData;
        list->model()->setItems({{QStringLiteral("orders"), {}, 1, 5}, {QStringLiteral("x"), {}, 1, 5}});
        list->selectRow(1);
        const QRectF item = list->itemRect(1);
        QVERIFY(item.isValid());
        const double right = item.left() + quarry::platform::TextWidth(b.control.get(), QStringLiteral("x"));
        const double bottom = item.top() + quarry::platform::TextHeight(b.control.get(), QStringLiteral("x"));
        const double x = edge == "right"  ? right + beyond
                         : edge == "left" ? item.left() - beyond
                                          : item.left();
        const double y = edge == "bottom" ? bottom + beyond
                         : edge == "top"  ? item.top() - beyond
                                          : item.top();

        for (bool timerOnly : {false, true}) {
            b.d->grdTooltip->setVisible(!timerOnly);
            b.d->tmrTip->start(60000);
            emit list->pointerMoved(Qt::NoButton, {}, QPointF(x, y));
            QCOMPARE(b.d->grdTooltip->isVisible(), !timerOnly && !hidden);
            QCOMPARE(b.d->tmrTip->isActive(), !hidden);
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
        quarry::platform::ObjectList* list = b.d->lvwData;
        list->setView(quarry::platform::ObjectList::Details);
        const auto dated = [](const char* name, const char* owner, QDateTime when) {
            return quarry::objects::ListedObject(QString::fromLatin1(name), 1, 5, QString::fromLatin1(owner),
                                                 when);
        };
        list->model()->setItems({dated("a", "zed", QDateTime(QDate(2023, 12, 1), QTime(9, 0))),
                                 dated("b", "alpha", QDateTime(QDate(2024, 1, 15), QTime(8, 0))),
                                 dated("c", "mid", QDateTime(QDate(1999, 6, 30), QTime(23, 0)))});
        list->model()->setColumnIcon(3, 7);

        QHeaderView* header = list->detailsView()->header();
        for (int column : headers)
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(column - 1) + 4, header->height() / 2));
        QStringList shown;
        QList<int> headerIcons;
        for (int row = 0; row < list->count(); ++row)
            shown << list->model()->item(row).text;
        for (int column = 0; column < 3; ++column)
            headerIcons << list->model()->column(column).icon;
        QCOMPARE(shown, order);
        QCOMPARE(headerIcons, icons);
        QCOMPARE(list->model()->column(3).icon, 7);
        QCOMPARE(b.errorProcedures(), QStringList{});
    }
};

QTEST_MAIN(ListEventsTest)
#include "tst_listevents.moc"
