// The bcp command's arguments: "DB..TABLE in FILE" and the options of a
// character-mode copy into a table.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bcp {

struct Settings {
    std::string database; // from DB..TABLE, or -d
    std::string table;
    std::string file;                    // the data file
    std::string login;                   // -U
    std::optional<std::string> password; // -P; asked for when missing
    std::string server = "(local)";      // -S
    std::string fieldTerminator = "\t";  // -t
    std::string rowTerminator = "\n";    // -r
    std::optional<std::string> output;   // -o
    std::optional<std::string> errors;   // -e
    long long maxErrors = 10;            // -m: more rejected rows cancel the copy
    long long firstRow = 1;              // -F
    long long lastRow = 0;               // -L; 0 reads to the end
    long long batchSize = 0;             // -b; 0 makes the whole file one batch
    bool help = false;                   // -?
};

// Reads the arguments (without the command's name). The target is
// DATABASE..TABLE, DATABASE.OWNER.TABLE, OWNER.TABLE or TABLE; a part may be
// quoted in [brackets] or "quotes", and a database name may hold dots before
// the last "..". Throws toolargs::UsageError for unknown options, a
// direction other than "in", a target of another shape, a table without a
// database, an empty terminator, numbers out of range, -L before -F, or a
// missing -U (unless -? asks for help).
Settings ParseSettings(const std::vector<std::string>& args);

// The -o file of arguments that ParseSettings may refuse, where one can be
// made out; nullopt otherwise.
std::optional<std::string> FindOutputFile(const std::vector<std::string>& args);

// A terminator as bcp takes it: \t, \n, \r, \0 and \\ stand for tab, line
// feed, carriage return, a zero byte and a backslash; other text is taken
// as it is.
std::string DecodeTerminator(std::string_view text);

// The usage text, ending in a line feed.
const char* Usage();

} // namespace bcp
