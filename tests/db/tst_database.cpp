// The database layer on SQLite, PostgreSQL and MariaDB: connection strings, opening, read-only sessions,
// login timeouts, diagnostics, rows, column discovery, schema rowsets and procedure parameters.
#include "TestDatabases.h"
#include "platform/db/ConnectionString.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QTcpServer>
#include <QTest>

using namespace quarry;
using namespace quarry::test;

Q_DECLARE_METATYPE(quarry::ConnectMode)

namespace {

const QStringList kAllDrivers{"SQLite3", "PostgreSQL Unicode", "MariaDB Unicode", "FreeTDS"};
const QString kPgDefaults = "TextAsLongVarchar=0;BoolsAsChar=0;ByteaAsLongVarBinary=1;UseDeclareFetch=1";

QString pick(Db db, const QString& sqlite, const QString& postgres, const QString& mariadb)
{
    return db == Db::SQLite ? sqlite : db == Db::PostgreSQL ? postgres : mariadb;
}

// The fields' names, or their types.
QString names(const Recordset& rs, bool types = false)
{
    QStringList names;
    for (const Field& field : rs.FieldList())
        names << (types ? QString::number(field.Type) : field.Name);
    return names.join(' ');
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
    void translate_data()
    {
        QTest::addColumn<QString>("text");
        // " +read-only": switched on by the layer once connected; "refused: " the error; "parts: " a name's.
        QTest::addColumn<QString>("odbc");
        QTest::addColumn<ConnectMode>("mode");
        QTest::addColumn<int>("timeout");
        const auto add = [](const QString& text, const QString& odbc, ConnectMode mode = adModeUnknown,
                            int timeout = 0) {
            QTest::newRow(qPrintable(text)) << text << odbc << mode << timeout;
        };
        add(QString::fromUtf8("Provider=SQLite;Data Source=/tmp/Ünï 数据.db;StepAPI=1"),
            QString::fromUtf8("Driver=SQLite3;Database=/tmp/Ünï 数据.db;StepAPI=1"));
        add("provider=sqlite3;data source=/tmp/my db?.db",
            "Driver=SQLite3;Database=file:///tmp/my%20db%3F.db?mode=ro", adModeRead);
        add("Provider=SQLite;Data Source=file:/tmp/a.db?cache=shared",
            "Driver=SQLite3;Database=file:/tmp/a.db?cache=shared&mode=ro", adModeRead);
        add("Provider=PostgreSQL; Data Source =  db.example ;Initial Catalog=shop;User ID=ann;user id=bob;"
            "Password='a;b';sslmode=require",
            "Driver={PostgreSQL Unicode};Server=db.example;Database=shop;UID=bob;PWD={a;b};" + kPgDefaults +
                ";sslmode=require");
        add("Provider=PostgreSQL.1;Data Source=127.0.0.1:5433;Password=",
            "Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=5433;" + kPgDefaults +
                ";pqopt={options='-c default_transaction_read_only=on'}",
            adModeRead);
        // Defaults yield to the same key written in the string.
        add("Provider=PGNP.1;Data Source=h,6000;BoolsAsChar=1;Port=2",
            "Driver={PostgreSQL Unicode};Server=h;"
            "TextAsLongVarchar=0;ByteaAsLongVarBinary=1;UseDeclareFetch=1;BoolsAsChar=1;Port=2");
        add("Provider=PostgreSQL;Data Source=::1;pqopt={sslmode=disable}",
            "Driver={PostgreSQL Unicode};Server=::1;" + kPgDefaults +
                ";pqopt={sslmode=disable options='-c default_transaction_read_only=on'}",
            adModeRead);
        add("Provider=MariaDB;Data Source=127.0.0.1;Initial Catalog=test;User ID=root",
            "Driver={MariaDB Unicode};Server=127.0.0.1;Database=test;UID=root;CONN_TIMEOUT=7;"
            "InitStmt={SET SESSION TRANSACTION READ ONLY}",
            adModeRead, 7);
        add(";;Provider=MySqlProv;Data Source=h:3307;a=\"say \"\"hi\"\"\";b={a}}b};c=' x';d='a=b';e==f=1;;",
            "Driver={MariaDB Unicode};Server=h;Port=3307;a={say \"hi\"};b={a}}b};c={ x};d={a=b};e=f=1");
        // A user's own InitStmt would replace the read-only one: the layer switches after connecting.
        add("Provider=OleMySql.MySqlSource.1;Data Source=h;InitStmt=SET NAMES utf8",
            "Driver={MariaDB Unicode};Server=h;CONN_TIMEOUT=3;InitStmt={SET NAMES utf8} +read-only",
            adModeRead, 3);
        add("Provider=SQLOLEDB.1;Data Source=srv\\inst;Initial Catalog=N;User ID=sa;Password=p}",
            "Driver=FreeTDS;Server=srv\\inst;Database=N;UID=sa;PWD={p}}};TDS_Version=7.4", adModeRead);
        add("Provider=SQLNCLI11;Data Source=srv,1444", "Driver=FreeTDS;Server=srv;Port=1444;TDS_Version=7.4");
        add("Provider=MSOLEDBSQL;Data Source=srv", "Driver=FreeTDS;Server=srv;TDS_Version=7.4");
        add("Driver={X};PWD={x;y};Provider=MSDASQL;UID=a b", "Driver={X};PWD={x;y};UID=a b");
        add("Provider=MSDASQL.1;DSN=mydsn;UID=u", "DSN=mydsn;UID=u +read-only", adModeRead, 15);
        add("Driver={MariaDB Unicode}", "Driver={MariaDB Unicode};CONN_TIMEOUT=4", adModeUnknown, 4);
        add("Password=\"abc", "refused: Format of the initialization string does not follow the OLE DB "
                              "connection-string format: the value of \"Password\" has no closing \"");
        add("pqopt={options=x", "refused: no closing }");
        add("Password='a'b;x=1", "refused: unexpected text after the quoted value of \"Password\"");
        add("Provider=SQLite;garbage", "refused: \"garbage\" has no value");
        add("=value", "refused: an item has no key");
        add("", "refused: the connection string is empty");
        // Qualified procedure names, split into their parts.
        add(" proc ", "parts: proc");
        add("\"my schema\".\"a.\"\"b\"", "parts: my schema|a.\"b");
        add("[db].[dbo].[p]", "parts: db|dbo|p");
        add("d.`we``ird`", "parts: d|we`ird");
    }

    void translate()
    {
        QFETCH(QString, text);
        QFETCH(QString, odbc);
        QFETCH(ConnectMode, mode);
        QFETCH(int, timeout);
        if (odbc.startsWith("parts: ")) {
            QCOMPARE("parts: " + db::splitQualifiedName(text).join('|'), odbc);
            return;
        }
        try {
            const db::OdbcTarget target =
                db::translateConnectionString(text, {mode, timeout, {}, {}}, kAllDrivers);
            QCOMPARE(target.OdbcString + (target.ReadOnlyAfterConnect ? " +read-only" : ""), odbc);
            if (target.Driver == "FreeTDS") // without the driver the provider cannot be found
                QVERIFY_THROWS_EXCEPTION(DatabaseError,
                                         db::translateConnectionString(text, {}, kAllDrivers.mid(0, 3)));
        } catch (const DatabaseError& e) {
            QVERIFY2(odbc.startsWith("refused: ") && e.Description().contains(odbc.mid(9)),
                     qPrintable(e.Description()));
        }
    }

    void opening_data()
    {
        QTest::addColumn<Db>("db");
        QTest::addColumn<QString>("provider"); // MSDASQL: a raw ODBC string; MSDASQL.1 one opened writable
        for (Db db : {Db::SQLite, Db::PostgreSQL, Db::MariaDB}) {
            const QByteArray n = dbName(db).toLatin1();
            QTest::addRow("%s read-only", n.data()) << db << dbName(db);
            QTest::addRow("%s read-only ODBC string", n.data()) << db << "MSDASQL";
            QTest::addRow("%s MSDASQL.1 ODBC string", n.data()) << db << "MSDASQL.1";
        }
    }

    void opening()
    {
        QFETCH(Db, db);
        QFETCH(QString, provider);
        const ConnectMode mode = provider == "MSDASQL.1" ? adModeUnknown : adModeRead;
        QUARRY_REQUIRE_DB(db);
        Scratch scratch(db);
        const QString table = scratch.qualify("guarded");
        scratch.exec("CREATE TABLE " + table + " AS SELECT 1 AS a");
        QString target = scratch.connectionString();
        if (provider != dbName(db))
            target = db == Db::SQLite ? "Driver={SQLite3};Database=" + target.section("Data Source=", 1)
                                      : odbcConnectionString(db).replace("Database=test",
                                                                         "Database=" + scratch.database());
        if (provider == "MSDASQL.1")
            target = "Provider=MSDASQL.1;" + target;
        Connection c;
        c.setMode(mode);
        c.Open(target);
        QCOMPARE(c.Provider(), provider);
        QCOMPARE(c.ConnectionString(), target);
        QVERIFY2(c.DbmsName().contains(dbName(db), Qt::CaseInsensitive), qPrintable(c.DbmsName()));
        QVERIFY_THROWS_EXCEPTION(DatabaseError, c.Open(target));
        Recordset rs;
        rs.Open("SELECT COUNT(*) FROM " + table, c);
        QCOMPARE(rs.Fields(0).Value.toInt(), 1);

        const bool writable = mode != adModeRead;
        for (const QString& write :
             {"DELETE FROM " + table, "CREATE TABLE " + scratch.qualify("t2") + " (a INTEGER)"}) {
            try {
                Recordset().Open(write, c);
                QVERIFY2(writable, qPrintable("a read-only connection accepted: " + write));
            } catch (const DatabaseError& e) {
                QVERIFY2(!writable, qPrintable(e.Description()));
                QVERIFY2(c.errors().Count() > 0, "the refusal comes from the database");
            }
        }

        // Closing, here through a copy (the same connection), finishes the recordsets still open.
        Recordset described = c.Execute("SELECT a FROM " + table), schema = c.OpenSchema(adSchemaTables);
        Connection copy = c;
        copy.Close();
        for (Recordset* r : {&rs, &described, &schema}) {
            QCOMPARE(r->State(), adStateClosed);
            QVERIFY_THROWS_EXCEPTION(DatabaseError, r->MoveNext());
        }
        QVERIFY_THROWS_EXCEPTION(DatabaseError, c.Close());
        QCOMPARE(c.errors().Count(), 0);
        c.Open(target);
        rs.Open("SELECT COUNT(*) FROM " + table, c);
        QCOMPARE(rs.Fields(0).Value.toInt(), writable ? 0 : 1);
    }

    void failuresReachTheCaller_data()
    {
        QTest::addColumn<QString>("connection"); // %1: a port that refuses, or for "hung" never answers
        QTest::addColumn<QString>("mentions");
        QTest::addColumn<bool>("fromDriver");
        const auto add = [](const char* name, const QString& connection, const char* mentions,
                            bool fromDriver = true) {
            QTest::newRow(name) << connection << QString(mentions) << fromDriver;
        };
        const QString pg = "Provider=PostgreSQL;Data Source=127.0.0.1:%1;User ID=root";
        const QString maria = "Provider=MariaDB;Data Source=127.0.0.1:%1;User ID=root";
        const QString mssql = "Provider=SQLOLEDB;Data Source=127.0.0.1,%1;User ID=sa;Password=x";
        add("PostgreSQL, no database", pg.arg(5432) + ";Initial Catalog=nodb_q", "\"nodb_q\" does not exist");
        add("MariaDB, no database", maria.arg(3306) + ";Initial Catalog=nodb_q", "Unknown database 'nodb_q'");
        add("PostgreSQL, hung", pg, "timeout expired");
        add("MariaDB, hung", maria, "handshake");
        // FreeTDS reports two records; the second must reach the caller too.
        add("SQL Server, closed port", mssql,
            "does not exist\n[FreeTDS][SQL Server]Unable to connect to data source");
        add("SQL Server, hung", mssql,
            "Timeout expired\n[FreeTDS][SQL Server]Unable to connect to data source");
        add("unknown provider", "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x.mdb",
            "Provider \"Microsoft.Jet.OLEDB.4.0\" cannot be found. It may not be properly installed.");
        add("raw, missing driver", "Driver={No Such Driver};Database=x", "No Such Driver");
        add("unbalanced quotes", "Provider=PostgreSQL;Password='abc", "has no closing '", false);
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
        QUARRY_REQUIRE_DB(connection.contains(":5432")   ? Db::PostgreSQL
                          : connection.contains(":3306") ? Db::MariaDB
                                                         : Db::SQLite);
        QTcpServer server; // accepts and never says a word, or is gone
        QVERIFY(server.listen(QHostAddress::LocalHost));
        connection.replace("%1", QString::number(server.serverPort()));
        if (!QByteArray(QTest::currentDataTag()).endsWith("hung"))
            server.close();
        Connection c;
        c.setMode(adModeRead);
        c.setConnectionTimeout(2);
        const QDeadlineTimer deadline(20000);
        try {
            c.Open(connection);
            QFAIL("opened");
        } catch (const DatabaseError& e) {
            QVERIFY2(e.Description().contains(mentions), qPrintable(e.Description()));
            QCOMPARE(c.errors().Count() > 0, fromDriver);
            if (fromDriver)
                QCOMPARE(c.errors().Text(), e.Description());
        }
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

    // Values, types, limits and messages of rows; then the catalog and a procedure's parameters.
    void contents_data() { addDatabaseRows(); }
    void contents()
    {
        QFETCH(Db, db);
        QUARRY_REQUIRE_DB(db);
        Scratch s(db);
        Connection c = s.open();
        const QString table = s.qualify("vals");
        // Long values arrive in 32 KiB pieces, which may part a surrogate pair. The SQLite driver
        // garbles non-BMP characters in statement text (not in results): its text stays in the BMP.
        const QString text = QString(pick(db, "ab€é", "ab😀é", "ab😀é")).repeated(25001);
        QByteArray bytes;
        for (int i = 0; i < 100001; ++i)
            bytes += char((i * 131) & 0xff);
        const QString hex = QString::fromLatin1(bytes.toHex());
        // Statements without a result set leave the recordset closed; a DELETE that touches no row
        // answers SQL_NO_DATA, which is no failure.
        Recordset rs;
        for (const QString& sql :
             {"CREATE TABLE " + table +
                  " (i INTEGER, b BIGINT, n NUMERIC(10,2), r REAL, d DOUBLE PRECISION, " +
                  "v VARCHAR(40), dt DATE, tm TIME, ts " +
                  pick(db, "TIMESTAMP(3)", "TIMESTAMP(3)", "DATETIME(3)") + ", bo BOOLEAN, t " +
                  pick(db, "TEXT", "TEXT", "LONGTEXT") + ", bl " + pick(db, "BLOB", "BYTEA", "LONGBLOB") +
                  ")",
              "INSERT INTO " + table +
                  " VALUES (-7, 9000000000, 12.25, 0.5, 0.25, 'Ünïcødé ✓', '2024-02-29', " +
                  "'23:59:58', '2024-02-29 13:14:15.250', TRUE, '" + text + "', " +
                  pick(db, "X'" + hex + "'", "'\\x" + hex + "'::bytea", "X'" + hex + "'") + ")",
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
                 pick(db, "3 20 5 5 5 200 133 134 135 11 201 128", "3 20 131 4 5 202 133 134 135 11 202 205",
                      "3 20 131 5 5 202 133 134 135 16 203 205"));
        QCOMPARE(described.Fields(5).DefinedSize, qint64(40));
        QVERIFY_THROWS_EXCEPTION(DatabaseError, described.MoveNext());

        rs.Open("SELECT * FROM " + table + " WHERE i IS NOT NULL", c);
        QVERIFY_THROWS_EXCEPTION(DatabaseError, rs.Open("SELECT 1", c));
        QVariantList expected;
        expected << -7 << 9000000000LL << 12.25 << 0.5 << 0.25 << QString::fromUtf8("Ünïcødé ✓")
                 << QDate(2024, 2, 29) << QTime(23, 59, 58)
                 << QDateTime(QDate(2024, 2, 29), QTime(13, 14, 15, 250))
                 << (db == Db::MariaDB ? QVariant(1) : QVariant(true)) << text << bytes;
        for (int i = 0; i < expected.size(); ++i) {
            const QVariant& value = rs.Fields(i).Value;
            QVERIFY2(value == expected[i] && value.typeId() == expected[i].typeId(),
                     qPrintable(value.toString().left(50)));
        }
        Recordset copy = rs; // the same recordset
        copy.MoveNext();
        QVERIFY(rs.AtEOF());
        for (const Field& field : rs.FieldList())
            QVERIFY(field.Value.isNull()); // past the end no stale values remain
        QVERIFY_THROWS_EXCEPTION(DatabaseError, rs.MoveNext());
        copy.Close();
        QCOMPARE(rs.State(), adStateClosed);
        QVERIFY_THROWS_EXCEPTION(DatabaseError, rs.AtEOF());

        rs.Open("SELECT * FROM " + table + " WHERE i IS NULL", c);
        for (const Field& field : rs.FieldList())
            QVERIFY2(field.Value.isNull(), qPrintable(field.Name));
        rs.Close();
        rs.Open(pick(db, "SELECT char(120, 128512, 121)", "SELECT 'x' || chr(128512) || 'y'",
                     "SELECT CONVERT(_utf8mb4 0x78F09F988079 USING utf8mb4)"),
                c);
        QCOMPARE(rs.Fields(0).Value.toString(), QString::fromUtf8("x😀y"));
        rs.Close();
        for (qint64 limit : {0, 3, 10, 50}) {
            rs.Open("WITH RECURSIVE n(a) AS (SELECT 1 UNION ALL SELECT a + 1 FROM n WHERE a < 10) SELECT a "
                    "FROM n",
                    c, limit);
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
            const QString mentions = missing.left(db == Db::SQLite && !describe ? 489 : 40);
            try {
                describe ? void(c.Execute(sql)) : rs.Open(sql, c);
                QFAIL(qPrintable("ran: " + sql.left(30)));
            } catch (const DatabaseError& e) {
                QVERIFY2(e.Description().contains(mentions, Qt::CaseInsensitive),
                         qPrintable(e.Description()));
                QCOMPARE(c.errors().Text(), e.Description());
                QCOMPARE(e.what(), e.Description().toStdString());
            }
            QCOMPARE(c.Execute("SELECT 2 AS two").Fields(0).Name, QString("two"));
            QCOMPARE(c.errors().Count(), 0);
        }

        // The catalog, on a read-only session. tXb is what an unescaped "t_b" pattern would match as well.
        for (const char* table : {"t_a", "t_b", "tXb"})
            s.exec("CREATE TABLE " + s.qualify(table) + " (id INTEGER)");
        s.exec("CREATE VIEW " + s.qualify("v_a") + " AS SELECT id FROM " + s.qualify("t_a"));
        QStringList views{"v_a:VIEW"}, procedures, parameters;
        if (db == Db::PostgreSQL) {
            s.exec("CREATE MATERIALIZED VIEW m_a AS SELECT id FROM t_a");
            s.exec("CREATE FUNCTION add_one(a integer) RETURNS integer LANGUAGE sql AS 'SELECT a + 1'");
            s.exec("CREATE PROCEDURE touch(IN x integer, INOUT y varchar, IN z bigint) LANGUAGE plpgsql "
                   "AS $$ BEGIN y := x::text; END $$");
            // Procedures report as functions; no OUT-only parameters; varchar reads as wide text; no dates.
            views.prepend("m_a:VIEW");
            procedures = QStringList{"add_one:3", "touch:3"};
            parameters = QStringList{"x 3 1", "y 202 3", "z 20 1"};
        } else if (db == Db::MariaDB) {
            s.exec("CREATE FUNCTION add_one(a INT) RETURNS INT DETERMINISTIC RETURN a + 1");
            s.exec("CREATE PROCEDURE touch(IN x INT, INOUT y VARCHAR(20), OUT z BIGINT, IN w TEXT) "
                   "BEGIN SET y = x; SET z = 1; END");
            procedures = QStringList{"add_one:3", "touch:2"};
            parameters = QStringList{"x 3 1", "y 202 3", "z 20 2", "w 203 1"};
        }
        const QStringList tables{"tXb:TABLE", "t_a:TABLE", "t_b:TABLE", "vals:TABLE"};
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

        rs = c.OpenSchema(adSchemaProcedures);
        QCOMPARE(names(rs), "PROCEDURE_CATALOG PROCEDURE_SCHEMA PROCEDURE_NAME PROCEDURE_TYPE "
                            "PROCEDURE_DEFINITION DESCRIPTION DATE_CREATED DATE_MODIFIED");
        QCOMPARE(rs.Fields(6).Value.toDateTime() >= before, db == Db::MariaDB);
        QCOMPARE(listed(rs, s), procedures); // the system's own stay hidden; SQLite has none

        Command command;
        command.setCommandType(adCmdStoredProc);
        command.setCommandText(db == Db::SQLite ? "touch" : s.qualify(s.place()) + '.' + s.qualify("touch"));
        QVERIFY_THROWS_EXCEPTION(DatabaseError, command.Params().Refresh()); // no connection yet
        command.setActiveConnection(c);
        for (int pass = 0; pass < 2; ++pass) { // refreshing again replaces
            command.Params().Refresh();
            QStringList got;
            for (int i = 0; i < command.Params().Count(); ++i) {
                const Parameter& p = command.Params().Item(i);
                got << QString("%1 %2 %3").arg(p.Name).arg(p.Type).arg(int(p.Direction));
            }
            QCOMPARE(got, parameters);
        }
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
