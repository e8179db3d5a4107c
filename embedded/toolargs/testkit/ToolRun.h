// Running the server tools as child processes in tests: by argument vector
// with their standard output and error captured, or by a whole command line
// split as the program splits it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace toolkit {

struct ToolOutput {
    int status = -1;  // exit status, 128 + signal when killed, -1 not started
    std::string text; // standard output and standard error, interleaved
};

// Starts argv[0] (found on PATH) with the rest as its arguments, `input` on
// its standard input, and waits for it.
ToolOutput RunTool(const std::vector<std::string>& argv, std::string_view input = "");

// Starts a command line as the program does (platform::Process: split by
// the C runtime's rules, tool found on PATH, no shell), output discarded.
// Returns the exit status, or -1 when it could not be started.
int RunCommandLine(std::string_view commandLine);

// The file's whole text; "<missing>" when it cannot be read.
std::string ReadText(const std::string& path);

} // namespace toolkit
