// What logins may do: the tables that hold their roles and grants, the
// upgrade of databases made before them, and a connection's rights.
#pragma once

#include "Connection.h"

#include <string_view>

namespace embsql {

inline constexpr std::string_view kPermissionTable = "embsql_permission";

// The login and permission tables; safe to run again.
extern const std::string_view kRightsTables;

// Gives a database made before roles and grants their tables. Its logins
// become administrators: each of them could do everything then. Throws Error.
void UpgradeRightsTables(Connection& conn);

// Reads what the connection's login may do into the connection: nothing
// when the login is gone. Throws Error.
void LoadRights(Connection& conn);

} // namespace embsql
