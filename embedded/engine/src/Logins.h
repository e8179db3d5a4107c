// Logins: salted password hashes, their verification, and the opening of a
// database for a login.
#pragma once

#include "embsql/BulkInsert.h"

#include <memory>
#include <string>
#include <string_view>

namespace embsql {

class Connection;

// A salted, self-describing Argon2id hash of `password` at libsodium's
// interactive limits (64 MiB, 2 passes: some 50 ms). Throws Error when
// hashing fails.
std::string HashPassword(std::string_view password);

// True when `password` matches `hash` made by HashPassword, or by an
// earlier version with other limits.
bool VerifyPassword(std::string_view password, const std::string& hash);

// Opens database `database` of server `server` for `login` with the checks
// and errors Session::Connect promises. A name that is not a login costs
// as much time as a wrong password. A hash made with lower limits than
// HashPassword's is replaced after a successful check.
std::shared_ptr<Connection> ConnectLogin(std::string_view server, std::string_view database,
                                         std::string_view login, std::string_view password);

// A second connection to the database of `verified` for the login it was
// opened for, with that login's rights read afresh and no password check.
std::shared_ptr<Connection> ConnectAgain(const Connection& verified);

// A bulk insert into `table` on `conn`. Throws 42S02/208 when there is no
// such table, 42000/229 when the login may not insert into it.
std::unique_ptr<BulkInsert> OpenBulkInsertOn(std::shared_ptr<Connection> conn,
                                             std::string_view table);

} // namespace embsql
