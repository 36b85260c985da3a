// The ODBC drivers registered with the driver manager, for the connection
// builder's provider list.
#pragma once

#include <quarry/quarry_export.h>

#include <QStringList>

namespace quarry::platform {

// Registered driver names in the driver manager's order; empty when the
// driver manager cannot be asked.
QUARRY_EXPORT QStringList InstalledOdbcDrivers();

} // namespace quarry::platform
