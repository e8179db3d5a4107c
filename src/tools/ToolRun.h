// Running one command-line tool hidden and reading back the files its
// command line named, with the verdict on a bulk copy.
#pragma once

#include <string>
#include <string_view>

namespace tools {

struct ToolRun {
    bool started = false;       // the tool was found and started (and waited for)
    std::string errors;         // the error file's text, where it is to be logged
    std::string output;         // the output file's text, when the tool ran
    bool copiedNothing = false; // a bulk copy whose output says it copied nothing
};

// Starts `commandLine` without a shell or a window and waits for it without a
// time-out. With neither file named, nothing is read. The error file is read
// for a bulk copy ("bcp") that ran, and for any tool that could not start
// (it may say why); the output file when the tool ran. Missing or unreadable
// files read as empty text. Never throws for what the tool does.
ToolRun RunTool(std::string_view commandLine, std::string_view toolName, const char* outputFile,
                const char* errorFile);

} // namespace tools
