// The databases tests run against, and scratch areas in them that parallel
// test processes do not share.
//
//   void MyTest::read_data() { quarry::test::addDatabaseRows(); }
//   void MyTest::read() {
//       QFETCH(quarry::test::Db, db);
//       QUARRY_REQUIRE_DB(db);          // QSKIP, or QFAIL under QUARRY_REQUIRE_SERVERS=1
//       quarry::test::Scratch scratch(db);
//       scratch.exec("CREATE TABLE " + scratch.qualify("t") + " (a INTEGER)");
//       quarry::Connection c = scratch.open();
//       ...
//   }
#pragma once

#include <quarry/Database.h>

#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace quarry::test {

enum class Db
{
    SQLite,
    PostgreSQL,
    MariaDB
};

QString dbName(Db db);
// The "test" database (PostgreSQL, MariaDB) or a per-process SQLite file.
QString connectionString(Db db);
// A raw ODBC string (Driver=…) for the same database.
QString odbcConnectionString(Db db);

// Adds a column "db" and one row per database, named after it.
void addDatabaseRows();

// True when the database answers; `why` says what failed otherwise.
bool reachable(Db db, QString* why = nullptr);
bool serversRequired();

// A fresh connection, open in `mode`.
Connection open(Db db, ConnectMode mode = adModeReadWrite);

// A private place for test objects, removed with everything in it on
// destruction: an SQLite file or a database of its own on the server, so
// that objects other programs leave on the server never show in a listing.
class Scratch
{
public:
    explicit Scratch(Db db);
    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    Db db() const { return m_db; }
    // Opens the scratch area's database (for MariaDB, with it as Initial Catalog).
    QString connectionString() const;
    Connection open(ConnectMode mode = adModeReadWrite) const;
    // The owner the objects are listed with: "public" (PostgreSQL), the
    // database (MariaDB), "" (SQLite).
    QString place() const { return m_place; }
    // The server database (PostgreSQL, MariaDB); "" for SQLite.
    QString database() const { return m_database; }
    // `name` inside the scratch area, quoted for the database.
    QString qualify(const QString& name) const;
    // Runs a statement through the owner connection; throws DatabaseError.
    void exec(const QString& sql) const;

private:
    Db m_db;
    QString m_place;
    QString m_database;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_sqliteFile;
    mutable Connection m_owner;
};

} // namespace quarry::test

Q_DECLARE_METATYPE(quarry::test::Db)

// Skips (or fails under QUARRY_REQUIRE_SERVERS=1) when `db` is unreachable.
#define QUARRY_REQUIRE_DB(db)                                                                                \
    do {                                                                                                     \
        QString quarryWhy_;                                                                                  \
        if (!quarry::test::reachable((db), &quarryWhy_)) {                                                   \
            if (quarry::test::serversRequired())                                                             \
                QFAIL(qPrintable(quarryWhy_));                                                               \
            QSKIP(qPrintable(quarryWhy_));                                                                   \
        }                                                                                                    \
    } while (false)
