// The server's settings, from its command line.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace embsqld {

struct Config {
    std::string host = "127.0.0.1";
    int port = 1433;
    std::string dataDir; // empty: the engine's own default ($EMBSQL_DATA_DIR)
    std::string server;  // the server folder used when a login names none of them
    int maxConnections = 100;
    std::string logFile; // empty: standard error
    std::chrono::seconds idleTimeout{600};
    std::chrono::seconds packetTimeout{30}; // a packet that has begun must end within this
    bool trace = false;                     // logs each request's text ($EMBSQLD_TRACE)
};

// Reads the command line. Throws std::invalid_argument with a message for
// the user on a bad option; returns nullopt for --help (after printing it).
std::optional<Config> ParseCommandLine(const std::vector<std::string>& args);

// The usage text.
const char* Usage();

} // namespace embsqld
