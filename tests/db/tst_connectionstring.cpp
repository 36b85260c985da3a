// Connection-string parsing and translation, and name splitting: pure
// functions, no driver manager.
#include "platform/db/ConnectionString.h"

#include <QTest>

using namespace quarry;
using namespace quarry::db;

Q_DECLARE_METATYPE(quarry::ConnectMode)
Q_DECLARE_METATYPE(quarry::db::DbmsKind)

namespace {
const QStringList kAllDrivers{"SQLite3", "PostgreSQL Unicode", "MariaDB Unicode", "FreeTDS"};
}

class TestConnectionString : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void malformed_data();
    void malformed();
    void translate_data();
    void translate();
    void providerNotFound_data();
    void providerNotFound();
    void odbcItemBraces_data();
    void odbcItemBraces();
    void qualifiedNames_data();
    void qualifiedNames();
};

void TestConnectionString::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    const auto add = [](const char* name, const QString& text, const char* key, const QString& value) {
        QTest::newRow(name) << text << QString(key) << value;
    };
    add("plain", "Provider=SQLite;Data Source=/tmp/a.db", "data source", "/tmp/a.db");
    add("spaces trimmed", "  Data Source =  host  ; x=1", "Data Source", "host");
    add("single quoted with ;", "Password='a;b';User ID=u", "password", "a;b");
    add("double quoted, doubled quote", "Password=\"say \"\"hi\"\"\"", "Password", "say \"hi\"");
    add("single quote inside double", "Password=\"it's\"", "Password", "it's");
    add("braced", "pqopt={options='-c x=1'};a=b", "PQOPT", "options='-c x=1'");
    add("braced, doubled brace", "PWD={a}}b}", "pwd", "a}b");
    add("last duplicate wins", "a=1;A=2", "a", "2");
    add("empty value", "Password=;User ID=x", "Password", "");
    add("doubled = in key", "a==b=c", "a=b", "c");
    add("trailing and empty items", ";;a=1;;", "a", "1");
    add("unicode", QString::fromUtf8("Data Source=/tmp/Ünïcødé 数据.db"), "data source",
        QString::fromUtf8("/tmp/Ünïcødé 数据.db"));
}

void TestConnectionString::parse()
{
    QFETCH(QString, text);
    QFETCH(QString, key);
    QFETCH(QString, value);
    const auto items = parseConnectionString(text);
    const auto found = findItem(items, key);
    QVERIFY(found.has_value());
    QCOMPARE(*found, value);
}

void TestConnectionString::malformed_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("mentions");
    const auto add = [](const char* name, const char* text, const char* mentions) {
        QTest::newRow(name) << QString(text) << QString(mentions);
    };
    add("unbalanced single quote", "Password='abc;User ID=x", "no closing '");
    add("unbalanced double quote", "Password=\"abc", "no closing \"");
    add("unbalanced brace", "pqopt={options=x", "no closing }");
    add("text after quote", "Password='a'b;x=1", "after the quoted value");
    add("item without =", "Provider=SQLite;garbage", "\"garbage\" has no value");
    add("no key", "=value", "no key");
}

void TestConnectionString::malformed()
{
    QFETCH(QString, text);
    QFETCH(QString, mentions);
    try {
        translateConnectionString(text, {}, kAllDrivers);
        QFAIL("a malformed string was accepted");
    } catch (const DatabaseError& e) {
        QVERIFY2(e.Description().contains(mentions), qPrintable(e.Description()));
        QVERIFY2(e.Description().startsWith("Format of the initialization string"),
                 qPrintable(e.Description()));
        QCOMPARE(e.errors().Count(), 0); // the layer refused; no driver involved
    }
}

void TestConnectionString::translate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<ConnectMode>("mode");
    QTest::addColumn<int>("timeout");
    QTest::addColumn<QString>("provider");
    QTest::addColumn<DbmsKind>("kind");
    QTest::addColumn<QString>("odbc");
    QTest::addColumn<bool>("readOnlyAfterConnect");

    const QString pgDefaults = "TextAsLongVarchar=0;BoolsAsChar=0;ByteaAsLongVarBinary=1;UseDeclareFetch=1";

    QTest::newRow("sqlite") << "Provider=SQLite;Data Source=/tmp/a.db" << adModeReadWrite << 15 << "SQLite"
                            << DbmsKind::SQLite << "Driver=SQLite3;Database=/tmp/a.db" << false;
    QTest::newRow("sqlite3, read-only URI")
        << "provider=sqlite3;data source=/tmp/my db?.db" << adModeRead << 15 << "sqlite3" << DbmsKind::SQLite
        << "Driver=SQLite3;Database=file:///tmp/my%20db%3F.db?mode=ro" << false;
    QTest::newRow("sqlite file: URI read-only")
        << "Provider=SQLite;Data Source=file:/tmp/a.db?cache=shared" << adModeRead << 0 << "SQLite"
        << DbmsKind::SQLite << "Driver=SQLite3;Database=file:/tmp/a.db?cache=shared&mode=ro" << false;
    QTest::newRow("sqlite keeps other keys")
        << "Provider=SQLite;Data Source=a.db;StepAPI=1;Timeout=5" << adModeUnknown << 15 << "SQLite"
        << DbmsKind::SQLite << "Driver=SQLite3;Database=a.db;StepAPI=1;Timeout=5" << false;
    QTest::newRow("postgres")
        << "Provider=PostgreSQL;Data Source=db.example;Initial Catalog=shop;User ID=ann;"
           "Password=s;sslmode=require"
        << adModeReadWrite << 15 << "PostgreSQL" << DbmsKind::PostgreSQL
        << "Driver={PostgreSQL Unicode};Server=db.example;Database=shop;UID=ann;PWD=s;" + pgDefaults +
               ";sslmode=require"
        << false;
    QTest::newRow("postgres host:port, read-only")
        << "Provider=PostgreSQL.1;Data Source=127.0.0.1:5433;Initial Catalog=test;User ID=root" << adModeRead
        << 10 << "PostgreSQL.1" << DbmsKind::PostgreSQL
        << "Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=5433;Database=test;UID=root;" + pgDefaults +
               ";pqopt={options='-c default_transaction_read_only=on'}"
        << false;
    QTest::newRow("pgnp host,port, option given wins")
        << "Provider=PGNP.1;Data Source=h,6000;BoolsAsChar=1" << adModeReadWrite << 15 << "PGNP.1"
        << DbmsKind::PostgreSQL
        << "Driver={PostgreSQL Unicode};Server=h;Port=6000;TextAsLongVarchar=0;ByteaAsLongVarBinary=1;"
           "UseDeclareFetch=1;BoolsAsChar=1"
        << false;
    QTest::newRow("postgres Port key wins over host:port")
        << "Provider=PostgreSQL;Data Source=h:1;Port=2" << adModeReadWrite << 15 << "PostgreSQL"
        << DbmsKind::PostgreSQL << "Driver={PostgreSQL Unicode};Server=h;" + pgDefaults + ";Port=2" << false;
    QTest::newRow("postgres own pqopt merged when read-only")
        << "Provider=PostgreSQL;Data Source=h;pqopt={sslmode=disable}" << adModeRead << 15 << "PostgreSQL"
        << DbmsKind::PostgreSQL
        << "Driver={PostgreSQL Unicode};Server=h;" + pgDefaults +
               ";pqopt={sslmode=disable options='-c default_transaction_read_only=on'}"
        << false;
    QTest::newRow("ipv6 literal keeps colons")
        << "Provider=PostgreSQL;Data Source=::1" << adModeReadWrite << 0 << "PostgreSQL"
        << DbmsKind::PostgreSQL << "Driver={PostgreSQL Unicode};Server=::1;" + pgDefaults << false;
    QTest::newRow("mariadb, read-only, timeout")
        << "Provider=MariaDB;Data Source=127.0.0.1;Initial Catalog=test;User ID=root;Password=" << adModeRead
        << 7 << "MariaDB" << DbmsKind::MariaDB
        << "Driver={MariaDB Unicode};Server=127.0.0.1;Database=test;UID=root;CONN_TIMEOUT=7;"
           "InitStmt={SET SESSION TRANSACTION READ ONLY}"
        << false;
    QTest::newRow("MySqlProv, no timeout")
        << "Provider=MySqlProv;Data Source=h:3307" << adModeUnknown << 0 << "MySqlProv" << DbmsKind::MariaDB
        << "Driver={MariaDB Unicode};Server=h;Port=3307" << false;
    QTest::newRow("any provider with mysql")
        << "Provider=OleMySql.MySqlSource.1;Data Source=h" << adModeUnknown << 3 << "OleMySql.MySqlSource.1"
        << DbmsKind::MariaDB << "Driver={MariaDB Unicode};Server=h;CONN_TIMEOUT=3" << false;
    QTest::newRow("mariadb own InitStmt: read-only after connect")
        << "Provider=MySQL;Data Source=h;InitStmt=SET NAMES utf8" << adModeRead << 0 << "MySQL"
        << DbmsKind::MariaDB << "Driver={MariaDB Unicode};Server=h;InitStmt={SET NAMES utf8}" << true;
    QTest::newRow("sqloledb")
        << "Provider=SQLOLEDB.1;Data Source=srv\\inst;Initial Catalog=Northwind;"
           "User ID=sa;Password=p;Persist Security Info=False"
        << adModeReadWrite << 15 << "SQLOLEDB.1" << DbmsKind::SqlServer
        << "Driver=FreeTDS;Server=srv\\inst;Database=Northwind;UID=sa;PWD=p;TDS_Version=7.4;"
           "Persist Security Info=False"
        << false;
    QTest::newRow("sqlncli11 host,port")
        << "Provider=SQLNCLI11;Data Source=srv,1444" << adModeUnknown << 15 << "SQLNCLI11"
        << DbmsKind::SqlServer << "Driver=FreeTDS;Server=srv;Port=1444;TDS_Version=7.4" << false;
    QTest::newRow("msoledbsql") << "Provider=MSOLEDBSQL;Data Source=srv" << adModeUnknown << 15
                                << "MSOLEDBSQL" << DbmsKind::SqlServer
                                << "Driver=FreeTDS;Server=srv;TDS_Version=7.4" << false;
    QTest::newRow("raw ODBC, no provider")
        << "Driver={SQLite3};Database=/tmp/x.db" << adModeReadWrite << 15 << "MSDASQL" << DbmsKind::SQLite
        << "Driver={SQLite3};Database=/tmp/x.db" << false;
    QTest::newRow("raw ODBC read-only is enforced after connect")
        << "Provider=MSDASQL.1;DSN=mydsn;UID=u" << adModeRead << 15 << "MSDASQL.1" << DbmsKind::Other
        << "DSN=mydsn;UID=u" << true;
    QTest::newRow("raw ODBC keeps quotes and braces as written")
        << "Driver={PostgreSQL Unicode};PWD={x;y};Provider=MSDASQL;UID=a b" << adModeUnknown << 0 << "MSDASQL"
        << DbmsKind::PostgreSQL << "Driver={PostgreSQL Unicode};PWD={x;y};UID=a b" << false;
    QTest::newRow("raw MariaDB gets CONN_TIMEOUT")
        << "Driver={MariaDB Unicode};Server=h" << adModeUnknown << 4 << "MSDASQL" << DbmsKind::MariaDB
        << "Driver={MariaDB Unicode};Server=h;CONN_TIMEOUT=4" << false;
}

void TestConnectionString::translate()
{
    QFETCH(QString, text);
    QFETCH(ConnectMode, mode);
    QFETCH(int, timeout);
    QFETCH(QString, provider);
    QFETCH(DbmsKind, kind);
    QFETCH(QString, odbc);
    QFETCH(bool, readOnlyAfterConnect);

    const OdbcTarget target = translateConnectionString(text, {mode, timeout, {}, {}}, kAllDrivers);
    QCOMPARE(target.Provider, provider);
    QCOMPARE(target.Kind, kind);
    QCOMPARE(target.OdbcString, odbc);
    QCOMPARE(target.ReadOnlyAfterConnect, readOnlyAfterConnect);
    // What we produce must itself parse back.
    QVERIFY(!parseConnectionString(target.OdbcString).empty());
}

void TestConnectionString::providerNotFound_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("drivers");
    QTest::addColumn<QString>("mentions");

    QTest::newRow("unknown provider") << "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x.mdb" << kAllDrivers
                                      << "Provider \"Microsoft.Jet.OLEDB.4.0\" cannot be found";
    QTest::newRow("driver not installed")
        << "Provider=SQLOLEDB;Data Source=s" << QStringList{"SQLite3", "PostgreSQL Unicode"}
        << "ODBC driver \"FreeTDS\" is not installed";
    QTest::newRow("empty provider name is raw ODBC, but empty string is not")
        << "" << kAllDrivers << "connection string is empty";
}

void TestConnectionString::providerNotFound()
{
    QFETCH(QString, text);
    QFETCH(QStringList, drivers);
    QFETCH(QString, mentions);
    try {
        translateConnectionString(text, {}, drivers);
        QFAIL("translation succeeded");
    } catch (const DatabaseError& e) {
        QVERIFY2(e.Description().contains(mentions), qPrintable(e.Description()));
        if (e.Description().contains("cannot be found")) {
            QVERIFY(e.Description().contains("It may not be properly installed."));
            QCOMPARE(e.errors().Count(), 1);
            QCOMPARE(e.errors().Item(0).SQLState, QString("IM002"));
        }
    }
}

void TestConnectionString::odbcItemBraces_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("item");
    const auto add = [](const char* name, const char* value, const char* item) {
        QTest::newRow(name) << QString(value) << QString(item);
    };
    add("plain", "abc", "k=abc");
    add("semicolon", "a;b", "k={a;b}");
    add("closing brace doubled", "a}b", "k={a}}b}");
    add("leading blank", " a", "k={ a}");
    add("equals", "a=b", "k={a=b}");
}

void TestConnectionString::odbcItemBraces()
{
    QFETCH(QString, value);
    QFETCH(QString, item);
    QCOMPARE(odbcItem("k", value), item);
    // Round trip through our own parser.
    QCOMPARE(*findItem(parseConnectionString(item), "k"), value);
}

void TestConnectionString::qualifiedNames_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("parts");
    QTest::newRow("bare") << "proc" << QStringList{"proc"};
    QTest::newRow("owner.name") << "dbo.proc" << QStringList{"dbo", "proc"};
    QTest::newRow("double quotes") << "\"my schema\".\"a.b\"" << QStringList{"my schema", "a.b"};
    QTest::newRow("brackets") << "[db].[dbo].[p]" << QStringList{"db", "dbo", "p"};
    QTest::newRow("backticks, doubled") << "`we``ird`" << QStringList{"we`ird"};
    QTest::newRow("doubled double quote") << "\"a\"\"b\"" << QStringList{"a\"b"};
}

void TestConnectionString::qualifiedNames()
{
    QFETCH(QString, text);
    QFETCH(QStringList, parts);
    QCOMPARE(splitQualifiedName(text), parts);
}

QTEST_GUILESS_MAIN(TestConnectionString)
#include "tst_connectionstring.moc"
