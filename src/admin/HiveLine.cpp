// Formatting of one binary registry value in the registry editor's export form.
#include "admin/HiveLine.h"

namespace admin {

namespace {
// The registry editor breaks a hex line once it has reached this many
// characters, so that with its "\" no line passes 80 columns.
constexpr std::size_t kFoldAt = 77;
constexpr std::size_t kIndent = 2;
} // namespace

std::string FormatBinaryValue(std::string_view name, std::string_view bytes) {
    std::string out = "\"";
    for (const char c : name) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    out += "\"=hex:";
    std::size_t lineLength = out.size();
    static constexpr char kDigits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        out += kDigits[byte >> 4];
        out += kDigits[byte & 0x0F];
        // No comma, and so no fold, after the last byte.
        if (i + 1 == bytes.size())
            break;
        out += ',';
        lineLength += 3;
        if (lineLength >= kFoldAt) {
            out += "\\\n";
            out.append(kIndent, ' ');
            lineLength = kIndent;
        }
    }
    return out;
}

} // namespace admin
