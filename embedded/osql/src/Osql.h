// The osql command: its options, and running a query or a script against a
// database of the embedded server (or any server an ODBC driver reaches) with
// the report going to -o or stdout.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace osql {

struct Settings {
    std::optional<std::string> query;    // -Q: run it and exit
    std::optional<std::string> input;    // -i: a script file
    std::string database;                // -d
    std::string login;                   // -U
    std::optional<std::string> password; // -P; asked for when missing
    std::string server = "(local)";      // -S
    std::size_t width = 80;              // -w
    std::optional<std::string> output;   // -o
    bool echo = false;                   // -e
    bool help = false;                   // -?
};

// The options osql takes, attached or separate. Throws toolargs::UsageError
// for anything else, a -w outside 9..65535, -Q with -i, or a missing -d or
// -U (unless -? asks for help).
Settings ParseSettings(const std::vector<std::string>& args);

// Reports a command line that ParseSettings refused: writes "osql: MESSAGE"
// into the -o file, when `args` name one that can be opened. Never throws.
void ReportRefusedCommandLine(const std::vector<std::string>& args, std::string_view message);

// The usage text, ending in a line feed.
const char* Usage();

// Runs the batches (-Q, else -i's file, else standard input) in one session
// and prints their results or errors. The session is the embedded engine's,
// or with $EMBSQL_TOOLS_DRIVER set, a connection through that ODBC driver to
// the server -S names. Returns the exit status: 0 when the
// login and every batch succeeded, 1 otherwise (a failed login runs
// nothing). Never throws.
int Run(const Settings& settings);

} // namespace osql
