// Log file name, entry text, file line ends, the pane's top line, and the bulk
// copy's progress and verdict.
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

std::string LogStamp(const SYSTEMTIME& st) {
    char stamp[32] = {};
    std::snprintf(stamp, sizeof stamp, "%hu:%02hu:%02hu: ", st.wHour, st.wMinute, st.wSecond);
    return stamp;
}

std::string_view LogMessage(std::string_view message) {
    return message.substr(0, message.find('\0'));
}

std::string FormatLogEntry(const SYSTEMTIME& st, std::string_view message) {
    std::string entry = LogStamp(st);
    entry.append(LogMessage(message));
    entry.append(kLogEntryEnd);
    return entry;
}

void AppendLogFileBytes(std::string_view part, std::string& bytes) {
    for (char c : part) {
        if (c == '\n') {
            bytes += '\r';
        }
        bytes += c;
    }
}

std::string LogFileBytes(std::string_view entry) {
    std::string bytes;
    bytes.reserve(entry.size() + 8);
    AppendLogFileBytes(entry, bytes);
    bytes += "\r\n";
    return bytes;
}

std::string EarlierEntriesLine(std::string_view fileName, bool logComplete) {
    const std::string name(fileName);
    return logComplete
               ? "Earlier entries are in the log file " + name + "."
               : "Earlier entries are not shown: the log file " + name + " could not be written.";
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
