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
#include <QHeaderView>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QStyleOptionViewItem>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>

#include <sql.h>
#include <sqlext.h>

#include <cmath>

using quarry::test::Browser;
using quarry::test::Db;
using namespace quarry::platform;
using namespace Qt::StringLiterals;

namespace {

struct Listing
{
    Db db;
    QString category;
    QStringList names;   // ours, in the list's order
    QString fields = {}; // of orders, recent_orders or add_order once clicked, as name:type; null: no click
    QString failure = {}, reported = {}; // "", "not connected", "server gone" or "stalled"; who reported it
    bool tables = true;                  // the option to list tables at all
};

struct Tooltip
{
    int fields, selected; // "field_0"... of type 3; the item clicked
    int height, delay;    // the control's, in pixels; seconds shown, for at most INT_MAX ms
    bool types;           // shown after the names
    double pointerX;      // twips; 0: the grid's width from the list's right edge
    QString layout;       // columns ("n": as many as it takes), and where the grid was moved
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
        // ";1" goes, ";2" stays; only a lower-case "dt_" prefix hides a procedure. Case-blind order.
        const QStringList procedures{"add_order", "archive", "archive;2", "DT_shown", "dtshown"};
        // Long types (203, 204, 205) are left out; PostgreSQL's are sorted.
        row({Db::SQLite, "Tables", {"customers", "orders"}, "b:3,A:200,c:5"});
        row({Db::SQLite, "Views", {"recent_orders"}, "b:3"});
        row({Db::PostgreSQL, "Tables", {"customers", "orders"}, "A:202,b:3,c:133"});
        row({Db::PostgreSQL, "Views", {"recent_orders"}, "b:3"});
        row({Db::PostgreSQL, "Stored Procedures", procedures, "A:202,b:3,e:133"});
        row({Db::MariaDB, "Tables", {"customers", "orders"}, "b:3,A:202,c:135"});
        row({Db::MariaDB, "Views", {"recent_orders"}, "b:3"});
        row({Db::MariaDB, "Stored Procedures", procedures, "b:3,A:202,f:135"});
        // Views and procedures fail without a word.
        row({Db::PostgreSQL, "Tables", {}, {}, "not connected", "Get_DataObjects"});
        row({Db::PostgreSQL, "Stored Procedures", {}, {}, "not connected"});
        row({Db::PostgreSQL, "Tables", {}, {}, "server gone", "Show_SQLError"});
        row({Db::PostgreSQL, "Views", {}, {}, "server gone"});
        // A server that stops answering after login: the gesture ends, reported, within the limit.
        row({Db::PostgreSQL, "Tables", {}, {}, "stalled", "Show_SQLError"});
        row({Db::MariaDB, "Tables", {}, {}, "stalled", "Show_SQLError"});
        row({Db::SQLite, "Tables", {}, {}, {}, {}, false});
    }

    void listing()
    {
        QFETCH(Listing, listing);
        const auto& [db, category, names, fields, failure, reported, tables] = listing;
        QUARRY_REQUIRE_DB(db);
        const quarry::test::Scratch s(db);
        // Per database: the orders' columns, a routine by name, and add_order with parameters.
        const QString sql[][3] = {
            {"b INTEGER, \"A\" VARCHAR(9), x VARBINARY(9), y LONGVARBINARY, c NUMERIC(5,2)"},
            {"b integer, \"A\" varchar(300), x xml, y bytea, c date",
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
        // Servers through a forwarder that can be stopped, with a password that must never show.
        quarry::test::TcpProxy server(db == Db::MariaDB ? 3306 : 5432);
        QString connection = s.connectionString();
        if (db == Db::PostgreSQL)
            connection.replace("127.0.0.1", u"127.0.0.1,%1"_s.arg(server.port())) += ";Password=secret-word";
        if (db == Db::MariaDB)
            connection.replace("127.0.0.1", u"127.0.0.1:%1"_s.arg(server.port()));
        const auto b = shop(connection);
        b->d->commandTimeout = 1;
        const QString q = db == Db::MariaDB ? u"`"_s : u"\""_s;
        Glob::aDataSources()[1][Glob::dsDelimiter] = q;
        Glob::Options().blnToolTipSort = db == Db::PostgreSQL;
        if (failure != u"not connected")
            b->expand(b->root(1));
        if (failure == u"server gone")
            server.stop();
        if (failure == u"stalled")
            server.stall();
        Glob::setCurrentDataSource(1);
        Glob::Options().blnQueryTables = tables;
        QSignalSpy refreshed(b->control.get(), &kwQuarry::Refreshed);
        b->d->lvwData->model()->setItems({{u"stale"_s, {}, 1, 5}});
        b->d->panel1->setText(u"before"_s);
        QModelIndex node = b->child(1, category);
        if (failure.isEmpty()) {
            b->click(node);
        } else {
            b->control->Get_DataObjects(node);
            QVERIFY(b->waitListed());
        }
        const int icon = QStringList{"Tables", "Views", "Stored Procedures"}.indexOf(category) + 1;
        // Owners are schemas, which only PostgreSQL has; it lists every schema of the
        // database, so only ours count. Procedures never show one.
        const QString owner = db == Db::PostgreSQL && icon != 3 ? s.place() : QString();
        // MariaDB keeps creation times of tables and routines, not of views; the others keep none.
        const bool dated = db == Db::MariaDB && icon != 2;
        static const QRegularExpression fixed(u"^\\d\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d$"_s);
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
        QCOMPARE(ours, names);
        QCOMPARE(b->errorProcedures().join(u','), reported);
        // Counted in the status bar, the first item selected, the list and tree usable again.
        const int count = b->control->QueryTotal();
        QCOMPARE(refreshed.size(), failure.isEmpty() ? 1 : 0);
        QCOMPARE(b->d->panel2->text() + u'|' + b->status(),
                 u" %L1 item%2|before"_s.arg(count).arg(count == 1 ? "" : "s"));
        QCOMPARE(b->d->SelectedObject + u'|' + QString::number(b->d->lvwData->selectedRow()),
                 count ? q + model->item(0).text + q + "|0" : "|-1");
        QVERIFY(b->d->lvwData->isVisible() && b->d->lvwData->isEnabled() && b->tree()->isEnabled() &&
                !QGuiApplication::overrideCursor());
        if (!fields.isNull()) {
            QAbstractItemView* v = b->d->lvwData->currentView();
            const auto click = [&](const QString& name) {
                const QModelIndex at = v->model()->match(v->model()->index(0, 0), Qt::DisplayRole, name)[0];
                v->scrollTo(at);
                QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, v->visualRect(at).center());
            };
            click(QStringList{"orders", "recent_orders", "add_order"}[icon - 1]);
            QStringList found;
            for (const auto& [name, type] : b->d->ObjectFields)
                found << name + u':' + type;
            QCOMPARE(found.join(u',') + b->errorProcedures().join(u','), fields);
            // A table gone since the listing (SQLite describes from the schema it read last).
            if (icon == 1 && db != Db::SQLite) {
                s.exec("DROP TABLE " + s.qualify("customers"));
                click(u"customers"_s);
                QVERIFY(b->errorProcedures() == QStringList{"Show_SQLError"} &&
                        b->errors->value(0).value(1).toString().contains(u"customers"));
            }
        }
        // The database's words, never the request text nor the connection string with its password.
        for (const QList<QVariant>& error : *b->errors) {
            const QString said = error[1].toString();
            QVERIFY2(!said.trimmed().isEmpty() && !said.contains(u"SELECT") && !said.contains(u"secret-word"),
                     qPrintable(said));
        }
        // A link found gone shows in the tree; expanded again, the data source connects afresh.
        static const QRegularExpression unanswered(u"did not answer within 1 second;|Lost connection"_s);
        QVERIFY(failure != u"stalled" ||
                unanswered.match(b->errors->value(0).value(1).toString()).hasMatch());
        if (failure == u"server gone" || failure == u"stalled") {
            QCOMPARE(b->model()->image(b->root(1)), 1);
            server.start();
            b->expand(b->root(1));
            b->click(b->child(1, category));
            QVERIFY(b->model()->image(b->root(1)) == 9 && b->control->QueryTotal() > 0);
        }
    }

    // Helpers with edge cases of their own: dates and counts as the list shows them, names
    // quoted for queries, field rows sorted for the tooltip.
    // The catalog held up by the server: the click returns, the window goes on answering, and the
    // next gesture takes over: another category lists alone and once, or Disconnect ends it.
    void listingHeldUp_data()
    {
        QTest::addColumn<Db>("db");
        QTest::addColumn<QString>("then");
        for (Db db : {Db::PostgreSQL, Db::MariaDB})
            for (const char* then : {"Views", "Disconnect"})
                QTest::addRow("%s, %s", qPrintable(quarry::test::dbName(db)), then) << db << QString(then);
    }
    void listingHeldUp()
    {
        QFETCH(Db, db);
        QFETCH(QString, then);
        QUARRY_REQUIRE_DB(db);
        const quarry::test::Scratch s(db);
        s.exec("CREATE TABLE " + s.qualify("orders") + " (b INTEGER)");
        s.exec("CREATE VIEW " + s.qualify("recent_orders") + " AS SELECT b FROM " + s.qualify("orders"));
        quarry::test::TcpProxy server(db == Db::MariaDB ? 3306 : 5432);
        QString connection = s.connectionString();
        connection.replace("127.0.0.1",
                           (db == Db::MariaDB ? u"127.0.0.1:%1"_s : u"127.0.0.1,%1"_s).arg(server.port()));
        const auto b = shop(connection);
        b->expand(b->root(1));
        b->d->panel1->setText(u"before"_s);
        QSignalSpy refreshed(b->control.get(), &kwQuarry::Refreshed);
        server.stall();
        b->press(b->child(1, "Tables"));
        QCOMPARE(b->status(), "Retrieving Items ...");
        // The list stays in its place, empty and greyed, while the tree keeps its own.
        QVERIFY(!b->d->lvwData->isEnabled() && b->d->lvwData->isVisible() && b->d->listingRun != 0);
        bool answered = false;
        QTimer::singleShot(0, b->control.get(), [&] { answered = true; });
        QTRY_VERIFY(answered);
        if (then == u"Views")
            b->press(b->child(1, "Views"));
        else
            b->d->mnuDisconnect->trigger();
        server.resume();
        QVERIFY(b->waitListed());
        QVERIFY(QTest::qWaitFor([&] { return !b->d->lister->busy(); }, 20000));
        QCoreApplication::processEvents();

        const ObjectListModel* model = b->d->lvwData->model();
        QStringList ours;
        for (int row = 0; row < model->count(); ++row)
            if (db != Db::PostgreSQL || model->item(row).subItems.value(0) == s.place())
                ours << model->item(row).text;
        const bool views = then == u"Views";
        QCOMPARE(ours, views ? QStringList{"recent_orders"} : QStringList());
        QCOMPARE(refreshed.size(), views ? 1 : 0);
        const int count = model->count();
        QCOMPARE(b->d->panel2->text() + u'|' + b->status() + u'|' +
                     QString::number(b->d->lvwData->selectedRow()),
                 (views ? u" %L1 item%2|before|0"_s.arg(count).arg(count == 1 ? "" : "s") : u"|before|-1"_s));
        QVERIFY(b->d->lvwData->isEnabled() && b->d->lvwData->isVisible() && b->errors->isEmpty());
        QCOMPARE(b->d->connectionSlot(1).State() == quarry::adStateOpen, views);
    }

    // A second click while the server still works on the first listing's catalog: the server is told
    // to stop, rather than finish a catalog no one waits for before the next one may start.
    void listingStopped()
    {
        QUARRY_REQUIRE_DB(Db::PostgreSQL);
        const quarry::test::Scratch s(Db::PostgreSQL);
        s.exec("CREATE TABLE orders (b INTEGER)");
        s.exec("CREATE VIEW recent_orders AS SELECT b FROM orders");
        const auto b = shop(s.connectionString());
        b->expand(b->root(1));
        b->click(b->child(1, "Views"));
        QCOMPARE(b->d->panel2->text(), u" 1 item"_s);
        QSignalSpy refreshed(b->control.get(), &kwQuarry::Refreshed);
        // Another session holds the scratch database's catalog: reading it waits.
        SQLHENV env = SQL_NULL_HENV;
        SQLHDBC dbc = SQL_NULL_HDBC;
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
        SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
        const auto release = qScopeGuard([&] {
            SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_ROLLBACK);
            SQLDisconnect(dbc);
            SQLFreeHandle(SQL_HANDLE_DBC, dbc);
            SQLFreeHandle(SQL_HANDLE_ENV, env);
        });
        QString odbc = quarry::test::odbcConnectionString(Db::PostgreSQL)
                           .replace("Database=test", "Database=" + s.database());
        QVERIFY(SQL_SUCCEEDED(SQLDriverConnectW(dbc, nullptr, reinterpret_cast<SQLWCHAR*>(odbc.data()),
                                                SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT)));
        SQLSetConnectAttrW(dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0);
        SQLHSTMT stmt = SQL_NULL_HSTMT;
        SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
        QString lock = u"LOCK TABLE pg_catalog.pg_class IN ACCESS EXCLUSIVE MODE"_s;
        QVERIFY(SQL_SUCCEEDED(SQLExecDirectW(stmt, reinterpret_cast<SQLWCHAR*>(lock.data()), SQL_NTS)));
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);

        // The server's sessions, seen from another database, whose catalog is free.
        quarry::Connection watch = quarry::test::open(Db::PostgreSQL);
        const auto waiting = [&](const QString& kinds) {
            quarry::Recordset rs;
            rs.Open(
                u"SELECT COUNT(*) FROM pg_stat_activity WHERE datname = '%1' AND query LIKE '%%relkind IN (%2)%%'"_s
                    .arg(s.database(), kinds),
                watch);
            return rs.Fields(0).Value.toInt();
        };
        b->press(b->child(1, "Tables"));
        // The emptied list has no count yet.
        QCOMPARE(b->status() + u'|' + b->d->panel2->text(), u"Retrieving Items ...|"_s);
        QTRY_COMPARE(waiting("''r'', ''p''"), 1);
        b->press(b->child(1, "Views"));
        QTRY_COMPARE(waiting("''v'', ''m''"), 1);
        QTRY_COMPARE(waiting("''r'', ''p''"), 0);
        QCOMPARE(refreshed.size(), 0);

        SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_ROLLBACK);
        QVERIFY(b->waitListed());
        const ObjectListModel* model = b->d->lvwData->model();
        QStringList ours;
        for (int row = 0; row < model->count(); ++row)
            if (model->item(row).subItems.value(0) == s.place())
                ours << model->item(row).text;
        QCOMPARE(ours, QStringList{"recent_orders"});
        QCOMPARE(refreshed.size(), 1);
        QVERIFY(b->errors->isEmpty() && b->d->lvwData->isEnabled());
    }

    // A listing long enough to come in batches, its rows handed over out of order and in mixed case:
    // the list is whole, in order either way, the first item selected, and counted once it is complete.
    void batches_data()
    {
        QTest::addColumn<bool>("descending");
        QTest::newRow("ascending") << false;
        QTest::newRow("descending") << true;
    }
    void batches()
    {
        QFETCH(bool, descending);
        const quarry::test::Scratch s(Db::SQLite);
        constexpr int kTables = 2000;
        s.exec("BEGIN");
        for (int i = 0; i < kTables; ++i) {
            const int number = (i * 7919) % kTables; // every number once, scattered
            s.exec(u"CREATE TABLE %1_%2 (a INTEGER)"_s.arg(number % 2 ? "Tab" : "tab")
                       .arg(number, 4, 10, QChar(u'0')));
        }
        s.exec("COMMIT");
        const auto b = shop(s.connectionString());
        b->expand(b->root(1));
        QTest::mouseClick(b->d->tlbData->widgetForAction(b->d->toolButtons[3]), Qt::LeftButton);
        auto* header = static_cast<QTreeView*>(b->d->lvwData->currentView())->header();
        if (descending)
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(0) + 5, 5));
        QSignalSpy refreshed(b->control.get(), &kwQuarry::Refreshed);
        b->click(b->child(1, "Tables"));

        const ObjectListModel* model = b->d->lvwData->model();
        QStringList numbers;
        for (int row = 0; row < model->count(); ++row)
            numbers << model->item(row).text.mid(4);
        QStringList expected;
        for (int number = 0; number < kTables; ++number)
            expected << u"%1"_s.arg(descending ? kTables - 1 - number : number, 4, 10, QChar(u'0'));
        QCOMPARE(numbers, expected);
        QCOMPARE(refreshed.size(), 1);
        QCOMPARE(b->d->panel2->text() + u'|' + QString::number(b->d->lvwData->selectedRow()),
                 " 2,000 items|0");
    }

    // A file that is no SQLite database, as a person expands it and opens its tables: refused
    // in SQLite's own words through the usual report, the list and tree usable again.
    void notADatabase()
    {
        QTemporaryDir dir;
        QFile junk(dir.filePath(u"junk.db"_s));
        QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write(QByteArray(8192, 'x')) == 8192);
        junk.close();
        const auto b = shop(u"Provider=SQLite;Data Source="_s + junk.fileName());
        b->expand(b->root(1));
        // SQLite opens a file lazily: the connection is made, the first read fails.
        b->click(b->child(1, u"Tables"_s));
        QCOMPARE(b->d->lvwData->count(), 0);
        QCOMPARE(b->errorProcedures(), QStringList{u"Show_SQLError"_s});
        QVERIFY2(b->errors->last().value(1).toString().contains(u"not a database"_s),
                 qPrintable(b->errors->last().value(1).toString()));
        QVERIFY(b->d->lvwData->isEnabled() && b->tree()->isEnabled() && !QGuiApplication::overrideCursor());
    }

    void helpers_data()
    {
        QTest::addColumn<QVariant>("in");
        QTest::addColumn<QVariant>("out"); // invalid: refused, left as it was
        const auto row = [](const char* tag, QVariant in, QVariant out) { QTest::newRow(tag) << in << out; };
        using L = QStringList;
        // General date, fixed-pattern date and 1234567 grouped in a locale, at 13:04:05 or midnight.
        row("date: US", L{"en_US"}, L{"1/2/24 1:04:05 PM", "24/02/01 13:04:05", "1,234,567"});
        row("date: German, 0:00", L{"de_DE", "00:00:00"}, L{"02.01.24", "24.02.01 00:00:00", "1.234.567"});
        // The C locale leaves groups out unless told otherwise, and its dates have no separator.
        row("date: C", L{"C"}, L{"2 Jan 2024 13:04:05", "24/02/01 13:04:05", "1,234,567"});
        // A one-character delimiter inside is doubled and others left alone, "[" closes with "]",
        // a longer one only wraps.
        row("quote: closing attempt", L{"x`; DROP 'TABLE' t; --", "`"}, "`x``; DROP 'TABLE' t; --`");
        row("quote: brackets", L{"Order]s", "["}, "[Order]]s]");
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
        if (kind == u"date") {
            const QLocale l(args[0]);
            const QDateTime at(QDate(2024, 1, 2), QTime::fromString(args.value(1, u"13:04:05"_s)));
            QCOMPARE((QStringList{GeneralDate(at, l), FixedPatternDate(at, l), GroupedCount(1234567, l)}),
                     out);
        } else if (kind == u"quote") {
            QCOMPARE(Delimited(args[0], args[1]), out.toString());
        } else {
            kwQuarry control;
            QSignalSpy errors(&control, &kwQuarry::ErrHandle);
            const QVariant before = in;
            QCOMPARE(control.Sort_Array(in), out.isValid());
            QCOMPARE(in, out.isValid() ? out : before);
            QCOMPARE(errors.value(0).value(0).toString(), out.isValid() ? "" : "Sort_Array");
        }
    }

    // Run commands one after another on the listed table, as a user gives them. "Return top ..." offers
    // the last limit and reads the answer's leading number as Val does: blanks anywhere ignored, halves
    // to even, no number is all rows; one too large for 32 bits is reported and, like a cancel, changes
    // nothing. Each step: command|answer|the limit offered (when asked) > max records, auto-run and show
    // SQL handed to the host, or who reported what went wrong.
    void run()
    {
        const quarry::test::Scratch s(Db::SQLite);
        s.exec(u"CREATE TABLE orders (id INTEGER)"_s);
        const auto b = shop(s.connectionString());
        b->expand(b->root(1));
        b->click(b->child(1, u"Tables"_s));
        Glob::Options().blnOptions = true;
        b->d->QueryFromTree = true;                   // Run makes it an object query
        b->d->CurrentDataType = kwQuarry::dkDataView; // the category decides
        QSignalSpy runs(b->control.get(), &kwQuarry::RunQuery);
        const auto handed = [&](int from, int n) {
            return QVariant(runs.value(0).mid(from, n)).toStringList().join(u'|');
        };
        const auto asked = [&] { return b->prompts.callsOf(quarry::test::ScriptedPrompts::Kind::InputBox); };
        for (const QString step :
             {"2|25 rows|100>25|true|false", "2||25>", "7||>25|true|false",
              "2| \t- 1 2\n3x|25>-123|true|false", "2|2.5|-123>2|true|false", "2|3.5|2>4|true|false",
              "2|1e3|4>1000|true|false", "2|many|1000>0|true|false", "0||>0|false|true",
              "2|2147483647|100>2147483647|true|false", "2|2147483648|2147483647>Run",
              "7||>2147483647|true|false", "1||>0|true|false"}) {
            const size_t before = asked().size();
            b->errors->clear();
            runs.clear();
            b->prompts.inputAnswers = {step.section(u'|', 1, 1)};
            b->control->Run(step.left(1).toInt());
            QCOMPARE((asked().size() > before ? asked().back().defaultText : QString()) + u'>' +
                         handed(4, 3) + b->errorProcedures().join(u','),
                     step.section(u'|', 2));
        }
        // Text, name, kind, the run settings, delimiter, options; on the source's own connection.
        QCOMPARE(handed(1, 8),
                 "SELECT * \r\nFROM \"orders\"|Shop : Tables : orders|dkDataTable|0|true|false|\"|true");
        QVERIFY(runs[0][0].value<quarry::Connection>() == b->d->connection(1));
        QCOMPARE(asked()[0].title + u'|' + asked()[0].text,
                 "Return top ...|Enter maximum number of rows to return. 0 equals all.");
    }

    // The fields laid out top to bottom in the fewest columns that stay within the list, placed
    // below the item at the pointer, backed off the list's right edge and the splitter's bottom;
    // then pending, shown for the delay, held while the pointer is over it, hidden.
    void tooltip_data()
    {
        QTest::addColumn<Tooltip>("tooltip");
        QTest::newRow("no fields, no delay") << Tooltip{0, 0, 180, 0, false, 300, "1"};
        QTest::newRow("ten fields, list four rows high") << Tooltip{10, 0, 180, 3000000, false, 300, "3 up"};
        QTest::newRow("right edge on the list's") << Tooltip{3, 0, 300, 3, false, 0, "1 left"};
        QTest::newRow("wider than the list") << Tooltip{100, 1, 180, 3, true, 300, "n left up"};
        QTest::newRow("low item") << Tooltip{6, 8, 300, 3, false, 300, "2 up"};
    }

    void tooltip()
    {
        QFETCH(Tooltip, tooltip);
        const auto& [fields, selected, height, delay, types, pointerX, layout] = tooltip;
        const auto b = shop({}, {400, height}); // no data sources; ten items, one below the other
        std::vector<ListItem> items;
        for (int i = 0; i < 10; ++i)
            items.push_back({u"item%1"_s.arg(i), {}, 1, 5});
        b->d->lvwData->model()->setItems(std::move(items));
        b->d->lvwData->setView(ObjectList::Details);
        b->d->lvwData->selectRow(selected);
        QTest::qWait(0);
        Glob::Options().blnToolTipTypes = types;
        Glob::Options().lngToolTipDelay = delay;
        for (int i = 0; i < fields; ++i)
            b->d->ObjectFields.push_back({u"field_%1"_s.arg(i), u"3"_s});
        QWidget* control = b->control.get();
        Grid* tip = b->d->grdTooltip;
        QTimer* timer = b->d->tmrTip;
        const double h = tip->rowHeightTwips(0);
        const QRectF list = GeometryTwips(b->d->lvwData, control);
        const double itemTop = b->d->lvwData->itemRect(selected).top();
        QCOMPARE(b->control->Popluate_ToolTip(), QVariant(true));
        const int c = int(std::floor((itemTop + h * fields) / list.height())) + 1;
        const int r = (fields + c - 1) / c;
        QCOMPARE(QSize(tip->grid()->cols(), tip->grid()->rows()),
                 QSize(layout.startsWith(u'n') ? c : layout.left(1).toInt(), r));
        // Every cell reads whole on one line, as the view itself would lay it out, at any scale.
        QStyleOptionViewItem option;
        option.initFrom(tip);
        option.features |= QStyleOptionViewItem::WrapText;
        int width = 0;
        for (int col = 0; col < c; ++col) {
            for (int row = 0, k = col * r; row < r; ++row, ++k) {
                QCOMPARE(tip->grid()->text(row, col),
                         k < fields ? u"field_%1"_s.arg(k) + (types ? "  [Integer]" : "") : "");
                const QSize need = tip->itemDelegate()->sizeHint(option, tip->model()->index(row, col));
                QCOMPARE_LE(need.width() + int(tip->showGrid()),
                            tip->columnWidth(col)); // a line takes a pixel
            }
            width += tip->columnWidth(col);
        }
        QCOMPARE(tip->size(), QSize(width, TwipsToPixelsY(tip, h * r)));
        const auto state = [&] {
            return u"%1%2 %3"_s.arg(tip->isVisible()).arg(timer->isActive()).arg(timer->interval());
        };
        const QString shown = QString::number(std::min<qint64>(delay * qint64(1000), INT_MAX));
        QVERIFY(state().startsWith(u"00"));
        b->d->PointerX = pointerX > 0 ? pointerX : list.width() - GeometryTwips(tip).width();
        QVERIFY(b->control->Show_ToolTip());
        QCOMPARE(state(), "01 1000"); // pending for a second
        // Backed off only as far as needed: to within a twip and a pixel short of the edge.
        const double pixel = PixelsToTwipsX(control, 1);
        const auto placed = [pixel](double wanted, double at, double extent, double limit, bool backed) {
            return (wanted + extent >= limit) == backed &&
                   (backed ? at + extent < limit && at + extent >= limit - 1 - pixel
                           : std::abs(at - wanted) <= pixel / 2);
        };
        const QRectF at = GeometryTwips(tip, control);
        const double top = list.top() + itemTop + TextHeight(control, u"item%1"_s.arg(selected)) + 60;
        QVERIFY(placed(list.left() + b->d->PointerX, at.left(), at.width(), list.right(),
                       layout.contains(u"left")));
        QVERIFY(placed(top, at.top(), at.height(), GeometryTwips(b->d->kwSplitData, control).bottom(),
                       layout.endsWith(u"up")));
        QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
        QCOMPARE(state(), "11 " + shown);
        // The pointer over the shown grid holds it; the tick it stopped would have hidden it.
        QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), tip->viewport()->mapToGlobal(QPointF(3, 3)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(tip->viewport(), &move);
        QCOMPARE(state(), "10 " + shown);
        QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
        QCOMPARE(state(), "00 " + shown);
        QVERIFY(b->errors->isEmpty());
    }
};

QTEST_MAIN(DataObjectsTest)
#include "tst_dataobjects.moc"
