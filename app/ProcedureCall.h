// The text that runs a stored procedure: the ODBC call escape, which every
// driver here rewrites into its own dialect (EXEC, CALL, SELECT * FROM f()).
#pragma once

#include <quarry/Database.h>

#include <QString>

#include <vector>

namespace dabrook {

// "{call name}" or "{call name(NULL, NULL)}": one NULL for each argument the
// caller supplies (the return value is not one), for the user to replace.
QString procedureCallText(const QString& name, const std::vector<quarry::Parameter>& parameters);

// The arguments the caller supplies, in order.
std::vector<quarry::Parameter> procedureArguments(const std::vector<quarry::Parameter>& parameters);

// Asks the driver for the parameters of `name` on `connection`. Throws
// quarry::DatabaseError when the driver cannot describe the procedure.
std::vector<quarry::Parameter> describeProcedure(const quarry::Connection& connection, const QString& name);

} // namespace dabrook
