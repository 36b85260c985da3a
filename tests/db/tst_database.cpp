// The database layer on SQLite, PostgreSQL and MariaDB: connection strings, opening, read-only sessions,
// login timeouts, diagnostics, rows, column discovery, schema rowsets and procedure parameters.
#include "TestDatabases.h"
#include "platform/db/Catalog.h"
#include "platform/db/ConnectionString.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QTcpServer>
#include <QTest>

#include <pwd.h>
#include <unistd.h>

using namespace quarry;
using namespace quarry::db;
using namespace quarry::test;

Q_DECLARE_METATYPE(quarry::ConnectMode)

namespace {

const QStringList kDrivers{"SQLite3", "PostgreSQL Unicode", "MariaDB Unicode", "FreeTDS"};
const QString kPgDefaults =
    "TextAsLongVarchar=0;BoolsAsChar=0;ByteaAsLongVarBinary=1;UseDeclareFetch=1;MaxVarcharSize=10485760;"
    "CommLog=0;Debug=0";

// The description of what `run` throws, "" when it throws nothing; what() must say the same.
template <typename Run> QString thrown(Run run)
{
    try {
        run();
    } catch (const DatabaseError& e) {
        return e.what() == e.Description().toStdString() ? e.Description()
                                                         : "what() differs: " + e.Description();
    }
    return {};
}

// Rows as "name:type", sorted; a row from outside the scratch area is marked with its owner,
// so that another database's or the system's objects fail a comparison.
QStringList listed(Recordset rs, const Scratch& s)
{
    QStringList rows;
    for (; !rs.AtEOF(); rs.MoveNext()) {
        const QString catalog = rs.Fields(0).Value.toString(), schema = rs.Fields(1).Value.toString();
        const bool ours =
            s.db() == Db::SQLite ||
            (s.db() == Db::PostgreSQL ? schema == s.place() : catalog == s.place() && schema.isEmpty());
        rows << (ours ? "" : catalog + '.' + schema + '.') + rs.Fields(2).Value.toString() + ':' +
                    rs.Fields(3).Value.toString();
    }
    rows.sort();
    return rows;
}

} // namespace

class TestDatabase : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase()
    {
        // Debian's psqlODBC entry logs to /tmp unless a connection says otherwise.
        const QString ours = QStringLiteral("psqlodbc_*_%1%2.log")
                                 .arg(QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name))
                                 .arg(QCoreApplication::applicationPid());
        QCOMPARE(QDir(QStringLiteral("/tmp")).entryList({ours}), QStringList());
    }
    void translate_data()
    {
        QTest::addColumn<QString>("text");
        // " +read-only": switched on by the layer once connected; "refused: " the error; "parts: " a name's.
        QTest::addColumn<QString>("odbc");
        QTest::addColumn<ConnectMode>("mode");
        QTest::addColumn<int>("timeout");
        const auto add = [](QString text, QString odbc, ConnectMode mode = adModeUnknown, int timeout = 0) {
            QTest::newRow(qPrintable(text)) << text << odbc << mode << timeout;
        };
        const QString refused = "refused: Format of the initialization string does not follow the OLE DB "
                                "connection-string format: ";
        add("provider=sqlite3;data source=/tmp/my db?.db",
            "Driver=SQLite3;Database=file:///tmp/my%20db%3F.db?mode=ro;StepAPI=1", adModeRead);
        add("Provider=SQLite;Data Source=file:/tmp/a.db?cache=shared",
            "Driver=SQLite3;Database=file:/tmp/a.db?cache=shared&mode=ro;StepAPI=1", adModeRead);
        // An IPv6 address is no host:port; the last of the same key counts.
        add("Provider=PostgreSQL; Data Source =  ::1 ;Initial Catalog=s;User ID=a;user id=b;Password='a;b'",
            "Driver={PostgreSQL Unicode};Server=::1;Database=s;UID=b;PWD={a;b};" + kPgDefaults);
        add("Provider=PostgreSQL.1;Data Source=h;Password=;pqopt={sslmode=disable}",
            "Driver={PostgreSQL Unicode};Server=h;" + kPgDefaults +
                ";pqopt={sslmode=disable options='-c default_transaction_read_only=on'}",
            adModeRead);
        // Defaults yield to the same key written in the string.
        add("Provider=PGNP.1;Data Source=h,6000;BoolsAsChar=1;Port=2;CommLog=1",
            "Driver={PostgreSQL "
            "Unicode};Server=h;TextAsLongVarchar=0;ByteaAsLongVarBinary=1;UseDeclareFetch=1;"
            "MaxVarcharSize=10485760;Debug=0;BoolsAsChar=1;Port=2;CommLog=1");
        add("Driver={PostgreSQL Unicode};Server=h", "Driver={PostgreSQL Unicode};Server=h;CommLog=0;Debug=0");
        add(";;Provider=MySqlProv;Data Source=h:3307;a=\"say \"\"hi\"\"\";b={a}}b};c=' x';d='a=b';;",
            "Driver={MariaDB Unicode};Server=h;Port=3307;a={say \"hi\"};b={a}}b};c={ x};d={a=b}");
        // Read row by row, never loaded whole during execute.
        add("Provider=SQLite;Data Source=/tmp/a.db\n\n\nstream",
            "Driver=SQLite3;Database=/tmp/a.db;StepAPI=1");
        add("Provider=MariaDB;Data Source=h\n\n\nstream",
            "Driver={MariaDB Unicode};Server=h;FORWARDONLY=1;NO_CACHE=1");
        // Written as "==" for the driver, such a key would split its own item.
        add("Provider=MariaDB;e==f=1", refused + "the key \"e=f\" contains '='");
        // A NUL would end the text the driver reads, read-only items and all.
        const QStringList given{"Provider=PostgreSQL;Data Source=h", "u", "p"};
        for (int i = 0; i < 3; ++i) {
            QStringList text = given;
            text[i] += QChar(0) + QStringLiteral(";x");
            add(text.join(u'\n'),
                QStringLiteral("refused: The %1 contains a NUL character, which no driver can be given.")
                    .arg(QStringList{"connection string", "user name", "password"}[i]),
                adModeRead);
        }
        // A user's own InitStmt would replace the read-only one: the layer switches after connecting.
        add("Provider=OleMySql.MySqlSource.1;Data Source=h;InitStmt=SET @a=1",
            "Driver={MariaDB Unicode};Server=h;CONN_TIMEOUT=3;InitStmt={SET @a=1} +read-only", adModeRead, 3);
        add("Provider=SQLOLEDB.1;Data Source=srv\\inst;Initial Catalog=N;User ID=sa;Password=p}",
            "Driver=FreeTDS;Server=srv\\inst;Database=N;UID=sa;PWD={p}}};TDS_Version=7.4", adModeRead);
        add("Provider=SQLNCLI11;Data Source=srv,1444", "Driver=FreeTDS;Server=srv;Port=1444;TDS_Version=7.4");
        add("Driver={X};PWD={x;y};Provider=MSDASQL.1;UID=a b", "Driver={X};PWD={x;y};UID=a b +read-only",
            adModeRead, 15);
        add("Driver={MariaDB Unicode}", "Driver={MariaDB Unicode};CONN_TIMEOUT=4", adModeUnknown, 4);
        add("Password=\"abc", refused + "the value of \"Password\" has no closing \"");
        add("Password='a'b;x=1", refused + "unexpected text after the quoted value of \"Password\"");
        add("Provider=SQLite;garbage", refused + "\"garbage\" has no value");
        add("=value", refused + "an item has no key");
        add("", refused + "the connection string is empty");
        // Qualified procedure names, split into their parts.
        add(" d .[my db].\"a.\"\"b\".`we``ird`", "parts: d|my db|a.\"b|we`ird");
    }
    void translate()
    {
        QFETCH(QString, text);
        QFETCH(QString, odbc);
        QFETCH(ConnectMode, mode);
        QFETCH(int, timeout);
        OdbcTarget out;
        const QString error = thrown([&] {
            // Lines after the first: the user name and password given beside the string, "stream".
            const QStringList given = text.split(u'\n');
            out = translateConnectionString(
                given[0], {mode, timeout, given.value(1), given.value(2), given.value(3) == "stream"},
                kDrivers);
        });
        if (odbc.startsWith("parts: "))
            QCOMPARE("parts: " + splitQualifiedName(text).join('|'), odbc);
        else
            QCOMPARE(error.isEmpty() ? out.OdbcString + (out.ReadOnlyAfterConnect ? " +read-only" : "")
                                     : "refused: " + error,
                     odbc);
        if (out.Driver == "FreeTDS") // without the driver the provider cannot be found
            QVERIFY_THROWS_EXCEPTION(DatabaseError, translateConnectionString(text, {}, kDrivers.first(3)));
    }

    // A server message naming "a%n" reaches the caller as text: read as a format, it would end the process.
    void percentInServerMessage()
    {
        QUARRY_REQUIRE_DB(Db::MariaDB);
        const quarry::test::Scratch s(Db::MariaDB);
        Connection c = s.open();
        const QString error = thrown([&] {
            Recordset rs;
            rs.Open("SELECT * FROM " + s.qualify("a%n"), c);
        });
        QVERIFY2(error.contains("a%n") && error.contains("doesn't exist"), qPrintable(error));
    }
    void failuresReachTheCaller_data()
    {
        QTest::addColumn<QString>("connection"); // %1: a port that never answers
        QTest::addColumn<QString>("mentions");
        QTest::addColumn<bool>("fromDriver");
        const auto add = [](const char* name, QString connection, QString mentions, bool fromDriver = true) {
            QTest::newRow(name) << connection << mentions << fromDriver;
        };
        add("PostgreSQL, hung", "Provider=PostgreSQL;Data Source=127.0.0.1:%1;User ID=root",
            "timeout expired");
        add("MariaDB, hung", "Provider=MariaDB;Data Source=127.0.0.1:%1;User ID=root", "handshake");
        // FreeTDS reports two records; the second must reach the caller too.
        add("SQL Server, hung", "Provider=MSOLEDBSQL;Data Source=127.0.0.1,%1;User ID=sa;Password=x",
            "Timeout expired\n[FreeTDS][SQL Server]Unable to connect to data source");
        add("unknown provider", "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x.mdb",
            "Provider \"Microsoft.Jet.OLEDB.4.0\" cannot be found. It may not be properly installed.");
        // In a folder that exists, where SQLite would make a new database.
        add("SQLite, missing file",
            "Provider=SQLite;Data Source=" + QDir::temp().filePath("quarry-missing.db"),
            "quarry-missing.db\" does not exist", false);
    }
    void failuresReachTheCaller()
    {
        QFETCH(QString, connection);
        QFETCH(QString, mentions);
        QFETCH(bool, fromDriver);
        QUARRY_REQUIRE_DB(Db::SQLite);
        QTcpServer server; // accepts and never says a word
        QVERIFY(server.listen(QHostAddress::LocalHost));
        connection.replace("%1", QString::number(server.serverPort()));
        Connection c;
        c.setMode(adModeRead);
        c.setConnectionTimeout(2);
        const QDeadlineTimer deadline(20000);
        const QString error = thrown([&] { c.Open(connection); });
        QVERIFY2(error.contains(mentions), qPrintable(error));
        QCOMPARE(c.errors().Count() > 0 ? c.errors().Text() : QString(), fromDriver ? error : QString());
        // Not a speed check: without the login timeout drivers wait for minutes.
        QVERIFY(!deadline.hasExpired());
        // The layer's own refusals leave no stale driver records behind.
        QVERIFY_THROWS_EXCEPTION(DatabaseError, c.OpenSchema(adSchemaTables));
        QCOMPARE(c.errors().Count(), 0);
        QVERIFY_THROWS_EXCEPTION(DatabaseError, c.setConnectionTimeout(-1));
        // Still closed, the same object opens a good string afterwards.
        c.setMode(adModeReadWrite);
        c.Open(connectionString(Db::SQLite));
        QCOMPARE(c.State(), adStateOpen);
        QCOMPARE(c.errors().Count(), 0);
    }

    // Values, types, limits and messages of rows; the catalog and a procedure's parameters; then
    // opening by provider and by raw ODBC string (MSDASQL) read-only, by MSDASQL.1 writable.
    void contents_data() { addDatabaseRows(); }
    void contents()
    {
        QFETCH(Db, db);
        QUARRY_REQUIRE_DB(db);
        Scratch s(db);
        Connection c = s.open();
        const QString table = s.qualify("vals");
        const auto names = [](const Recordset& rs, bool types = false) { // the fields' names, or their types
            QStringList names;
            for (const Field& field : rs.FieldList())
                names << (types ? QString::number(field.Type) : field.Name);
            return names.join(' ');
        };
        const auto pick = [db](const QString& sqlite, const QString& postgres, const QString& mariadb) {
            return db == Db::SQLite ? sqlite : db == Db::PostgreSQL ? postgres : mariadb;
        };
        // Long values arrive in 32 KiB pieces, which may part a surrogate pair. The SQLite driver
        // garbles non-BMP characters in statement text (not in results): its text stays in the BMP.
        const QString text = QString(pick("ab€é", "ab😀é", "ab😀é")).repeated(25001);
        QByteArray bytes;
        for (int i = 0; i < 100001; ++i)
            bytes += char((i * 131) & 0xff);
        const QString hex = QString::fromLatin1(bytes.toHex());
        // A value may begin with what a decoder would take for a byte-order mark: it is data.
        const QString unicode = QChar(0xFEFF) + QString::fromUtf8("Ünïcødé ✓");
        // Statements without a result set leave the recordset closed; a DELETE that touches no row
        // answers SQL_NO_DATA, which is no failure.
        Recordset rs;
        for (const QString& sql :
             {"CREATE TABLE " + table +
                  " (i INTEGER, b BIGINT, n NUMERIC(10,2), r REAL, d DOUBLE PRECISION, " +
                  "v VARCHAR(40), dt DATE, tm TIME, ts " +
                  pick("TIMESTAMP(3)", "TIMESTAMP(3)", "DATETIME(3)") + ", bo BOOLEAN, t " +
                  pick("TEXT", "TEXT", "LONGTEXT") + ", bl " + pick("BLOB", "BYTEA", "LONGBLOB") + ")",
              "INSERT INTO " + table + " VALUES (-7, 9000000000, 12.25, 0.5, 0.25, '" + unicode +
                  "', '2024-02-29', " + "'23:59:58', '2024-02-29 13:14:15.250', TRUE, '" + text + "', " +
                  pick("X'" + hex + "'", "'\\x" + hex + "'::bytea", "X'" + hex + "'") + ")",
              "INSERT INTO " + table + " (i) VALUES (NULL)", "DELETE FROM " + table + " WHERE i = 9"}) {
            rs.Open(sql, c);
            QCOMPARE(rs.State(), adStateClosed);
        }
        // Discovery describes without executing: the INSERT adds no row, the SELECT reads none.
        QCOMPARE(c.Execute("INSERT INTO " + table + " (i) VALUES (1)").State(), adStateClosed);
        Recordset described = c.Execute("SELECT * FROM " + table);
        QVERIFY(described.AtEOF());
        // SQLite's driver reports declared types through the narrow SQL types and numeric/real as
        // double; PostgreSQL's real is single; MariaDB's BOOLEAN is TINYINT(1).
        QCOMPARE(names(described, true),
                 pick("3 20 5 5 5 200 133 134 135 11 201 128", "3 20 131 4 5 202 133 134 135 11 202 205",
                      "3 20 131 5 5 202 133 134 135 16 203 205"));
        QCOMPARE(described.Fields(5).DefinedSize, qint64(40));
        QVERIFY_THROWS_EXCEPTION(DatabaseError, described.MoveNext());

        rs.Open("SELECT * FROM " + table + " ORDER BY i IS NOT NULL", c); // the NULL row first
        QVERIFY_THROWS_EXCEPTION(DatabaseError, rs.Open("SELECT 1", c));
        for (const Field& field : rs.FieldList())
            QVERIFY2(field.Value.isNull(), qPrintable(field.Name));
        rs.MoveNext();
        QVariantList expected;
        expected << -7 << 9000000000LL << 12.25 << 0.5 << 0.25 << unicode << QDate(2024, 2, 29)
                 << QTime(23, 59, 58) << QDateTime(QDate(2024, 2, 29), QTime(13, 14, 15, 250))
                 << (db == Db::MariaDB ? QVariant(1) : QVariant(true)) << text << bytes;
        for (int i = 0; i < expected.size(); ++i)
            QVERIFY2(rs.Fields(i).Value == expected[i] && rs.Fields(i).Value.typeId() == expected[i].typeId(),
                     qPrintable(rs.Fields(i).Name));
        Recordset copy = rs; // the same recordset
        copy.MoveNext();
        QVERIFY(rs.AtEOF());
        for (const Field& field : rs.FieldList())
            QVERIFY(field.Value.isNull()); // past the end no stale values remain
        QVERIFY_THROWS_EXCEPTION(DatabaseError, rs.MoveNext());
        copy.Close();
        QCOMPARE(rs.State(), adStateClosed);
        QVERIFY_THROWS_EXCEPTION(DatabaseError, rs.AtEOF());
        if (db == Db::SQLite) { // the long text above stays in the BMP
            rs.Open("SELECT char(120, 128512, 121)", c);
            QCOMPARE(rs.Fields(0).Value.toString(), QString::fromUtf8("x😀y"));
            rs.Close();
        }
        const QString ten = "WITH RECURSIVE n(a) AS (SELECT 1 UNION ALL SELECT a + 1 FROM n WHERE a < 10) "
                            "SELECT a FROM n";
        for (qint64 limit : {0, 3, 10, 50}) {
            rs.Open(ten, c, limit);
            int count = 0;
            for (; !rs.AtEOF(); rs.MoveNext())
                QCOMPARE(rs.Fields(0).Value.toInt(), ++count);
            QCOMPARE(count, limit == 0 ? 10 : qMin<int>(limit, 10));
            rs.Close();
        }
        QVERIFY_THROWS_EXCEPTION(DatabaseError, rs.Open("SELECT 1", c, -1));
        QCOMPARE(c.errors().Count(), 0);
        // The driver's text reaches the caller, from running and from describing alike, and the
        // connection stays usable. SQLite's messages, up to 512 characters, exceed the first buffer.
        const QString missing = "no_such_" + QString(600, u'q');
        const QString sql = "SELECT * FROM " + missing;
        for (const bool describe : {false, true}) {
            const QString error = thrown([&] { describe ? void(c.Execute(sql)) : rs.Open(sql, c); });
            const QString mentions = missing.left(db == Db::SQLite && !describe ? 489 : 40);
            QVERIFY2(error.contains(mentions, Qt::CaseInsensitive), qPrintable(error));
            QCOMPARE(c.errors().Text(), error);
            QCOMPARE(c.Execute("SELECT 2 AS two").Fields(0).Name, QString("two"));
            QCOMPARE(c.errors().Count(), 0);
        }
        // The catalog, on a read-only session. tXb is what an unescaped "t_b" pattern would match as well.
        for (const char* table : {"t_a", "t_b", "tXb"})
            s.exec("CREATE TABLE " + s.qualify(table) + " (id INTEGER)");
        s.exec("CREATE VIEW " + s.qualify("v_a") + " AS SELECT id FROM " + s.qualify("t_a"));
        // PostgreSQL: procedures report as functions; no OUT-only parameters; varchar is wide text; no dates.
        if (db == Db::PostgreSQL) {
            s.exec("CREATE MATERIALIZED VIEW m_a AS SELECT id FROM t_a");
            // Partitioned tables and their partitions are tables; so is one with a prefix once called a
            // system table's.
            s.exec("CREATE TABLE p_a (id integer) PARTITION BY LIST (id)");
            s.exec("CREATE TABLE p_a1 PARTITION OF p_a FOR VALUES IN (1)");
            s.exec("CREATE TABLE dd_a (id integer)");
            s.exec("CREATE FUNCTION add_one(a integer) RETURNS integer LANGUAGE sql AS 'SELECT a + 1'");
            s.exec("CREATE PROCEDURE touch(IN x integer, INOUT y varchar, IN z bigint) LANGUAGE plpgsql "
                   "AS $$ BEGIN y := x::text; END $$");
        } else if (db == Db::MariaDB) {
            s.exec("CREATE FUNCTION add_one(a INT) RETURNS INT DETERMINISTIC RETURN a + 1");
            s.exec("CREATE PROCEDURE touch(IN x INT, INOUT y VARCHAR(20), OUT z BIGINT, IN w TEXT) "
                   "BEGIN SET y = x; SET z = 1; END");
        }
        const QStringList views = pick("v_a:VIEW", "m_a:VIEW v_a:VIEW", "v_a:VIEW").split(' ');
        QStringList tables{"tXb:TABLE", "t_a:TABLE", "t_b:TABLE", "vals:TABLE"};
        if (db == Db::PostgreSQL)
            tables = QStringList{"dd_a:TABLE", "p_a1:TABLE", "p_a:TABLE"} + tables;
        const QDateTime before = QDateTime::currentDateTime().addSecs(-120);
        c = s.open(adModeRead);
        rs = c.OpenSchema(adSchemaTables, {"", "", "", "TABLE"});
        QCOMPARE(names(rs), "TABLE_CATALOG TABLE_SCHEMA TABLE_NAME TABLE_TYPE TABLE_GUID DESCRIPTION "
                            "TABLE_PROPID DATE_CREATED DATE_MODIFIED");
        QVERIFY_THROWS_EXCEPTION(DatabaseError, rs.Fields(9));
        QCOMPARE(rs.Fields(7).Value.toDateTime() >= before, db == Db::MariaDB); // the only one keeping dates
        QCOMPARE(listed(rs, s), tables);
        QVERIFY_THROWS_EXCEPTION(DatabaseError, rs.MoveNext());
        const std::pair<QStringList, QStringList> cases[] = {{{"", "", "", "view"}, views},
                                                             {{}, tables + views},
                                                             {{"", "", "", "TABLE,VIEW"}, tables + views},
                                                             {{"", "", "t_b", ""}, {"t_b:TABLE"}},
                                                             {{"", "", "t_a", "VIEW"}, {}}};
        for (auto [restrictions, expected] : cases) {
            expected.sort();
            QCOMPARE(listed(c.OpenSchema(adSchemaTables, restrictions), s), expected);
            if (db == Db::SQLite)
                continue;
            // The owner restriction: the schema on PostgreSQL, the catalog on MariaDB.
            restrictions.resize(4);
            restrictions[db == Db::PostgreSQL ? 1 : 0] = s.place();
            QCOMPARE(listed(c.OpenSchema(adSchemaTables, restrictions), s), expected);
        }
        // Only the fields asked for are read, and the rows stay the same.
        QStringList ours{"", "", "", "TABLE"}, only;
        if (db != Db::SQLite)
            ours[db == Db::PostgreSQL ? 1 : 0] = s.place();
        for (rs = c.OpenSchema(adSchemaTables, ours, {2}); !rs.AtEOF(); rs.MoveNext()) {
            QVERIFY(rs.Fields(0).Value.isNull() && rs.Fields(5).Value.isNull());
            only << rs.Fields(2).Value.toString() + ':' + rs.Fields(3).Value.toString();
        }
        only.sort();
        QCOMPARE(only, tables);
        rs = c.OpenSchema(adSchemaProcedures);
        QCOMPARE(names(rs), "PROCEDURE_CATALOG PROCEDURE_SCHEMA PROCEDURE_NAME PROCEDURE_TYPE "
                            "PROCEDURE_DEFINITION DESCRIPTION DATE_CREATED DATE_MODIFIED");
        QCOMPARE(rs.Fields(6).Value.toDateTime() >= before, db == Db::MariaDB);
        // The system's own stay hidden; SQLite has none.
        QCOMPARE(listed(rs, s).join(' '), pick("", "add_one:3 touch:3", "add_one:3 touch:2"));
        Command command;
        command.setCommandType(adCmdStoredProc);
        command.setCommandText(db == Db::SQLite ? "touch" : s.qualify(s.place()) + '.' + s.qualify("touch"));
        QVERIFY_THROWS_EXCEPTION(DatabaseError, command.Params().Refresh()); // no connection yet
        command.setActiveConnection(c);
        command.Params().Refresh();
        command.Params().Refresh(); // refreshing again replaces
        QStringList got;
        for (int i = 0; i < command.Params().Count(); ++i) {
            const Parameter& p = command.Params().Item(i);
            got << QString("%1 %2 %3").arg(p.Name).arg(p.Type).arg(int(p.Direction));
        }
        QCOMPARE(got.join(", "), pick("", "x 3 1, y 202 3, z 20 1", "x 3 1, y 202 3, z 20 2, w 203 1"));

        const QString odbc =
            db == Db::SQLite ? "Driver={SQLite3};Database=" + s.connectionString().section("Data Source=", 1)
                             : odbcConnectionString(db).replace("Database=test", "Database=" + s.database());
        for (const QString& target : {s.connectionString(), odbc, "Provider=MSDASQL.1;" + odbc}) {
            const bool writable = target.startsWith("Provider=MSDASQL.1");
            c = Connection();
            rs = Recordset();
            c.setMode(writable ? adModeUnknown : adModeRead);
            c.Open(target);
            QCOMPARE(c.Provider(), target == odbc ? "MSDASQL" : target.section(';', 0, 0).section('=', 1));
            QCOMPARE(c.ConnectionString(), target);
            QVERIFY2(c.DbmsName().contains(dbName(db), Qt::CaseInsensitive), qPrintable(c.DbmsName()));
            QVERIFY_THROWS_EXCEPTION(DatabaseError, c.Open(target));
            rs.Open("SELECT COUNT(*) FROM " + table, c);
            // A read-only session's refusals come from the database.
            for (const QString& write :
                 {"DELETE FROM " + table, "CREATE TABLE " + s.qualify("t2") + " (a INTEGER)"})
                QVERIFY2(thrown([&] { Recordset().Open(write, c); }).isEmpty() == writable &&
                             (writable || c.errors().Count() > 0),
                         qPrintable(target + ": " + write));
            // Closing, here through a copy (the same connection), finishes the recordsets still open.
            described = c.Execute("SELECT i FROM " + table);
            Recordset schema = c.OpenSchema(adSchemaTables);
            Connection(c).Close();
            for (Recordset* r : {&rs, &described, &schema}) {
                QCOMPARE(r->State(), adStateClosed);
                QVERIFY_THROWS_EXCEPTION(DatabaseError, r->MoveNext());
            }
            QVERIFY_THROWS_EXCEPTION(DatabaseError, c.Close());
            QCOMPARE(c.errors().Count(), 0);
            c.Open(target);
            rs.Open("SELECT COUNT(*) FROM " + table, c);
            QCOMPARE(rs.Fields(0).Value.toInt(), writable ? 0 : 2);
        }
    }

    // MariaDB's dates open every table: a database of more tables than get dates is
    // listed whole and undated; one table fewer and every table is dated.
    void mariaDbDatesLimit()
    {
        Scratch s(Db::MariaDB);
        constexpr int kDated = 2000;
        // Made by the server itself: a round trip a table would double the time.
        s.exec(
            QStringLiteral("CREATE PROCEDURE make_tables() BEGIN DECLARE i INT DEFAULT 0; WHILE i <= %1 DO "
                           "EXECUTE IMMEDIATE CONCAT('CREATE TABLE t', i, ' (a INT) ENGINE=Aria'); "
                           "SET i = i + 1; END WHILE; END")
                .arg(kDated));
        s.exec(QStringLiteral("CALL make_tables()"));
        const auto list = [&s] {
            Connection c = s.open(adModeRead);
            QSet<QString> names;
            int rows = 0, dated = 0;
            ForEachCatalogEntry(c, adSchemaTables, {"", "", "", "TABLE"}, {1, 2, 7},
                                [&](const CatalogEntry& e) {
                                    names << e.Name;
                                    ++rows;
                                    dated += e.Created.isValid();
                                    return true;
                                });
            return QList<int>{rows, int(names.size()), dated};
        };
        QCOMPARE(list(), (QList<int>{kDated + 1, kDated + 1, 0}));
        s.exec(QStringLiteral("DROP TABLE t%1").arg(kDated));
        QCOMPARE(list(), (QList<int>{kDated, kDated, kDated}));
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
