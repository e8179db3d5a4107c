// Logins: salted password hashes, their verification, and the opening of a
// database for a login.
#pragma once

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

} // namespace embsql
