// Parsing bcp's command line.
#include "BcpSettings.h"

#include "toolargs/Options.h"

#include <limits>

namespace bcp {
namespace {

constexpr long long kMaxCount = std::numeric_limits<long long>::max();

std::vector<std::string> SplitName(const std::string& name) {
    std::vector<std::string> parts(1);
    for (char c : name) {
        if (c == '.')
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

// DB..TABLE and DB.owner.TABLE name the database; OWNER.TABLE and TABLE
// leave it to -d. SQLite keeps no owners, so the owner is not used.
void ReadTarget(const std::string& target, const std::optional<std::string>& database,
                Settings& settings) {
    const std::vector<std::string> parts = SplitName(target);
    if (parts.size() == 3)
        settings.database = parts[0];
    else if (parts.size() > 3)
        throw toolargs::UsageError("'" + target + "' is not a table name: use DATABASE..TABLE");
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
    const toolargs::Options options = toolargs::Options::Parse(args, "U:P::S:d:t:r:co:e:m:F:L:b:?");
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
