#include "platform/db/TypeMap.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <array>
#include <utility>

namespace quarry::db {

namespace {

constexpr std::array<std::pair<SQLSMALLINT, int>, 27> kTypes{{
    {SQL_SMALLINT, adSmallInt},
    {SQL_INTEGER, adInteger},
    {SQL_TINYINT, adTinyInt},
    {SQL_BIGINT, adBigInt},
    {SQL_REAL, adSingle},
    {SQL_FLOAT, adDouble},
    {SQL_DOUBLE, adDouble},
    {SQL_DECIMAL, adNumeric},
    {SQL_NUMERIC, adNumeric},
    {SQL_BIT, adBoolean},
    {SQL_CHAR, adChar},
    {SQL_VARCHAR, adVarChar},
    {SQL_LONGVARCHAR, adLongVarChar},
    {SQL_WCHAR, adWChar},
    {SQL_WVARCHAR, adVarWChar},
    {SQL_WLONGVARCHAR, adLongVarWChar},
    {SQL_BINARY, adBinary},
    {SQL_VARBINARY, adVarBinary},
    {SQL_LONGVARBINARY, adLongVarBinary},
    {SQL_TYPE_DATE, adDBDate},
    {SQL_TYPE_TIME, adDBTime},
    {SQL_TYPE_TIMESTAMP, adDBTimeStamp},
    // ODBC 2 codes that some drivers still report.
    {SQL_DATE, adDBDate},
    {SQL_TIME, adDBTime},
    {SQL_TIMESTAMP, adDBTimeStamp},
    {SQL_GUID, adGUID},
    {SQL_UNKNOWN_TYPE, adEmpty},
}};

} // namespace

int adoTypeFromSql(SQLSMALLINT sqlType)
{
    for (const auto& [sql, ado] : kTypes)
        if (sql == sqlType)
            return ado;
    return adVarWChar;
}

} // namespace quarry::db
