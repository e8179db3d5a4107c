// Where databases live: the data folder, the file of a server's database,
// and the error type every failure is reported with.
#include "Tokenizer.h"
#include "embsql/Engine.h"

#include <cstdlib>

namespace embsql {

Error::Error(std::string sqlState, int nativeError, const std::string& message, int severity)
    : std::runtime_error(message), m_sqlState(std::move(sqlState)), m_nativeError(nativeError),
      m_severity(severity) {}

std::filesystem::path DataDir() {
    const char* dir = std::getenv("EMBSQL_DATA_DIR");
    if (dir != nullptr && *dir != '\0')
        return dir;
    return "/var/lib/solvanetoorbelle/embedded";
}

namespace {

// A name becomes one path component: it may not climb out of the data
// folder, hide a separator, or carry control characters.
bool IsFileNameSafe(std::string_view name) {
    if (name.empty() || name.size() > kMaxIdentifier || name == "." || name == "..")
        return false;
    for (unsigned char c : name)
        if (c == '/' || c < 0x20 || c == 0x7f)
            return false;
    return true;
}

} // namespace

std::filesystem::path DatabasePath(std::string_view server, std::string_view database) {
    if (!IsFileNameSafe(server))
        throw Error("08001", 53,
                    "The server name '" + std::string(server.substr(0, kMaxIdentifier)) +
                        "' is not valid: it must be 1 to 128 characters without '/' or control "
                        "characters.");
    if (!IsFileNameSafe(database))
        throw Error("42000", 4060,
                    "Cannot open database \"" + std::string(database.substr(0, kMaxIdentifier)) +
                        "\" requested by the login. The name is not valid.");
    return DataDir() / ToLower(server) / (ToLower(database) + ".sqlite");
}

} // namespace embsql
