// Schema rowsets, column discovery and procedure parameters on real databases.
#include "TestDatabases.h"

#include <quarry/Database.h>

#include <QDateTime>
#include <QTest>

using namespace quarry;
using namespace quarry::test;

namespace {

struct Row
{
    QString Catalog, Schema, Name, Type;
    QVariant Created, Modified;
};

std::vector<Row> readTables(Recordset rs)
{
    std::vector<Row> rows;
    while (!rs.AtEOF()) {
        rows.push_back({rs.Fields(0).Value.toString(), rs.Fields(1).Value.toString(),
                        rs.Fields(2).Value.toString(), rs.Fields(3).Value.toString(), rs.Fields(7).Value,
                        rs.Fields(8).Value});
        rs.MoveNext();
    }
    return rows;
}

// The rows of our scratch area, as "name:type", sorted.
QStringList inPlace(const std::vector<Row>& rows, const Scratch& scratch)
{
    QStringList names;
    for (const auto& row : rows) {
        const bool ours = scratch.db() == Db::SQLite       ? true
                          : scratch.db() == Db::PostgreSQL ? row.Schema == scratch.place()
                                                           : row.Catalog == scratch.place();
        if (ours)
            names << row.Name + ':' + row.Type;
    }
    names.sort();
    return names;
}

// Tables t_a, t_b, tXb (which an unescaped "t_b" pattern would match), view v_a,
// and on PostgreSQL a materialized view m_a.
void createObjects(const Scratch& s)
{
    for (const char* table : {"t_a", "t_b", "tXb"})
        s.exec("CREATE TABLE " + s.qualify(table) + " (id INTEGER, label VARCHAR(20))");
    s.exec("CREATE VIEW " + s.qualify("v_a") + " AS SELECT id FROM " + s.qualify("t_a"));
    if (s.db() == Db::PostgreSQL)
        s.exec("CREATE MATERIALIZED VIEW " + s.qualify("m_a") + " AS SELECT id FROM " + s.qualify("t_a"));
}

} // namespace

class TestSchema : public QObject
{
    Q_OBJECT

private slots:
    void tablesRowsetShape_data() { addDatabaseRows(); }
    void tablesRowsetShape();
    void tablesRestrictions_data();
    void tablesRestrictions();
    void systemObjectsHidden_data() { addServerRows(); }
    void systemObjectsHidden();
    void mariaDbDatesAndCatalogs();
    void procedures_data() { addDatabaseRows(); }
    void procedures();
    void parameters_data() { addServerRows(); }
    void parameters();
    void parameterErrors();
    void columnTypes_data();
    void columnTypes();
    void discoveryReadsNoRows_data() { addDatabaseRows(); }
    void discoveryReadsNoRows();
};

void TestSchema::tablesRowsetShape()
{
    QFETCH(Db, db);
    QUARRY_REQUIRE_DB(db);
    Scratch scratch(db);
    createObjects(scratch);
    Connection c = scratch.open(adModeRead);
    Recordset rs = c.OpenSchema(adSchemaTables, {"", "", "", "TABLE"});
    QCOMPARE(rs.State(), adStateOpen);
    QCOMPARE(rs.FieldCount(), 9);
    const QStringList names{"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME",   "TABLE_TYPE",   "TABLE_GUID",
                            "DESCRIPTION",   "TABLE_PROPID", "DATE_CREATED", "DATE_MODIFIED"};
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(rs.Fields(i).Name, names[i]);
    QVERIFY_THROWS_EXCEPTION(DatabaseError, rs.Fields(9));
    QVERIFY(!rs.AtEOF());
    const auto rows = readTables(rs);
    QVERIFY(rs.AtEOF());
    QVERIFY_THROWS_EXCEPTION(DatabaseError, rs.MoveNext());
    for (const auto& row : rows) {
        if (db == Db::PostgreSQL && row.Schema == scratch.place())
            QCOMPARE(row.Catalog, scratch.database());
        if (db == Db::MariaDB && row.Catalog == scratch.place())
            QVERIFY(row.Schema.isEmpty()); // MariaDB keeps tables in catalogs, not schemas
    }
    QCOMPARE(inPlace(rows, scratch), (QStringList{"tXb:TABLE", "t_a:TABLE", "t_b:TABLE"}));
    rs.Close();
    QCOMPARE(rs.State(), adStateClosed);
}

void TestSchema::tablesRestrictions_data()
{
    QTest::addColumn<Db>("db");
    QTest::addColumn<QStringList>("restrictions");
    QTest::addColumn<QStringList>("expected");

    for (Db db : {Db::SQLite, Db::PostgreSQL, Db::MariaDB}) {
        const QByteArray name = dbName(db).toLatin1();
        const char* n = name.constData();
        QStringList tables{"tXb:TABLE", "t_a:TABLE", "t_b:TABLE"};
        QStringList views{"v_a:VIEW"};
        if (db == Db::PostgreSQL)
            views = QStringList{"m_a:VIEW", "v_a:VIEW"};
        QTest::addRow("%s TABLE", n) << db << QStringList{"", "", "", "TABLE"} << tables;
        QTest::addRow("%s VIEW", n) << db << QStringList{"", "", "", "VIEW"} << views;
        QTest::addRow("%s lower-case view", n) << db << QStringList{"", "", "", "view"} << views;
        QTest::addRow("%s none", n) << db << QStringList{} << (tables + views);
        QTest::addRow("%s four empty", n) << db << QStringList{"", "", "", ""} << (tables + views);
        QTest::addRow("%s name with underscore is exact", n)
            << db << QStringList{"", "", "t_b", ""} << QStringList{"t_b:TABLE"};
        QTest::addRow("%s name and wrong type", n)
            << db << QStringList{"", "", "t_a", "VIEW"} << QStringList{};
        QTest::addRow("%s TABLE,VIEW list", n)
            << db << QStringList{"", "", "", "TABLE,VIEW"} << (tables + views);
    }
}

void TestSchema::tablesRestrictions()
{
    QFETCH(Db, db);
    QFETCH(QStringList, restrictions);
    QFETCH(QStringList, expected);
    QUARRY_REQUIRE_DB(db);
    Scratch scratch(db);
    createObjects(scratch);
    Connection c = scratch.open(adModeRead);
    expected.sort();
    QCOMPARE(inPlace(readTables(c.OpenSchema(adSchemaTables, restrictions)), scratch), expected);

    // The owner restriction narrows to the scratch area only.
    if (db != Db::SQLite) {
        QStringList owned = restrictions;
        while (owned.size() < 4)
            owned << QString();
        owned[db == Db::PostgreSQL ? 1 : 0] = scratch.place();
        Connection shared = scratch.open(adModeRead);
        const auto rows = readTables(shared.OpenSchema(adSchemaTables, owned));
        QCOMPARE(inPlace(rows, scratch), expected);
        QCOMPARE(qsizetype(rows.size()), expected.size());
    }
}

void TestSchema::systemObjectsHidden()
{
    QFETCH(Db, db);
    QUARRY_REQUIRE_DB(db);
    Connection c = open(db, adModeRead);
    for (const auto& row : readTables(c.OpenSchema(adSchemaTables))) {
        QVERIFY2(!row.Type.startsWith("SYSTEM"), qPrintable(row.Name + " " + row.Type));
        QVERIFY2(row.Schema != "pg_catalog" && row.Schema != "information_schema", qPrintable(row.Name));
        QVERIFY2(row.Catalog != "information_schema" && row.Catalog != "mysql", qPrintable(row.Name));
    }
}

void TestSchema::mariaDbDatesAndCatalogs()
{
    QUARRY_REQUIRE_DB(Db::MariaDB);
    Scratch scratch(Db::MariaDB);
    createObjects(scratch);
    const QDateTime before = QDateTime::currentDateTime().addSecs(-120);
    Connection c = scratch.open(adModeRead);
    for (const auto& row : readTables(c.OpenSchema(adSchemaTables, {"", "", "", "TABLE"}))) {
        QVERIFY2(row.Created.typeId() == QMetaType::QDateTime, qPrintable(row.Name));
        QVERIFY2(row.Created.toDateTime() >= before, qPrintable(row.Created.toString()));
    }
    // Views have no dates in MariaDB.
    for (const auto& row : readTables(c.OpenSchema(adSchemaTables, {"", "", "", "VIEW"})))
        QVERIFY(row.Created.isNull() && row.Modified.isNull());
    // The "test" database's connection does not list the scratch database.
    Connection other = open(Db::MariaDB, adModeRead);
    QVERIFY(inPlace(readTables(other.OpenSchema(adSchemaTables)), scratch).isEmpty());
}

void TestSchema::procedures()
{
    QFETCH(Db, db);
    QUARRY_REQUIRE_DB(db);
    Scratch scratch(db);
    if (db == Db::PostgreSQL) {
        scratch.exec("CREATE FUNCTION " + scratch.qualify("add_one") +
                     "(a integer) RETURNS integer LANGUAGE sql AS 'SELECT a + 1'");
        scratch.exec("CREATE PROCEDURE " + scratch.qualify("touch") +
                     "(IN x integer, INOUT y text) LANGUAGE plpgsql AS $$ BEGIN y := x::text; END $$");
    } else if (db == Db::MariaDB) {
        scratch.exec("CREATE FUNCTION add_one(a INT) RETURNS INT DETERMINISTIC RETURN a + 1");
        scratch.exec("CREATE PROCEDURE touch(IN x INT, INOUT y VARCHAR(20)) BEGIN SET y = x; END");
    }
    Connection c = scratch.open(adModeRead);
    Recordset rs = c.OpenSchema(adSchemaProcedures);
    QCOMPARE(rs.State(), adStateOpen);
    QCOMPARE(rs.FieldCount(), 8);
    const QStringList names{"PROCEDURE_CATALOG",    "PROCEDURE_SCHEMA", "PROCEDURE_NAME", "PROCEDURE_TYPE",
                            "PROCEDURE_DEFINITION", "DESCRIPTION",      "DATE_CREATED",   "DATE_MODIFIED"};
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(rs.Fields(i).Name, names[i]);

    QStringList found;
    while (!rs.AtEOF()) {
        const QString owner = rs.Fields(db == Db::MariaDB ? 0 : 1).Value.toString();
        QVERIFY2(owner != "pg_catalog" && owner != "information_schema",
                 qPrintable(rs.Fields(2).Value.toString()));
        if (db == Db::SQLite || owner == scratch.place()) {
            found << rs.Fields(2).Value.toString();
            const int type = rs.Fields(3).Value.toInt();
            QVERIFY2(type >= 1 && type <= 3, qPrintable(QString::number(type)));
            if (db == Db::MariaDB) {
                QVERIFY(!rs.Fields(6).Value.isNull());
                QCOMPARE(rs.Fields(3).Value.toInt(), found.last() == "add_one" ? 3 : 2);
            } else {
                QVERIFY(rs.Fields(6).Value.isNull()); // PostgreSQL keeps no creation dates
            }
        }
        rs.MoveNext();
    }
    found.sort();
    // SQLite has no stored procedures: an empty, open rowset.
    const QStringList expected = db == Db::SQLite ? QStringList() : QStringList{"add_one", "touch"};
    QCOMPARE(found, expected);
}

void TestSchema::parameters()
{
    QFETCH(Db, db);
    QUARRY_REQUIRE_DB(db);
    Scratch scratch(db);
    QString name;
    if (db == Db::PostgreSQL) {
        scratch.exec(
            "CREATE PROCEDURE " + scratch.qualify("touch") +
            "(IN x integer, INOUT y varchar, IN z bigint) LANGUAGE plpgsql AS $$ BEGIN y := x::text; END $$");
        name = scratch.qualify("touch");
    } else {
        scratch.exec("CREATE PROCEDURE touch(IN x INT, INOUT y VARCHAR(20), OUT z BIGINT, IN w TEXT) "
                     "BEGIN SET y = x; SET z = 1; END");
        name = "`touch`";
    }
    Connection c = scratch.open(adModeRead);
    Command command;
    command.setActiveConnection(c);
    command.setCommandType(adCmdStoredProc);
    command.setCommandText(name);
    command.Params().Refresh();

    QStringList got;
    for (int i = 0; i < command.Params().Count(); ++i) {
        const Parameter& p = command.Params().Item(i);
        got << QString("%1 %2 %3").arg(p.Name).arg(p.Type).arg(int(p.Direction));
    }
    // PostgreSQL has no OUT-only procedure parameters and reports varchar as
    // wide text; MariaDB reports TEXT as long wide text (203).
    const QStringList expected = db == Db::PostgreSQL ? QStringList{"x 3 1", "y 202 3", "z 20 1"}
                                                      : QStringList{"x 3 1", "y 202 3", "z 20 2", "w 203 1"};
    QCOMPARE(got, expected);

    // Refresh again replaces, never appends.
    command.Params().Refresh();
    QCOMPARE(command.Params().Count(), expected.size());
}

void TestSchema::parameterErrors()
{
    Command command;
    // No active connection: the layer refuses.
    command.setCommandType(adCmdStoredProc);
    command.setCommandText("p");
    QVERIFY_THROWS_EXCEPTION(DatabaseError, command.Params().Refresh());

    Connection c = open(Db::SQLite);
    command.setActiveConnection(c);
    command.setCommandType(adCmdText);
    QVERIFY_THROWS_EXCEPTION(DatabaseError, command.Params().Refresh());
    QCOMPARE(c.errors().Count(), 0);
    // SQLite has no procedures: a name yields no parameters rather than an error.
    command.setCommandType(adCmdStoredProc);
    command.Params().Refresh();
    QCOMPARE(command.Params().Count(), 0);
}

void TestSchema::columnTypes_data()
{
    QTest::addColumn<Db>("db");
    QTest::addColumn<QString>("declared");
    QTest::addColumn<int>("ado");

    // ADO codes per database. Where they differ:
    // - SQLite's driver reports its declared types through the narrow SQL
    //   types (varchar 200, text 201, blob 128) and numeric/real as double.
    // - PostgreSQL: text is opened as ordinary wide varchar (202), bytea as
    //   long binary (205), real is single precision (4).
    // - MariaDB: BOOLEAN is TINYINT(1) (16), REAL is DOUBLE, TEXT is long wide text (203).
    struct Expect
    {
        const char* name;
        const char* sqlite;
        int sqliteAdo;
        const char* postgres;
        int postgresAdo;
        const char* mariadb;
        int mariadbAdo;
    };
    const Expect expects[] = {
        {"integer", "INTEGER", 3, "INTEGER", 3, "INTEGER", 3},
        {"bigint", "BIGINT", 20, "BIGINT", 20, "BIGINT", 20},
        {"numeric", "NUMERIC(10,2)", 5, "NUMERIC(10,2)", 131, "NUMERIC(10,2)", 131},
        {"real", "REAL", 5, "REAL", 4, "REAL", 5},
        {"double", "DOUBLE PRECISION", 5, "DOUBLE PRECISION", 5, "DOUBLE PRECISION", 5},
        {"varchar", "VARCHAR(40)", 200, "VARCHAR(40)", 202, "VARCHAR(40)", 202},
        {"text", "TEXT", 201, "TEXT", 202, "TEXT", 203},
        {"binary", "BLOB", 128, "BYTEA", 205, "BLOB", 205},
        {"date", "DATE", 133, "DATE", 133, "DATE", 133},
        {"time", "TIME", 134, "TIME", 134, "TIME", 134},
        {"timestamp", "TIMESTAMP", 135, "TIMESTAMP", 135, "DATETIME", 135},
        {"boolean", "BOOLEAN", 11, "BOOLEAN", 11, "BOOLEAN", 16},
    };
    for (const auto& e : expects) {
        QTest::addRow("SQLite %s", e.name) << Db::SQLite << QString(e.sqlite) << e.sqliteAdo;
        QTest::addRow("PostgreSQL %s", e.name) << Db::PostgreSQL << QString(e.postgres) << e.postgresAdo;
        QTest::addRow("MariaDB %s", e.name) << Db::MariaDB << QString(e.mariadb) << e.mariadbAdo;
    }
}

void TestSchema::columnTypes()
{
    QFETCH(Db, db);
    QFETCH(QString, declared);
    QFETCH(int, ado);
    QUARRY_REQUIRE_DB(db);
    Scratch scratch(db);
    const QString table = scratch.qualify("typed");
    scratch.exec("CREATE TABLE " + table + " (before_col INTEGER, probe " + declared +
                 ", after_col INTEGER)");
    Connection c = scratch.open(adModeRead);
    Recordset rs = c.Execute("SELECT * FROM " + table);
    QCOMPARE(rs.State(), adStateOpen);
    QVERIFY(rs.AtEOF());
    QCOMPARE(rs.FieldCount(), 3);
    QCOMPARE(rs.Fields(1).Name, QString("probe"));
    QCOMPARE(rs.Fields(1).Type, ado);
    QVERIFY(rs.Fields(1).Value.isNull());
    if (declared == "VARCHAR(40)")
        QCOMPARE(rs.Fields(1).DefinedSize, qint64(40));
}

void TestSchema::discoveryReadsNoRows()
{
    QFETCH(Db, db);
    QUARRY_REQUIRE_DB(db);
    Scratch scratch(db);
    const QString table = scratch.qualify("untouched");
    scratch.exec("CREATE TABLE " + table + " (a INTEGER)");
    scratch.exec("INSERT INTO " + table + " VALUES (1)");
    Connection c = scratch.open();

    // Describing a statement never runs it: an INSERT described stays undone.
    Recordset none = c.Execute("INSERT INTO " + table + " VALUES (2)");
    QCOMPARE(none.State(), adStateClosed);
    Recordset counted;
    counted.Open("SELECT COUNT(*) FROM " + table, c);
    QCOMPARE(counted.Fields(0).Value.toInt(), 1);

    Recordset described = c.Execute("SELECT a, a + 1 AS b FROM " + table);
    QCOMPARE(described.State(), adStateOpen);
    QVERIFY(described.AtEOF());
    QCOMPARE(described.FieldCount(), 2);
    QCOMPARE(described.Fields(1).Name, QString("b"));
    QVERIFY_THROWS_EXCEPTION(DatabaseError, described.MoveNext());

    if (db == Db::PostgreSQL) {
        // A SELECT with a side effect shows it too.
        const QString sequence = scratch.qualify("seq");
        scratch.exec("CREATE SEQUENCE " + sequence);
        c.Execute("SELECT nextval('" + QString(sequence).replace('\'', "''") + "')");
        Recordset value;
        value.Open("SELECT nextval('" + QString(sequence).replace('\'', "''") + "')", c);
        QCOMPARE(value.Fields(0).Value.toInt(), 1);
    }
}

QTEST_GUILESS_MAIN(TestSchema)
#include "tst_schema.moc"
