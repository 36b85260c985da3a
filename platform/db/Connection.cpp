#include "platform/db/DatabasePrivate.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>

#include <algorithm>

#include <pwd.h>
#include <unistd.h>

namespace quarry {

using namespace quarry::db;

QString Errors::Text() const
{
    QStringList lines;
    for (const auto& error : m_items)
        lines << error.Description;
    return lines.join(u'\n');
}

DatabaseError::DatabaseError(const QString& description, Errors errors)
    : std::runtime_error(description.toStdString())
    , m_description(description)
    , m_errors(std::move(errors))
{}

DatabaseError db::notAllowedClosed()
{
    return DatabaseError(
        QCoreApplication::translate("Database", "Operation is not allowed when the object is closed."));
}

namespace {

// Opened read-only, SQLite says only "connect failed" for a file that is not there.
void requireSqliteFile(const QString& connectionString)
{
    const std::optional<QString> path =
        findItem(parseConnectionString(connectionString), QStringLiteral("Data Source"));
    if (!path || path->isEmpty() || *path == u":memory:" || path->startsWith(u"file:", Qt::CaseInsensitive))
        return;
    if (!QFileInfo::exists(*path))
        throw DatabaseError(
            QCoreApplication::translate("Database", "The SQLite database file \"%1\" does not exist.")
                .arg(*path));
}

QStringList installedDrivers(const EnvHandle& env)
{
    QStringList names;
    SQLWCHAR name[256];
    SQLWCHAR attributes[1024];
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT attributesLength = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (SQL_SUCCEEDED(SQLDriversW(env.get(), direction, name, SQLSMALLINT(std::size(name)), &nameLength,
                                     attributes, SQLSMALLINT(std::size(attributes)), &attributesLength))) {
        names << fromSqlW(name, -1);
        direction = SQL_FETCH_NEXT;
    }
    return names;
}

DbmsKind kindFromDbmsName(const QString& name)
{
    if (name.contains(u"SQLite", Qt::CaseInsensitive))
        return DbmsKind::SQLite;
    if (name.contains(u"PostgreSQL", Qt::CaseInsensitive))
        return DbmsKind::PostgreSQL;
    if (name.contains(u"MySQL", Qt::CaseInsensitive) || name.contains(u"MariaDB", Qt::CaseInsensitive))
        return DbmsKind::MariaDB;
    if (name.contains(u"SQL Server", Qt::CaseInsensitive))
        return DbmsKind::SqlServer;
    return DbmsKind::Other;
}

// Session switches that make a connection refuse writes, for strings that
// could not carry them.
QString readOnlyStatement(DbmsKind kind)
{
    switch (kind) {
    case DbmsKind::SQLite:
        return QStringLiteral("PRAGMA query_only = 1");
    case DbmsKind::PostgreSQL:
        return QStringLiteral("SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY");
    case DbmsKind::MariaDB:
        return QStringLiteral("SET SESSION TRANSACTION READ ONLY");
    default:
        return {};
    }
}

} // namespace

void ConnectionPrivate::requireOpen() const
{
    if (!isOpen())
        throw notAllowedClosed();
}

namespace {

// As its last connection closes, psqlODBC falls back to the communication log
// that Debian's driver entry turns on, whatever the connection string said,
// and leaves /tmp/psqlodbc_<program>_<user><pid>.log holding "PQfinish" lines
// alone. Such a file, and only such a one, is removed.
void removeDisconnectLog() noexcept
{
    try {
        const passwd* user = ::getpwuid(::geteuid());
        if (!user)
            return;
        const QDir folder(QStringLiteral("/tmp"));
        const QString pattern =
            QStringLiteral("psqlodbc_*_%1%2.log").arg(QString::fromLocal8Bit(user->pw_name)).arg(::getpid());
        static const QRegularExpression onlyFinish(QStringLiteral("\\A(PQfinish: \\S+\\n)+\\z"));
        for (const QString& name : folder.entryList({pattern}, QDir::Files)) {
            QFile log(folder.filePath(name));
            if (log.size() < 4096 && log.open(QIODevice::ReadOnly) &&
                onlyFinish.match(QString::fromLatin1(log.readAll())).hasMatch())
                log.remove();
        }
    } catch (...) {
    }
}

} // namespace

void ConnectionPrivate::close() noexcept
{
    // Closing a cursor waits for the server too.
    const LinkCall call(link);
    for (auto& weak : recordsets)
        if (auto recordset = weak.lock())
            recordset->finish();
    recordsets.clear();
    {
        std::unique_lock lock(cancelsLock);
        cancelsDone.wait(lock, [this] { return cancels == 0; });
    }
    interrupter.reset();
    const bool tidyLog = dbc && driverLogOff;
    dbc.reset();
    {
        const std::lock_guard lock(linkLock);
        link.reset();
    }
    if (tidyLog)
        removeDisconnectLog();
    provider.clear();
    caps = {};
}

void ConnectionPrivate::track(const std::shared_ptr<RecordsetPrivate>& recordset)
{
    std::erase_if(recordsets, [](const auto& weak) { return weak.expired(); });
    recordsets.push_back(recordset);
}

QString ConnectionPrivate::currentCatalog() const
{
    return infoString(*dbc, SQL_DATABASE_NAME);
}

std::unique_ptr<StmtHandle> ConnectionPrivate::statement() const
{
    auto stmt = std::make_unique<StmtHandle>(*dbc);
    // A driver without the option still has the watch behind it.
    if (commandTimeout > 0)
        SQLSetStmtAttrW(stmt->get(), SQL_ATTR_QUERY_TIMEOUT,
                        reinterpret_cast<SQLPOINTER>(SQLULEN(commandTimeout)), 0);
    return stmt;
}

std::shared_ptr<Link> ConnectionPrivate::currentLink() const
{
    const std::lock_guard lock(linkLock);
    return link;
}

void ConnectionPrivate::throwCut(const DatabaseError& e)
{
    errors = e.errors();
    Errors records;
    const QString description =
        link->overran()
            ? (commandTimeout == 1
                   ? QCoreApplication::translate(
                         "Database", "The server did not answer within 1 second; the connection was closed.")
                   : QCoreApplication::translate(
                         "Database",
                         "The server did not answer within %1 seconds; the connection was closed.")
                         .arg(commandTimeout))
            : QCoreApplication::translate("Database", "The connection was closed while the server was busy.");
    records.Append({QStringLiteral("HYT01"), 0, description});
    for (int i = 0; i < errors.Count(); ++i)
        records.Append(errors.Item(i));
    errors = records;
    throw DatabaseError(errors.Text(), errors);
}

void ConnectionPrivate::run(const QString& sql)
{
    const auto stmt = statement();
    QString text = sql;
    executeText(*stmt, text, caps.Kind);
}

void db::prepareText(const StmtHandle& stmt, QString& text, DbmsKind kind)
{
    if (kind == DbmsKind::SQLite) {
        QByteArray utf8 = text.toUtf8();
        stmt.check(SQLPrepare(stmt.get(), reinterpret_cast<SQLCHAR*>(utf8.data()), SQLINTEGER(utf8.size())),
                   "SQLPrepare");
        return;
    }
    stmt.check(SQLPrepareW(stmt.get(), toSqlW(text), SQL_NTS), "SQLPrepare");
}

SQLRETURN db::executeText(const StmtHandle& stmt, QString& text, DbmsKind kind)
{
    if (kind == DbmsKind::PostgreSQL)
        return stmt.check(SQLExecDirectW(stmt.get(), toSqlW(text), SQL_NTS), "SQLExecDirect", true);
    prepareText(stmt, text, kind);
    return stmt.check(SQLExecute(stmt.get()), "SQLExecute", true);
}

std::vector<std::vector<QVariant>> ConnectionPrivate::select(const QString& sql,
                                                             const QStringList& parameters)
{
    RecordsetPrivate r;
    r.stmt = statement();
    QString text = sql;
    prepareText(*r.stmt, text, caps.Kind);
    // Bound buffers must outlive SQLExecute.
    QStringList values = parameters;
    std::vector<SQLLEN> lengths(size_t(values.size()), SQL_NTS);
    for (qsizetype i = 0; i < values.size(); ++i)
        r.stmt->check(SQLBindParameter(r.stmt->get(), SQLUSMALLINT(i + 1), SQL_PARAM_INPUT, SQL_C_WCHAR,
                                       SQL_WVARCHAR, SQLULEN(qMax<qsizetype>(values[i].size(), 1)), 0,
                                       toSqlW(values[i]), 0, &lengths[size_t(i)]),
                      "SQLBindParameter");
    r.stmt->check(SQLExecute(r.stmt->get()), "SQLExecute", true);
    r.describe();
    std::vector<std::vector<QVariant>> rows;
    while (!r.columns.empty() && r.stmt->check(SQLFetch(r.stmt->get()), "SQLFetch", true) != SQL_NO_DATA)
        rows.push_back(r.readRow());
    return rows;
}

Connection::Connection()
    : d(std::make_shared<ConnectionPrivate>())
{}

Connection::~Connection() = default;
Connection::Connection(const Connection&) = default;
Connection& Connection::operator=(const Connection&) = default;

ConnectMode Connection::Mode() const
{
    return d->mode;
}

void Connection::setMode(ConnectMode mode)
{
    if (d->isOpen())
        throw DatabaseError(
            QCoreApplication::translate("Database", "Operation is not allowed when the object is open."));
    d->mode = mode;
}

quarry::CursorLocation Connection::CursorLocation() const
{
    return d->cursorLocation;
}

void Connection::setCursorLocation(quarry::CursorLocation location)
{
    // Every recordset is forward-only and read as it streams; a client-side
    // location changes nothing for the operations offered here.
    d->cursorLocation = location;
}

int Connection::ConnectionTimeout() const
{
    return d->timeout;
}

void Connection::setConnectionTimeout(int seconds)
{
    if (seconds < 0)
        throw DatabaseError(
            QCoreApplication::translate("Database", "The connection timeout must not be negative."));
    d->timeout = seconds;
}

int Connection::CommandTimeout() const
{
    return d->commandTimeout;
}

void Connection::setCommandTimeout(int seconds)
{
    if (seconds < 0)
        throw DatabaseError(
            QCoreApplication::translate("Database", "The command timeout must not be negative."));
    if (d->isOpen())
        throw DatabaseError(
            QCoreApplication::translate("Database", "Operation is not allowed when the object is open."));
    d->commandTimeout = seconds;
}

void Connection::Interrupt() noexcept
{
    if (const auto link = d->currentLink())
        link->cut();
}

void Connection::setStreamingResults(bool streaming)
{
    d->streaming = streaming;
}

void Connection::Open(const QString& connectionString, const QString& userId, const QString& password)
{
    d->guarded([&] {
        if (d->isOpen())
            throw DatabaseError(
                QCoreApplication::translate("Database", "Operation is not allowed when the object is open."));
        if (!d->env)
            d->env = EnvHandle::shared();
        OpenOptions options{d->mode, d->timeout, userId, password, d->streaming, d->commandTimeout};
        OdbcTarget target = translateConnectionString(connectionString, options, installedDrivers(*d->env));
        if (target.Kind == DbmsKind::SQLite && !target.Driver.isEmpty() && d->mode == adModeRead)
            requireSqliteFile(connectionString);

        // Runs after `dbc` below is gone, should the connection fail.
        const auto tidyLog = qScopeGuard([&] {
            if (target.DriverLogOff && !d->isOpen())
                removeDisconnectLog();
        });
        auto dbc = std::make_unique<DbcHandle>(d->env);
        if (d->timeout > 0)
            dbc->check(SQLSetConnectAttrW(dbc->get(), SQL_ATTR_LOGIN_TIMEOUT,
                                          reinterpret_cast<SQLPOINTER>(SQLULEN(d->timeout)), 0),
                       "SQLSetConnectAttr(SQL_ATTR_LOGIN_TIMEOUT)");
        SQLWCHAR completed[1024];
        SQLSMALLINT completedLength = 0;
        SocketsOpened sockets;
        dbc->check(SQLDriverConnectW(dbc->get(), nullptr, toSqlW(target.OdbcString), SQL_NTS, completed,
                                     SQLSMALLINT(std::size(completed)), &completedLength,
                                     SQL_DRIVER_NOPROMPT),
                   "SQLDriverConnect");
        dbc->setConnected(true);
        // The driver's own timeout comes first; the watch is for a server that ignores it.
        const std::chrono::seconds limit(d->commandTimeout > 0 ? d->commandTimeout + 2 : 0);
        auto link = std::make_shared<Link>(sockets.finish(), limit);
        Link::watch(link);

        DriverCapabilities caps;
        caps.DbmsName = infoString(*dbc, SQL_DBMS_NAME);
        caps.DbmsVersion = infoString(*dbc, SQL_DBMS_VER);
        caps.DriverName = infoString(*dbc, SQL_DRIVER_NAME);
        caps.SearchPatternEscape = infoString(*dbc, SQL_SEARCH_PATTERN_ESCAPE);
        caps.IdentifierQuote = infoString(*dbc, SQL_IDENTIFIER_QUOTE_CHAR).trimmed();
        caps.Kind = kindFromDbmsName(caps.DbmsName);
        if (caps.Kind == DbmsKind::Other)
            caps.Kind = target.Kind;

        d->dbc = std::move(dbc);
        {
            const std::lock_guard lock(d->linkLock);
            d->link = std::move(link);
        }
        d->driverLogOff = target.DriverLogOff;
        d->caps = caps;
        try {
            if (target.ReadOnlyAfterConnect && !readOnlyStatement(caps.Kind).isEmpty())
                d->run(readOnlyStatement(caps.Kind));
        } catch (...) {
            d->close();
            throw;
        }
        if (caps.Kind == DbmsKind::SQLite)
            d->interrupter = std::make_shared<StmtHandle>(*d->dbc);
        d->provider = target.Provider;
        d->connectionString = connectionString;
    });
}

void Connection::Close()
{
    d->errors.Clear();
    if (!d->isOpen())
        throw notAllowedClosed();
    d->close();
}

ObjectState Connection::State() const
{
    return d->isOpen() ? adStateOpen : adStateClosed;
}

QString Connection::Provider() const
{
    return d->isOpen() ? d->provider : QString();
}

QString Connection::ConnectionString() const
{
    return d->connectionString;
}

bool Connection::IsAlive() const
{
    if (!d->isOpen() || (d->link && d->link->isCut()))
        return false;
    // A call just failed on the link itself: psqlODBC still calls a
    // connection alive whose cursor declaration could not be sent.
    for (int i = 0; i < d->errors.Count(); ++i)
        if (d->errors.Item(i).SQLState == u"08S01")
            return false;
    SQLUINTEGER dead = SQL_CD_FALSE;
    // MariaDB's connector asks the server.
    const LinkCall call(d->link);
    // A driver that cannot tell is taken at its word that the link holds.
    if (!SQL_SUCCEEDED(SQLGetConnectAttrW(d->dbc->get(), SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)))
        return true;
    return dead != SQL_CD_TRUE;
}

QString Connection::IdentifierQuote() const
{
    return d->caps.IdentifierQuote;
}

QString Connection::DbmsName() const
{
    return d->caps.DbmsName;
}

const Errors& Connection::errors() const
{
    return d->errors;
}

Recordset Connection::Execute(const QString& sql)
{
    Recordset result;
    d->guarded([&] {
        d->requireOpen();
        RecordsetPrivate& r = *result.d;
        r.connection = d;
        // Prepare and describe only: executing would make the driver load the whole result.
        r.stmt = d->statement();
        QString text = sql;
        prepareText(*r.stmt, text, d->caps.Kind);
        r.describe();
        r.stmt.reset();
        r.open = !r.columns.empty();
        r.eof = true;
        if (r.open)
            d->track(result.d);
    });
    return result;
}

Command::Command()
    : m_connection(std::make_unique<Connection>())
{
    m_parameters.m_command = this;
}

void Command::setActiveConnection(const Connection& connection)
{
    *m_connection = connection;
}

const Connection& Command::ActiveConnection() const
{
    return *m_connection;
}

} // namespace quarry
