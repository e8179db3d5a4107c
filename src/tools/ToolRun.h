// Running one command-line tool hidden, watching a bulk copy's progress, and
// reading back the files its command line named, with the verdict on a bulk copy.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tools {

struct ToolRun {
    bool started = false;       // the tool was found and started (and waited for)
    std::string errors;         // the error file's text, where it is to be logged
    std::string output;         // the output file's text
    bool copiedNothing = false; // a bulk copy whose output says it copied nothing
    bool outputWritten = false; // the output file was written by this run
};

// How a caller waits for a running tool, and what it learns meanwhile.
class ToolWatch {
public:
    virtual ~ToolWatch() = default;
    // Called once the tool has started. Must call `ended` now and then (it
    // never blocks; not in a busy loop) and return once it has returned true.
    virtual void WaitUntil(const std::function<bool()>& ended) = 0;
    // A bulk copy's count of rows sent so far, read from the output file it
    // is writing, each time the count grows. Never part of the run's result.
    virtual void RowsSent(long long rows) = 0;
};

// Starts `commandLine` without a shell or a window and waits for it without a
// time-out: blocked, or through `watch` when one is given. Only what this run
// wrote is read: a file that the tool left as it was before the run (missing,
// or another run's) reads as empty text. With neither file named nothing is
// read; the error file is read for a bulk copy ("bcp") only. Never throws for
// what the tool does.
ToolRun RunTool(std::string_view commandLine, std::string_view toolName, const char* outputFile,
                const char* errorFile, ToolWatch* watch = nullptr);

// "<tool> could not be started."
std::string NotStartedMessage(std::string_view toolName);
// "<tool> wrote no output file: <path>"
std::string NoOutputMessage(std::string_view toolName, std::string_view outputFile);

} // namespace tools
