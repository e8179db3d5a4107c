// embsqld started for a test or a benchmark: a child process on a free port
// of 127.0.0.1 over a data folder, logging each request's text, and the
// FreeTDS ODBC driver set up to reach it.
#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace embsqld_testkit {

// Debian's FreeTDS ODBC driver (package tdsodbc).
std::filesystem::path FreeTdsDriver();

// Whether tests go through FreeTDS and embsqld rather than the embedded
// engine in their own process: STO_TEST_FREETDS is set and not empty.
bool TestsThroughFreeTds();

class EmbsqldProcess {
public:
    // Starts `program` --listen 127.0.0.1:0 --data-dir `dataDir` --log `log`
    // with EMBSQLD_TRACE=1 (`trace`), and waits for its "ready on" line.
    // Throws std::runtime_error when it does not start.
    EmbsqldProcess(const std::filesystem::path& program, const std::filesystem::path& dataDir,
                   const std::filesystem::path& log, bool trace = true);
    // Stops it with SIGTERM and waits for it.
    ~EmbsqldProcess();
    EmbsqldProcess(const EmbsqldProcess&) = delete;
    EmbsqldProcess& operator=(const EmbsqldProcess&) = delete;

    int Port() const { return m_port; }
    // What clients sent so far, one entry per statement or call as the
    // trace logs them: "batch: TEXT" and "rpc: NAME @p=value ...".
    std::vector<std::string> Requests() const;

private:
    pid_t m_pid = -1;
    int m_port = 0;
    std::filesystem::path m_log;
};

// The environment that sends the tools and a FreeTDS data source to the
// server on `port`: an odbcinst.ini in `dir` registering the driver as
// "FreeTDS" (written here), ODBCSYSINI and ODBCINSTINI naming it,
// EMBSQL_TOOLS_DRIVER=FreeTDS and EMBSQL_TOOLS_CONNECT=Port=PORT. Returns
// the variables to set, name and value.
std::vector<std::pair<std::string, std::string>>
FreeTdsEnvironment(const std::filesystem::path& dir, int port);

} // namespace embsqld_testkit
