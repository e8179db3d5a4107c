// The registry editor's text format, parsed into keys and values: the model the
// registry functions answer from.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/Hive.h"

namespace platform {

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
// and hex continuation lines. Throws HiveFormatError on anything it cannot read, a key
// deeper than kMaxKeyDepth included. Time and memory grow in proportion to the text.
// With `onlyKey` (a lower-case full path), the whole text is still checked, but the hive
// keeps that key alone (Hive::Only).
Hive ParseHive(std::string_view text, std::optional<std::string> onlyKey = std::nullopt);

// ASCII lower case, the way key and value names are compared.
std::string LowerName(std::string_view name);

} // namespace platform
