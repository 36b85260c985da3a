// The field tooltip: fields fetched from real databases, their order, the
// grid's layout and placement over the list, and its timer states.
#include "BrowserFixture.h"
#include "TestDatabases.h"

#include "platform/widgets/Grid.h"
#include "platform/widgets/Splitter.h"
#include "platform/widgets/Twips.h"
#include "query/Delimited.h"
#include "settings/DataSources.h"

#include <QMouseEvent>
#include <QTimer>

#include <cmath>

using quarry::platform::Grid;
using quarry::test::Browser;
using quarry::test::Db;
using quarry::test::Scratch;

namespace {

// No data sources; the list holds `count` items, one below the other, with `selected` selected.
std::unique_ptr<Browser> listBrowser(int count, int selected, QSize size = {640, 480})
{
    auto b = std::make_unique<Browser>(std::vector<quarry::test::SourceRow>{});
    b->control->resize(size);
    std::vector<quarry::platform::ListItem> items;
    for (int i = 0; i < count; ++i)
        items.push_back({QStringLiteral("item%1").arg(i), {}, 1, 5});
    b->d->lvwData->model()->setItems(std::move(items));
    b->d->lvwData->show();
    b->d->lvwData->setView(quarry::platform::ObjectList::Details);
    b->d->lvwData->selectRow(selected);
    QTest::qWait(0);
    Glob::Options().blnToolTips = true;
    Glob::Options().blnToolTipTypes = false;
    return b;
}

QRectF inControl(const QWidget* widget, const QWidget* control)
{
    using namespace quarry::platform;
    const QPoint origin = widget->mapTo(control, QPoint(0, 0));
    return {PixelsToTwipsX(control, origin.x()), PixelsToTwipsY(control, origin.y()),
            PixelsToTwipsX(control, widget->width()), PixelsToTwipsY(control, widget->height())};
}

} // namespace

class FieldTooltipTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void sortArray_data()
    {
        QTest::addColumn<QVariant>("data");
        QTest::addColumn<QVariant>("sorted"); // invalid: refused, left as it was
        using L = QStringList;
        QTest::newRow("two texts") << QVariant(L{"b", "a"}) << QVariant(L{"a", "b"});
        QTest::newRow("stable, case ignored")
            << QVariant(L{"b", "B", "a", "b"}) << QVariant(L{"a", "b", "B", "b"});
        // Lower-cased first: 'Z' < '_' < 'z'.
        QTest::newRow("lower case, then code units") << QVariant(L{"Zed", "_x"}) << QVariant(L{"_x", "Zed"});
        QTest::newRow("not the locale's order")
            << QVariant(L{"\u00e9", "f", "e"}) << QVariant(L{"e", "f", "\u00e9"});
        QTest::newRow("rows move whole, stable")
            << QVariant(QVariantList{L{"id", "3"}, L{"ID", "200"}, L{"a", "5"}})
            << QVariant(QVariantList{L{"a", "5"}, L{"id", "3"}, L{"ID", "200"}});
        QTest::newRow("list of single texts")
            << QVariant(QVariantList{"b", "a"}) << QVariant(QVariantList{"a", "b"});
        QTest::newRow("a number") << QVariant(42) << QVariant();
    }

    void sortArray()
    {
        QFETCH(QVariant, data);
        QFETCH(QVariant, sorted);
        kwQuarry control;
        QSignalSpy errors(&control, &kwQuarry::ErrHandle);
        const QVariant before = data;
        QCOMPARE(control.Sort_Array(data), sorted.isValid());
        QCOMPARE(data, sorted.isValid() ? sorted : before);
        QCOMPARE(errors.size(), sorted.isValid() ? 0 : 1);
        if (!errors.isEmpty())
            QCOMPARE(errors.at(0).at(0).toString(), QStringLiteral("Sort_Array"));
    }

    void getFields_data()
    {
        QTest::addColumn<Db>("db");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("columns"); // empty: no such table
        QTest::addColumn<QString>("setup");
        QTest::addColumn<bool>("sort");
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QString>("reportedBy"); // empty: succeeds
        const auto row = [](const char* tag, Db db, const char* table, const QString& columns, bool sort,
                            const char* fields, const char* setup = "", const char* reportedBy = "") {
            QTest::newRow(tag) << db << QString(table) << columns << QString(setup) << sort << QString(fields)
                               << QString(reportedBy);
        };
        // Long types (203 long wide text, 204 varbinary, 205 long binary) leave no gap.
        const QString lite = "b INTEGER, \"A\" VARCHAR(9), x VARBINARY(9), y LONGVARBINARY, c NUMERIC(5,2)";
        row("SQLite", Db::SQLite, "t", lite, false, "b:3,A:200,c:5");
        row("SQLite sorted", Db::SQLite, "t", lite, true, "A:200,b:3,c:5");
        row("PostgreSQL", Db::PostgreSQL, "t", "b integer, \"A\" varchar(9), x xml, y bytea, c date", false,
            "b:3,A:202,c:133");
        row("MariaDB", Db::MariaDB, "t",
            "b int, A varchar(9), x longtext, y varbinary(9), z longblob, c datetime", false,
            "b:3,A:202,c:135");
        row("all long", Db::SQLite, "t", "x VARBINARY(9), y LONGVARBINARY", true, "");
        // The delimiter inside a name is doubled, so the look-up still finds the table.
        row("SQLite quote in name", Db::SQLite, "we\"ird", "a INTEGER", false, "a:3");
        row("PostgreSQL quote in name", Db::PostgreSQL, "x\" FROM t; --", "a integer", false, "a:3");
        row("MariaDB backtick in name", Db::MariaDB, "we`ird", "a int", false, "a:3");
        // The database's own words come through Show_SQLError.
        row("SQLite missing", Db::SQLite, "no_such", "", false, "", "", "Show_SQLError");
        row("PostgreSQL missing", Db::PostgreSQL, "no_such", "", false, "", "", "Show_SQLError");
        row("MariaDB missing", Db::MariaDB, "no_such", "", false, "", "", "Show_SQLError");
        row("not connected", Db::SQLite, "t", "a INTEGER", false, "", "closed", "Get_Fields");
        row("procedure", Db::SQLite, "t", "a INTEGER", false, "", "procedure", "Get_Fields");
        row("no such data source", Db::SQLite, "t", "a INTEGER", false, "", "range", "Get_Fields");
    }

    void getFields()
    {
        QFETCH(Db, db);
        QFETCH(QString, table);
        QFETCH(QString, columns);
        QFETCH(QString, setup);
        QFETCH(bool, sort);
        QFETCH(QString, fields);
        QFETCH(QString, reportedBy);
        QUARRY_REQUIRE_DB(db);
        Scratch s(db);
        if (!columns.isEmpty()) {
            s.exec("CREATE TABLE " + s.qualify(table) + " (" + columns + ")");
            s.exec("INSERT INTO " + s.qualify(table) +
                   (db == Db::MariaDB ? " VALUES ()" : " DEFAULT VALUES"));
        }
        // Quoting as its database does; the name built as the list builds it (PostgreSQL's
        // scratch schema is outside the search path, so with its owner).
        Browser b({{"S", s.connectionString(), {}}});
        const QString delimiter = db == Db::MariaDB ? QStringLiteral("`") : QStringLiteral("\"");
        Glob::aDataSources()[1][Glob::dsDelimiter] = delimiter;
        b.expand(b.root(1));
        b.d->SelectedObject = (db == Db::PostgreSQL ? Delimited(s.place(), delimiter) + u'.' : QString()) +
                              Delimited(table, delimiter);
        b.d->ObjectFields = {{"stale", "3"}};
        Glob::Options().blnToolTipSort = sort;
        if (setup == QLatin1String("closed"))
            b.d->connection(1).Close();
        if (setup == QLatin1String("range"))
            Glob::setCurrentDataSource(99);
        const bool fails = !reportedBy.isEmpty();

        for (auto kind : {kwQuarry::dkDataTable, kwQuarry::dkDataView}) {
            b.d->CurrentDataType = setup == QLatin1String("procedure") ? kwQuarry::dkDataStoredProc : kind;
            QCOMPARE(b.control->Get_Fields(), !fails);
            QCOMPARE(b.errorProcedures(), fails ? QStringList{reportedBy} : QStringList{});
            QStringList out;
            for (const auto& [name, type] : b.d->ObjectFields)
                out << name + u':' + type;
            QCOMPARE(out.join(u','), fields); // on failure nothing of the previous object is left
            QCOMPARE(b.status(), QStringLiteral("Ready ..."));
            if (fails) {
                const QString description = b.errors->at(0).at(1).toString();
                const QString named = reportedBy == QLatin1String("Show_SQLError") ? table : QString();
                QVERIFY2(!description.isEmpty() && description.contains(named), qPrintable(description));
                break;
            }
            // Kept open, described only: the row is not read.
            QCOMPARE(b.d->ObjectRecordset->State(), quarry::adStateOpen);
            QVERIFY(b.d->ObjectRecordset->AtEOF());
        }
    }

    void populate_data()
    {
        QTest::addColumn<int>("fields");
        QTest::addColumn<int>("selected");
        QTest::addColumn<bool>("manyColumns"); // the layout needs more than one column
        QTest::newRow("no fields") << 0 << 0 << false;
        QTest::newRow("three fields") << 3 << 0 << false;
        QTest::newRow("ten fields, list four rows high") << 10 << 0 << true;
        QTest::newRow("item further down") << 6 << 5 << true;
        QTest::newRow("a hundred fields") << 100 << 1 << true;
    }

    void populate()
    {
        QFETCH(int, fields);
        QFETCH(int, selected);
        QFETCH(bool, manyColumns);
        auto b = listBrowser(10, selected, {400, 180});
        for (int i = 0; i < fields; ++i)
            b->d->ObjectFields.push_back({QStringLiteral("field_%1").arg(i), QStringLiteral("3")});
        Grid* grid = b->d->grdTooltip;
        const double h = grid->rowHeightTwips(0);
        const double listHeight = quarry::platform::PixelsToTwipsY(grid, b->d->lvwData->height());
        const double top = b->d->lvwData->itemRect(selected).top();

        QCOMPARE(b->control->Popluate_ToolTip(), QVariant(true));
        QVERIFY(b->errors->isEmpty());
        // The fewest columns whose height, counted from the item's top, stays below the list's.
        const int c = int(std::floor((top + h * fields) / listHeight)) + 1;
        const int r = (fields + c - 1) / c;
        QCOMPARE(c > 1, manyColumns);
        QCOMPARE(grid->grid()->cols(), c);
        QCOMPARE(grid->grid()->rows(), r);
        const QFontMetrics metrics(grid->font());
        int width = 0;
        for (int col = 0; col < c; ++col) {
            for (int row = 0; row < r; ++row) // top to bottom, then the next column
                QCOMPARE(grid->grid()->text(row, col),
                         col * r + row < fields ? QStringLiteral("field_%1").arg(col * r + row) : QString());
            width += grid->columnWidth(col);
            QVERIFY(grid->columnWidth(col) >= metrics.horizontalAdvance(grid->grid()->text(0, col)));
        }
        QCOMPARE(grid->width(), width);
        QCOMPARE(grid->height(), quarry::platform::TwipsToPixelsY(grid, h * r));
        QVERIFY(grid->isHidden());
    }

    void contentAndFailures_data()
    {
        QTest::addColumn<bool>("tooltips");
        QTest::addColumn<bool>("types");
        QTest::addColumn<bool>("selected");
        QTest::addColumn<QStringList>("cells"); // empty: the grid is left as it was
        QTest::addColumn<QStringList>("errors");
        using L = QStringList;
        QTest::newRow("types on") << true << true << true << L{"s  [VarChar]", "w  []", "d  [DBTimeStamp]"}
                                  << L{};
        QTest::newRow("types off") << true << false << true << L{"s", "w", "d"} << L{};
        QTest::newRow("tooltips off") << false << true << true << L{} << L{};
        QTest::newRow("off, nothing selected") << false << true << false << L{} << L{};
        QTest::newRow("nothing selected")
            << true << true << false << L{} << L{"Popluate_ToolTip", "Show_ToolTip"};
    }

    void contentAndFailures()
    {
        QFETCH(bool, tooltips);
        QFETCH(bool, types);
        QFETCH(bool, selected);
        QFETCH(QStringList, cells);
        QFETCH(QStringList, errors);
        auto b = listBrowser(3, selected ? 0 : -1);
        Glob::Options().blnToolTips = tooltips;
        Glob::Options().blnToolTipTypes = types;
        Grid* grid = b->d->grdTooltip;
        grid->grid()->setCols(1);
        grid->grid()->addRow({QStringLiteral("before")});
        grid->show();
        b->d->ObjectFields = {{"s", "200"}, {"w", "130"}, {"d", "135"}};

        QCOMPARE(b->control->Popluate_ToolTip().toBool(), errors.isEmpty());
        QStringList shown;
        for (int col = 0; col < grid->grid()->cols(); ++col)
            for (int row = 0; row < grid->grid()->rows(); ++row)
                shown << grid->grid()->text(row, col);
        shown.removeAll(QString());
        QCOMPARE(shown, cells.isEmpty() ? QStringList{"before"} : cells);
        const bool visible = !grid->isHidden();
        QCOMPARE(b->control->Show_ToolTip(), errors.isEmpty());
        QCOMPARE(b->errorProcedures(), errors);
        if (!tooltips) // untouched
            QVERIFY(!grid->isHidden() && !b->d->tmrTip->isActive());
        else // pending, or hidden by a placement that failed
            QVERIFY(visible && grid->isHidden() && b->d->tmrTip->isActive() == errors.isEmpty());
    }

    void placement_data()
    {
        QTest::addColumn<double>("pointerX"); // < 0: that many twips left of the list's right edge
        QTest::addColumn<QSize>("grid");      // pixels
        QTest::addColumn<int>("selected");
        QTest::addColumn<bool>("movedLeft");
        QTest::addColumn<bool>("movedUp");
        QTest::newRow("fits at the pointer") << 300.0 << QSize(80, 40) << 0 << false << false;
        QTest::newRow("past the right edge") << -600.0 << QSize(80, 40) << 0 << true << false;
        QTest::newRow("right edge on the list's") << -1200.0 << QSize(80, 40) << 0 << true << false;
        QTest::newRow("wider than the list") << -600.0 << QSize(2000, 40) << 0 << true << false;
        QTest::newRow("past the splitter's bottom") << 300.0 << QSize(80, 2000) << 0 << false << true;
        QTest::newRow("low item") << 300.0 << QSize(80, 200) << 8 << false << true;
    }

    void placement()
    {
        QFETCH(double, pointerX);
        QFETCH(QSize, grid);
        QFETCH(int, selected);
        QFETCH(bool, movedLeft);
        QFETCH(bool, movedUp);
        auto b = listBrowser(10, selected, {500, 300});
        QWidget* control = b->control.get();
        b->d->grdTooltip->resize(grid);
        const QRectF list = inControl(b->d->lvwData, control);
        const QRectF splitter = inControl(b->d->kwSplitData, control);
        b->d->PointerX = pointerX > 0 ? pointerX : list.width() + pointerX;

        QVERIFY(b->control->Show_ToolTip());
        QVERIFY(b->errors->isEmpty());
        const QRectF placed = inControl(b->d->grdTooltip, control);
        const double left = list.left() + b->d->PointerX;
        const double top = list.top() + b->d->lvwData->itemRect(selected).top() +
                           quarry::platform::TextHeight(control, QStringLiteral("item%1").arg(selected)) + 60;
        QCOMPARE(left + placed.width() >= list.right(), movedLeft);
        QCOMPARE(top + placed.height() >= splitter.bottom(), movedUp);
        // Backed off only as far as needed: to within a twip and a pixel of the edge.
        const double pixel = quarry::platform::PixelsToTwipsX(control, 1);
        if (movedLeft)
            QVERIFY(placed.right() < list.right() && placed.right() >= list.right() - 1 - pixel);
        else
            QVERIFY(std::abs(placed.left() - left) <= pixel / 2);
        if (movedUp)
            QVERIFY(placed.bottom() < splitter.bottom() && placed.bottom() >= splitter.bottom() - 1 - pixel);
        else
            QVERIFY(std::abs(placed.top() - top) <= pixel / 2);
        QVERIFY(b->d->grdTooltip->isHidden());
        QVERIFY(b->d->tmrTip->isActive());
        QCOMPARE(b->d->tmrTip->interval(), 1000);
    }

    void timerStates_data()
    {
        QTest::addColumn<int>("delay");
        QTest::addColumn<int>("shownInterval");
        QTest::newRow("three seconds") << 3 << 3000;
        QTest::newRow("no delay") << 0 << 0;
        QTest::newRow("more than a timer holds") << 3000000 << INT_MAX;
    }

    void timerStates()
    {
        QFETCH(int, delay);
        QFETCH(int, shownInterval);
        auto b = listBrowser(3, 1);
        Glob::Options().lngToolTipDelay = delay;
        QTimer* timer = b->d->tmrTip;
        Grid* grid = b->d->grdTooltip;
        // Visible, then active.
        const auto state = [&] {
            return QString::number(!grid->isHidden()) + QString::number(timer->isActive());
        };
        const auto tick = [&] { QVERIFY(QMetaObject::invokeMethod(timer, "timeout")); };

        QVERIFY(b->control->Show_ToolTip());
        QCOMPARE(state(), "01"); // pending
        tick();
        QCOMPARE(state(), "11");
        QCOMPARE(timer->interval(), shownInterval);
        tick();
        QCOMPARE(state(), "00");
        tick();
        QVERIFY(b->control->Show_ToolTip()); // again while shown: pending anew
        QCOMPARE(state(), "01");
        QCOMPARE(timer->interval(), 1000);
        tick();
        // The pointer over the shown grid holds it.
        QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), grid->viewport()->mapToGlobal(QPointF(3, 3)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(grid->viewport(), &move);
        QCOMPARE(state(), "10");
        QVERIFY(b->errors->isEmpty());
    }
};

QTEST_MAIN(FieldTooltipTest)
#include "tst_fieldtooltip.moc"
