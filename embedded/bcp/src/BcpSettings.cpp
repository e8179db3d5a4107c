// Parsing bcp's command line.
#include "BcpSettings.h"

#include "toolargs/Options.h"

#include <limits>

namespace bcp {
namespace {

constexpr long long kMaxCount = std::numeric_limits<long long>::max();
constexpr std::string_view kLetters = "U:P::S:d:t:r:co:e:m:F:L:b:?";

[[noreturn]] void NotATableName(const std::string& target, const std::string& why) {
    throw toolargs::UsageError("'" + target + "' is not a table name: " + why);
}

// The parts of a name between its dots. A part may be quoted whole in
// [brackets] (]] for a ]) or "double quotes" ("" for a "), and then holds
// dots and blanks as they are.
std::vector<std::string> SplitName(const std::string& name) {
    std::vector<std::string> parts(1);
    bool quoted = false; // the current part was quoted: only a dot may follow
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (c == '.') {
            parts.emplace_back();
            quoted = false;
        } else if (quoted) {
            NotATableName(name, std::string("'") + c + "' follows a quoted part");
        } else if ((c == '[' || c == '"') && parts.back().empty()) {
            const char close = c == '[' ? ']' : '"';
            for (++i;; ++i) {
                if (i >= name.size())
                    NotATableName(name, std::string("the ") + c + " is not closed");
                if (name[i] == close && (i + 1 == name.size() || name[i + 1] != close))
                    break;
                if (name[i] == close)
                    ++i; // a doubled closing character stands for itself
                parts.back() += name[i];
            }
            quoted = true;
        } else {
            parts.back() += c;
        }
    }
    return parts;
}

// DB..TABLE and DB.owner.TABLE name the database; OWNER.TABLE and TABLE
// leave it to -d. A database name may hold dots: before the last "..",
// everything is the database's. SQLite keeps no owners, so the owner is not
// used.
void ReadTarget(const std::string& target, const std::optional<std::string>& database,
                Settings& settings) {
    std::vector<std::string> parts = SplitName(target);
    if (parts.size() > 3) {
        if (!parts[parts.size() - 2].empty())
            NotATableName(target, "use DATABASE..TABLE");
        for (std::size_t i = 1; i + 2 < parts.size(); ++i)
            parts[0] += "." + parts[i];
        parts.erase(parts.begin() + 1, parts.end() - 2);
    }
    if (parts.size() == 3)
        settings.database = parts[0];
    settings.table = parts.back();
    if (database) {
        if (!settings.database.empty() && settings.database != *database)
            throw toolargs::UsageError("-d " + *database + " and the table's database " +
                                       settings.database + " differ");
        settings.database = *database;
    }
    if (settings.table.empty())
        throw toolargs::UsageError("'" + target + "' names no table");
    if (settings.database.empty())
        throw toolargs::UsageError("no database for '" + target +
                                   "': use DATABASE..TABLE or -d DATABASE");
}

std::string Terminator(const toolargs::Options& options, char letter, std::string_view fallback) {
    const std::optional<std::string> text = options.Value(letter);
    if (!text)
        return std::string(fallback);
    std::string decoded = DecodeTerminator(*text);
    if (decoded.empty())
        throw toolargs::UsageError("option -" + std::string(1, letter) + " needs a terminator");
    return decoded;
}

} // namespace

std::string DecodeTerminator(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        switch (text[i + 1]) {
        case 't':
            out += '\t';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case '0':
            out += '\0';
            break;
        case '\\':
            out += '\\';
            break;
        default:
            out += text[i];
            continue; // the backslash stays; the next character is read as it is
        }
        ++i;
    }
    return out;
}

Settings ParseSettings(const std::vector<std::string>& args) {
    const toolargs::Options options = toolargs::Options::Parse(args, kLetters);
    Settings settings;
    settings.help = options.Has('?');
    if (settings.help)
        return settings;
    const std::vector<std::string>& positional = options.Positional();
    if (positional.size() != 3)
        throw toolargs::UsageError("bcp takes a table, a direction and a data file");
    if (positional[1] != "in" && positional[1] != "IN")
        throw toolargs::UsageError("only copies in are supported, not '" + positional[1] + "'");
    ReadTarget(positional[0], options.Value('d'), settings);
    settings.file = positional[2];
    settings.login = options.ValueOr('U', "");
    if (settings.login.empty())
        throw toolargs::UsageError("a login is needed: name it with -U");
    settings.password = options.Value('P');
    settings.server = options.ValueOr('S', settings.server);
    settings.fieldTerminator = Terminator(options, 't', settings.fieldTerminator);
    settings.rowTerminator = Terminator(options, 'r', settings.rowTerminator);
    settings.output = options.Value('o');
    settings.errors = options.Value('e');
    settings.maxErrors = options.Number('m', settings.maxErrors, 0, kMaxCount);
    settings.firstRow = options.Number('F', settings.firstRow, 1, kMaxCount);
    settings.lastRow = options.Number('L', settings.lastRow, 0, kMaxCount);
    settings.batchSize = options.Number('b', settings.batchSize, 1, kMaxCount);
    if (settings.lastRow != 0 && settings.lastRow < settings.firstRow)
        throw toolargs::UsageError("the last row (-L) comes before the first row (-F)");
    return settings;
}

std::optional<std::string> FindOutputFile(const std::vector<std::string>& args) {
    return toolargs::Options::Find(args, kLetters, 'o');
}

const char* Usage() {
    return "usage: bcp DATABASE..TABLE in DATAFILE -U login [-P password] [-S server] [-c]\n"
           "           [-t fieldterminator] [-r rowterminator] [-o outputfile] [-e errorfile]\n"
           "           [-m maxerrors] [-F firstrow] [-L lastrow] [-b batchsize] [-d database]\n"
           "  Character mode only (-c). Terminators take \\t \\n \\r \\0 \\\\; the defaults are\n"
           "  tab and line feed (a carriage return before a line feed is dropped).\n"
           "  -m  rejected rows allowed before the copy is cancelled (default 10)\n"
           "  -b  rows per transaction (default: the whole file in one)\n";
}

} // namespace bcp
