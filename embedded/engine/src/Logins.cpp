// Password hashing for logins with libsodium's Argon2id, and the login
// check that opens a database.
#include "Logins.h"

#include "Connection.h"
#include "Rights.h"
#include "embsql/Engine.h"

#include <sodium.h>
#include <sqlite3.h>

namespace embsql {
namespace {

// Argon2id at the interactive limits: what libsodium recommends for
// logins that a person waits for. Every tool connects once per run and the
// program once per start.
constexpr unsigned long long kOpsLimit = crypto_pwhash_OPSLIMIT_INTERACTIVE;
constexpr std::size_t kMemLimit = crypto_pwhash_MEMLIMIT_INTERACTIVE;

// A hash at the same limits, checked against when the name is not a login,
// so that the answer takes as long as for a wrong password.
constexpr const char* kNoLoginHash = "$argon2id$v=19$m=65536,t=2,p=1$cVTLQZZYm5eyagPH3/bitQ$"
                                     "i6PDMoa8GdTBFLnvMOKKkVFe2vxiAYprjkSbd/QuJ18";

void InitSodium() {
    if (sodium_init() < 0)
        throw Error("HY000", 0, "The password library could not be initialised.");
}

// Replaces a hash made with lower limits. A database that is busy or
// read-only keeps the old one until the next login.
void Rehash(Connection& conn, const std::string& name, std::string_view password,
            const std::string& hash) {
    if (crypto_pwhash_str_needs_rehash(hash.c_str(), kOpsLimit, kMemLimit) == 0)
        return;
    // A login does not wait for another session's long write.
    conn.SetBusyTimeout(std::chrono::milliseconds(0));
    try {
        Statement stmt(conn, "update " + std::string(kLoginTable) +
                                 " set sHash = ?1 where sName = ?2 and sHash = ?3");
        stmt.BindText(1, HashPassword(password));
        stmt.BindText(2, name);
        stmt.BindText(3, hash);
        stmt.Step();
    } catch (const Error&) {
    }
    conn.SetBusyTimeout(kDefaultBusyTimeout);
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

std::shared_ptr<Connection> ConnectLogin(std::string_view server, std::string_view database,
                                         std::string_view login, std::string_view password) {
    const std::filesystem::path file = DatabasePath(server, database);
    std::error_code ec;
    if (!std::filesystem::is_directory(file.parent_path(), ec))
        throw Error("08001", 53,
                    "Server '" + std::string(server) + "' was not found: there is no folder " +
                        file.parent_path().string() + ".");
    const std::string cannotOpen = "Cannot open database \"" + std::string(database) +
                                   "\" requested by the login. The login failed.";
    if (!std::filesystem::is_regular_file(file, ec))
        throw Error("42000", 4060, cannotOpen);
    std::shared_ptr<Connection> conn = Connection::Open(file, database, false);
    std::optional<std::string> name;
    std::string hash = kNoLoginHash;
    try {
        UpgradeRightsTables(*conn);
        Statement stmt(*conn, "select sName, sHash from " + std::string(kLoginTable) +
                                  " where sName = ?1 collate nocase");
        stmt.BindText(1, login);
        if (stmt.Step()) {
            name = reinterpret_cast<const char*>(sqlite3_column_text(stmt.Get(), 0));
            hash = reinterpret_cast<const char*>(sqlite3_column_text(stmt.Get(), 1));
        }
    } catch (const Error& e) {
        if (e.NativeError() == 208)
            throw Error("42000", 4060, cannotOpen + " It is not a database of this server.");
        throw;
    }
    if (!VerifyPassword(password, hash) || !name)
        throw Error("28000", 18456, "Login failed for user '" + std::string(login) + "'.");
    Rehash(*conn, *name, password, hash);
    conn->SetLogin(*name);
    LoadRights(*conn);
    return conn;
}

std::shared_ptr<Connection> ConnectAgain(const Connection& verified) {
    const char* file = sqlite3_db_filename(verified.Handle(), "main");
    std::shared_ptr<Connection> conn =
        Connection::Open(file != nullptr ? file : "", verified.Database(), false);
    conn->SetLogin(verified.Login());
    LoadRights(*conn);
    return conn;
}

} // namespace embsql
