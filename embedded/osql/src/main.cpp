// osql: runs a query or script against a database of the embedded server.
#include "Osql.h"
#include "toolargs/Options.h"

#include <iostream>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    osql::Settings settings;
    try {
        settings = osql::ParseSettings(args);
    } catch (const toolargs::UsageError& e) {
        std::cerr << "osql: " << e.what() << "\n" << osql::Usage();
        osql::ReportRefusedCommandLine(args, e.what());
        return 1;
    }
    if (settings.help) {
        std::cout << osql::Usage();
        return 0;
    }
    return osql::Run(settings);
}
