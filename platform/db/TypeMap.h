// ODBC SQL types as ADO DataTypeEnum codes: the one table of the mapping.
#pragma once

#include <sql.h>

namespace quarry::db {

// ADO DataTypeEnum codes the layer reports.
enum AdoType : int
{
    adEmpty = 0,
    adSmallInt = 2,
    adInteger = 3,
    adSingle = 4,
    adDouble = 5,
    adBoolean = 11,
    adTinyInt = 16,
    adUnsignedTinyInt = 17,
    adBigInt = 20,
    adGUID = 72,
    adBinary = 128,
    adChar = 129,
    adWChar = 130,
    adNumeric = 131,
    adDBDate = 133,
    adDBTime = 134,
    adDBTimeStamp = 135,
    adVarChar = 200,
    adLongVarChar = 201,
    adVarWChar = 202,
    adLongVarWChar = 203,
    adVarBinary = 204,
    adLongVarBinary = 205,
};

// Unknown and driver-specific types map to adVarWChar: their values are read as text.
int adoTypeFromSql(SQLSMALLINT sqlType);

} // namespace quarry::db
