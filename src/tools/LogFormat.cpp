// Log file name, entry text, file line ends, and the bulk copy's progress and
// verdict.
#include "tools/LogFormat.h"

#include <cstdio>
#include <cstring>

#include "server/Names.h"

namespace tools {

std::string LogFileName(const SYSTEMTIME& st) {
    char name[256] = {};
    std::snprintf(name, sizeof name, "%hu%02hu%02hu", st.wDay, st.wMonth, st.wYear);
    return std::string(name) + "SolvaneToOrbelle" + ".log";
}

std::string FormatLogEntry(const SYSTEMTIME& st, std::string_view message) {
    char stamp[32] = {};
    std::snprintf(stamp, sizeof stamp, "%hu:%02hu:%02hu: ", st.wHour, st.wMinute, st.wSecond);
    const std::size_t end = message.find('\0');
    std::string entry(stamp);
    entry.append(message.substr(0, end));
    entry += ' ';
    return entry;
}

std::string LogFileBytes(std::string_view entry) {
    std::string bytes;
    bytes.reserve(entry.size() + 8);
    for (char c : entry) {
        if (c == '\n') {
            bytes += '\r';
        }
        bytes += c;
    }
    bytes += "\r\n";
    return bytes;
}

bool BulkCopyCopiedNothing(std::string_view output, std::string_view toolName) {
    const std::size_t found = output.find("0 rows copied.");
    return found != std::string_view::npos && found > 0 && toolName == server::kBulkCopyTool &&
           output[found - 1] == '\n';
}

std::optional<long long> LastRowsSent(std::string_view output) {
    static constexpr std::string_view kTotal = "Total sent: ";
    for (std::size_t at = output.rfind(kTotal); at != std::string_view::npos;
         at = at == 0 ? std::string_view::npos : output.rfind(kTotal, at - 1)) {
        std::size_t end = at + kTotal.size();
        long long rows = 0;
        bool digits = false;
        while (end < output.size() && output[end] >= '0' && output[end] <= '9' &&
               rows < 100'000'000'000'000LL) {
            rows = rows * 10 + (output[end++] - '0');
            digits = true;
        }
        // A line still being written may stop inside its number.
        if (digits && end < output.size() && (output[end] == '\n' || output[end] == '\r')) {
            return rows;
        }
    }
    return std::nullopt;
}

std::string LogFailureMessage(std::string_view fileName, int error) {
    return "The activity log " + std::string(fileName) + " could not be written (" +
           std::strerror(error) + "): entries are shown in the Output pane only.";
}

} // namespace tools
