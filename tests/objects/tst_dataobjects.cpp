// The object list and what hangs off it: a category's objects from each database, the fields of a
// clicked one, the query handed to the host, and the field tooltip's layout, placement and timer.
#include "BrowserFixture.h"
#include "TcpProxy.h"
#include "TestDatabases.h"

#include "platform/LocaleText.h"
#include "platform/widgets/Grid.h"
#include "platform/widgets/Splitter.h"
#include "platform/widgets/Twips.h"
#include "query/Delimited.h"
#include "settings/DataSources.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QTimer>

#include <cmath>

using quarry::test::Browser;
using quarry::test::Db;
using namespace quarry::platform;

namespace {

struct Listing
{
    Db db;
    QString category;
    QStringList names;     // ours, sorted
    QString fields = {};   // of orders, recent_orders or add_order once clicked, as name:type; null: no click
    QString failure = {};  // "", "not connected", "server gone"
    QString reported = {}; // who reported it
    bool tables = true;    // the option to list tables at all
};

struct Tooltip
{
    int fields; // "field_0"... of type 3
    int selected;
    bool types;      // shown after the names
    int height;      // the control's, in pixels
    double pointerX; // twips; 0: the grid's width from the list's right edge
    int delay;       // seconds; shown for at most INT_MAX ms
    QString layout;  // columns ("n": as many as it takes), and where the grid was moved
};

// A browser on data source "Shop" at `connection`, in `size`, with tooltips on.
std::unique_ptr<Browser> shop(const QString& connection, QSize size = {640, 480})
{
    auto b = std::make_unique<Browser>(std::vector<quarry::test::SourceRow>{{"Shop", connection, {}}});
    b->control->resize(size);
    Glob::Options().blnToolTips = true;
    return b;
}

} // namespace

Q_DECLARE_METATYPE(Listing)
Q_DECLARE_METATYPE(Tooltip)

class DataObjectsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void listing_data()
    {
        QTest::addColumn<Listing>("listing");
        const auto row = [](const Listing& l) {
            QTest::addRow("%s %s%s%s", qPrintable(quarry::test::dbName(l.db)), qPrintable(l.category),
                          qPrintable(l.failure.isEmpty() ? "" : ", " + l.failure),
                          l.tables ? "" : ", tables off")
                << l;
        };
        const QStringList tables{"customers", "orders"};
        // ";1" goes, ";2" stays; only a lower-case "dt_" prefix hides a procedure.
        const QStringList procedures{"DT_shown", "add_order", "archive", "archive;2", "dtshown"};
        // Long types (203, 204, 205) are left out; PostgreSQL's are sorted.
        row({Db::SQLite, "Tables", tables, "b:3,A:200,c:5"});
        row({Db::SQLite, "Views", {"recent_orders"}, "b:3"});
        row({Db::SQLite, "Stored Procedures", {}, {}});
        row({Db::PostgreSQL, "Tables", tables, "A:202,b:3,c:133"});
        row({Db::PostgreSQL, "Views", {"recent_orders"}, "b:3"});
        row({Db::PostgreSQL, "Stored Procedures", procedures, "A:202,b:3,e:133"});
        row({Db::MariaDB, "Tables", tables, "b:3,A:202,c:135"});
        row({Db::MariaDB, "Views", {"recent_orders"}, "b:3"});
        row({Db::MariaDB, "Stored Procedures", procedures, "b:3,A:202,f:135"});
        // Views and procedures fail without a word.
        row({Db::PostgreSQL, "Tables", {}, {}, "not connected", "Get_DataObjects"});
        row({Db::PostgreSQL, "Stored Procedures", {}, {}, "not connected"});
        row({Db::PostgreSQL, "Tables", {}, {}, "server gone", "Show_SQLError"});
        row({Db::PostgreSQL, "Views", {}, {}, "server gone"});
        row({Db::SQLite, "Tables", {}, {}, {}, {}, false});
    }

    void listing()
    {
        QFETCH(Listing, listing);
        const Db db = listing.db;
        QUARRY_REQUIRE_DB(db);
        const quarry::test::Scratch s(db);
        // Per database: the orders' columns, a routine by name, and add_order with parameters.
        const QString sql[][3] = {
            {"b INTEGER, \"A\" VARCHAR(9), x VARBINARY(9), y LONGVARBINARY, c NUMERIC(5,2)"},
            {"b integer, \"A\" varchar(9), x xml, y bytea, c date",
             "CREATE FUNCTION %1() RETURNS integer LANGUAGE sql AS 'SELECT 1'",
             "CREATE PROCEDURE add_order(b integer, \"A\" varchar(5), c bytea, d xml, e date) LANGUAGE sql "
             "AS $$ SELECT 1 $$"},
            {"b int, A varchar(9), x longtext, y varbinary(9), z longblob, c datetime",
             "CREATE PROCEDURE %1() BEGIN END",
             "CREATE PROCEDURE add_order(IN b INT, IN A VARCHAR(10), IN c LONGBLOB, OUT d TEXT, "
             "IN e VARBINARY(4), IN f DATETIME) BEGIN END"}};
        s.exec("CREATE TABLE " + s.qualify("orders") + " (" + sql[int(db)][0] + ")");
        s.exec("CREATE TABLE " + s.qualify("customers") + " (id INTEGER)");
        s.exec("CREATE VIEW " + s.qualify("recent_orders") + " AS SELECT b FROM " + s.qualify("orders"));
        for (const char* name : {"dt_hidden", "DT_shown", "dtshown", "archive;1", "archive;2", ""})
            if (db != Db::SQLite)
                s.exec(*name ? sql[int(db)][1].arg(s.qualify(name)) : sql[int(db)][2]);
        // PostgreSQL through a forwarder that can be stopped, with a password that must never show.
        quarry::test::TcpProxy server(5432);
        QString connection = s.connectionString();
        if (db == Db::PostgreSQL)
            connection.replace("127.0.0.1", "127.0.0.1," + QString::number(server.port())) +=
                ";Password=secret-word";
        const auto b = shop(connection);
        const QString q = db == Db::MariaDB ? QStringLiteral("`") : QStringLiteral("\"");
        Glob::aDataSources()[1][Glob::dsDelimiter] = q;
        Glob::Options().blnToolTipSort = db == Db::PostgreSQL;
        if (listing.failure != QLatin1String("not connected"))
            b->expand(b->root(1));
        if (listing.failure == QLatin1String("server gone"))
            server.stop();
        Glob::setCurrentDataSource(1);
        Glob::Options().blnQueryTables = listing.tables;
        QSignalSpy refreshed(b->control.get(), &kwQuarry::Refreshed);
        b->d->lvwData->model()->setItems({{QStringLiteral("stale"), {}, 1, 5}});
        b->d->panel1->setText(QStringLiteral("before"));
        QModelIndex node = b->child(1, listing.category);
        if (listing.failure.isEmpty())
            b->click(node);
        else
            QVERIFY(!b->control->Get_DataObjects(node));

        const int icon = QStringList{"Tables", "Views", "Stored Procedures"}.indexOf(listing.category) + 1;
        // Owners are schemas, which only PostgreSQL has; it lists every schema of the
        // database, so only ours count. Procedures never show one.
        const QString owner = db == Db::PostgreSQL && icon != 3 ? s.place() : QString();
        // MariaDB keeps creation times of tables and routines, not of views; the others keep none.
        const bool dated = db == Db::MariaDB && icon != 2;
        static const QRegularExpression fixed(QStringLiteral("^\\d\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d$"));
        const ObjectListModel* model = b->d->lvwData->model();
        QStringList ours;
        for (int row = 0; row < model->count(); ++row) {
            const ListItem& item = model->item(row);
            if (item.subItems.value(0) != owner)
                continue;
            ours << item.text;
            QCOMPARE(QList<int>({item.largeIcon, item.smallIcon, !item.subItems.value(1).isEmpty(),
                                 fixed.match(item.subItems.value(2)).hasMatch()}),
                     QList<int>({icon, icon + 4, dated, dated}));
        }
        ours.sort();
        QCOMPARE(ours, listing.names);
        QCOMPARE(b->errorProcedures().join(u','), listing.reported);
        // The database's words, never the connection string with its password.
        for (const QList<QVariant>& error : *b->errors)
            QVERIFY2(!error[1].toString().trimmed().isEmpty() &&
                         !error[1].toString().contains(u"secret-word"),
                     qPrintable(error[1].toString()));
        // Counted in the status bar, the first item selected, the list and tree usable again.
        const int count = b->control->QueryTotal();
        QCOMPARE(refreshed.size(), listing.failure.isEmpty() ? 1 : 0);
        QCOMPARE(b->d->panel2->text() + u'|' + b->status(),
                 QStringLiteral(" %L1 item%2|before").arg(count).arg(count == 1 ? "" : "s"));
        QCOMPARE(b->d->SelectedObject + u'|' + QString::number(b->d->lvwData->selectedRow()),
                 count ? q + model->item(0).text + q + "|0" : "|-1");
        QVERIFY(b->d->lvwData->isVisible() && b->d->lvwData->isEnabled() && b->tree()->isEnabled() &&
                !QGuiApplication::overrideCursor());
        if (listing.fields.isNull())
            return;

        QAbstractItemView* view = b->d->lvwData->currentView();
        const auto click = [&](const QString& name) {
            const QModelIndex index =
                view->model()->match(view->model()->index(0, 0), Qt::DisplayRole, name)[0];
            view->scrollTo(index);
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
        };
        click(QStringList{"orders", "recent_orders", "add_order"}[icon - 1]);
        QStringList found;
        for (const auto& [name, type] : b->d->ObjectFields)
            found << name + u':' + type;
        QCOMPARE(found.join(u',') + b->errorProcedures().join(u','), listing.fields);
        // A table gone since the listing (SQLite describes from the schema it read last): the
        // database's words name it; the request text is not passed on.
        if (icon != 1 || db == Db::SQLite)
            return;
        s.exec("DROP TABLE " + s.qualify("customers"));
        click(QStringLiteral("customers"));
        const QString description = b->errors->value(0).value(1).toString();
        QVERIFY2(b->errorProcedures() == QStringList{"Show_SQLError"} && description.contains(u"customers") &&
                     !description.contains(u"SELECT"),
                 qPrintable(description));
    }

    // Helpers with edge cases of their own: dates and counts as the list shows them, names
    // quoted for queries, field rows sorted for the tooltip.
    void helpers_data()
    {
        QTest::addColumn<QVariant>("in");
        QTest::addColumn<QVariant>("out"); // invalid: refused, left as it was
        const auto row = [](const char* tag, QVariant in, QVariant out) { QTest::newRow(tag) << in << out; };
        using L = QStringList;
        // General date, fixed-pattern date and 1234567 grouped in a locale, at 13:04:05 or midnight.
        row("date: US", L{"en_US"}, L{"1/2/24 1:04:05 PM", "24/02/01 13:04:05", "1,234,567"});
        row("date: US, midnight", L{"en_US", "00:00:00"}, L{"1/2/24", "24/02/01 00:00:00", "1,234,567"});
        row("date: German", L{"de_DE"}, L{"02.01.24 13:04:05", "24.02.01 13:04:05", "1.234.567"});
        // The C locale leaves groups out unless told otherwise, and its dates have no separator.
        row("date: C", L{"C"}, L{"2 Jan 2024 13:04:05", "24/02/01 13:04:05", "1,234,567"});
        // A one-character delimiter inside is doubled and others left alone, "[" closes with "]",
        // a longer one only wraps.
        row("quote: closing attempt", L{"x`; DROP 'TABLE' t; --", "`"}, "`x``; DROP 'TABLE' t; --`");
        row("quote: brackets", L{"Order]s", "["}, "[Order]]s]");
        row("quote: none", L{"Orders", ""}, "Orders");
        row("quote: two characters", L{"a||b", "||"}, "||a||b||");
        // Lower-cased, then by code units ('Z' < '_' < 'z'), not the locale's order; stable.
        row("sort: texts", L{"b", "Zed", "B", "_x", "\u00e9", "a", "f"},
            L{"_x", "a", "b", "B", "f", "Zed", "\u00e9"});
        row("sort: rows move whole, stable", QVariantList{L{"id", "3"}, "b", L{"ID", "200"}, L{"a", "5"}},
            QVariantList{L{"a", "5"}, "b", L{"id", "3"}, L{"ID", "200"}});
        row("sort: a number", 42, {});
    }

    void helpers()
    {
        QFETCH(QVariant, in);
        QFETCH(QVariant, out);
        const QString kind = QString::fromLatin1(QTest::currentDataTag()).section(u':', 0, 0);
        const QStringList args = in.toStringList();
        if (kind == QLatin1String("date")) {
            const QLocale locale(args[0]);
            const QDateTime at(QDate(2024, 1, 2),
                               QTime::fromString(args.value(1, QStringLiteral("13:04:05"))));
            QCOMPARE((QStringList{GeneralDate(at, locale), FixedPatternDate(at, locale),
                                  GroupedCount(1234567, locale)}),
                     out);
        } else if (kind == QLatin1String("quote")) {
            QCOMPARE(Delimited(args[0], args[1]), out.toString());
        } else {
            kwQuarry control;
            QSignalSpy errors(&control, &kwQuarry::ErrHandle);
            const QVariant before = in;
            QCOMPARE(control.Sort_Array(in), out.isValid());
            QCOMPARE(in, out.isValid() ? out : before);
            QCOMPARE(errors.isEmpty() ? QString() : errors[0][0].toString(),
                     out.isValid() ? "" : "Sort_Array");
        }
    }

    // Run commands one after another on the listed table, as a user gives them. "Return top ..." offers
    // the last limit and reads the answer's leading number as Val does: blanks anywhere ignored, halves
    // to even, no number is all rows; one too large for 32 bits is reported and, like a cancel, changes
    // nothing. Each step shows the limit offered (when asked) > max records, auto-run and show SQL
    // handed to the host, or who reported what went wrong.
    void run()
    {
        const quarry::test::Scratch s(Db::SQLite);
        s.exec(QStringLiteral("CREATE TABLE orders (id INTEGER)"));
        const auto b = shop(s.connectionString());
        b->expand(b->root(1));
        b->click(b->child(1, QStringLiteral("Tables")));
        Glob::Options().blnOptions = true;
        b->d->QueryFromTree = true;                   // Run makes it an object query
        b->d->CurrentDataType = kwQuarry::dkDataView; // the category decides
        QSignalSpy runs(b->control.get(), &kwQuarry::RunQuery);
        const auto step = [&](int type, const QString& answer) {
            b->prompts.calls.clear();
            b->errors->clear();
            runs.clear();
            b->prompts.inputAnswers = {answer};
            b->control->Run(type);
            const auto asked = b->prompts.callsOf(quarry::test::ScriptedPrompts::Kind::InputBox);
            return (asked.empty() ? QString() : asked[0].defaultText) + u'>' +
                   (runs.isEmpty() ? QString()
                                   : QStringLiteral("%1|%2|%3")
                                         .arg(runs[0][4].toInt())
                                         .arg(runs[0][5].toInt())
                                         .arg(runs[0][6].toInt())) +
                   b->errorProcedures().join(u',');
        };
        QCOMPARE(step(2, "25 rows"), "100>25|1|0");
        // Text, name, kind, the run settings, delimiter, options; on the source's own connection.
        QStringList handed;
        for (const QVariant& argument : runs[0].mid(1))
            handed << (argument.typeId() == QMetaType::QString ? argument.toString()
                                                               : QString::number(argument.toInt()));
        QCOMPARE(handed.join(u'|'), "SELECT * \r\nFROM \"orders\"|Shop : Tables : orders|0|25|1|0|\"|1");
        QVERIFY(runs[0][0].value<quarry::Connection>() == b->d->connection(1));
        QCOMPARE(b->prompts.calls[0].title + u'|' + b->prompts.calls[0].text,
                 "Return top ...|Enter maximum number of rows to return. 0 equals all.");
        const struct
        {
            int type;
            const char* answer;
            const char* shown;
        } steps[] = {{2, "", "25>"},
                     {7, "", ">25|1|0"},
                     {2, " \t- 1 2\n3x", "25>-123|1|0"},
                     {2, "2.5", "-123>2|1|0"},
                     {2, "3.5", "2>4|1|0"},
                     {2, "1e3", "4>1000|1|0"},
                     {2, "many", "1000>0|1|0"},
                     {0, "", ">0|0|1"},
                     {2, "2147483647", "100>2147483647|1|0"},
                     {2, "2147483648", "2147483647>Run"},
                     {7, "", ">2147483647|1|0"},
                     {1, "", ">0|1|0"}};
        for (const auto& [type, answer, shown] : steps)
            QCOMPARE(step(type, answer), QString(shown));
    }

    // The fields laid out top to bottom in the fewest columns that stay within the list, placed
    // below the item at the pointer, backed off the list's right edge and the splitter's bottom;
    // then pending, shown for the delay, held while the pointer is over it, hidden.
    void tooltip_data()
    {
        QTest::addColumn<Tooltip>("tooltip");
        QTest::newRow("no fields, no delay") << Tooltip{0, 0, false, 180, 300, 0, "1"};
        QTest::newRow("three fields, types shown") << Tooltip{3, 0, true, 300, 300, 3, "1"};
        QTest::newRow("ten fields, list four rows high") << Tooltip{10, 0, false, 180, 300, 3000000, "3 up"};
        QTest::newRow("right edge on the list's") << Tooltip{3, 0, false, 300, 0, 3, "1 left"};
        QTest::newRow("wider than the list") << Tooltip{100, 1, true, 180, 300, 3, "n left up"};
        QTest::newRow("low item") << Tooltip{6, 8, false, 300, 300, 3, "2 up"};
    }

    void tooltip()
    {
        QFETCH(Tooltip, tooltip);
        const int fields = tooltip.fields;
        // No data sources; ten items, one below the other.
        const auto b = shop({}, {400, tooltip.height});
        std::vector<ListItem> items;
        for (int i = 0; i < 10; ++i)
            items.push_back({QStringLiteral("item%1").arg(i), {}, 1, 5});
        b->d->lvwData->model()->setItems(std::move(items));
        b->d->lvwData->show();
        b->d->lvwData->setView(ObjectList::Details);
        b->d->lvwData->selectRow(tooltip.selected);
        QTest::qWait(0);
        Glob::Options().blnToolTipTypes = tooltip.types;
        Glob::Options().lngToolTipDelay = tooltip.delay;
        for (int i = 0; i < fields; ++i)
            b->d->ObjectFields.push_back({QStringLiteral("field_%1").arg(i), QStringLiteral("3")});
        QWidget* control = b->control.get();
        Grid* tip = b->d->grdTooltip;
        QTimer* timer = b->d->tmrTip;
        const double h = tip->rowHeightTwips(0);
        const QRectF list = GeometryTwips(b->d->lvwData, control);
        const double itemTop = b->d->lvwData->itemRect(tooltip.selected).top();
        QCOMPARE(b->control->Popluate_ToolTip(), QVariant(true));
        const int c = int(std::floor((itemTop + h * fields) / list.height())) + 1;
        const int r = (fields + c - 1) / c;
        const int columns = tooltip.layout.startsWith(u'n') ? c : tooltip.layout.left(1).toInt();
        QCOMPARE(QSize(tip->grid()->cols(), tip->grid()->rows()), QSize(columns, r));
        const QFontMetrics metrics(tip->font());
        int width = 0;
        for (int col = 0; col < c; ++col) {
            for (int row = 0, k = col * r; row < r; ++row, ++k)
                QCOMPARE(tip->grid()->text(row, col),
                         k < fields ? QStringLiteral("field_%1").arg(k) + (tooltip.types ? "  [Integer]" : "")
                                    : "");
            width += tip->columnWidth(col);
            QCOMPARE_GE(tip->columnWidth(col), metrics.horizontalAdvance(tip->grid()->text(0, col)));
        }
        QCOMPARE(tip->size(), QSize(width, TwipsToPixelsY(tip, h * r)));

        // Visible, active, then the interval where asked.
        const auto state = [&](bool interval = false) {
            return QString::number(tip->isVisible()) + QString::number(timer->isActive()) +
                   (interval ? QString::number(timer->interval()) : QString());
        };
        const auto tick = [&] { QVERIFY(QMetaObject::invokeMethod(timer, "timeout")); };
        QCOMPARE(state(), "00");
        b->d->PointerX = tooltip.pointerX > 0 ? tooltip.pointerX : list.width() - GeometryTwips(tip).width();
        QVERIFY(b->control->Show_ToolTip());
        QCOMPARE(state(true), "011000"); // pending for a second
        // Backed off only as far as needed: to within a twip and a pixel short of the edge.
        const double pixel = PixelsToTwipsX(control, 1);
        const auto placed = [pixel](double wanted, double at, double extent, double limit, bool backed) {
            return (wanted + extent >= limit) == backed &&
                   (backed ? at + extent < limit && at + extent >= limit - 1 - pixel
                           : std::abs(at - wanted) <= pixel / 2);
        };
        const QRectF at = GeometryTwips(tip, control);
        const double top =
            list.top() + itemTop + TextHeight(control, QStringLiteral("item%1").arg(tooltip.selected)) + 60;
        QVERIFY(placed(list.left() + b->d->PointerX, at.left(), at.width(), list.right(),
                       tooltip.layout.contains(u"left")));
        QVERIFY(placed(top, at.top(), at.height(), GeometryTwips(b->d->kwSplitData, control).bottom(),
                       tooltip.layout.endsWith(u"up")));
        tick();
        QCOMPARE(state(true),
                 "11" + QString::number(std::min<qint64>(tooltip.delay * qint64(1000), INT_MAX)));
        // The pointer over the shown grid holds it; the tick it stopped would have hidden it.
        QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), tip->viewport()->mapToGlobal(QPointF(3, 3)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(tip->viewport(), &move);
        QCOMPARE(state(), "10");
        tick();
        QCOMPARE(state(), "00");
        QVERIFY(b->errors->isEmpty());
    }
};

QTEST_MAIN(DataObjectsTest)
#include "tst_dataobjects.moc"
