// osql: runs a query or script against a database of the embedded server.
#include "Osql.h"
#include "toolargs/Options.h"

#include <iostream>

int main(int argc, char** argv) {
    osql::Settings settings;
    try {
        settings = osql::ParseSettings(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const toolargs::UsageError& e) {
        std::cerr << "osql: " << e.what() << "\n" << osql::Usage();
        return 1;
    }
    if (settings.help) {
        std::cout << osql::Usage();
        return 0;
    }
    return osql::Run(settings);
}
