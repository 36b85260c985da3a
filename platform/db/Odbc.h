// ODBC plumbing: wide-string conversion, one RAII type per handle kind, and the
// single place every call's result goes through.
#pragma once

#include <quarry/Database.h>

#include <QString>

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <memory>

namespace quarry::db {

// unixODBC's SQLWCHAR is UTF-16; QString shares the encoding, so conversions
// are plain copies. A UCS-4 build would need real conversion.
static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "SQLWCHAR must be UTF-16 (unixODBC default build)");

QString fromSqlW(const SQLWCHAR* text, qsizetype length);
// Null-terminated copy kept alive by the returned QString's buffer.
inline SQLWCHAR* toSqlW(const QString& text)
{
    return reinterpret_cast<SQLWCHAR*>(
        const_cast<char16_t*>(reinterpret_cast<const char16_t*>(text.utf16())));
}

// Every diagnostic record of `handle`, longest messages included.
Errors diagnostics(SQLSMALLINT handleType, SQLHANDLE handle);

// The one success check: throws DatabaseError with the handle's records when
// `rc` is not a success. SQL_NO_DATA passes when `noDataOk`.
SQLRETURN check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* what,
                bool noDataOk = false);

class EnvHandle
{
public:
    // The process-wide ODBC 3 environment, created on first use.
    static std::shared_ptr<EnvHandle> shared();
    EnvHandle();
    ~EnvHandle();
    EnvHandle(const EnvHandle&) = delete;
    EnvHandle& operator=(const EnvHandle&) = delete;
    SQLHENV get() const { return m_handle; }
    SQLRETURN check(SQLRETURN rc, const char* what, bool noDataOk = false) const
    {
        return db::check(rc, SQL_HANDLE_ENV, m_handle, what, noDataOk);
    }

private:
    SQLHENV m_handle = SQL_NULL_HENV;
};

class DbcHandle
{
public:
    explicit DbcHandle(std::shared_ptr<EnvHandle> env);
    ~DbcHandle();
    DbcHandle(const DbcHandle&) = delete;
    DbcHandle& operator=(const DbcHandle&) = delete;
    SQLHDBC get() const { return m_handle; }
    SQLRETURN check(SQLRETURN rc, const char* what, bool noDataOk = false) const
    {
        return db::check(rc, SQL_HANDLE_DBC, m_handle, what, noDataOk);
    }
    // Tracks whether SQLDriverConnect succeeded, so the destructor knows to
    // disconnect first.
    void setConnected(bool connected) { m_connected = connected; }
    bool connected() const { return m_connected; }
    void disconnect() noexcept;

private:
    std::shared_ptr<EnvHandle> m_env;
    SQLHDBC m_handle = SQL_NULL_HDBC;
    bool m_connected = false;
};

class StmtHandle
{
public:
    explicit StmtHandle(const DbcHandle& dbc);
    ~StmtHandle();
    StmtHandle(const StmtHandle&) = delete;
    StmtHandle& operator=(const StmtHandle&) = delete;
    SQLHSTMT get() const { return m_handle; }
    SQLRETURN check(SQLRETURN rc, const char* what, bool noDataOk = false) const
    {
        return db::check(rc, SQL_HANDLE_STMT, m_handle, what, noDataOk);
    }

private:
    SQLHSTMT m_handle = SQL_NULL_HSTMT;
};

// Driver-reported text attributes (SQLGetInfo), empty when unsupported.
QString infoString(const DbcHandle& dbc, SQLUSMALLINT infoType);

} // namespace quarry::db
