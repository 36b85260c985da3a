#include "TestDatabases.h"

#include <QCoreApplication>
#include <QDir>
#include <QTest>

#include <atomic>
#include <map>

namespace quarry::test {

namespace {

QString sqliteDefaultFile()
{
    static QTemporaryDir dir;
    return dir.filePath(QStringLiteral("quarry-test.sqlite"));
}

QString quoted(Db db, const QString& name)
{
    if (db == Db::MariaDB)
        return u'`' + QString(name).replace(u'`', QStringLiteral("``")) + u'`';
    return u'"' + QString(name).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

void run(Connection& connection, const QString& sql)
{
    Recordset rs;
    rs.Open(sql, connection);
    if (rs.State() == adStateOpen)
        rs.Close();
}

// A server database by name, or SQLite's file.
QString connectionTo(Db db, const QString& place)
{
    return db == Db::SQLite
               ? QStringLiteral("Provider=SQLite;Data Source=%1").arg(place)
               : QStringLiteral("Provider=%1;Data Source=127.0.0.1;Initial Catalog=%2;User ID=root")
                     .arg(dbName(db), place);
}

Connection opened(const QString& connection, ConnectMode mode)
{
    Connection c;
    c.setMode(mode);
    c.Open(connection);
    return c;
}

// A name no other test process uses: prefix + process id + counter.
QString uniqueName(const QString& prefix)
{
    static std::atomic<int> counter{0};
    return QStringLiteral("%1_%2_%3").arg(prefix).arg(QCoreApplication::applicationPid()).arg(++counter);
}

} // namespace

QString dbName(Db db)
{
    return QStringList{"SQLite", "PostgreSQL", "MariaDB"}.value(int(db));
}

QString connectionString(Db db)
{
    return connectionTo(db, db == Db::SQLite ? sqliteDefaultFile() : QStringLiteral("test"));
}

QString odbcConnectionString(Db db)
{
    switch (db) {
    case Db::SQLite:
        return QStringLiteral("Driver={SQLite3};Database=%1").arg(sqliteDefaultFile());
    case Db::PostgreSQL:
        return QStringLiteral(
            "Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=5432;Database=test;UID=root");
    case Db::MariaDB:
        return QStringLiteral("Driver={MariaDB Unicode};Server=127.0.0.1;Port=3306;Database=test;UID=root");
    }
    return {};
}

void addDatabaseRows()
{
    QTest::addColumn<Db>("db");
    for (Db db : {Db::SQLite, Db::PostgreSQL, Db::MariaDB})
        QTest::newRow(qPrintable(dbName(db))) << db;
}

bool serversRequired()
{
    return qEnvironmentVariable("QUARRY_REQUIRE_SERVERS") == u"1";
}

bool reachable(Db db, QString* why)
{
    // One attempt per process: an absent server should not cost every test a timeout.
    static std::map<Db, QString> failures; // "" once the database has answered
    if (auto [failure, first] = failures.try_emplace(db); first)
        try {
            Connection c;
            c.setConnectionTimeout(5);
            c.Open(connectionString(db));
            c.Close();
        } catch (const DatabaseError& e) {
            failure->second = QStringLiteral("%1 is not reachable: %2").arg(dbName(db), e.Description());
        }
    if (why)
        *why = failures[db];
    return failures[db].isEmpty();
}

Connection open(Db db, ConnectMode mode)
{
    return opened(connectionString(db), mode);
}

Scratch::Scratch(Db db)
    : m_db(db)
{
    switch (db) {
    case Db::SQLite:
        m_dir = std::make_unique<QTemporaryDir>();
        m_sqliteFile = m_dir->filePath(uniqueName(QStringLiteral("scratch")) + QStringLiteral(".sqlite"));
        m_owner.Open(connectionString());
        break;
    case Db::PostgreSQL:
    case Db::MariaDB:
        m_database = uniqueName(QStringLiteral("qs"));
        m_place = db == Db::PostgreSQL ? QStringLiteral("public") : m_database;
        m_owner = test::open(db);
        run(m_owner, QStringLiteral("CREATE DATABASE ") + quoted(db, m_database));
        m_owner.Close();
        m_owner.Open(connectionString());
        break;
    }
}

Scratch::~Scratch()
{
    try {
        if (!m_database.isEmpty()) {
            m_owner.Close();
            Connection server = test::open(m_db);
            // A connection a failed test left open must not keep the database alive.
            run(server, QStringLiteral("DROP DATABASE %1%2")
                            .arg(quoted(m_db, m_database),
                                 m_db == Db::PostgreSQL ? QStringLiteral(" WITH (FORCE)") : QString()));
        }
    } catch (const DatabaseError& e) {
        qWarning("scratch %s not removed: %s", qPrintable(m_place), qPrintable(e.Description()));
    }
}

QString Scratch::connectionString() const
{
    return connectionTo(m_db, m_db == Db::SQLite ? m_sqliteFile : m_database);
}

Connection Scratch::open(ConnectMode mode) const
{
    return opened(connectionString(), mode);
}

QString Scratch::qualify(const QString& name) const
{
    return quoted(m_db, name);
}

void Scratch::exec(const QString& sql) const
{
    run(m_owner, sql);
}

} // namespace quarry::test
