// The command-line syntax of the server tools: one-letter options, their
// values attached (-Uu1) or in the next argument (-U u1), and positional
// arguments anywhere among them.
#pragma once

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace toolargs {

// A command line the tool cannot take; what() says why, for a usage message.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Options {
public:
    // Parses args (the tool's arguments, without its name). `letters` lists
    // the options: a letter alone is a flag; followed by ':' it takes a
    // value, attached or in the next argument; followed by "::" its value
    // may be left out: then it is "" when the option is last or the next
    // argument looks like an option (as -P gives an empty password). Letters
    // are case-sensitive. An argument that starts with '-' and has more
    // characters is an option; anything else is positional. Throws
    // UsageError for an unknown option, a missing value, or an option given
    // twice.
    static Options Parse(const std::vector<std::string>& args, std::string_view letters);
    static Options Parse(int argc, const char* const* argv, std::string_view letters);
    // The value option `letter` has in `args`, read as Parse reads it but in
    // a command line that Parse may refuse (what it would refuse is passed
    // over; a repeated option keeps its first value), so that a tool can
    // report a usage error where -o says. nullopt when it is not given.
    static std::optional<std::string> Find(const std::vector<std::string>& args,
                                           std::string_view letters, char letter);

    bool Has(char letter) const { return m_values.count(letter) != 0; }
    // The option's value ("" for a flag), or nullopt when it was not given.
    std::optional<std::string> Value(char letter) const;
    std::string ValueOr(char letter, std::string_view fallback) const;
    // The option's value read as a whole number in [min, max], or `fallback`
    // when it was not given. Throws UsageError for anything else.
    long long Number(char letter, long long fallback, long long min, long long max) const;

    const std::vector<std::string>& Positional() const { return m_positional; }

private:
    static Options Scan(const std::vector<std::string>& args, std::string_view letters,
                        bool lenient);

    std::map<char, std::string> m_values;
    std::vector<std::string> m_positional;
};

} // namespace toolargs
