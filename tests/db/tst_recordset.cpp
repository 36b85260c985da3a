// Executing statements and streaming their rows.
#include "TestDatabases.h"

#include <quarry/Database.h>

#include <QDateTime>
#include <QTest>

using namespace quarry;
using namespace quarry::test;

namespace {

QString hexLiteral(Db db, const QByteArray& bytes)
{
    const QString hex = QString::fromLatin1(bytes.toHex());
    return db == Db::PostgreSQL ? "'\\x" + hex + "'::bytea" : "X'" + hex + "'";
}

QString blobType(Db db)
{
    return db == Db::PostgreSQL ? "BYTEA" : db == Db::MariaDB ? "LONGBLOB" : "BLOB";
}

QString textType(Db db)
{
    return db == Db::MariaDB ? "LONGTEXT" : "TEXT";
}

} // namespace

class TestRecordset : public QObject
{
    Q_OBJECT

private slots:
    void valuesHaveUsefulTypes_data() { addDatabaseRows(); }
    void valuesHaveUsefulTypes();
    void longValuesArriveWhole_data();
    void longValuesArriveWhole();
    void nonBmpTextIsRead_data() { addDatabaseRows(); }
    void nonBmpTextIsRead();
    void maxRecordsLimitsRows_data() { addDatabaseRows(); }
    void maxRecordsLimitsRows();
    void statementsWithoutRowsLeaveItClosed_data() { addDatabaseRows(); }
    void statementsWithoutRowsLeaveItClosed();
    void driverErrorsCarryTheirText_data();
    void driverErrorsCarryTheirText();
    void reopenAfterClose();
};

void TestRecordset::valuesHaveUsefulTypes()
{
    QFETCH(Db, db);
    QUARRY_REQUIRE_DB(db);
    Scratch scratch(db);
    const QString table = scratch.qualify("vals");
    const QString timestamp = db == Db::MariaDB ? "DATETIME" : "TIMESTAMP";
    scratch.exec(
        "CREATE TABLE " + table +
        " (i INTEGER, b BIGINT, n NUMERIC(10,2), d DOUBLE PRECISION, v VARCHAR(40), dt DATE, tm TIME, "
        "ts " +
        timestamp + ", bo BOOLEAN, bl " + blobType(db) + ")");
    scratch.exec("INSERT INTO " + table +
                 " VALUES (-7, 9000000000, 12.25, 0.5, 'Ünïcødé ✓', '2024-02-29', '23:59:58', "
                 "'2024-02-29 13:14:15', TRUE, " +
                 hexLiteral(db, QByteArray("\x00\x01\xff", 3)) + ")");
    scratch.exec("INSERT INTO " + table + " (i) VALUES (NULL)");

    Connection c = scratch.open(adModeRead);
    Recordset rs;
    rs.Open("SELECT * FROM " + table + " ORDER BY i DESC", c);
    QCOMPARE(rs.State(), adStateOpen);
    QCOMPARE(rs.FieldCount(), 10);
    // NULLs sort first on PostgreSQL with DESC, last elsewhere: find the full row.
    if (rs.Fields(0).Value.isNull())
        rs.MoveNext();
    QCOMPARE(rs.Fields(0).Value, QVariant(-7));
    QCOMPARE(rs.Fields(1).Value.toLongLong(), 9000000000LL);
    QCOMPARE(rs.Fields(2).Value.toDouble(), 12.25);
    QCOMPARE(rs.Fields(3).Value.typeId(), QMetaType::Double);
    QCOMPARE(rs.Fields(3).Value.toDouble(), 0.5);
    QCOMPARE(rs.Fields(4).Value.toString(), QString::fromUtf8("Ünïcødé ✓"));
    QCOMPARE(rs.Fields(5).Value.toDate(), QDate(2024, 2, 29));
    QCOMPARE(rs.Fields(6).Value.toTime(), QTime(23, 59, 58));
    QCOMPARE(rs.Fields(7).Value.toDateTime(), QDateTime(QDate(2024, 2, 29), QTime(13, 14, 15)));
    QCOMPARE(rs.Fields(8).Value.toBool(), true);
    QCOMPARE(rs.Fields(9).Value.toByteArray(), QByteArray("\x00\x01\xff", 3));

    // The row of NULLs.
    QStringList seen;
    rs.Close();
    rs.Open("SELECT * FROM " + table + " WHERE i IS NULL", c);
    QVERIFY(!rs.AtEOF());
    for (const Field& field : rs.FieldList())
        QVERIFY2(field.Value.isNull(), qPrintable(field.Name));
    rs.MoveNext();
    QVERIFY(rs.AtEOF());
    for (const Field& field : rs.FieldList())
        QVERIFY(field.Value.isNull()); // past the end no stale values remain
}

void TestRecordset::longValuesArriveWhole_data()
{
    QTest::addColumn<Db>("db");
    QTest::addColumn<int>("length");
    for (Db db : {Db::SQLite, Db::PostgreSQL, Db::MariaDB}) {
        QTest::addRow("%s 0", qPrintable(dbName(db))) << db << 0;
        // Around the 32 KiB chunk: one short, one exact, one over.
        QTest::addRow("%s 16383", qPrintable(dbName(db))) << db << 16383;
        QTest::addRow("%s 16384", qPrintable(dbName(db))) << db << 16384;
        QTest::addRow("%s 200000", qPrintable(dbName(db))) << db << 200000;
    }
}

void TestRecordset::longValuesArriveWhole()
{
    QFETCH(Db, db);
    QFETCH(int, length);
    QUARRY_REQUIRE_DB(db);
    Scratch scratch(db);
    const QString table = scratch.qualify("longs");
    scratch.exec("CREATE TABLE " + table + " (t " + textType(db) + ", b " + blobType(db) + ")");

    // Text with characters outside the BMP: a chunk boundary may fall inside a
    // surrogate pair. The SQLite driver garbles them in statement text (not in
    // results, see nonBmpTextIsRead), so its literal stays in the BMP.
    const QString pattern = QString::fromUtf8(db == Db::SQLite ? "abc€é" : "abc😀é");
    QString text;
    while (text.size() < length)
        text += pattern;
    text.truncate(length);
    if (!text.isEmpty() && text.back().isHighSurrogate())
        text.back() = u'x';
    QByteArray bytes(length, Qt::Uninitialized);
    for (int i = 0; i < length; ++i)
        bytes[i] = char((i * 131) & 0xff);
    scratch.exec("INSERT INTO " + table + " VALUES ('" + text + "', " + hexLiteral(db, bytes) + ")");

    Connection c = scratch.open(adModeRead);
    Recordset rs;
    rs.Open("SELECT t, b FROM " + table, c);
    QVERIFY(!rs.AtEOF());
    const QString gotText = rs.Fields(0).Value.toString();
    QCOMPARE(gotText.size(), text.size());
    QVERIFY(gotText == text);
    const QByteArray gotBytes = rs.Fields(1).Value.toByteArray();
    QCOMPARE(gotBytes.size(), bytes.size());
    QVERIFY(gotBytes == bytes);
}

void TestRecordset::nonBmpTextIsRead()
{
    QFETCH(Db, db);
    QUARRY_REQUIRE_DB(db);
    Connection c = open(db, adModeRead);
    Recordset rs;
    const QString sql = db == Db::SQLite       ? "SELECT char(120, 128512, 121)"
                        : db == Db::PostgreSQL ? "SELECT 'x' || chr(128512) || 'y'"
                                               : "SELECT CONVERT(_utf8mb4 0x78F09F988079 USING utf8mb4)";
    rs.Open(sql, c);
    QCOMPARE(rs.Fields(0).Value.toString(), QString::fromUtf8("x😀y"));
}

void TestRecordset::maxRecordsLimitsRows()
{
    QFETCH(Db, db);
    QUARRY_REQUIRE_DB(db);
    Scratch scratch(db);
    const QString table = scratch.qualify("many");
    scratch.exec("CREATE TABLE " + table + " (a INTEGER)");
    for (int i = 0; i < 10; ++i)
        scratch.exec(QString("INSERT INTO %1 VALUES (%2)").arg(table).arg(i));
    Connection c = scratch.open(adModeRead);

    for (qint64 limit : {qint64(0), qint64(3), qint64(10), qint64(50)}) {
        Recordset rs;
        rs.Open("SELECT a FROM " + table + " ORDER BY a", c, limit);
        int rows = 0;
        while (!rs.AtEOF()) {
            QCOMPARE(rs.Fields(0).Value.toInt(), rows);
            ++rows;
            rs.MoveNext();
        }
        QCOMPARE(rows, limit == 0 ? 10 : int(qMin<qint64>(limit, 10)));
    }
    Recordset rs;
    QVERIFY_THROWS_EXCEPTION(DatabaseError, rs.Open("SELECT a FROM " + table, c, -1));
    QCOMPARE(c.errors().Count(), 0);
}

void TestRecordset::statementsWithoutRowsLeaveItClosed()
{
    QFETCH(Db, db);
    QUARRY_REQUIRE_DB(db);
    Scratch scratch(db);
    Connection c = scratch.open();
    const QString table = scratch.qualify("made");
    Recordset rs;
    rs.Open("CREATE TABLE " + table + " (a INTEGER, b VARCHAR(10))", c);
    QCOMPARE(rs.State(), adStateClosed);
    rs.Open("INSERT INTO " + table + " VALUES (1, 'x')", c);
    QCOMPARE(rs.State(), adStateClosed);
    // Touches no row: drivers answer SQL_NO_DATA, which is no failure.
    rs.Open("DELETE FROM " + table + " WHERE a = 99", c);
    QCOMPARE(rs.State(), adStateClosed);
    rs.Open("SELECT b FROM " + table, c);
    QCOMPARE(rs.State(), adStateOpen);
    QCOMPARE(rs.Fields(0).Value.toString(), QString("x"));
    // Opening an open recordset is refused.
    QVERIFY_THROWS_EXCEPTION(DatabaseError, rs.Open("SELECT 1", c));
}

void TestRecordset::driverErrorsCarryTheirText_data()
{
    QTest::addColumn<Db>("db");
    QTest::addColumn<bool>("describe"); // Connection::Execute rather than Recordset::Open
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("mentions");
    for (Db db : {Db::SQLite, Db::PostgreSQL, Db::MariaDB}) {
        const QByteArray n = dbName(db).toLatin1();
        QTest::addRow("%s bad syntax", n.data()) << db << false << "SELEC oops FROM nowhere"
                                                 << "syntax";
        QTest::addRow("%s missing table described", n.data())
            << db << true << "SELECT * FROM no_such_table_quarry"
            << "no_such_table_quarry";
    }
}

void TestRecordset::driverErrorsCarryTheirText()
{
    QFETCH(Db, db);
    QFETCH(bool, describe);
    QFETCH(QString, sql);
    QFETCH(QString, mentions);
    QUARRY_REQUIRE_DB(db);
    Connection c = open(db, adModeRead);
    Recordset rs;
    try {
        if (describe)
            c.Execute(sql);
        else
            rs.Open(sql, c);
        QFAIL("bad SQL ran");
    } catch (const DatabaseError& e) {
        QVERIFY(c.errors().Count() > 0);
        QCOMPARE(e.errors().Count(), c.errors().Count());
        QVERIFY(!c.errors().Item(0).SQLState.isEmpty());
        QVERIFY2(e.Description().contains(mentions, Qt::CaseInsensitive), qPrintable(e.Description()));
        QCOMPARE(e.what(), e.Description().toStdString());
    }
    QCOMPARE(rs.State(), adStateClosed);
    // The connection is still usable and the old records are gone.
    QCOMPARE(c.Execute("SELECT 2 AS two").Fields(0).Name, QString("two"));
    rs.Open("SELECT 2", c);
    QCOMPARE(rs.Fields(0).Value.toInt(), 2);
    QCOMPARE(c.errors().Count(), 0);
}

void TestRecordset::reopenAfterClose()
{
    Connection c = open(Db::SQLite);
    Recordset rs;
    QCOMPARE(rs.State(), adStateClosed);
    QVERIFY_THROWS_EXCEPTION(DatabaseError, rs.AtEOF());
    QVERIFY_THROWS_EXCEPTION(DatabaseError, rs.FieldCount());
    rs.Open("SELECT 1 AS a UNION ALL SELECT 2", c);
    Recordset copy = rs; // a copy is the same recordset
    rs.MoveNext();
    QCOMPARE(copy.Fields(0).Value.toInt(), 2);
    copy.Close();
    QCOMPARE(rs.State(), adStateClosed);
    rs.Open("SELECT 'again' AS a", c);
    QCOMPARE(copy.Fields(0).Value.toString(), QString("again"));
}

QTEST_GUILESS_MAIN(TestRecordset)
#include "tst_recordset.moc"
