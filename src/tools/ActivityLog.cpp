// ActivityLog: opening the day's file for appending and writing entries.
#include "tools/ActivityLog.h"

#include <cassert>

#include "tools/LogFormat.h"

namespace tools {

std::unique_ptr<ActivityLog> ActivityLog::Open(const std::string& fileName) {
    std::FILE* file = std::fopen(fileName.c_str(), "a+");
    if (!file) {
        return nullptr;
    }
    return std::unique_ptr<ActivityLog>(new ActivityLog(fileName, file));
}

bool ActivityLog::Append(std::string_view entry) {
    return Append({entry});
}

bool ActivityLog::Append(std::initializer_list<std::string_view> parts) {
    assert(m_file);
    constexpr std::size_t kChunk = 64 * 1024;
    std::string bytes;
    bytes.reserve(2 * kChunk + 2);
    bool written = true;
    auto flush = [&] {
        written =
            std::fwrite(bytes.data(), 1, bytes.size(), m_file.get()) == bytes.size() && written;
        bytes.clear();
    };
    for (std::string_view part : parts) {
        while (!part.empty()) {
            const std::string_view piece = part.substr(0, kChunk);
            AppendLogFileBytes(piece, bytes);
            part.remove_prefix(piece.size());
            if (bytes.size() >= kChunk) {
                flush();
            }
        }
    }
    bytes += "\r\n";
    flush();
    return std::fflush(m_file.get()) == 0 && written;
}

} // namespace tools
