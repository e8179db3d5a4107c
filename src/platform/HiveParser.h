// The registry editor's text format, parsed into keys and values: the model the
// registry functions answer from.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>

namespace platform {

// One value as the ANSI registry calls return it: text values (types 1, 2 and 7) are
// UTF-8 with their terminating zero byte(s); every other type is its raw bytes.
struct HiveValue {
    std::uint32_t type = 0;
    std::string data;
};

// Values of one key by lower-case name; the default value ("@") has the name "".
using HiveValues = std::map<std::string, HiveValue>;

struct Hive {
    bool version5 = true; // "Windows Registry Editor Version 5.00" rather than "REGEDIT4"
    // Keys by lower-case full path ("hkey_local_machine\software\..."), every ancestor of
    // a listed key included.
    std::map<std::string, HiveValues> keys;
};

// A file that does not follow the format; line() is 1-based.
class HiveFormatError : public std::runtime_error {
public:
    HiveFormatError(int line, const std::string& what)
        : std::runtime_error("line " + std::to_string(line) + ": " + what), line_(line) {}
    int line() const { return line_; }

private:
    int line_;
};

// Parses a whole file already decoded to UTF-8 (byte-order mark removed): the header
// line, key lines, key deletions, values and value deletions in file order, comments
// and hex continuation lines. Throws HiveFormatError on anything it cannot read.
Hive ParseHive(std::string_view text);

// ASCII lower case, the way key and value names are compared.
std::string LowerName(std::string_view name);

} // namespace platform
