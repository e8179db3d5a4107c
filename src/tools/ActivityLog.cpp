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
    assert(m_file);
    const std::string bytes = LogFileBytes(entry);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), m_file.get()) == bytes.size();
    return std::fflush(m_file.get()) == 0 && written;
}

} // namespace tools
