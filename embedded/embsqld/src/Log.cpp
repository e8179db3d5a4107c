// Log lines with a timestamp, one write each.
#include "Log.h"

#include <chrono>
#include <ctime>
#include <stdexcept>

namespace embsqld {

Log::Log(const std::string& path) {
    if (path.empty()) {
        m_file = stderr;
        return;
    }
    m_file = std::fopen(path.c_str(), "a");
    if (m_file == nullptr)
        throw std::runtime_error("cannot open the log file " + path);
    m_own = true;
}

Log::~Log() {
    if (m_own)
        std::fclose(m_file);
}

void Log::Write(int connection, std::string_view text) {
    const auto now = std::chrono::system_clock::now();
    const std::time_t secs = std::chrono::system_clock::to_time_t(now);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
    std::tm tm{};
    localtime_r(&secs, &tm);
    char stamp[64];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &tm);
    std::string line = stamp;
    char msPart[8];
    std::snprintf(msPart, sizeof msPart, ".%03d", static_cast<int>(ms.count()));
    line += msPart;
    line += connection == 0 ? " [server] " : " [conn " + std::to_string(connection) + "] ";
    for (const char c : text)
        line.push_back(c == '\n' || c == '\r' ? ' ' : c);
    line.push_back('\n');
    std::lock_guard<std::mutex> lock(m_mutex);
    std::fwrite(line.data(), 1, line.size(), m_file);
    std::fflush(m_file);
}

} // namespace embsqld
