// The program's one ODBC connection, opened from the settings.
#pragma once

#include "db/Settings.h"
#include "framework/Database.h"

namespace db {

// Opens `database` on the settings' data source with their server, database,
// login and password, through the cursor library. Returns what the open
// returns (FALSE: the driver's prompt was cancelled); throws CDBException
// for a refused connection.
BOOL Connect(CDatabase& database, const Settings& settings);

} // namespace db
