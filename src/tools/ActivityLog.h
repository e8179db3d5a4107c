// ActivityLog: the dated activity log file, owned for the program's run and
// written one time-stamped entry at a time.
#pragma once

#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

namespace tools {

class ActivityLog {
public:
    // Opens `fileName` for appending (created when missing, never truncated).
    // Returns null when it cannot be opened; entries then go nowhere but to
    // the Output pane.
    static std::unique_ptr<ActivityLog> Open(const std::string& fileName);

    const std::string& FileName() const { return m_fileName; }

    // Writes one formatted entry and its line end (LogFileBytes) and flushes
    // it, so that every entry is on disk at once. Returns false when the
    // entry did not reach the file whole.
    bool Append(std::string_view entry);
    // The same for an entry given in parts (stamp, message, end), written
    // through a small buffer: a long message is never copied whole.
    bool Append(std::initializer_list<std::string_view> parts);

private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    ActivityLog(std::string fileName, std::FILE* file)
        : m_fileName(std::move(fileName)), m_file(file) {}

    std::string m_fileName;
    std::unique_ptr<std::FILE, FileCloser> m_file;
};

} // namespace tools
