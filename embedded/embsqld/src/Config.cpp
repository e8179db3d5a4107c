// The command line of embsqld.
#include "Config.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace embsqld {
namespace {

int ParseNumber(const std::string& option, const std::string& text, int min, int max) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max)
        throw std::invalid_argument(option + " takes a number from " + std::to_string(min) +
                                    " to " + std::to_string(max) + ", not '" + text + "'");
    return value;
}

} // namespace

const char* Usage() {
    return "usage: embsqld [--listen HOST:PORT] [--data-dir DIR] [--max-connections N]\n"
           "               [--log FILE] [--idle-timeout SECONDS] [--server NAME]\n"
           "  --listen           address and port to accept connections on (127.0.0.1:1433)\n"
           "  --data-dir         folder of the servers' databases ($EMBSQL_DATA_DIR)\n"
           "  --max-connections  connections served at once (100)\n"
           "  --log              file the log is appended to (standard error)\n"
           "  --idle-timeout     seconds an idle connection is kept (600)\n"
           "  --server           server folder for logins whose server name matches none\n";
}

std::optional<Config> ParseCommandLine(const std::vector<std::string>& args) {
    Config config;
    const char* trace = std::getenv("EMBSQLD_TRACE");
    config.trace = trace != nullptr && *trace != '\0' && std::string(trace) != "0";
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(Usage(), stdout);
            return std::nullopt;
        }
        if (i + 1 >= args.size())
            throw std::invalid_argument(arg.rfind("--", 0) == 0 ? arg + " needs a value"
                                                                : "unknown argument '" + arg + "'");
        const std::string& value = args[++i];
        if (arg == "--listen") {
            const std::size_t colon = value.rfind(':');
            if (colon == std::string::npos || colon == 0)
                throw std::invalid_argument("--listen takes HOST:PORT, not '" + value + "'");
            config.host = value.substr(0, colon);
            if (config.host.size() > 2 && config.host.front() == '[' && config.host.back() == ']')
                config.host = config.host.substr(1, config.host.size() - 2);
            config.port = ParseNumber("the port of --listen", value.substr(colon + 1), 0, 65535);
        } else if (arg == "--data-dir") {
            config.dataDir = value;
        } else if (arg == "--max-connections") {
            config.maxConnections = ParseNumber(arg, value, 1, 10000);
        } else if (arg == "--log") {
            config.logFile = value;
        } else if (arg == "--idle-timeout") {
            config.idleTimeout = std::chrono::seconds(ParseNumber(arg, value, 1, 86400 * 7));
            if (config.packetTimeout > config.idleTimeout)
                config.packetTimeout = config.idleTimeout;
        } else if (arg == "--server") {
            config.server = value;
        } else {
            throw std::invalid_argument("unknown option '" + arg + "'");
        }
    }
    return config;
}

} // namespace embsqld
