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

// A scratch database holding two tables, an oddly named one and (where there are
// any) a procedure; a browser over it with `category` listed, in details view.
struct Listed
{
    Listed(Db db, const QString& category)
        : scratch(db)
    {
        scratch.exec("CREATE TABLE " + scratch.qualify("orders") + " (id INTEGER, placed DATE)");
        scratch.exec("CREATE TABLE " + scratch.qualify("customers") + " (name VARCHAR(20))");
        scratch.exec("CREATE TABLE " + scratch.qualify("odd\"name") + " (x INTEGER)");
        if (db == Db::PostgreSQL)
            scratch.exec("CREATE FUNCTION " + scratch.qualify("add_order") +
                         "(qty integer) RETURNS integer LANGUAGE sql AS 'SELECT 1'");
        else if (db == Db::MariaDB)
            scratch.exec("CREATE PROCEDURE " + scratch.qualify("add_order") + "(IN qty INT) BEGIN END");
        b = std::make_unique<Browser>(
            std::vector<quarry::test::SourceRow>{{QStringLiteral("Shop"), scratch.connectionString(), {}}});
        // MariaDB quotes names with backticks unless told otherwise.
        if (db == Db::MariaDB)
            Glob::aDataSources()[1][Glob::dsDelimiter] = QStringLiteral("`");
        b->expand(b->root(1));
        b->click(b->child(1, category));
        b->d->lvwData->setView(quarry::platform::ObjectList::Details);
        Glob::Options().blnToolTips = true;
    }
    Scratch scratch;
    std::unique_ptr<Browser> b;
};

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
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("reportedBy"); // either of these
        const auto row = [](const QString& tag, Db db, const char* category, const char* item,
                            const QStringList& fields, const char* failure = "",
                            const char* reportedBy = "") {
            QTest::newRow(qPrintable(tag)) << db << QString(category) << QString(item) << fields
                                           << QString(failure) << QString(reportedBy);
        };
        for (Db db : {Db::SQLite, Db::PostgreSQL, Db::MariaDB}) {
            const QString name = quarry::test::dbName(db);
            row(name + " table", db, "Tables", "orders", {"id", "placed"});
            row(name + " quote in name", db, "Tables", "odd\"name", {"x"});
            if (db != Db::SQLite)
                row(name + " procedure", db, "Stored Procedures", "add_order", {"qty"});
        }
        row("table gone since the listing", Db::PostgreSQL, "Tables", "orders", {}, "drop",
            "Get_Fields|Show_SQLError");
        row("no such data source", Db::SQLite, "Tables", "orders", {}, "source", "lvwData_ItemClick");
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
        QFETCH(QString, failure);
        QFETCH(QString, reportedBy);
        QUARRY_REQUIRE_DB(db);
        Listed l(db, category);
        Browser* b = l.b.get();
        QVERIFY(rowOf(*b, item) >= 0);
        b->selected->clear();
        if (failure == QLatin1String("drop"))
            l.scratch.exec("DROP TABLE " + l.scratch.qualify("orders"));
        if (failure == QLatin1String("source"))
            Glob::setCurrentDataSource(Glob::kDataSourceRows + 1);

        clickItem(*b, item);
        QVERIFY(!QGuiApplication::overrideCursor());
        if (!failure.isEmpty()) {
            QCOMPARE(b->errors->size(), 1);
            QVERIFY2(reportedBy.split(u'|').contains(b->errorProcedures().first()),
                     qPrintable(b->errorProcedures().first()));
            QVERIFY(!b->errors->first().at(1).toString().isEmpty());
            QVERIFY(!b->d->tmrTip->isActive());
            QVERIFY(!b->d->lvwData->testAttribute(Qt::WA_SetCursor));
            return;
        }
        QCOMPARE(b->errorProcedures(), QStringList{});
        QCOMPARE(b->selected->size(), 1);
        QCOMPARE(b->selected->first().at(0).toString(), "Shop : " + category + " : " + item);
        const bool procedure = category == QLatin1String("Stored Procedures");
        const QString q = db == Db::MariaDB ? QStringLiteral("`") : QStringLiteral("\"");
        const QString name = q + QString(item).replace(q, q + q) + q;
        QCOMPARE(b->d->ClickedObject, name);
        const bool owned = db == Db::PostgreSQL && !procedure;
        QCOMPARE(b->d->SelectedObject, owned ? q + l.scratch.place() + q + u'.' + name : name);
        // A function's result may come back as a parameter of its own.
        if (procedure)
            QVERIFY2(fieldNames(*b).contains(fields.first()), qPrintable(fieldNames(*b).join(u',')));
        else
            QCOMPARE(fieldNames(*b), fields);
        QCOMPARE(b->d->tmrTip->isActive(), !procedure);
        QVERIFY(!b->d->grdTooltip->isVisible());
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
        Listed l(Db::SQLite, QStringLiteral("Tables"));
        Browser* b = l.b.get();

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
        Listed l(db, category);
        Browser* b = l.b.get();
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

    // Double-click and Enter open the selected object at once, with nothing listed
    // they do nothing; the item menu's commands run it as they say.
    void runGestures_data()
    {
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("gesture");  // "menu N": the item menu's Nth command
        QTest::addColumn<QString>("settings"); // max records, auto-run, show SQL; "55 0 1": nothing run
        const auto row = [](const QString& tag, const char* category, const char* gesture,
                            const char* settings) {
            QTest::newRow(qPrintable(tag)) << QString(category) << QString(gesture) << QString(settings);
        };
        for (const char* gesture : {"double-click", "Return", "keypad Enter"}) {
            row(gesture, "Tables", gesture, "0 1 0");
            row(QStringLiteral("empty list, ") + gesture, "Views", gesture, "55 0 1");
        }
        row("another key", "Tables", "Space", "55 0 1");
        row("menu open", "Tables", "menu 0", "0 0 1");
        row("menu all rows", "Tables", "menu 2", "0 1 0");
        row("menu top rows", "Tables", "menu 3", "25 1 0");
    }

    void runGestures()
    {
        QFETCH(QString, category);
        QFETCH(QString, gesture);
        QFETCH(QString, settings);
        QUARRY_REQUIRE_DB(Db::SQLite);
        Listed l(Db::SQLite, category);
        Browser* b = l.b.get();
        QSignalSpy runs(b->control.get(), &kwQuarry::RunQuery);
        b->d->RunMaxRecords = 55;
        b->d->RunAutoRun = false;
        b->d->RunShowSQL = true;
        b->prompts.inputAnswers = {QStringLiteral("25")};

        // The user picks the item first; that click also ends the tree's claim on the query.
        const int row = rowOf(*b, QStringLiteral("customers"));
        QCOMPARE(row >= 0, b->d->lvwData->count() > 0);
        if (gesture.startsWith(QLatin1String("menu "))) {
            clickItem(*b, QStringLiteral("customers"), Qt::RightButton);
            QVERIFY(b->d->mnuTable->isVisible());
            b->d->mnuTables[gesture.mid(5).toUInt()]->trigger();
            b->d->mnuTable->close();
        } else {
            if (row >= 0)
                clickItem(*b, QStringLiteral("customers"));
            if (gesture == QLatin1String("double-click"))
                QTest::mouseDClick(view(*b)->viewport(), Qt::LeftButton, {},
                                   row >= 0 ? centreOf(*b, row) : QPoint(20, 20));
            else
                QTest::keyClick(view(*b), gesture == QLatin1String("Return")  ? Qt::Key_Return
                                          : gesture == QLatin1String("Space") ? Qt::Key_Space
                                                                              : Qt::Key_Enter);
        }
        const kwQuarryPrivate* d = b->d;
        QCOMPARE(QStringLiteral("%1 %2 %3").arg(d->RunMaxRecords).arg(d->RunAutoRun).arg(d->RunShowSQL),
                 settings);
        const bool opened = settings != QLatin1String("55 0 1");
        QCOMPARE(runs.size(), opened ? 1 : 0);
        if (opened) {
            const QList<QVariant>& run = runs.first();
            QCOMPARE(run.at(2).toString(), QStringLiteral("Shop : Tables : customers"));
            QCOMPARE(QStringLiteral("%1 %2 %3")
                         .arg(run.at(4).toInt())
                         .arg(run.at(5).toBool())
                         .arg(run.at(6).toBool()),
                     settings);
        }
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
        using I = QList<int>;
        using L = QStringList;
        QTest::newRow("name again") << I{1} << L{"c", "b", "a"} << I{2, 0, 0};
        QTest::newRow("owner") << I{2} << L{"b", "c", "a"} << I{0, 1, 0};
        QTest::newRow("owner twice") << I{2, 2} << L{"a", "c", "b"} << I{0, 2, 0};
        QTest::newRow("date") << I{3} << L{"c", "a", "b"} << I{0, 0, 1};
        QTest::newRow("date twice") << I{3, 3} << L{"b", "a", "c"} << I{0, 0, 2};
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
