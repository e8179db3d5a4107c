// embsqld: the embedded server's databases on the network, over TDS.
#include "Config.h"
#include "Log.h"
#include "Server.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    try {
        const std::vector<std::string> args(argv + 1, argv + argc);
        const std::optional<embsqld::Config> config = embsqld::ParseCommandLine(args);
        if (!config)
            return 0;
        if (!config->dataDir.empty())
            setenv("EMBSQL_DATA_DIR", config->dataDir.c_str(), 1);
        embsqld::Log log(config->logFile);
        embsqld::Server server(*config, log);
        embsqld::Server::InstallSignalHandlers(server);
        log.Write(0, "ready on " + server.Address());
        std::printf("ready on %s\n", server.Address().c_str());
        std::fflush(stdout);
        server.Run();
        return 0;
    } catch (const std::invalid_argument& e) {
        std::fprintf(stderr, "embsqld: %s\n%s", e.what(), embsqld::Usage());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "embsqld: %s\n", e.what());
        return 1;
    }
}
