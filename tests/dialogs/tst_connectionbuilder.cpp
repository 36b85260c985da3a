#include "dialogs/dlgConnectionBuilder.h"
#include "platform/db/ConnectionString.h"

#include "ScriptedPrompts.h"
#include "TestDatabases.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using quarry::platform::MsgIcon;
using quarry::test::Db;
using quarry::test::ScriptedPrompts;
using Kind = dlgConnectionBuilder::ProviderKind;

Q_DECLARE_METATYPE(dlgConnectionBuilder::ProviderKind)

namespace {

const QStringList kAllDrivers{"SQLite3", "PostgreSQL Unicode", "MariaDB Unicode", "FreeTDS", "Acme Driver"};

QLineEdit* edit(QWidget& dialog, const char* name)
{
    auto* widget = dialog.findChild<QLineEdit*>(QLatin1StringView(name));
    if (!widget)
        qFatal("no line edit %s", name);
    return widget;
}

QPushButton* button(QWidget& dialog, const char* name)
{
    auto* widget = dialog.findChild<QPushButton*>(QLatin1StringView(name));
    if (!widget)
        qFatal("no button %s", name);
    return widget;
}

struct Fields
{
    QString driver, server, port, database, user, password, options;
};

void fill(dlgConnectionBuilder& dialog, Kind kind, const Fields& f)
{
    QVERIFY(dialog.setProvider(kind));
    if (!f.driver.isEmpty())
        dialog.findChild<QComboBox*>(QStringLiteral("cboDriver"))->setEditText(f.driver);
    edit(dialog, "txtServer")->setText(f.server);
    edit(dialog, "txtPort")->setText(f.port);
    edit(dialog, "txtDatabase")->setText(f.database);
    edit(dialog, "txtUser")->setText(f.user);
    edit(dialog, "txtPassword")->setText(f.password);
    edit(dialog, "txtOptions")->setText(f.options);
}

// The fields for the test endpoint of `db` (SQLite: `file`).
Fields endpoint(Db db, const QString& file = {})
{
    switch (db) {
    case Db::SQLite:
        return {{}, {}, {}, file, {}, {}, {}};
    case Db::PostgreSQL:
        return {{},
                QStringLiteral("127.0.0.1"),
                QStringLiteral("5432"),
                QStringLiteral("test"),
                QStringLiteral("root"),
                {},
                {}};
    case Db::MariaDB:
        return {{},
                QStringLiteral("127.0.0.1"),
                QStringLiteral("3306"),
                QStringLiteral("test"),
                QStringLiteral("root"),
                {},
                {}};
    }
    return {};
}

Kind kindOf(Db db)
{
    switch (db) {
    case Db::SQLite:
        return Kind::SQLite;
    case Db::PostgreSQL:
        return Kind::PostgreSQL;
    case Db::MariaDB:
        return Kind::MariaDB;
    }
    return Kind::OtherOdbc;
}

} // namespace

class TestConnectionBuilder : public QObject
{
    Q_OBJECT

private slots:
    void quoteValueReadsBack_data();
    void quoteValueReadsBack();
    void providersFromInstalledDrivers_data();
    void providersFromInstalledDrivers();
    void builds_data();
    void builds();
    void parsesBack_data();
    void parsesBack();
    void malformedStringKeptForTheUser();
    void badExtraOptionsRefused();
    void buttonsNeedTheKeyField_data();
    void buttonsNeedTheKeyField();
    void testConnectionOpens_data();
    void testConnectionOpens();
    void wrongPortShowsDriverMessage_data();
    void wrongPortShowsDriverMessage();
    void promptReturnsStringOrNothing_data();
    void promptReturnsStringOrNothing();
};

void TestConnectionBuilder::quoteValueReadsBack_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("quoted");
    QTest::newRow("plain") << "abc" << false;
    QTest::newRow("inner blank") << "/tmp/my db.sqlite" << false;
    QTest::newRow("semicolon") << "a;b" << true;
    QTest::newRow("leading blank") << " a" << true;
    QTest::newRow("trailing blank") << "a " << true;
    QTest::newRow("starts with double quote") << "\"a" << true;
    QTest::newRow("starts with single quote") << "'a" << true;
    QTest::newRow("starts with brace") << "{a}" << true;
    QTest::newRow("both quotes and semicolon") << "it's \"x\";y" << true;
    QTest::newRow("inner quotes alone") << "O'Brien \"Bob\"" << false;
    QTest::newRow("equals sign") << "a=b" << false;
}

void TestConnectionBuilder::quoteValueReadsBack()
{
    QFETCH(QString, value);
    QFETCH(bool, quoted);
    const QString text = dlgConnectionBuilder::quoteValue(value);
    QCOMPARE(text != value, quoted);
    // The database layer must read exactly the value back, with items around it.
    const auto items =
        quarry::db::parseConnectionString(QStringLiteral("A=1;Password=") + text + QStringLiteral(";B=2"));
    QCOMPARE(quarry::db::findItem(items, QStringLiteral("Password")).value_or(QStringLiteral("<none>")),
             value);
    QCOMPARE(quarry::db::findItem(items, QStringLiteral("B")).value_or(QString()), QStringLiteral("2"));
}

void TestConnectionBuilder::providersFromInstalledDrivers_data()
{
    QTest::addColumn<QStringList>("drivers");
    QTest::addColumn<QStringList>("providers");
    QTest::newRow("all") << kAllDrivers
                         << QStringList{"SQLite", "PostgreSQL", "MariaDB / MySQL", "SQL Server",
                                        "Other ODBC driver"};
    QTest::newRow("none") << QStringList{} << QStringList{"Other ODBC driver"};
    QTest::newRow("MySQL driver offers MariaDB / MySQL")
        << QStringList{"MySQL ODBC 8.0 Unicode Driver"}
        << QStringList{"MariaDB / MySQL", "Other ODBC driver"};
    QTest::newRow("SQLite and PostgreSQL") << QStringList{"SQLite3", "PostgreSQL Unicode"}
                                           << QStringList{"SQLite", "PostgreSQL", "Other ODBC driver"};
}

void TestConnectionBuilder::providersFromInstalledDrivers()
{
    QFETCH(QStringList, drivers);
    QFETCH(QStringList, providers);
    dlgConnectionBuilder dialog(drivers, nullptr);
    auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("cboProvider"));
    QVERIFY(combo);
    QStringList got;
    for (int i = 0; i < combo->count(); ++i)
        got << combo->itemText(i);
    QCOMPARE(got, providers);
    auto* driverCombo = dialog.findChild<QComboBox*>(QStringLiteral("cboDriver"));
    QCOMPARE(driverCombo->count(), drivers.size());
}

void TestConnectionBuilder::builds_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QStringList>("fields"); // driver, server, port, database, user, password, options
    QTest::addColumn<QString>("expected");

    QTest::newRow("SQLite file") << Kind::SQLite << QStringList{"", "", "", "/data/my db.sqlite", "", "", ""}
                                 << "Provider=SQLite;Data Source=/data/my db.sqlite";
    QTest::newRow("SQLite ignores server fields")
        << Kind::SQLite << QStringList{"", "srv", "99", "/a.db", "u", "p", ""}
        << "Provider=SQLite;Data Source=/a.db";
    QTest::newRow("PostgreSQL full")
        << Kind::PostgreSQL << QStringList{"", "127.0.0.1", "5432", "test", "root", "secret", ""}
        << "Provider=PostgreSQL;Data Source=127.0.0.1,5432;Initial Catalog=test;User ID=root;Password=secret";
    QTest::newRow("MariaDB default port") << Kind::MariaDB << QStringList{"", "db", "", "shop", "", "", ""}
                                          << "Provider=MariaDB;Data Source=db;Initial Catalog=shop";
    QTest::newRow("SQL Server")
        << Kind::SqlServer << QStringList{"", "mssql", "1433", "north", "sa", "", ""}
        << "Provider=SQLOLEDB;Data Source=mssql,1433;Initial Catalog=north;User ID=sa";
    QTest::newRow("password with ; and quotes")
        << Kind::PostgreSQL << QStringList{"", "h", "", "", "u", "a;'b\"", ""}
        << "Provider=PostgreSQL;Data Source=h;User ID=u;Password=\"a;'b\"\"\"";
    QTest::newRow("extra options appended")
        << Kind::PostgreSQL << QStringList{"", "h", "", "", "", "", ";sslmode=require;Foo=bar;"}
        << "Provider=PostgreSQL;Data Source=h;sslmode=require;Foo=bar";
    QTest::newRow("other ODBC driver braces values")
        << Kind::OtherOdbc << QStringList{"Acme Driver", "host", "1", "d b", "me", "p;w}", "X=1"}
        << "Provider=MSDASQL;Driver={Acme Driver};Server=host;Port=1;Database={d b};UID=me;PWD={p;w}}};X=1";
}

void TestConnectionBuilder::builds()
{
    QFETCH(Kind, kind);
    QFETCH(QStringList, fields);
    QFETCH(QString, expected);
    dlgConnectionBuilder dialog(kAllDrivers, nullptr);
    fill(dialog, kind, {fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], fields[6]});
    QCOMPARE(dialog.connectionString().value_or(QStringLiteral("<none>")), expected);
    // The layer parses what the builder writes.
    QVERIFY(!quarry::db::parseConnectionString(expected).empty());
}

void TestConnectionBuilder::parsesBack_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QStringList>("fields"); // driver, server, port, database, user, password, options
    QTest::addColumn<QString>("rebuilt");

    QTest::newRow("PostgreSQL with port")
        << "Provider=PostgreSQL;Data Source=db.example,5433;Initial Catalog=test;User "
           "ID=root;Password=\"a;b\""
        << Kind::PostgreSQL << QStringList{"", "db.example", "5433", "test", "root", "a;b", ""}
        << "Provider=PostgreSQL;Data Source=db.example,5433;Initial Catalog=test;User "
           "ID=root;Password=\"a;b\"";
    QTest::newRow("host:port and unknown keys kept")
        << "provider=MySQL.2; data source = h:3307 ;initial catalog=shop;Persist Security Info=False;X='a;b'"
        << Kind::MariaDB
        << QStringList{"", "h", "3307", "shop", "", "", "Persist Security Info=False;X=\"a;b\""}
        << "Provider=MariaDB;Data Source=h,3307;Initial Catalog=shop;Persist Security Info=False;X=\"a;b\"";
    QTest::newRow("separate Port key")
        << "Provider=PostgreSQL;Data Source=h;Port=5440" << Kind::PostgreSQL
        << QStringList{"", "h", "5440", "", "", "", ""} << "Provider=PostgreSQL;Data Source=h,5440";
    QTest::newRow("SQLite path") << "Provider=SQLite.1;Data Source=/srv/a b/c.db" << Kind::SQLite
                                 << QStringList{"", "", "", "/srv/a b/c.db", "", "", ""}
                                 << "Provider=SQLite;Data Source=/srv/a b/c.db";
    QTest::newRow("SQL Server native client")
        << "Provider=SQLNCLI11;Data Source=ms;Initial Catalog=n" << Kind::SqlServer
        << QStringList{"", "ms", "", "n", "", "", ""} << "Provider=SQLOLEDB;Data Source=ms;Initial Catalog=n";
    QTest::newRow("raw ODBC string")
        << "Driver={Acme Driver};Server=s;Database=d;UID=u;PWD={x;y};Opt=1" << Kind::OtherOdbc
        << QStringList{"Acme Driver", "s", "", "d", "u", "x;y", "Opt=1"}
        << "Provider=MSDASQL;Driver={Acme Driver};Server=s;Database=d;UID=u;PWD={x;y};Opt=1";
    QTest::newRow("unknown provider goes to other")
        << "Provider=Acme.OLEDB;Driver=Acme Driver" << Kind::OtherOdbc
        << QStringList{"Acme Driver", "", "", "", "", "", ""} << "Provider=MSDASQL;Driver={Acme Driver}";
}

void TestConnectionBuilder::parsesBack()
{
    QFETCH(QString, text);
    QFETCH(Kind, kind);
    QFETCH(QStringList, fields);
    QFETCH(QString, rebuilt);
    dlgConnectionBuilder dialog(kAllDrivers, nullptr);
    QVERIFY(dialog.setConnectionString(text));
    QCOMPARE(dialog.provider(), kind);
    if (kind == Kind::OtherOdbc)
        QCOMPARE(dialog.findChild<QComboBox*>(QStringLiteral("cboDriver"))->currentText(), fields[0]);
    QCOMPARE(edit(dialog, "txtServer")->text(), fields[1]);
    QCOMPARE(edit(dialog, "txtPort")->text(), fields[2]);
    QCOMPARE(edit(dialog, "txtDatabase")->text(), fields[3]);
    QCOMPARE(edit(dialog, "txtUser")->text(), fields[4]);
    QCOMPARE(edit(dialog, "txtPassword")->text(), fields[5]);
    QCOMPARE(edit(dialog, "txtOptions")->text(), fields[6]);
    QCOMPARE(dialog.connectionString().value_or(QStringLiteral("<none>")), rebuilt);
    // And once more: a rebuilt string is a fixed point.
    QVERIFY(dialog.setConnectionString(rebuilt));
    QCOMPARE(dialog.connectionString().value_or(QStringLiteral("<none>")), rebuilt);
}

void TestConnectionBuilder::malformedStringKeptForTheUser()
{
    dlgConnectionBuilder dialog(kAllDrivers, nullptr);
    const QString bad = QStringLiteral("Provider=PostgreSQL;Password=\"unclosed");
    QVERIFY(!dialog.setConnectionString(bad));
    QCOMPARE(edit(dialog, "txtOptions")->text(), bad);
    QString why;
    QVERIFY(!dialog.connectionString(&why));
    QVERIFY2(why.contains(QStringLiteral("closing")), qPrintable(why));
}

void TestConnectionBuilder::badExtraOptionsRefused()
{
    ScriptedPrompts prompts;
    dlgConnectionBuilder dialog(kAllDrivers, nullptr);
    fill(dialog, Kind::PostgreSQL, {{}, QStringLiteral("h"), {}, {}, {}, {}, QStringLiteral("novalue")});
    dialog.show();
    QTest::mouseClick(button(dialog, "cmdOK"), Qt::LeftButton);
    QVERIFY(dialog.isVisible()); // stays open for a correction
    QVERIFY(dialog.result().isEmpty());
    QCOMPARE(prompts.calls.size(), size_t(1));
    QCOMPARE(prompts.calls[0].icon, MsgIcon::Critical);
    QVERIFY2(prompts.calls[0].text.contains(QStringLiteral("novalue")), qPrintable(prompts.calls[0].text));

    QTest::mouseClick(button(dialog, "cmdTest"), Qt::LeftButton);
    QCOMPARE(prompts.calls.size(), size_t(2)); // refused before any connection attempt

    edit(dialog, "txtOptions")->setText(QStringLiteral("novalue=1"));
    QTest::mouseClick(button(dialog, "cmdOK"), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), QStringLiteral("Provider=PostgreSQL;Data Source=h;novalue=1"));
}

void TestConnectionBuilder::buttonsNeedTheKeyField_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("SQLite without file")
        << Kind::SQLite << QStringList{"", "srv", "", "", "", "", ""} << false;
    QTest::newRow("SQLite with file") << Kind::SQLite << QStringList{"", "", "", "/a.db", "", "", ""} << true;
    QTest::newRow("PostgreSQL without server")
        << Kind::PostgreSQL << QStringList{"", " ", "", "db", "u", "", ""} << false;
    QTest::newRow("MariaDB with server") << Kind::MariaDB << QStringList{"", "h", "", "", "", "", ""} << true;
    QTest::newRow("other without driver")
        << Kind::OtherOdbc << QStringList{"", "h", "", "", "", "", ""} << false;
    QTest::newRow("other with driver")
        << Kind::OtherOdbc << QStringList{"Acme Driver", "", "", "", "", "", ""} << true;
}

void TestConnectionBuilder::buttonsNeedTheKeyField()
{
    QFETCH(Kind, kind);
    QFETCH(QStringList, fields);
    QFETCH(bool, enabled);
    dlgConnectionBuilder dialog(kAllDrivers, nullptr);
    dialog.findChild<QComboBox*>(QStringLiteral("cboDriver"))->setEditText(QString());
    fill(dialog, kind, {fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], fields[6]});
    QCOMPARE(button(dialog, "cmdOK")->isEnabled(), enabled);
    QCOMPARE(button(dialog, "cmdTest")->isEnabled(), enabled);
    QCOMPARE(button(dialog, "cmdBrowse")->isEnabled(), kind == Kind::SQLite);
    QCOMPARE(edit(dialog, "txtServer")->isEnabled(), kind != Kind::SQLite);
}

void TestConnectionBuilder::testConnectionOpens_data()
{
    quarry::test::addDatabaseRows();
}

void TestConnectionBuilder::testConnectionOpens()
{
    QFETCH(Db, db);
    QUARRY_REQUIRE_DB(db);
    // Values that need quoting must survive the trip through the database layer.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("it's \"quoted\" a,b.sqlite"));
    Fields fields = endpoint(db, file);
    if (db == Db::SQLite) // an empty file is an empty database; read-only opens create nothing
        QVERIFY(QFile(file).open(QIODevice::WriteOnly));
    else if (db == Db::PostgreSQL) // other keys go to the driver untouched
        fields.options = QStringLiteral("Application Name='a;b'");
    else // MariaDB's driver refuses keys it does not know
        fields.options = QStringLiteral("CHARSET=utf8mb4");

    ScriptedPrompts prompts;
    dlgConnectionBuilder dialog; // the drivers really installed
    fill(dialog, kindOf(db), fields);
    dialog.show();
    QTest::mouseClick(button(dialog, "cmdTest"), Qt::LeftButton);
    QCOMPARE(prompts.calls.size(), size_t(1));
    QVERIFY2(prompts.calls[0].icon == MsgIcon::Information, qPrintable(prompts.calls[0].text));
    QCOMPARE(prompts.calls[0].text, QStringLiteral("Test connection succeeded."));
    QCOMPARE(prompts.calls[0].title, QStringLiteral("Test Connection"));
}

void TestConnectionBuilder::wrongPortShowsDriverMessage_data()
{
    quarry::test::addServerRows();
}

void TestConnectionBuilder::wrongPortShowsDriverMessage()
{
    QFETCH(Db, db);
    QUARRY_REQUIRE_DB(db);
    ScriptedPrompts prompts;
    dlgConnectionBuilder dialog;
    Fields fields = endpoint(db);
    fields.port = QStringLiteral("1");
    fill(dialog, kindOf(db), fields);
    QTest::mouseClick(button(dialog, "cmdTest"), Qt::LeftButton);
    QCOMPARE(prompts.calls.size(), size_t(1));
    QCOMPARE(prompts.calls[0].icon, MsgIcon::Critical);

    // The message is the driver's own, as the layer reports it.
    QString direct;
    try {
        quarry::Connection c;
        c.setMode(quarry::adModeRead);
        c.setConnectionTimeout(10);
        c.Open(dialog.connectionString().value_or(QString()));
    } catch (const quarry::DatabaseError& e) {
        direct = e.errors().Text();
    }
    QVERIFY(!direct.isEmpty());
    QCOMPARE(prompts.calls[0].text, direct);
}

void TestConnectionBuilder::promptReturnsStringOrNothing_data()
{
    QTest::addColumn<bool>("ok");
    QTest::newRow("OK") << true;
    QTest::newRow("Cancel") << false;
}

void TestConnectionBuilder::promptReturnsStringOrNothing()
{
    QFETCH(bool, ok);
    QWidget owner;
    QTimer::singleShot(0, &owner, [&] {
        auto* dialog = qobject_cast<dlgConnectionBuilder*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        dialog->setProvider(Kind::SQLite);
        edit(*dialog, "txtDatabase")->setText(QStringLiteral("/x/y.db"));
        if (ok)
            QTest::mouseClick(button(*dialog, "cmdOK"), Qt::LeftButton);
        else
            QTest::keyClick(dialog, Qt::Key_Escape);
    });
    QTimer::singleShot(5000, &owner, [] {
        if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            modal->done(-1);
    });
    const auto result =
        dlgConnectionBuilder::prompt(&owner, QStringLiteral("Provider=PostgreSQL;Data Source=h"));
    if (ok)
        QCOMPARE(result.value_or(QStringLiteral("<none>")),
                 QStringLiteral("Provider=SQLite;Data Source=/x/y.db"));
    else
        QVERIFY(!result.has_value());
}

QTEST_MAIN(TestConnectionBuilder)
#include "tst_connectionbuilder.moc"
