// Parsing of the server tools' one-letter options.
#include "toolargs/Options.h"

#include <charconv>

namespace toolargs {

Options Options::Parse(int argc, const char* const* argv, std::string_view letters) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    return Parse(args, letters);
}

Options Options::Parse(const std::vector<std::string>& args, std::string_view letters) {
    Options options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg[0] != '-') {
            options.m_positional.push_back(arg);
            continue;
        }
        const char letter = arg[1];
        const std::size_t at = letter == ':' ? std::string_view::npos : letters.find(letter);
        if (at == std::string_view::npos)
            throw UsageError("unknown option -" + std::string(1, letter));
        if (options.Has(letter))
            throw UsageError("option -" + std::string(1, letter) + " is given twice");
        const bool takesValue = at + 1 < letters.size() && letters[at + 1] == ':';
        const bool mayOmit = takesValue && at + 2 < letters.size() && letters[at + 2] == ':';
        const bool nextIsValue =
            i + 1 < args.size() && !(mayOmit && args[i + 1].size() > 1 && args[i + 1][0] == '-');
        if (!takesValue) {
            if (arg.size() > 2)
                throw UsageError("option -" + std::string(1, letter) + " takes no value");
            options.m_values[letter] = "";
        } else if (arg.size() > 2) {
            options.m_values[letter] = arg.substr(2);
        } else if (nextIsValue) {
            options.m_values[letter] = args[++i];
        } else if (mayOmit) {
            options.m_values[letter] = "";
        } else {
            throw UsageError("option -" + std::string(1, letter) + " needs a value");
        }
    }
    return options;
}

std::optional<std::string> Options::Value(char letter) const {
    const auto found = m_values.find(letter);
    if (found == m_values.end())
        return std::nullopt;
    return found->second;
}

std::string Options::ValueOr(char letter, std::string_view fallback) const {
    const auto found = m_values.find(letter);
    return found == m_values.end() ? std::string(fallback) : found->second;
}

long long Options::Number(char letter, long long fallback, long long min, long long max) const {
    const auto found = m_values.find(letter);
    if (found == m_values.end())
        return fallback;
    const std::string& text = found->second;
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < min ||
        value > max)
        throw UsageError("option -" + std::string(1, letter) + " takes a whole number from " +
                         std::to_string(min) + " to " + std::to_string(max) + ", not '" + text +
                         "'");
    return value;
}

} // namespace toolargs
