#include "BrowserFixture.h"
#include "TestDatabases.h"
#include "objects/ListedObject.h"

#include "platform/LocaleText.h"
#include "platform/widgets/Grid.h"
#include "platform/widgets/Twips.h"
#include "settings/DataSources.h"

#include <QAction>
#include <QGuiApplication>
#include <QHeaderView>
#include <QListView>
#include <QMenu>
#include <QTimer>
#include <QTreeView>

#include <cmath>

using quarry::platform::ListItem;
using quarry::test::Browser;
using quarry::test::Db;
using quarry::test::Scratch;

namespace {

void createObjects(const Scratch& s)
{
    s.exec("CREATE TABLE " + s.qualify("orders") + " (id INTEGER, placed DATE)");
    s.exec("CREATE TABLE " + s.qualify("customers") + " (name VARCHAR(20))");
    s.exec("CREATE TABLE " + s.qualify("odd\"name") + " (x INTEGER)");
    if (s.db() == Db::PostgreSQL)
        s.exec("CREATE FUNCTION " + s.qualify("add_order") +
               "(qty integer) RETURNS integer LANGUAGE sql AS 'SELECT 1'");
    else if (s.db() == Db::MariaDB)
        s.exec("CREATE PROCEDURE " + s.qualify("add_order") + "(IN qty INT) BEGIN END");
}

// A browser over `scratch` with `category` listed, and the list in details view.
std::unique_ptr<Browser> listed(const Scratch& scratch, const QString& category)
{
    auto b = std::make_unique<Browser>(
        std::vector<quarry::test::SourceRow>{{QStringLiteral("Shop"), scratch.connectionString(), {}}});
    // MariaDB quotes names with backticks unless told otherwise.
    if (scratch.db() == Db::MariaDB)
        Glob::aDataSources()[1][Glob::dsDelimiter] = QStringLiteral("`");
    b->expand(b->root(1));
    b->click(b->child(1, category));
    b->d->lvwData->setView(quarry::platform::ObjectList::Details);
    return b;
}

int rowOf(const Browser& b, const QString& text)
{
    for (int row = 0; row < b.d->lvwData->count(); ++row)
        if (b.d->lvwData->model()->item(row).text == text)
            return row;
    return -1;
}

QAbstractItemView* view(const Browser& b)
{
    return b.d->lvwData->currentView();
}

QPoint centreOf(const Browser& b, int row)
{
    QAbstractItemView* v = view(b);
    v->scrollTo(v->model()->index(row, 0));
    return v->visualRect(v->model()->index(row, 0)).center();
}

void clickItem(const Browser& b, const QString& text, Qt::MouseButton button = Qt::LeftButton)
{
    const int row = rowOf(b, text);
    QVERIFY2(row >= 0, qPrintable(text));
    QTest::mouseClick(view(b)->viewport(), button, {}, centreOf(b, row));
}

QStringList fieldNames(const Browser& b)
{
    QStringList names;
    for (const auto& field : b.d->ObjectFields)
        names << field[0];
    return names;
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
    void init() { Glob::Reporter().clearReports(); }

    void itemClick_data()
    {
        QTest::addColumn<Db>("db");
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QStringList>("fields");
        for (Db db : {Db::SQLite, Db::PostgreSQL, Db::MariaDB}) {
            const QString name = quarry::test::dbName(db);
            QTest::newRow(qPrintable(name + " table")) << db << "Tables"
                                                       << "orders" << QStringList{"id", "placed"};
            QTest::newRow(qPrintable(name + " quote in name")) << db << "Tables"
                                                               << "odd\"name" << QStringList{"x"};
            if (db != Db::SQLite)
                QTest::newRow(qPrintable(name + " procedure")) << db << "Stored Procedures"
                                                               << "add_order" << QStringList{"qty"};
        }
    }

    // "orders" of another data source is another table: its own look-up.
    void sameNameElsewhere()
    {
        QUARRY_REQUIRE_DB(Db::SQLite);
        Scratch first(Db::SQLite);
        Scratch second(Db::SQLite);
        first.exec(QStringLiteral("CREATE TABLE orders (id INTEGER)"));
        second.exec(QStringLiteral("CREATE TABLE orders (code TEXT, amount INTEGER)"));
        Browser b({{QStringLiteral("One"), first.connectionString(), {}},
                   {QStringLiteral("Two"), second.connectionString(), {}}});
        for (int number : {1, 2, 1}) {
            b.expand(b.root(number));
            b.click(b.child(number, QStringLiteral("Tables")));
            clickItem(b, QStringLiteral("orders"));
            const QStringList expected = number == 1 ? QStringList{"id"} : QStringList{"code", "amount"};
            QCOMPARE(fieldNames(b), expected);
        }
        QCOMPARE(b.errorProcedures(), QStringList{});
    }

    // The path goes to the host, the name (owner first where there is one)
    // reaches the look-up, and only tables and views get a tooltip.
    void itemClick()
    {
        QFETCH(Db, db);
        QFETCH(QString, category);
        QFETCH(QString, item);
        QFETCH(QStringList, fields);
        QUARRY_REQUIRE_DB(db);
        Scratch scratch(db);
        createObjects(scratch);
        auto b = listed(scratch, category);
        Glob::Options().blnToolTips = true;
        QVERIFY(rowOf(*b, item) >= 0);
        b->selected->clear();

        clickItem(*b, item);
        QCOMPARE(b->errorProcedures(), QStringList{});
        QCOMPARE(b->selected->size(), 1);
        QCOMPARE(b->selected->first().at(0).toString(), "Shop : " + category + " : " + item);
        const bool procedure = category == QLatin1String("Stored Procedures");
        const QString q = db == Db::MariaDB ? QStringLiteral("`") : QStringLiteral("\"");
        const QString name = q + QString(item).replace(q, q + q) + q;
        QCOMPARE(b->d->ClickedObject, name);
        const bool owned = db == Db::PostgreSQL && !procedure;
        QCOMPARE(b->d->SelectedObject, owned ? q + scratch.place() + q + u'.' + name : name);
        // A function's result may come back as a parameter of its own.
        if (procedure)
            QVERIFY2(fieldNames(*b).contains(fields.first()), qPrintable(fieldNames(*b).join(u',')));
        else
            QCOMPARE(fieldNames(*b), fields);
        QCOMPARE(b->d->tmrTip->isActive(), !procedure);
        QVERIFY(!b->d->grdTooltip->isVisible());
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    // One look-up per item: a second click, even after a refill, shows the
    // tooltip from what the first one gathered.
    void sameItemLooksUpOnce_data()
    {
        QTest::addColumn<bool>("refill");
        QTest::addColumn<QString>("between"); // an item clicked in between, or none
        QTest::addColumn<bool>("lookedUpAgain");
        QTest::newRow("twice") << false << "" << false;
        QTest::newRow("after a refill") << true << "" << false;
        QTest::newRow("another item between") << false << "customers" << true;
    }

    void sameItemLooksUpOnce()
    {
        QFETCH(bool, refill);
        QFETCH(QString, between);
        QFETCH(bool, lookedUpAgain);
        QUARRY_REQUIRE_DB(Db::SQLite);
        Scratch scratch(Db::SQLite);
        createObjects(scratch);
        auto b = listed(scratch, QStringLiteral("Tables"));
        Glob::Options().blnToolTips = true;

        clickItem(*b, QStringLiteral("orders"));
        QCOMPARE(fieldNames(*b), (QStringList{"id", "placed"}));
        if (!between.isEmpty())
            clickItem(*b, between);
        if (refill) {
            QModelIndex node = b->child(1, QStringLiteral("Tables"));
            QVERIFY(b->control->Get_DataObjects(node));
            b->d->lvwData->setView(quarry::platform::ObjectList::Details);
        }
        b->d->ObjectFields.clear();
        b->d->tmrTip->stop();
        clickItem(*b, QStringLiteral("orders"));
        const QStringList again = lookedUpAgain ? QStringList{"id", "placed"} : QStringList{};
        QCOMPARE(fieldNames(*b), again);
        QVERIFY(b->d->tmrTip->isActive());
        QCOMPARE(b->errorProcedures(), QStringList{});
    }

    void itemClickFailures_data()
    {
        QTest::addColumn<Db>("db");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("reportedBy");
        QTest::newRow("table gone since the listing") << Db::PostgreSQL << "drop"
                                                      << "Get_Fields|Show_SQLError";
        QTest::newRow("no such data source") << Db::SQLite << "source"
                                             << "lvwData_ItemClick";
    }

    void itemClickFailures()
    {
        QFETCH(Db, db);
        QFETCH(QString, failure);
        QFETCH(QString, reportedBy);
        QUARRY_REQUIRE_DB(db);
        Scratch scratch(db);
        createObjects(scratch);
        auto b = listed(scratch, QStringLiteral("Tables"));
        Glob::Options().blnToolTips = true;
        if (failure == QLatin1String("drop"))
            scratch.exec("DROP TABLE " + scratch.qualify("orders"));
        else
            Glob::setCurrentDataSource(Glob::kDataSourceRows + 1);

        clickItem(*b, QStringLiteral("orders"));
        QCOMPARE(b->errors->size(), 1);
        QVERIFY2(reportedBy.split(u'|').contains(b->errorProcedures().first()),
                 qPrintable(b->errorProcedures().first()));
        QVERIFY(!b->errors->first().at(1).toString().isEmpty());
        QVERIFY(!b->d->tmrTip->isActive());
        QVERIFY(!QGuiApplication::overrideCursor());
        QVERIFY(!b->d->lvwData->testAttribute(Qt::WA_SetCursor));
    }

    void rightClickMenu_data()
    {
        QTest::addColumn<Db>("db");
        QTest::addColumn<QString>("category");
        QTest::addColumn<bool>("openSql");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<QStringList>("items"); // empty: no menu
        const QStringList all{"&Open", "-", "Return &all rows", "Return &top ..."};
        const QStringList runs{"Return &all rows", "Return &top ..."};
        QTest::newRow("table") << Db::SQLite << "Tables" << true << Qt::RightButton << all;
        QTest::newRow("Open SQL off") << Db::SQLite << "Tables" << false << Qt::RightButton << runs;
        QTest::newRow("left button") << Db::SQLite << "Tables" << true << Qt::LeftButton << QStringList{};
        QTest::newRow("empty list") << Db::SQLite << "Views" << true << Qt::RightButton << QStringList{};
        QTest::newRow("procedure") << Db::PostgreSQL << "Stored Procedures" << true << Qt::RightButton
                                   << runs;
        QTest::newRow("owned table") << Db::PostgreSQL << "Tables" << true << Qt::RightButton << all;
    }

    void rightClickMenu()
    {
        QFETCH(Db, db);
        QFETCH(QString, category);
        QFETCH(bool, openSql);
        QFETCH(Qt::MouseButton, button);
        QFETCH(QStringList, items);
        QUARRY_REQUIRE_DB(db);
        Scratch scratch(db);
        createObjects(scratch);
        auto b = listed(scratch, category);
        Glob::Options().blnOpenSQL = openSql;
        b->d->QueryFromTree = true;
        b->d->mnuTables[0]->setVisible(false);
        b->d->grdTooltip->show();
        const QString before = b->d->SelectedObject;

        if (b->d->lvwData->count() == 0)
            QTest::mouseClick(view(*b)->viewport(), button, {}, QPoint(20, 20));
        else
            clickItem(*b,
                      category == QLatin1String("Tables") ? QStringLiteral("orders")
                                                          : QStringLiteral("add_order"),
                      button);
        QVERIFY(!b->d->QueryFromTree);
        QCOMPARE(b->d->mnuTable->isVisible(), !items.isEmpty());
        if (items.isEmpty()) {
            QVERIFY(b->d->mnuTables[0]->isVisible());
            if (button == Qt::RightButton)
                QCOMPARE(b->d->SelectedObject, before);
        } else {
            QCOMPARE(visibleItems(b->d->mnuTable), items);
            QVERIFY(!b->d->grdTooltip->isVisible());
            // Without the owner, even where the list shows one.
            const QString name = category == QLatin1String("Tables") ? "\"orders\"" : "\"add_order\"";
            QCOMPARE(b->d->SelectedObject, name);
            QCOMPARE(b->d->ClickedObject, name);
            b->d->mnuTable->close();
        }
        QCOMPARE(b->errorProcedures(), QStringList{});
    }

    void menuCommands_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("maxRecords");
        QTest::addColumn<bool>("autoRun");
        QTest::addColumn<bool>("showSql");
        QTest::newRow("open") << 0 << 0 << false << true;
        QTest::newRow("all rows") << 2 << 0 << true << false;
        QTest::newRow("top rows") << 3 << 25 << true << false;
    }

    void menuCommands()
    {
        QFETCH(int, index);
        QFETCH(int, maxRecords);
        QFETCH(bool, autoRun);
        QFETCH(bool, showSql);
        QUARRY_REQUIRE_DB(Db::SQLite);
        Scratch scratch(Db::SQLite);
        createObjects(scratch);
        auto b = listed(scratch, QStringLiteral("Tables"));
        QSignalSpy runs(b->control.get(), &kwQuarry::RunQuery);
        b->prompts.inputAnswers = {QStringLiteral("25")};
        clickItem(*b, QStringLiteral("orders"), Qt::RightButton);
        QVERIFY(b->d->mnuTable->isVisible());

        b->d->mnuTables[size_t(index)]->trigger();
        QCOMPARE(b->errorProcedures(), QStringList{});
        QCOMPARE(runs.size(), 1);
        const QList<QVariant>& run = runs.first();
        QCOMPARE(run.at(2).toString(), QStringLiteral("Shop : Tables : orders"));
        QCOMPARE(run.at(4).toInt(), maxRecords);
        QCOMPARE(run.at(5).toBool(), autoRun);
        QCOMPARE(run.at(6).toBool(), showSql);
        b->d->mnuTable->close();
    }

    // Double-click and Enter open the selected object at once; with nothing
    // listed they do nothing.
    void openAtOnce_data()
    {
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<bool>("opened");
        for (const char* gesture : {"double-click", "Return", "keypad Enter"}) {
            QTest::newRow(gesture) << "Tables" << gesture << true;
            QTest::newRow(qPrintable(QStringLiteral("empty list, ") + gesture))
                << "Views" << gesture << false;
        }
        QTest::newRow("another key") << "Tables"
                                     << "Space" << false;
    }

    void openAtOnce()
    {
        QFETCH(QString, category);
        QFETCH(QString, gesture);
        QFETCH(bool, opened);
        QUARRY_REQUIRE_DB(Db::SQLite);
        Scratch scratch(Db::SQLite);
        createObjects(scratch);
        auto b = listed(scratch, category);
        QSignalSpy runs(b->control.get(), &kwQuarry::RunQuery);
        b->d->RunMaxRecords = 55;
        b->d->RunAutoRun = false;
        b->d->RunShowSQL = true;

        // The user picks the item first; that click also ends the tree's claim on the query.
        const int row = rowOf(*b, QStringLiteral("customers"));
        QCOMPARE(row >= 0, b->d->lvwData->count() > 0);
        if (row >= 0)
            clickItem(*b, QStringLiteral("customers"));
        if (gesture == QLatin1String("double-click"))
            QTest::mouseDClick(view(*b)->viewport(), Qt::LeftButton, {},
                               row >= 0 ? centreOf(*b, row) : QPoint(20, 20));
        else
            QTest::keyClick(view(*b), gesture == QLatin1String("Return")  ? Qt::Key_Return
                                      : gesture == QLatin1String("Space") ? Qt::Key_Space
                                                                          : Qt::Key_Enter);
        QCOMPARE(b->d->RunMaxRecords, opened ? 0 : 55);
        QCOMPARE(b->d->RunAutoRun, opened);
        QCOMPARE(b->d->RunShowSQL, !opened);
        QCOMPARE(runs.size(), opened ? 1 : 0);
        if (opened)
            QCOMPARE(runs.first().at(2).toString(), QStringLiteral("Shop : Tables : customers"));
        QCOMPARE(b->errorProcedures(), QStringList{});
    }

    void pointerX_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("stored");
        QTest::newRow("half down to even") << 22.5 << 22.0;
        QTest::newRow("half up to even") << 37.5 << 38.0;
        QTest::newRow("negative half") << -7.5 << -8.0;
        QTest::newRow("below half") << 10.49 << 10.0;
        QTest::newRow("above half") << 10.51 << 11.0;
    }

    void pointerX()
    {
        QFETCH(double, x);
        QFETCH(double, stored);
        Browser b({});
        emit b.d->lvwData->mouseDown(Qt::RightButton, {}, QPointF(x, 999.4));
        QCOMPARE(b.d->PointerX, stored);

        // A real press reaches it through the list, in twips of the list.
        QTest::mousePress(view(b)->viewport(), Qt::LeftButton, {}, QPoint(40, 10));
        const QPoint inList = view(b)->viewport()->mapTo(b.d->lvwData, QPoint(40, 10));
        QCOMPARE(b.d->PointerX, std::round(quarry::platform::PixelsToTwipsX(b.d->lvwData, inList.x())));
        QTest::mouseRelease(view(b)->viewport(), Qt::LeftButton, {}, QPoint(40, 10));
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
        QCOMPARE(b.errorProcedures(), QStringList{});
    }

    // Header clicks: the same column again reverses, another column keeps the
    // direction; "Create Date" sorts by date, not by either date text.
    void columnClick_data()
    {
        QTest::addColumn<QList<int>>("headers");
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<QList<int>>("icons");
        QTest::newRow("name again") << QList<int>{1} << QStringList{"c", "b", "a"} << QList<int>{2, 0, 0};
        QTest::newRow("owner") << QList<int>{2} << QStringList{"b", "c", "a"} << QList<int>{0, 1, 0};
        QTest::newRow("owner twice") << QList<int>{2, 2} << QStringList{"a", "c", "b"} << QList<int>{0, 2, 0};
        QTest::newRow("date") << QList<int>{3} << QStringList{"c", "a", "b"} << QList<int>{0, 0, 1};
        QTest::newRow("date twice") << QList<int>{3, 3} << QStringList{"b", "a", "c"} << QList<int>{0, 0, 2};
        QTest::newRow("descending kept")
            << QList<int>{1, 3} << QStringList{"b", "a", "c"} << QList<int>{0, 0, 2};
        QTest::newRow("back to name")
            << QList<int>{3, 1} << QStringList{"a", "b", "c"} << QList<int>{1, 0, 0};
    }

    void columnClick()
    {
        QFETCH(QList<int>, headers);
        QFETCH(QStringList, order);
        QFETCH(QList<int>, icons);
        Browser b({});
        quarry::platform::ObjectList* list = b.d->lvwData;
        list->setView(quarry::platform::ObjectList::Details);
        // Neither the display date nor the hidden text orders these by time.
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
        for (int row = 0; row < list->count(); ++row)
            shown << list->model()->item(row).text;
        QCOMPARE(shown, order);
        QList<int> headerIcons;
        for (int column = 0; column < 3; ++column)
            headerIcons << list->model()->column(column).icon;
        QCOMPARE(headerIcons, icons);
        QCOMPARE(list->model()->column(3).icon, 7);

        // A refill, as a new listing makes it, keeps the date order.
        if (headers.last() == 3) {
            list->model()->setItems({dated("d", "", QDateTime(QDate(2001, 1, 1), QTime(0, 0))),
                                     dated("e", "", QDateTime(QDate(1970, 5, 5), QTime(0, 0)))});
            QCOMPARE(list->model()->item(0).text, list->model()->sortOrder() == 0 ? "e" : "d");
        }
        QCOMPARE(b.errorProcedures(), QStringList{});
    }
};

QTEST_MAIN(ListEventsTest)
#include "tst_listevents.moc"
