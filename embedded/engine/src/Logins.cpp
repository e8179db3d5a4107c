// Password hashing for logins, with libsodium's Argon2id.
#include "Logins.h"

#include "embsql/Engine.h"

#include <sodium.h>

namespace embsql {
namespace {

// Every tool connects once per run and the program once per start; the
// hash only guards the database file's copy of the password, so a light
// setting keeps connecting cheap.
constexpr unsigned long long kOpsLimit = 2;
constexpr std::size_t kMemLimit = 1024 * 1024;

void InitSodium() {
    if (sodium_init() < 0)
        throw Error("HY000", 0, "The password library could not be initialised.");
}

} // namespace

std::string HashPassword(std::string_view password) {
    InitSodium();
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(hash, password.data(), password.size(), kOpsLimit, kMemLimit,
                              crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw Error("HY001", 0, "Out of memory while hashing a password.");
    return hash;
}

bool VerifyPassword(std::string_view password, const std::string& hash) {
    InitSodium();
    return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

} // namespace embsql
