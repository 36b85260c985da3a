// Opening, read-only enforcement, login timeouts, failures, closing.
#include "TestDatabases.h"

#include <quarry/Database.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace quarry;
using namespace quarry::test;

namespace {

// A TCP port on 127.0.0.1 that completes handshakes (kernel backlog) and then
// never says a word: what a hung server looks like to a client.
class SilentPort
{
public:
    SilentPort()
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(m_fd, 16) != 0 ||
            ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        m_port = ntohs(address.sin_port);
    }
    ~SilentPort()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    SilentPort(const SilentPort&) = delete;
    SilentPort& operator=(const SilentPort&) = delete;
    int port() const { return m_port; }

private:
    int m_fd = -1;
    int m_port = 0;
};

// A port nobody listens on: bound once, then released.
int closedPort()
{
    SilentPort port;
    return port.port();
}

void run(Connection& c, const QString& sql)
{
    Recordset rs;
    rs.Open(sql, c);
}

qlonglong count(Connection& c, const QString& table)
{
    Recordset rs;
    rs.Open("SELECT COUNT(*) FROM " + table, c);
    return rs.Fields(0).Value.toLongLong();
}

} // namespace

class TestConnection : public QObject
{
    Q_OBJECT

private slots:
    void openFromOleDbString_data() { addDatabaseRows(); }
    void openFromOleDbString();
    void openFromOdbcString_data() { addDatabaseRows(); }
    void openFromOdbcString();
    void writesFollowMode_data();
    void writesFollowMode();
    void loginTimeout_data();
    void loginTimeout();
    void failuresAreReported_data();
    void failuresAreReported();
    void layerErrorsLeaveErrorsEmpty();
    void recordsetOutlivesClose_data() { addDatabaseRows(); }
    void recordsetOutlivesClose();
    void copiesShareOneConnection();
};

void TestConnection::openFromOleDbString()
{
    QFETCH(Db, db);
    QUARRY_REQUIRE_DB(db);
    Connection c;
    QCOMPARE(c.State(), adStateClosed);
    QCOMPARE(c.Provider(), QString());
    c.setMode(adModeRead);
    c.setCursorLocation(adUseServer);
    c.setConnectionTimeout(10);
    c.Open(connectionString(db));
    QCOMPARE(c.State(), adStateOpen);
    QCOMPARE(c.Provider(), db == Db::SQLite ? QString("SQLite") : dbName(db));
    QCOMPARE(c.ConnectionString(), connectionString(db));
    QVERIFY2(c.DbmsName().contains(dbName(db), Qt::CaseInsensitive), qPrintable(c.DbmsName()));
    QCOMPARE(c.errors().Count(), 0);

    // Open twice is refused; the connection stays usable.
    QVERIFY_THROWS_EXCEPTION(DatabaseError, c.Open(connectionString(db)));
    QCOMPARE(c.State(), adStateOpen);

    c.Close();
    QCOMPARE(c.State(), adStateClosed);
    QCOMPARE(c.Provider(), QString());
    // Closing a closed connection is an error of the caller, not of the driver.
    QVERIFY_THROWS_EXCEPTION(DatabaseError, c.Close());
    QCOMPARE(c.errors().Count(), 0);

    // Reopen with another mode.
    c.setMode(adModeReadWrite);
    c.Open(connectionString(db));
    QCOMPARE(c.State(), adStateOpen);
    QVERIFY(c.OpenSchema(adSchemaTables).State() == adStateOpen);
    c.Close();
}

void TestConnection::openFromOdbcString()
{
    QFETCH(Db, db);
    QUARRY_REQUIRE_DB(db);
    Connection c;
    c.Open(odbcConnectionString(db));
    QCOMPARE(c.State(), adStateOpen);
    QCOMPARE(c.Provider(), QString("MSDASQL"));
    Recordset rs;
    rs.Open("SELECT 1", c);
    QCOMPARE(rs.Fields(0).Value.toInt(), 1);

    Connection msdasql;
    msdasql.Open("Provider=MSDASQL.1;" + odbcConnectionString(db));
    QCOMPARE(msdasql.Provider(), QString("MSDASQL.1"));
}

void TestConnection::writesFollowMode_data()
{
    QTest::addColumn<Db>("db");
    QTest::addColumn<ConnectMode>("mode");
    QTest::addColumn<bool>("raw");
    for (Db db : {Db::SQLite, Db::PostgreSQL, Db::MariaDB}) {
        const QByteArray n = dbName(db).toLatin1();
        QTest::addRow("%s read-only", n.data()) << db << adModeRead << false;
        // The same database as a raw ODBC string: the layer must switch the session itself.
        QTest::addRow("%s read-only ODBC string", n.data()) << db << adModeRead << true;
        QTest::addRow("%s unknown", n.data()) << db << adModeUnknown << false;
        QTest::addRow("%s read-write ODBC string", n.data()) << db << adModeReadWrite << true;
    }
}

void TestConnection::writesFollowMode()
{
    QFETCH(Db, db);
    QFETCH(ConnectMode, mode);
    QFETCH(bool, raw);
    QUARRY_REQUIRE_DB(db);
    Scratch scratch(db);
    const QString table = scratch.qualify("guarded");
    scratch.exec("CREATE TABLE " + table + " (a INTEGER)");
    scratch.exec("INSERT INTO " + table + " VALUES (1)");

    QString target = scratch.connectionString();
    if (raw && db == Db::SQLite)
        target = "Driver={SQLite3};Database=" + target.section("Data Source=", 1);
    else if (raw)
        target = odbcConnectionString(db).replace("Database=test", "Database=" + scratch.database());
    Connection c;
    c.setMode(mode);
    c.Open(target);
    QCOMPARE(count(c, table), 1); // reading works

    const bool writable = mode != adModeRead;
    for (const QString& write : {"INSERT INTO " + table + " VALUES (2)", "DELETE FROM " + table,
                                 "CREATE TABLE " + scratch.qualify("sneaky") + " (a INTEGER)"}) {
        try {
            run(c, write);
            QVERIFY2(writable, qPrintable("a read-only connection accepted: " + write));
        } catch (const DatabaseError& e) {
            QVERIFY2(!writable, qPrintable(e.Description()));
            QVERIFY2(c.errors().Count() > 0, "the refusal comes from the database");
        }
    }
    Connection owner = scratch.open();
    QCOMPARE(count(owner, table), writable ? 0 : 1);
}

void TestConnection::loginTimeout_data()
{
    QTest::addColumn<QString>("provider");
    QTest::addColumn<QString>("extra");
    QTest::newRow("PostgreSQL") << "PostgreSQL"
                                << ";Initial Catalog=test;User ID=root";
    QTest::newRow("MariaDB") << "MariaDB"
                             << ";Initial Catalog=test;User ID=root";
    QTest::newRow("SQL Server (FreeTDS)") << "SQLOLEDB"
                                          << ";User ID=sa;Password=x";
}

void TestConnection::loginTimeout()
{
    QFETCH(QString, provider);
    QFETCH(QString, extra);
    SilentPort silent;
    QVERIFY(silent.port() > 0);
    const QChar separator = provider == u"SQLOLEDB" ? u',' : u':';
    Connection c;
    c.setConnectionTimeout(2);
    QElapsedTimer timer;
    timer.start();
    try {
        c.Open(QString("Provider=%1;Data Source=127.0.0.1%2%3%4")
                   .arg(provider)
                   .arg(separator)
                   .arg(silent.port())
                   .arg(extra));
        QFAIL("connected to a server that never answered");
    } catch (const DatabaseError& e) {
        QVERIFY2(c.errors().Count() > 0, qPrintable(e.Description()));
        qInfo("%s gave up after %lld ms: %s", qPrintable(provider), timer.elapsed(),
              qPrintable(e.Description()));
    }
    // Not a speed check: without the timeout these drivers wait for minutes.
    QVERIFY2(timer.elapsed() < 30000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(c.State(), adStateClosed);
}

void TestConnection::failuresAreReported_data()
{
    QTest::addColumn<QString>("connection");
    QTest::addColumn<bool>("fromDriver");
    QTest::addColumn<QString>("mentions");
    QTest::addColumn<Db>("needs");

    QTest::newRow("unknown database")
        << "Provider=PostgreSQL;Data Source=127.0.0.1;Initial Catalog=no_such_db_q;"
           "User ID=root"
        << true << "no_such_db_q" << Db::PostgreSQL;
    QTest::newRow("unknown MariaDB database")
        << "Provider=MariaDB;Data Source=127.0.0.1;Initial Catalog=no_such_db_q;User ID=root" << true
        << "no_such_db_q" << Db::MariaDB;
    QTest::newRow("unknown provider") << "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x.mdb" << true
                                      << "Microsoft.Jet.OLEDB.4.0" << Db::SQLite;
    QTest::newRow("raw string, missing driver")
        << "Driver={No Such Driver};Database=x" << true << "" << Db::SQLite;
    QTest::newRow("closed port PostgreSQL")
        << QString("Provider=PostgreSQL;Data Source=127.0.0.1:%1;User ID=root").arg(closedPort()) << true
        << "" << Db::SQLite;
    QTest::newRow("closed port MariaDB")
        << QString("Provider=MariaDB;Data Source=127.0.0.1:%1;User ID=root").arg(closedPort()) << true << ""
        << Db::SQLite;
    QTest::newRow("unbalanced quotes")
        << "Provider=PostgreSQL;Password='abc" << false << "no closing" << Db::SQLite;
    QTest::newRow("garbage") << "this is not a connection string" << false << "OLE DB" << Db::SQLite;
    QTest::newRow("SQLite file in a missing folder")
        << "Provider=SQLite;Data Source=/no/such/folder/x.db" << false
        << "/no/such/folder/x.db\" does not exist" << Db::SQLite;
    QTest::newRow("SQLite read-only on a missing file")
        << "Provider=SQLite;Data Source=" + QDir::tempPath() + "/quarry-missing-" +
               QString::number(QCoreApplication::applicationPid()) + ".db"
        << false << "does not exist" << Db::SQLite;
}

void TestConnection::failuresAreReported()
{
    QFETCH(QString, connection);
    QFETCH(bool, fromDriver);
    QFETCH(QString, mentions);
    QFETCH(Db, needs);
    QUARRY_REQUIRE_DB(needs);

    Connection c;
    c.setMode(adModeRead);
    c.setConnectionTimeout(5);
    try {
        c.Open(connection);
        QFAIL("opened");
    } catch (const DatabaseError& e) {
        QVERIFY(!e.Description().isEmpty());
        QVERIFY2(e.Description().contains(mentions), qPrintable(e.Description()));
        QCOMPARE(c.errors().Count() > 0, fromDriver);
        if (fromDriver)
            QCOMPARE(c.errors().Text(), e.Description());
    }
    QCOMPARE(c.State(), adStateClosed);
    // Nothing is lost: the same object opens a good string afterwards.
    c.setMode(adModeReadWrite);
    c.Open(connectionString(Db::SQLite));
    QCOMPARE(c.State(), adStateOpen);
    QCOMPARE(c.errors().Count(), 0);
}

void TestConnection::layerErrorsLeaveErrorsEmpty()
{
    Connection c;
    // First a driver error, so a stale record would show.
    QVERIFY_THROWS_EXCEPTION(DatabaseError, c.Open("Driver={No Such Driver}"));
    QVERIFY(c.errors().Count() > 0);
    try {
        c.OpenSchema(adSchemaTables);
        QFAIL("schema on a closed connection");
    } catch (const DatabaseError& e) {
        QVERIFY(e.Description().contains("closed"));
        QCOMPARE(c.errors().Count(), 0);
    }
    QVERIFY_THROWS_EXCEPTION(DatabaseError, c.Execute("SELECT 1"));
    QCOMPARE(c.errors().Count(), 0);
    Recordset rs;
    QVERIFY_THROWS_EXCEPTION(DatabaseError, rs.Open("SELECT 1", c));
    QCOMPARE(c.errors().Count(), 0);
    QVERIFY_THROWS_EXCEPTION(DatabaseError, c.setConnectionTimeout(-1));

    // A driver error after a layer error is reported with its records.
    c.Open(connectionString(Db::SQLite));
    QVERIFY_THROWS_EXCEPTION(DatabaseError, c.Execute("SELECT * FROM no_such_table_q"));
    QVERIFY(c.errors().Count() > 0);
    QVERIFY2(c.errors().Item(0).Description.contains("no_such_table_q"), qPrintable(c.errors().Text()));
}

void TestConnection::recordsetOutlivesClose()
{
    QFETCH(Db, db);
    QUARRY_REQUIRE_DB(db);
    Scratch scratch(db);
    const QString table = scratch.qualify("rows");
    scratch.exec("CREATE TABLE " + table + " (a INTEGER)");
    for (int i = 0; i < 5; ++i)
        scratch.exec(QString("INSERT INTO %1 VALUES (%2)").arg(table).arg(i));

    auto streaming = std::make_unique<Recordset>();
    Recordset described;
    Recordset schema;
    {
        Connection c = scratch.open();
        streaming->Open("SELECT a FROM " + table + " ORDER BY a", c);
        QVERIFY(!streaming->AtEOF());
        streaming->MoveNext();
        described = c.Execute("SELECT * FROM " + table);
        schema = c.OpenSchema(adSchemaTables);
        c.Close();
        QCOMPARE(c.errors().Count(), 0);
    }
    for (Recordset* rs : {streaming.get(), &described, &schema}) {
        QCOMPARE(rs->State(), adStateClosed);
        QVERIFY_THROWS_EXCEPTION(DatabaseError, rs->AtEOF());
        QVERIFY_THROWS_EXCEPTION(DatabaseError, rs->MoveNext());
        QVERIFY_THROWS_EXCEPTION(DatabaseError, rs->Close());
    }
    streaming.reset(); // frees nothing twice (run under ASan/valgrind)

    // The recordset object is reusable on a new connection.
    Connection again = scratch.open();
    described.Open("SELECT a FROM " + table + " ORDER BY a", again);
    QCOMPARE(described.Fields(0).Value.toInt(), 0);
}

void TestConnection::copiesShareOneConnection()
{
    Connection a;
    a.Open(connectionString(Db::SQLite));
    Connection b = a;
    QVERIFY(a == b);
    b.Close();
    QCOMPARE(a.State(), adStateClosed);
    QVERIFY(!(a == Connection()));
}

QTEST_GUILESS_MAIN(TestConnection)
#include "tst_connection.moc"
