// Starting and stopping embsqld for tests and benchmarks, and reading its trace.
#include "EmbsqldProcess.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace embsqld_testkit {

std::filesystem::path FreeTdsDriver() {
    return EMBSQLD_TESTKIT_TDSODBC;
}

bool TestsThroughFreeTds() {
    const char* value = std::getenv("STO_TEST_FREETDS");
    return value != nullptr && *value != '\0';
}

EmbsqldProcess::EmbsqldProcess(const std::filesystem::path& program,
                               const std::filesystem::path& dataDir,
                               const std::filesystem::path& log, bool trace)
    : m_log(log) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("embsqld: no pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    std::vector<std::string> argv = {program.string(), "--listen", "127.0.0.1:0", "--data-dir",
                                     dataDir,          "--log",    log.string()};
    std::vector<char*> args;
    for (std::string& a : argv)
        args.push_back(a.data());
    args.push_back(nullptr);
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e)
        if (std::string_view(*e).rfind("EMBSQLD_TRACE=", 0) != 0)
            env.emplace_back(*e);
    if (trace)
        env.emplace_back("EMBSQLD_TRACE=1");
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    const int rc = posix_spawn(&m_pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (rc != 0) {
        close(out[0]);
        throw std::runtime_error("embsqld cannot be started: " + program.string());
    }
    std::string line;
    char c = 0;
    while (read(out[0], &c, 1) == 1 && c != '\n')
        line += c;
    close(out[0]);
    const std::size_t colon = line.rfind(':');
    if (line.rfind("ready on ", 0) != 0 || colon == std::string::npos) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        throw std::runtime_error("embsqld did not start: " + line);
    }
    m_port = std::stoi(line.substr(colon + 1));
}

EmbsqldProcess::~EmbsqldProcess() {
    kill(m_pid, SIGTERM);
    int status = 0;
    waitpid(m_pid, &status, 0);
}

std::vector<std::string> EmbsqldProcess::Requests() const {
    // "2026-12-07 10:30:00.123 [conn 2] batch: select ..."
    std::vector<std::string> requests;
    std::ifstream in(m_log);
    for (std::string line; std::getline(in, line);) {
        const std::size_t close = line.find("] ");
        if (close == std::string::npos)
            continue;
        const std::string text = line.substr(close + 2);
        if (text.rfind("batch: ", 0) == 0 || text.rfind("rpc: ", 0) == 0)
            requests.push_back(text);
    }
    return requests;
}

std::vector<std::pair<std::string, std::string>>
FreeTdsEnvironment(const std::filesystem::path& dir, int port) {
    std::ofstream(dir / "odbcinst.ini")
        << "[FreeTDS]\nDriver = " << FreeTdsDriver().string() << "\n";
    return {{"ODBCSYSINI", dir.string()},
            {"ODBCINSTINI", "odbcinst.ini"},
            {"EMBSQL_TOOLS_DRIVER", "FreeTDS"},
            {"EMBSQL_TOOLS_CONNECT", "Port=" + std::to_string(port)}};
}

} // namespace embsqld_testkit
