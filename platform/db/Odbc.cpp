#include "platform/db/Odbc.h"

#include <QCoreApplication>
#include <QStringList>

#include <mutex>
#include <vector>

namespace quarry::db {

QString fromSqlW(const SQLWCHAR* text, qsizetype length)
{
    if (!text)
        return {};
    if (length < 0) {
        length = 0;
        while (text[length])
            ++length;
    }
    // Copied as it stands: a decoder would take a leading U+FEFF for a byte-order
    // mark and drop it from the value.
    return QString(reinterpret_cast<const QChar*>(text), length);
}

Errors diagnostics(SQLSMALLINT handleType, SQLHANDLE handle)
{
    Errors errors;
    if (!handle)
        return errors;
    std::vector<SQLWCHAR> message(512);
    for (SQLSMALLINT record = 1;; ++record) {
        SQLWCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        SQLRETURN rc = SQLGetDiagRecW(handleType, handle, record, state, &native, message.data(),
                                      SQLSMALLINT(message.size()), &length);
        // A long message is truncated with SQL_SUCCESS_WITH_INFO; ask again with room for all of it.
        if (rc == SQL_SUCCESS_WITH_INFO && length >= SQLSMALLINT(message.size())) {
            message.resize(size_t(length) + 1);
            rc = SQLGetDiagRecW(handleType, handle, record, state, &native, message.data(),
                                SQLSMALLINT(message.size()), &length);
        }
        if (!SQL_SUCCEEDED(rc))
            break;
        errors.Append({fromSqlW(state, -1), int(native),
                       fromSqlW(message.data(), qMin<qsizetype>(length, qsizetype(message.size()) - 1))});
    }
    return errors;
}

SQLRETURN check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* what, bool noDataOk)
{
    if (SQL_SUCCEEDED(rc) || (noDataOk && rc == SQL_NO_DATA))
        return rc;
    Errors errors = diagnostics(handleType, handle);
    QString description = errors.Count()
                              ? errors.Text()
                              : QCoreApplication::translate(
                                    "Database", "%1 failed (return code %2) without a diagnostic record.")
                                    .arg(QLatin1String(what))
                                    .arg(rc);
    if (!errors.Count())
        errors.Append({QStringLiteral("HY000"), 0, description});
    throw DatabaseError(description, std::move(errors));
}

std::shared_ptr<EnvHandle> EnvHandle::shared()
{
    static std::mutex mutex;
    static std::weak_ptr<EnvHandle> instance;
    std::lock_guard lock(mutex);
    auto env = instance.lock();
    if (!env) {
        env = std::make_shared<EnvHandle>();
        instance = env;
    }
    return env;
}

EnvHandle::EnvHandle()
{
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_handle)))
        throw DatabaseError(QCoreApplication::translate(
            "Database", "The ODBC driver manager could not allocate an environment."));
    try {
        check(SQLSetEnvAttr(m_handle, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
              "SQLSetEnvAttr");
    } catch (...) {
        SQLFreeHandle(SQL_HANDLE_ENV, m_handle);
        throw;
    }
}

EnvHandle::~EnvHandle()
{
    SQLFreeHandle(SQL_HANDLE_ENV, m_handle);
}

DbcHandle::DbcHandle(std::shared_ptr<EnvHandle> env)
    : m_env(std::move(env))
{
    m_env->check(SQLAllocHandle(SQL_HANDLE_DBC, m_env->get(), &m_handle), "SQLAllocHandle(DBC)");
}

DbcHandle::~DbcHandle()
{
    disconnect();
    SQLFreeHandle(SQL_HANDLE_DBC, m_handle);
}

void DbcHandle::disconnect() noexcept
{
    if (m_connected)
        SQLDisconnect(m_handle);
    m_connected = false;
}

StmtHandle::StmtHandle(const DbcHandle& dbc)
{
    dbc.check(SQLAllocHandle(SQL_HANDLE_STMT, dbc.get(), &m_handle), "SQLAllocHandle(STMT)");
}

StmtHandle::~StmtHandle()
{
    // psqlODBC leaks a prepared, never executed statement that is freed
    // without being closed first.
    SQLFreeStmt(m_handle, SQL_CLOSE);
    SQLFreeHandle(SQL_HANDLE_STMT, m_handle);
}

QString infoString(const DbcHandle& dbc, SQLUSMALLINT infoType)
{
    SQLWCHAR buffer[512] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetInfoW(dbc.get(), infoType, buffer, sizeof(buffer), &length)))
        return {};
    return fromSqlW(buffer, qMin<qsizetype>(length / qsizetype(sizeof(SQLWCHAR)), std::size(buffer) - 1));
}

} // namespace quarry::db
