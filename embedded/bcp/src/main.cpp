// bcp: copies a character-mode data file into a table of the embedded server.
#include "Bcp.h"
#include "toolargs/Options.h"

#include <iostream>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    bcp::Settings settings;
    try {
        settings = bcp::ParseSettings(args);
    } catch (const toolargs::UsageError& e) {
        std::cerr << "bcp: " << e.what() << "\n" << bcp::Usage();
        bcp::ReportRefusedCommandLine(args, e.what());
        return 1;
    }
    if (settings.help) {
        std::cout << bcp::Usage();
        return 0;
    }
    return bcp::Run(settings);
}
