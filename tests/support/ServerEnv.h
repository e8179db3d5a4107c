// A complete place for the program to run in a test: an embedded-server
// database with demo data, an ODBC configuration naming the embedded driver,
// a registry hive with the five settings, and the server's tools on PATH.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace testing_support {

// The build tree the tests run from ($STO_BUILD_DIR).
std::filesystem::path BuildDir();

// Runs a command (no shell) and returns its exit status.
int RunCommand(const std::string& commandLine);

// The "Server PWD" bytes the program can decode for a password.
std::string SealPassword(const std::string& password);

// A hive file in the registry editor's format with these values under the
// program's key; a value of nullopt is left out, a binary value is written
// as hex.
struct HiveValue {
    std::string name;
    std::string text;
    bool binary = false;
};
std::string HiveText(const std::vector<HiveValue>& values);

struct ServerOptions {
    std::string server = "127.0.0.1";
    std::string database = "DealerDB";
    std::string login = "operator";
    std::string password = "s3cret pass";
    int groups = 3;
    int clientsPerGroup = 4;
};

class ServerEnv {
public:
    // Makes the database under `root` and points the environment at it.
    ServerEnv(const std::filesystem::path& root, ServerOptions options = {});
    ~ServerEnv();

    const ServerOptions& options() const { return m_options; }
    const std::filesystem::path& hivePath() const { return m_hive; }
    // The five settings as the program expects them.
    std::vector<HiveValue> Settings() const;
    // Writes the hive with these values.
    void WriteHive(const std::vector<HiveValue>& values) const;
    // Runs SQL as the database's owner (embsql-admin is not needed for it).
    std::vector<std::vector<std::string>> Query(const std::string& sql) const;
    void Run(const std::string& sql) const;
    // Defines or replaces a stored procedure ("create procedure ... as ...").
    void DefineProcedure(const std::string& definition) const;

private:
    ServerOptions m_options;
    std::filesystem::path m_root;
    std::filesystem::path m_hive;
    std::vector<std::unique_ptr<ScopedEnv>> m_env;
};

} // namespace testing_support
