// The server's log: one line per event, with time and connection number,
// written whole even when connections log at the same time.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace embsqld {

class Log {
public:
    // Writes to `path`, appending, or to standard error when it is empty.
    // Throws std::runtime_error when the file cannot be opened.
    explicit Log(const std::string& path);
    ~Log();
    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;

    // "2024-05-01 10:00:00.123 [conn 7] text"; connection 0 is the server's own.
    void Write(int connection, std::string_view text);

private:
    std::mutex m_mutex;
    std::FILE* m_file = nullptr;
    bool m_own = false;
};

} // namespace embsqld
