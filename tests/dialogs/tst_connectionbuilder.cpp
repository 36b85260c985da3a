#include "dialogs/dlgConnectionBuilder.h"
#include "platform/db/ConnectionString.h"

#include "ScriptedPrompts.h"
#include "TestDatabases.h"
#include "WidgetTestSupport.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using quarry::platform::MsgIcon;
using quarry::test::child;
using quarry::test::Db;
using quarry::test::ScriptedPrompts;
using Kind = dlgConnectionBuilder::ProviderKind;

Q_DECLARE_METATYPE(dlgConnectionBuilder::ProviderKind)

namespace {

const QStringList kAllDrivers{"SQLite3", "PostgreSQL Unicode", "MariaDB Unicode", "FreeTDS", "Acme Driver"};
// Fields are written "driver|server|port|database|user|password|options".
const char* const kEdits[] = {"txtServer", "txtPort", "txtDatabase", "txtUser", "txtPassword", "txtOptions"};

void fill(dlgConnectionBuilder& dialog, Kind kind, const QString& fields)
{
    QVERIFY(dialog.setProvider(kind));
    const QStringList values = fields.split(QLatin1Char('|'));
    QCOMPARE(values.size(), 7);
    if (!values[0].isEmpty())
        child<QComboBox>(dialog, "cboDriver")->setEditText(values[0]);
    for (int i = 1; i < 7; ++i)
        child<QLineEdit>(dialog, kEdits[i - 1])->setText(values[i]);
}

// The driver counts only for "Other ODBC driver".
QString fieldsOf(dlgConnectionBuilder& dialog)
{
    QStringList values{dialog.provider() == Kind::OtherOdbc
                           ? child<QComboBox>(dialog, "cboDriver")->currentText()
                           : QString()};
    for (const char* name : kEdits)
        values << child<QLineEdit>(dialog, name)->text();
    return values.join(QLatin1Char('|'));
}

} // namespace

class TestConnectionBuilder : public QObject
{
    Q_OBJECT

    static QPushButton* button(QWidget& dialog, const char* name) { return child<QPushButton>(dialog, name); }
    static void row(const char* name, Kind kind, const QString& fields, const QString& text)
    {
        QTest::newRow(name) << kind << fields << text;
    }

private slots:
    void quoteValueReadsBack_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("quoted");
        for (const char* value : {"abc", "/tmp/my db.sqlite", "O'Brien \"Bob\"", "a=b"})
            QTest::newRow(value) << QString(value) << false;
        // ';', quotes or a brace in front, blanks at the ends.
        for (const char* value : {"a;b", " a", "a ", "\"a", "'a", "{a}", "it's \"x\";y"})
            QTest::newRow(value) << QString(value) << true;
    }

    void quoteValueReadsBack()
    {
        QFETCH(QString, value);
        QFETCH(bool, quoted);
        const QString text = dlgConnectionBuilder::quoteValue(value);
        QCOMPARE(text != value, quoted);
        // The database layer must read exactly the value back, with items around it.
        const auto items = quarry::db::parseConnectionString("A=1;Password=" + text + ";B=2");
        QCOMPARE(quarry::db::findItem(items, QStringLiteral("Password")).value_or("<none>"), value);
        QCOMPARE(quarry::db::findItem(items, QStringLiteral("B")).value_or(QString()), QStringLiteral("2"));
    }

    void providersFromInstalledDrivers_data()
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

    void providersFromInstalledDrivers()
    {
        QFETCH(QStringList, drivers);
        QFETCH(QStringList, providers);
        dlgConnectionBuilder dialog(drivers, nullptr);
        QCOMPARE(quarry::test::itemTexts(*child<QComboBox>(dialog, "cboProvider")), providers);
        QCOMPARE(child<QComboBox>(dialog, "cboDriver")->count(), drivers.size());
    }

    void builds_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QString>("expected"); // "": OK and Test stay disabled
        row("SQLite without file", Kind::SQLite, "|srv|||||", "");
        row("PostgreSQL without server", Kind::PostgreSQL, "| ||db|u||", "");
        row("other ODBC driver without driver", Kind::OtherOdbc, "|h|||||", "");
        row("SQLite file", Kind::SQLite, "|||/data/my db.sqlite|||",
            "Provider=SQLite;Data Source=/data/my db.sqlite");
        row("SQLite ignores server fields", Kind::SQLite, "|srv|99|/a.db|u|p|",
            "Provider=SQLite;Data Source=/a.db");
        row("PostgreSQL full", Kind::PostgreSQL, "|127.0.0.1|5432|test|root|secret|",
            "Provider=PostgreSQL;Data Source=127.0.0.1,5432;Initial Catalog=test;User "
            "ID=root;Password=secret");
        row("MariaDB default port", Kind::MariaDB, "|db||shop|||",
            "Provider=MariaDB;Data Source=db;Initial Catalog=shop");
        row("SQL Server", Kind::SqlServer, "|mssql|1433|north|sa||",
            "Provider=SQLOLEDB;Data Source=mssql,1433;Initial Catalog=north;User ID=sa");
        row("password with ; and quotes", Kind::PostgreSQL, "|h|||u|a;'b\"|",
            "Provider=PostgreSQL;Data Source=h;User ID=u;Password=\"a;'b\"\"\"");
        row("extra options appended", Kind::PostgreSQL, "|h|||||;sslmode=require;Foo=bar;",
            "Provider=PostgreSQL;Data Source=h;sslmode=require;Foo=bar");
        row("other ODBC driver braces values", Kind::OtherOdbc, "Acme Driver|host|1|d b|me|p;w}|X=1",
            "Provider=MSDASQL;Driver={Acme Driver};Server=host;Port=1;Database={d b};UID=me;PWD={p;w}}};X=1");
    }

    void builds()
    {
        QFETCH(Kind, kind);
        QFETCH(QString, fields);
        QFETCH(QString, expected);
        dlgConnectionBuilder dialog(kAllDrivers, nullptr);
        child<QComboBox>(dialog, "cboDriver")->setEditText(QString());
        fill(dialog, kind, fields);
        QCOMPARE(button(dialog, "cmdOK")->isEnabled(), !expected.isEmpty());
        QCOMPARE(button(dialog, "cmdTest")->isEnabled(), !expected.isEmpty());
        QCOMPARE(button(dialog, "cmdBrowse")->isEnabled(), kind == Kind::SQLite);
        QCOMPARE(child<QLineEdit>(dialog, "txtServer")->isEnabled(), kind != Kind::SQLite);
        if (!expected.isEmpty())
            QCOMPARE(dialog.connectionString().value_or("<none>"), expected);
    }

    void parsesBack_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("fields");
        const auto parse = [](const char* name, const char* text, Kind kind, const char* fields) {
            QTest::newRow(name) << QString(text) << kind << QString(fields);
        };
        parse("PostgreSQL with port",
              "Provider=PostgreSQL;Data Source=db.example,5433;Initial Catalog=test;User "
              "ID=root;Password=\"a;b\"",
              Kind::PostgreSQL, "|db.example|5433|test|root|a;b|");
        parse("host:port and unknown keys kept",
              "provider=MySQL.2; data source = h:3307 ;initial catalog=shop;Persist Security "
              "Info=False;X='a;b'",
              Kind::MariaDB, "|h|3307|shop|||Persist Security Info=False;X=\"a;b\"");
        parse("separate Port key", "Provider=PostgreSQL;Data Source=h;Port=5440", Kind::PostgreSQL,
              "|h|5440||||");
        parse("SQLite path", "Provider=SQLite.1;Data Source=/srv/a b/c.db", Kind::SQLite,
              "|||/srv/a b/c.db|||");
        parse("SQL Server native client", "Provider=SQLNCLI11;Data Source=ms;Initial Catalog=n",
              Kind::SqlServer, "|ms||n|||");
        parse("raw ODBC string", "Driver={Acme Driver};Server=s;Database=d;UID=u;PWD={x;y};Opt=1",
              Kind::OtherOdbc, "Acme Driver|s||d|u|x;y|Opt=1");
        parse("unknown provider goes to other", "Provider=Acme.OLEDB;Driver=Acme Driver", Kind::OtherOdbc,
              "Acme Driver||||||");
    }

    void parsesBack()
    {
        QFETCH(QString, text);
        QFETCH(Kind, kind);
        QFETCH(QString, fields);
        dlgConnectionBuilder dialog(kAllDrivers, nullptr);
        QVERIFY(dialog.setConnectionString(text));
        QCOMPARE(dialog.provider(), kind);
        QCOMPARE(fieldsOf(dialog), fields);
        // Only the fields make the new string: a fresh builder given them writes the same,
        // and it reads back to the same fields.
        dlgConnectionBuilder fresh(kAllDrivers, nullptr);
        fill(fresh, kind, fields);
        const QString rebuilt = dialog.connectionString().value_or("<none>");
        QCOMPARE(rebuilt, fresh.connectionString().value_or("<none>"));
        QVERIFY(dialog.setConnectionString(rebuilt));
        QCOMPARE(fieldsOf(dialog), fields);
        QCOMPARE(dialog.connectionString().value_or("<none>"), rebuilt);
    }

    void malformedStringKeptForTheUser()
    {
        dlgConnectionBuilder dialog(kAllDrivers, nullptr);
        const QString bad = QStringLiteral("Provider=PostgreSQL;Password=\"unclosed");
        QVERIFY(!dialog.setConnectionString(bad));
        QCOMPARE(child<QLineEdit>(dialog, "txtOptions")->text(), bad);
        QString why;
        QVERIFY(!dialog.connectionString(&why));
        QVERIFY2(why.contains(QStringLiteral("closing")), qPrintable(why));
    }

    void badExtraOptionsRefused()
    {
        ScriptedPrompts prompts;
        dlgConnectionBuilder dialog(kAllDrivers, nullptr);
        fill(dialog, Kind::PostgreSQL, "|h|||||novalue");
        dialog.show();
        QTest::mouseClick(button(dialog, "cmdOK"), Qt::LeftButton);
        QVERIFY(dialog.isVisible()); // stays open for a correction
        QVERIFY(dialog.result().isEmpty());
        QCOMPARE(prompts.calls.size(), size_t(1));
        QCOMPARE(prompts.calls[0].icon, MsgIcon::Critical);
        QVERIFY2(prompts.calls[0].text.contains(QStringLiteral("novalue")),
                 qPrintable(prompts.calls[0].text));

        QTest::mouseClick(button(dialog, "cmdTest"), Qt::LeftButton);
        QCOMPARE(prompts.calls.size(), size_t(2)); // refused before any connection attempt

        child<QLineEdit>(dialog, "txtOptions")->setText(QStringLiteral("novalue=1"));
        QTest::mouseClick(button(dialog, "cmdOK"), Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), QStringLiteral("Provider=PostgreSQL;Data Source=h;novalue=1"));
    }

    void testConnectionReports_data()
    {
        QTest::addColumn<Db>("db");
        QTest::addColumn<QString>("port"); // "": the server's own
        for (Db db : {Db::SQLite, Db::PostgreSQL, Db::MariaDB})
            QTest::newRow(qPrintable(quarry::test::dbName(db) + " opens")) << db << QString();
        for (Db db : {Db::PostgreSQL, Db::MariaDB})
            QTest::newRow(qPrintable(quarry::test::dbName(db) + " on a wrong port")) << db << QString("1");
    }

    void testConnectionReports()
    {
        QFETCH(Db, db);
        QFETCH(QString, port);
        QUARRY_REQUIRE_DB(db);
        // Values that need quoting must survive the trip through the database layer.
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("it's \"quoted\" a,b.sqlite"));
        const QString serverPort = !port.isEmpty() ? port : db == Db::PostgreSQL ? "5432" : "3306";
        QString fields = db == Db::SQLite ? QStringLiteral("|||%1|||").arg(file)
                                          : QStringLiteral("|127.0.0.1|%1|test|root||").arg(serverPort);
        if (db == Db::SQLite) // an empty file is an empty database; read-only opens create nothing
            QVERIFY(QFile(file).open(QIODevice::WriteOnly));
        else if (db == Db::PostgreSQL) // other keys go to the driver untouched
            fields += QStringLiteral("Application Name='a;b'");
        else // MariaDB's driver refuses keys it does not know
            fields += QStringLiteral("CHARSET=utf8mb4");

        ScriptedPrompts prompts;
        dlgConnectionBuilder dialog; // the drivers really installed
        fill(dialog,
             db == Db::SQLite       ? Kind::SQLite
             : db == Db::PostgreSQL ? Kind::PostgreSQL
                                    : Kind::MariaDB,
             fields);
        dialog.show();
        QTest::mouseClick(button(dialog, "cmdTest"), Qt::LeftButton);
        QCOMPARE(prompts.calls.size(), size_t(1));
        const ScriptedPrompts::Call& box = prompts.calls[0];
        QCOMPARE(box.title, QStringLiteral("Test Connection"));
        if (port.isEmpty()) {
            QVERIFY2(box.icon == MsgIcon::Information, qPrintable(box.text));
            QCOMPARE(box.text, QStringLiteral("Test connection succeeded."));
            return;
        }
        QCOMPARE(box.icon, MsgIcon::Critical);
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
        QCOMPARE(box.text, direct);
    }

    // The OK path is the new data source dialog's default prompt, tested there.
    void promptCancelledGivesNothing()
    {
        QWidget owner;
        bool escaped = false;
        quarry::test::whenModal(&owner, [&escaped](QWidget* modal) {
            if (auto* dialog = qobject_cast<dlgConnectionBuilder*>(modal)) {
                QTest::keyClick(dialog, Qt::Key_Escape);
                escaped = true;
            }
        });
        QVERIFY(!dlgConnectionBuilder::prompt(&owner, QStringLiteral("Provider=PostgreSQL;Data Source=h")));
        QVERIFY(escaped);
    }
};

QTEST_MAIN(TestConnectionBuilder)
#include "tst_connectionbuilder.moc"
