// A complete place for the program to run in a test: an embedded-server
// database with demo data, an ODBC configuration naming the embedded driver,
// a registry hive with the five settings, and the server's tools on PATH.
// With STO_TEST_FREETDS set, the program and the tools reach the same
// database through the real client stack instead: embsqld serves it on a free
// port, the data source is on FreeTDS's ODBC driver, the tools go through
// that driver.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "EmbsqldProcess.h"
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

// The program's statements as embsqld's trace records them: the group list,
// and the client list of `group` (sent with its apostrophes doubled) for a
// category (2 Solvane, 4 Orbelle).
std::string GroupListRequest();
std::string ClientListRequest(const std::string& group, int category);

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

    // Whether the program goes through FreeTDS and embsqld.
    bool ThroughFreeTds() const { return m_server != nullptr; }
    // What embsqld received so far, a statement or call an entry (see
    // EmbsqldProcess::Requests); empty in-process.
    std::vector<std::string> Requests() const;
    // The data source the hive names: "SolvaneToOrbelle", with the server's
    // port after it through FreeTDS.
    const std::string& DataSource() const { return m_dataSource; }

private:
    ServerOptions m_options;
    std::filesystem::path m_root;
    std::filesystem::path m_hive;
    std::string m_dataSource = "SolvaneToOrbelle";
    std::vector<std::unique_ptr<ScopedEnv>> m_env;
    std::unique_ptr<embsqld_testkit::EmbsqldProcess> m_server;
};

} // namespace testing_support
