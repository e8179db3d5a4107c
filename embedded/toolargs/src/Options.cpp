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
    return Scan(args, letters, false);
}

std::optional<std::string> Options::Find(const std::vector<std::string>& args,
                                         std::string_view letters, char letter) {
    return Scan(args, letters, true).Value(letter);
}

Options Options::Scan(const std::vector<std::string>& args, std::string_view letters,
                      bool lenient) {
    Options options;
    // Leniently, whatever Parse would refuse is passed over.
    const auto refuse = [lenient](const std::string& why) {
        if (!lenient)
            throw UsageError(why);
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg[0] != '-') {
            options.m_positional.push_back(arg);
            continue;
        }
        const char letter = arg[1];
        const std::string name = "option -" + std::string(1, letter);
        const std::size_t at = letter == ':' ? std::string_view::npos : letters.find(letter);
        if (at == std::string_view::npos) {
            refuse("unknown option -" + std::string(1, letter));
            continue;
        }
        const bool twice = options.Has(letter);
        if (twice)
            refuse(name + " is given twice");
        const bool takesValue = at + 1 < letters.size() && letters[at + 1] == ':';
        const bool mayOmit = takesValue && at + 2 < letters.size() && letters[at + 2] == ':';
        const bool nextIsValue =
            i + 1 < args.size() && !(mayOmit && args[i + 1].size() > 1 && args[i + 1][0] == '-');
        std::optional<std::string> value;
        if (!takesValue) {
            if (arg.size() > 2)
                refuse(name + " takes no value");
            else
                value = "";
        } else if (arg.size() > 2) {
            value = arg.substr(2);
        } else if (nextIsValue) {
            value = args[++i];
        } else if (mayOmit) {
            value = "";
        } else {
            refuse(name + " needs a value");
        }
        if (value && !twice)
            options.m_values[letter] = std::move(*value);
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
