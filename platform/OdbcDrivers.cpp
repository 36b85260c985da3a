#include "platform/OdbcDrivers.h"

#include "platform/db/Odbc.h"

namespace quarry::platform {

QStringList InstalledOdbcDrivers()
{
    std::shared_ptr<db::EnvHandle> env;
    try {
        env = db::EnvHandle::shared();
    } catch (const DatabaseError&) {
        return {};
    }
    QStringList names;
    SQLWCHAR name[256];
    SQLWCHAR attributes[2048];
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT attributesLength = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    // SQL_SUCCESS_WITH_INFO means a truncated attribute list, which is not read here.
    while (SQL_SUCCEEDED(SQLDriversW(env->get(), direction, name, SQLSMALLINT(std::size(name)), &nameLength,
                                     attributes, SQLSMALLINT(std::size(attributes)), &attributesLength))) {
        names << db::fromSqlW(name, -1);
        direction = SQL_FETCH_NEXT;
    }
    return names;
}

} // namespace quarry::platform
