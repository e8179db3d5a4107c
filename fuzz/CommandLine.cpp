// Fuzzing the command-line splitter and quoter: any text splits without failing, and the
// arguments in the input (separated by zero bytes, which no command line holds) come back
// whole from splitting what the quoter made of them. A difference aborts.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/CommandLine.h"

namespace {

void Require(bool holds, const std::vector<std::string>& args, const std::string& line) {
    if (holds) {
        return;
    }
    std::fprintf(stderr, "%zu arguments did not come back from the line: %s\n", args.size(),
                 line.c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    platform::SplitCommandLine(input);

    std::vector<std::string> args;
    if (!input.empty()) {
        for (std::size_t start = 0;;) {
            const std::size_t zero = input.find('\0', start);
            args.emplace_back(input.substr(start, zero - start));
            if (zero == std::string_view::npos) {
                break;
            }
            start = zero + 1;
        }
    }
    std::string line;
    for (std::size_t i = 0; i < args.size(); ++i) {
        line += (i == 0 ? "" : " ") + platform::QuoteArgument(args[i]);
    }
    Require(platform::SplitCommandLine(line) == args, args, line);
    // An argument that needs no quotes is left as it is.
    for (const std::string& arg : args) {
        const bool plain = !arg.empty() && arg.find_first_of(" \t\"") == std::string::npos;
        Require(!plain || platform::QuoteArgument(arg) == arg, args, line);
    }
    return 0;
}
