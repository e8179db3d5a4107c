// Login records: salted password hashes and their verification.
#pragma once

#include <string>
#include <string_view>

namespace embsql {

// A salted, self-describing hash of `password` (Argon2id with small limits:
// a connect costs about a millisecond). Throws Error when hashing fails.
std::string HashPassword(std::string_view password);

// True when `password` matches `hash` made by HashPassword.
bool VerifyPassword(std::string_view password, const std::string& hash);

} // namespace embsql
