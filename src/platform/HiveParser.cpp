// Parsing of registry editor files into keys and values.
#include "platform/HiveParser.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "platform/TextCodec.h"

namespace platform {
namespace {

constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::uint32_t kSz = 1, kExpandSz = 2, kBinary = 3, kDword = 4, kMultiSz = 7;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// A number of 1 to 8 hex digits filling the whole text.
std::optional<std::uint32_t> ParseHexNumber(std::string_view s) {
    if (s.empty() || s.size() > 8) {
        return std::nullopt;
    }
    std::uint32_t n = 0;
    for (const char c : s) {
        const int d = HexDigit(c);
        if (d < 0) {
            return std::nullopt;
        }
        n = n * 16 + static_cast<std::uint32_t>(d);
    }
    return n;
}

class Parser {
public:
    Parser(std::string_view text, Hive hive) : text_(text), hive_(std::move(hive)) {}

    Hive Run() {
        const std::string_view header = Trim(NextLine().value_or(""));
        if (header == kHeader5) {
            hive_.version5 = true;
        } else if (header == kHeader4) {
            hive_.version5 = false;
        } else {
            Fail("not a registry file header");
        }
        while (const std::optional<std::string_view> next = NextLine()) {
            const std::string_view line = Trim(*next);
            if (line.empty() || line.front() == ';') {
                continue;
            }
            if (line.front() == '[') {
                KeyLine(line);
            } else if (line.front() == '"' || line.front() == '@') {
                ValueLine(line);
            } else {
                Fail("unrecognised line");
            }
        }
        return std::move(hive_);
    }

private:
    // The next line without its line feed; nullopt after the last. Text that ends in a
    // line feed has an empty last line.
    std::optional<std::string_view> NextLine() {
        if (pos_ > text_.size()) {
            return std::nullopt;
        }
        const size_t end = std::min(text_.find('\n', pos_), text_.size());
        const std::string_view line = text_.substr(pos_, end - pos_);
        pos_ = end + 1;
        ++lineNumber_;
        return line;
    }

    [[noreturn]] void Fail(const std::string& what) const {
        throw HiveFormatError(static_cast<int>(lineNumber_ == 0 ? 1 : lineNumber_), what);
    }

    // What may follow a complete item on its line: blanks, or a comment.
    void ExpectEnd(std::string_view rest) const {
        rest = Trim(rest);
        if (!rest.empty() && rest.front() != ';') {
            Fail("unexpected text after the value");
        }
    }

    void KeyLine(std::string_view line) {
        // The name runs to the last ']' that only blanks or a comment follow.
        size_t close = line.rfind(']');
        while (close != std::string_view::npos) {
            const std::string_view rest = Trim(line.substr(close + 1));
            if (rest.empty() || rest.front() == ';') {
                break;
            }
            close = close == 0 ? std::string_view::npos : line.rfind(']', close - 1);
        }
        if (close == std::string_view::npos) {
            Fail("key line without ']'");
        }
        std::string_view name = line.substr(1, close - 1);
        const bool deletion = !name.empty() && name.front() == '-';
        if (deletion) {
            name.remove_prefix(1);
        }
        CheckKeyName(name);
        if (deletion) {
            hive_.DeleteKey(LowerName(name));
            haveKey_ = false;
            afterDeletion_ = true;
            return;
        }
        hive_.NameKey(LowerName(name));
        haveKey_ = true;
        afterDeletion_ = false;
    }

    void CheckKeyName(std::string_view name) const {
        if (name.empty()) {
            Fail("empty key name");
        }
        size_t start = 0;
        for (size_t depth = 1;; ++depth) {
            if (depth > kMaxKeyDepth) {
                Fail("key nested deeper than " + std::to_string(kMaxKeyDepth) + " levels");
            }
            const size_t sep = name.find('\\', start);
            const size_t len = (sep == std::string_view::npos ? name.size() : sep) - start;
            if (len == 0) {
                Fail("empty key name component");
            }
            if (sep == std::string_view::npos) {
                break;
            }
            start = sep + 1;
        }
    }

    // A quoted text with the escapes \\ and \" at the front of s; s is left after it.
    std::string Quoted(std::string_view& s) const {
        std::string out;
        size_t i = 1;
        for (; i < s.size() && s[i] != '"'; ++i) {
            if (s[i] == '\\') {
                if (i + 1 >= s.size() || (s[i + 1] != '\\' && s[i + 1] != '"')) {
                    Fail("unknown escape in a quoted text");
                }
                ++i;
            }
            out += s[i];
        }
        if (i >= s.size()) {
            Fail("unterminated quoted text");
        }
        s.remove_prefix(i + 1);
        return out;
    }

    void ValueLine(std::string_view line) {
        std::string name;
        std::string_view rest = line;
        if (rest.front() == '@') {
            rest.remove_prefix(1);
        } else {
            name = Quoted(rest);
        }
        rest = Trim(rest);
        if (rest.empty() || rest.front() != '=') {
            Fail("value without '='");
        }
        rest = Trim(rest.substr(1));
        std::optional<HiveValue> value = Data(rest);
        if (!haveKey_) {
            // regedit skips the values of a key it has just deleted.
            if (afterDeletion_) {
                return;
            }
            Fail("value before any key");
        }
        if (value) {
            hive_.SetValue(LowerName(name), std::move(*value));
        } else {
            hive_.RemoveValue(LowerName(name));
        }
    }

    // The data after '='; nullopt for a deletion ("-").
    std::optional<HiveValue> Data(std::string_view rest) {
        if (!rest.empty() && rest.front() == '-') {
            ExpectEnd(rest.substr(1));
            return std::nullopt;
        }
        if (!rest.empty() && rest.front() == '"') {
            std::string text = Quoted(rest);
            ExpectEnd(rest);
            text += '\0';
            return HiveValue{kSz, std::move(text)};
        }
        constexpr std::string_view dword = "dword:";
        if (LowerName(rest.substr(0, dword.size())) == dword) {
            std::string_view digits = rest.substr(dword.size());
            const size_t end = digits.find_first_of(" \t;");
            ExpectEnd(end == std::string_view::npos ? "" : digits.substr(end));
            const std::optional<std::uint32_t> n = ParseHexNumber(digits.substr(0, end));
            if (!n) {
                Fail("bad dword value");
            }
            std::string bytes(4, '\0');
            for (int k = 0; k < 4; ++k) {
                bytes[k] = static_cast<char>((*n >> (8 * k)) & 0xFF);
            }
            return HiveValue{kDword, std::move(bytes)};
        }
        return HexData(rest);
    }

    HiveValue HexData(std::string_view rest) {
        if (LowerName(rest.substr(0, 3)) != "hex") {
            Fail("unknown value type");
        }
        rest.remove_prefix(3);
        std::uint32_t type = kBinary;
        if (!rest.empty() && rest.front() == '(') {
            const size_t close = rest.find(')');
            const std::optional<std::uint32_t> n = close == std::string_view::npos
                                                       ? std::nullopt
                                                       : ParseHexNumber(rest.substr(1, close - 1));
            if (!n) {
                Fail("bad hex type");
            }
            type = *n;
            rest.remove_prefix(close + 1);
        }
        if (rest.empty() || rest.front() != ':') {
            Fail("hex value without ':'");
        }
        const std::string joined = JoinContinuations(rest.substr(1));
        std::string bytes;
        std::string_view items = Trim(joined);
        while (!items.empty()) {
            const size_t comma = items.find(',');
            const std::string_view item = Trim(items.substr(0, comma));
            if (item.size() != 2 || HexDigit(item[0]) < 0 || HexDigit(item[1]) < 0) {
                Fail("bad hex byte");
            }
            bytes += static_cast<char>(HexDigit(item[0]) * 16 + HexDigit(item[1]));
            if (comma == std::string_view::npos) {
                break;
            }
            items = items.substr(comma + 1);
            if (Trim(items).empty()) {
                Fail("hex data ends with ','");
            }
        }
        if (type == kSz || type == kExpandSz || type == kMultiSz) {
            bytes = HexText(bytes);
        }
        return HiveValue{type, std::move(bytes)};
    }

    // The hex text of this line and of the lines its trailing backslashes continue into,
    // comments removed.
    std::string JoinContinuations(std::string_view first) {
        std::string joined;
        std::string_view part = first;
        while (true) {
            part = Trim(part.substr(0, part.find(';')));
            if (part.empty() || part.back() != '\\') {
                joined += part;
                return joined;
            }
            part.remove_suffix(1);
            joined += part;
            const std::optional<std::string_view> next = NextLine();
            if (!next) {
                Fail("continuation line missing at the end of the file");
            }
            part = *next;
        }
    }

    // Text stored as bytes: UTF-16LE in a version 5 file, the ANSI code page in a
    // REGEDIT4 file. Returned as UTF-8 that ends in a zero byte.
    std::string HexText(const std::string& bytes) const {
        std::string text;
        if (hive_.version5) {
            std::optional<std::string> utf8 = Utf16LeToUtf8(bytes);
            if (!utf8) {
                Fail("hex text is not UTF-16LE");
            }
            text = std::move(*utf8);
        } else {
            text = Cp1252ToUtf8(bytes);
        }
        if (text.empty() || text.back() != '\0') {
            text += '\0';
        }
        return text;
    }

    std::string_view text_;
    size_t pos_ = 0;        // where the next line starts
    size_t lineNumber_ = 0; // of the line last read
    Hive hive_;
    bool haveKey_ = false; // a key line came, and no deletion line since
    bool afterDeletion_ = false;
};

} // namespace

Hive ParseHive(std::string_view text, std::optional<std::string> onlyKey) {
    return Parser(text, onlyKey ? Hive::Only(std::move(*onlyKey)) : Hive()).Run();
}

std::string LowerName(std::string_view name) {
    std::string out(name);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

} // namespace platform
