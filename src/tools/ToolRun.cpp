// RunTool: note the tool's files, start it, wait (watching a bulk copy's
// progress when asked to), and read back what it wrote.
#include "tools/ToolRun.h"

#include <optional>
#include <sys/stat.h>

#include "platform/Process.h"
#include "server/Names.h"
#include "tools/LogFormat.h"

namespace tools {

namespace {

// What identifies one writing of a file: a tool that rewrites it, even with
// the same text, changes its change time, and one that replaces it its inode.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    static FileStamp Of(const char* path) {
        FileStamp stamp;
        struct stat st {};
        if (path && stat(path, &st) == 0) {
            stamp = {true, st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
        }
        return stamp;
    }
    bool operator==(const FileStamp& o) const {
        return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
               modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec &&
               changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
    }
};

// The file's text when this run wrote it; empty text otherwise.
std::string WrittenText(const char* path, const FileStamp& before, bool* written = nullptr) {
    const FileStamp after = FileStamp::Of(path);
    const bool changed = after.exists && !(after == before);
    if (written) {
        *written = changed;
    }
    return changed ? platform::ReadFileText(path).value_or(std::string()) : std::string();
}

// A bulk copy's rows sent so far, from the tail of the output file it is
// writing; a file that this run has not written yet (another run's) is not read.
class RowsSentReader {
public:
    RowsSentReader(const char* path, const FileStamp& before)
        : m_path(path), m_before(before), m_last(before) {}

    // The count when it has grown since the last call.
    std::optional<long long> Grown() {
        if (!m_path) {
            return std::nullopt;
        }
        const FileStamp now = FileStamp::Of(m_path);
        if (!now.exists || now == m_before || now == m_last) {
            return std::nullopt;
        }
        m_last = now;
        // Progress lines are short: the last of them lies in the file's last few lines.
        const std::optional<std::string> tail = platform::ReadFileTail(m_path, 4096);
        const std::optional<long long> rows = tail ? LastRowsSent(*tail) : std::nullopt;
        if (!rows || *rows <= m_rows) {
            return std::nullopt;
        }
        m_rows = *rows;
        return rows;
    }

private:
    const char* m_path;
    FileStamp m_before;
    FileStamp m_last;
    long long m_rows = 0;
};

} // namespace

ToolRun RunTool(std::string_view commandLine, std::string_view toolName, const char* outputFile,
                const char* errorFile, ToolWatch* watch) {
    const FileStamp outputBefore = FileStamp::Of(outputFile);
    const FileStamp errorsBefore = FileStamp::Of(errorFile);
    ToolRun run;
    std::optional<platform::Process> tool = platform::Process::Start(commandLine);
    if (!tool) {
        return run; // a tool that did not start wrote nothing
    }
    run.started = true;
    if (watch) {
        RowsSentReader progress(toolName == server::kBulkCopyTool ? outputFile : nullptr,
                                outputBefore);
        watch->WaitUntil([&] {
            const bool ended = tool->Poll().has_value();
            if (const std::optional<long long> rows = progress.Grown()) {
                watch->RowsSent(*rows);
            }
            return ended;
        });
    }
    tool->Wait(); // at once when the watch saw it end
    tool.reset();
    if (!outputFile && !errorFile) {
        return run;
    }
    if (toolName == server::kBulkCopyTool) {
        run.errors = WrittenText(errorFile, errorsBefore);
    }
    run.output = WrittenText(outputFile, outputBefore, &run.outputWritten);
    run.copiedNothing = BulkCopyCopiedNothing(run.output, toolName);
    return run;
}

std::string NotStartedMessage(std::string_view toolName) {
    return std::string(toolName) + " could not be started.";
}

std::string NoOutputMessage(std::string_view toolName, std::string_view outputFile) {
    return std::string(toolName) + " wrote no output file: " + std::string(outputFile);
}

} // namespace tools
