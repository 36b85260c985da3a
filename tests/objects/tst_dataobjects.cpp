#include "BrowserFixture.h"
#include "TcpProxy.h"
#include "TestDatabases.h"

#include "platform/LocaleText.h"
#include "platform/widgets/Grid.h"

#include <QGuiApplication>
#include <QRegularExpression>

using quarry::test::Browser;
using quarry::test::Db;
using quarry::test::Scratch;

namespace {

// Objects every database gets; procedures where the database has them.
void createObjects(const Scratch& s)
{
    s.exec("CREATE TABLE " + s.qualify("orders") + " (id INTEGER, placed DATE)");
    s.exec("CREATE TABLE " + s.qualify("customers") + " (id INTEGER)");
    s.exec("CREATE VIEW " + s.qualify("recent_orders") + " AS SELECT id FROM " + s.qualify("orders"));
    const QStringList procedures{"add_order", "dt_hidden", "DT_shown", "archive;1", "archive;2"};
    for (const QString& name : procedures) {
        if (s.db() == Db::PostgreSQL)
            s.exec("CREATE FUNCTION " + s.qualify(name) + "() RETURNS integer LANGUAGE sql AS 'SELECT 1'");
        else if (s.db() == Db::MariaDB)
            s.exec("CREATE PROCEDURE " + s.qualify(name) + "() BEGIN END");
    }
}

struct Listed
{
    QString text;
    QString owner;
    int largeIcon = 0;
    int smallIcon = 0;
    bool dated = false;        // the display date is there
    bool fixedPattern = false; // the hidden date text is there, in its pattern
};

// The items of our own owner (PostgreSQL lists every schema of the database).
QList<Listed> listed(const Browser& b, const QString& owner, bool ownerShown)
{
    QList<Listed> out;
    const quarry::platform::ObjectListModel* model = b.d->lvwData->model();
    static const QRegularExpression fixed(QStringLiteral("^\\d\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d$"));
    for (int row = 0; row < model->count(); ++row) {
        const quarry::platform::ListItem& item = model->item(row);
        if (ownerShown && item.subItems.value(0) != owner)
            continue;
        out.append({item.text, item.subItems.value(0), item.largeIcon, item.smallIcon,
                    !item.subItems.value(1).isEmpty(), fixed.match(item.subItems.value(2)).hasMatch()});
    }
    return out;
}

QStringList texts(const QList<Listed>& items)
{
    QStringList names;
    for (const Listed& item : items)
        names << item.text;
    names.sort();
    return names;
}

} // namespace

class DataObjectsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    void init() { Glob::Reporter().clearReports(); }

    void listsEachCategory_data()
    {
        QTest::addColumn<Db>("db");
        QTest::addColumn<QString>("category");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("icon");
        const QStringList tables{"customers", "orders"};
        const QStringList views{"recent_orders"};
        // ";1" goes, ";2" stays; only a lower-case "dt_" prefix hides a procedure.
        const QStringList procedures{"DT_shown", "add_order", "archive", "archive;2"};
        for (Db db : {Db::SQLite, Db::PostgreSQL, Db::MariaDB}) {
            const QString name = quarry::test::dbName(db);
            QTest::newRow(qPrintable(name + " tables")) << db << "Tables" << tables << 1;
            QTest::newRow(qPrintable(name + " views")) << db << "Views" << views << 2;
            if (db != Db::SQLite)
                QTest::newRow(qPrintable(name + " procedures"))
                    << db << "Stored Procedures" << procedures << 3;
        }
    }

    void listsEachCategory()
    {
        QFETCH(Db, db);
        QFETCH(QString, category);
        QFETCH(QStringList, names);
        QFETCH(int, icon);
        QUARRY_REQUIRE_DB(db);
        Scratch scratch(db);
        createObjects(scratch);
        Browser b({{QStringLiteral("Shop"), scratch.connectionString(), {}}});
        QVERIFY(b.initialized);
        b.expand(b.root(1));
        QVERIFY(b.errors->isEmpty());

        QSignalSpy refreshed(b.control.get(), &kwQuarry::Refreshed);
        b.d->panel1->setText(QStringLiteral("Ready ..."));
        b.click(b.child(1, category));
        QCOMPARE(b.errorProcedures(), QStringList{});
        QCOMPARE(refreshed.size(), 1);
        QVERIFY(b.selected->isEmpty());

        // Owners are schemas, which only PostgreSQL has here; procedures never show one.
        const bool procedures = icon == 3;
        const QString owner = db == Db::PostgreSQL && !procedures ? scratch.place() : QString();
        const QList<Listed> ours = listed(b, owner, !procedures);
        QCOMPARE(texts(ours), names);
        for (const Listed& item : ours) {
            QCOMPARE(item.largeIcon, icon);
            QCOMPARE(item.smallIcon, icon + 4);
            QCOMPARE(item.owner, owner);
            // MariaDB keeps creation times of tables and routines, not of views; the others keep none.
            QCOMPARE(item.dated, db == Db::MariaDB && category != QLatin1String("Views"));
            QCOMPARE(item.fixedPattern, item.dated);
        }

        const int count = b.control->QueryTotal();
        QCOMPARE(b.d->panel2->text(), QStringLiteral(" %1 items").arg(count));
        QCOMPARE(b.status(), QStringLiteral("Ready ..."));
        QCOMPARE(b.d->lvwData->selectedRow(), 0);
        const QString first = b.d->lvwData->model()->item(0).text;
        QCOMPARE(b.d->SelectedObject, u'"' + first + u'"');
        QVERIFY(b.d->lvwData->isVisible() && b.d->lvwData->isEnabled() && b.tree()->isEnabled());
        QCOMPARE(b.d->lvwData->view(), Glob::Options().lngDataView);
        QVERIFY(!QGuiApplication::overrideCursor());

        // Listing again gives the same list, not a longer one.
        QModelIndex node = b.child(1, category);
        QVERIFY(b.control->Get_DataObjects(node));
        QCOMPARE(b.control->QueryTotal(), count);
    }

    void emptyAndSwitchedOff_data()
    {
        QTest::addColumn<bool>("tablesAllowed");
        QTest::addColumn<int>("tables");
        QTest::newRow("a category without objects") << true << 0;
        QTest::newRow("tables not allowed") << false << 3;
        QTest::newRow("thousands separator") << true << 1234;
    }

    void emptyAndSwitchedOff()
    {
        QFETCH(bool, tablesAllowed);
        QFETCH(int, tables);
        QUARRY_REQUIRE_DB(Db::SQLite);
        Scratch scratch(Db::SQLite);
        QStringList statements{"BEGIN"};
        for (int i = 0; i < tables; ++i)
            statements << QStringLiteral("CREATE TABLE t%1 (a INTEGER)").arg(i, 4, 10, QLatin1Char('0'));
        statements << "COMMIT";
        for (const QString& sql : statements)
            scratch.exec(sql);
        Browser b({{QStringLiteral("Local"), scratch.connectionString(), {}}});
        QVERIFY(b.initialized);
        b.expand(b.root(1));
        Glob::Options().blnQueryTables = tablesAllowed;

        QSignalSpy refreshed(b.control.get(), &kwQuarry::Refreshed);
        QModelIndex node = b.child(1, QStringLiteral("Tables"));
        QVERIFY(b.control->Get_DataObjects(node));
        const int shown = tablesAllowed ? tables : 0;
        QCOMPARE(b.control->QueryTotal(), shown);
        QCOMPARE(b.d->panel2->text(),
                 shown == 1234 ? QStringLiteral(" 1,234 items") : QStringLiteral(" %1 items").arg(shown));
        QCOMPARE(refreshed.size(), 1);
        QCOMPARE(b.d->lvwData->selectedRow(), shown ? 0 : -1);
        QCOMPARE(b.d->SelectedObject, shown ? QStringLiteral("\"t0000\"") : QString());
        QVERIFY(b.errors->isEmpty());
    }

    void failures_data()
    {
        QTest::addColumn<QString>("category");
        QTest::addColumn<bool>("serverGone"); // else: never connected
        QTest::addColumn<QString>("reportedBy");
        QTest::newRow("tables, not connected") << "Tables" << false << "Get_DataObjects";
        QTest::newRow("views, not connected") << "Views" << false << "";
        QTest::newRow("procedures, not connected") << "Stored Procedures" << false << "";
        QTest::newRow("tables, server gone") << "Tables" << true << "Show_SQLError";
        QTest::newRow("views, server gone") << "Views" << true << "";
    }

    void failures()
    {
        QFETCH(QString, category);
        QFETCH(bool, serverGone);
        QFETCH(QString, reportedBy);
        QUARRY_REQUIRE_DB(Db::PostgreSQL);
        quarry::test::TcpProxy server(5432);
        const QString connection =
            QStringLiteral("Provider=PostgreSQL;Data Source=127.0.0.1,%1;Initial Catalog=test;User ID=root;"
                           "Password=secret-word")
                .arg(server.port());
        Browser b({{QStringLiteral("Remote"), connection, {}}});
        QVERIFY(b.initialized);
        if (serverGone) {
            b.expand(b.root(1));
            QVERIFY(b.errors->isEmpty());
            server.stop();
        }
        b.d->lvwData->model()->setItems({{QStringLiteral("stale"), {}, 1, 5}});
        b.d->panel1->setText(QStringLiteral("before"));
        Glob::setCurrentDataSource(1);

        QModelIndex node = b.child(1, category);
        QVERIFY(!b.control->Get_DataObjects(node));
        QCOMPARE(b.errorProcedures(), reportedBy.isEmpty() ? QStringList{} : QStringList{reportedBy});
        if (!reportedBy.isEmpty()) {
            const QString description = b.errors->first().at(1).toString();
            QVERIFY(!description.trimmed().isEmpty());
            QVERIFY2(!description.contains(QLatin1String("secret-word")), qPrintable(description));
        }
        QCOMPARE(b.control->QueryTotal(), 0);
        QCOMPARE(b.d->panel2->text(), QStringLiteral(" 0 items"));
        QCOMPARE(b.status(), QStringLiteral("before"));
        QVERIFY(b.d->SelectedObject.isEmpty());
        QVERIFY(b.d->lvwData->isVisible() && b.d->lvwData->isEnabled());
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void localeTexts_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QDateTime>("value");
        QTest::addColumn<QString>("general");
        QTest::addColumn<QString>("fixed");
        const QDateTime afternoon(QDate(2024, 1, 2), QTime(13, 4, 5));
        const QDateTime midnight(QDate(2009, 11, 30), QTime(0, 0));
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        const QLocale de(QLocale::German, QLocale::Germany);
        QTest::newRow("US, with time") << us << afternoon << "1/2/24 1:04:05 PM"
                                       << "24/02/01 13:04:05";
        QTest::newRow("US, midnight") << us << midnight << "11/30/09"
                                      << "09/30/11 00:00:00";
        QTest::newRow("German, with time") << de << afternoon << "02.01.24 13:04:05"
                                           << "24.02.01 13:04:05";
    }

    void localeTexts()
    {
        QFETCH(QLocale, locale);
        QFETCH(QDateTime, value);
        QFETCH(QString, general);
        QFETCH(QString, fixed);
        QCOMPARE(quarry::platform::GeneralDate(value, locale), general);
        QCOMPARE(quarry::platform::FixedPatternDate(value, locale), fixed);
    }

    void groupedCounts()
    {
        QCOMPARE(quarry::platform::GroupedCount(1234, QLocale(QLocale::English)), QStringLiteral("1,234"));
        QCOMPARE(quarry::platform::GroupedCount(1234567, QLocale(QLocale::German)),
                 QStringLiteral("1.234.567"));
        // The C locale leaves groups out unless told otherwise.
        QCOMPARE(quarry::platform::GroupedCount(1234, QLocale::c()), QStringLiteral("1,234"));
        QCOMPARE(quarry::platform::GroupedCount(0, QLocale::c()), QStringLiteral("0"));
    }
};

QTEST_MAIN(DataObjectsTest)
#include "tst_dataobjects.moc"
