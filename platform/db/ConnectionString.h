// OLE DB-style connection strings (Provider=…;Data Source=…) and their ODBC
// translation. Pure functions: no driver manager involved.
#pragma once

#include <quarry/Database.h>

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

namespace quarry::db {

enum class DbmsKind
{
    Other,
    SQLite,
    PostgreSQL,
    MariaDB,
    SqlServer
};

struct ConnectionItem
{
    QString Key;
    QString Value;
    // Where the item stands in the parsed text: [Begin, End).
    qsizetype Begin = 0;
    qsizetype End = 0;
};

// Items in written order. Values may be quoted ('…' or "…", the quote doubled
// inside) or braced ({…}, "}}" inside). Throws DatabaseError (no records) on
// unbalanced quotes or braces and on an item without '='.
std::vector<ConnectionItem> parseConnectionString(const QString& text);

// The value of `key` (case-insensitive; the last occurrence wins).
std::optional<QString> findItem(const std::vector<ConnectionItem>& items, const QString& key);

// "key=value" for an ODBC string, braced when the value needs it.
QString odbcItem(const QString& key, const QString& value);

struct OdbcTarget
{
    QString Provider; // as written, "MSDASQL" for a raw ODBC string
    QString Driver;   // registered driver name; empty when the string goes through as it stands
    DbmsKind Kind = DbmsKind::Other;
    QString OdbcString; // for SQLDriverConnect
    // A raw string's read-only mode cannot be expressed in it; the connection
    // enforces it after connecting.
    bool ReadOnlyAfterConnect = false;
    // psqlODBC's communication log was switched off for this connection.
    bool DriverLogOff = false;
};

struct OpenOptions
{
    ConnectMode Mode = adModeUnknown;
    int TimeoutSeconds = 15;
    QString UserId;   // overrides User ID when not empty
    QString Password; // overrides Password when not empty
    bool Streaming = false;
    // How long one call may wait for the server; 0: as long as it takes.
    int CommandSeconds = 0;
};

// Throws DatabaseError: malformed string (no records), unknown provider or a
// provider whose driver is not in `installedDrivers` (one IM002 record).
OdbcTarget translateConnectionString(const QString& connectionString, const OpenOptions& options,
                                     const QStringList& installedDrivers);

// "owner"."name", [owner].[name], `name` or owner.name → its unquoted parts.
QStringList splitQualifiedName(const QString& text);

// The database kind a Provider value names (version suffixes ignored);
// Other for MSDASQL, an empty or an unknown provider.
DbmsKind kindFromProvider(const QString& provider);

// "host,port", "host:port" or "[v6]:port" → {host, port}; IPv6 literals keep their colons.
std::pair<QString, QString> splitHostPort(const QString& dataSource);

// The database kind a raw ODBC driver name suggests (used before connecting).
DbmsKind kindFromDriverName(const QString& driver);

// The identifier quote the database of a connection string expects: ` for
// MariaDB/MySQL, [ for SQL Server, else SQL's own " (also for a string that
// does not parse).
QString identifierQuoteFor(const QString& connectionString);

} // namespace quarry::db
