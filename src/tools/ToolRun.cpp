// RunTool: start, wait, and read back the tool's files.
#include "tools/ToolRun.h"

#include <optional>

#include "platform/Process.h"
#include "server/Names.h"
#include "tools/LogFormat.h"

namespace tools {

namespace {

// A file's text, or empty text when it is missing, unreadable or not named.
std::string FileText(const char* path) {
    if (!path) {
        return {};
    }
    return platform::ReadFileText(path).value_or(std::string());
}

} // namespace

ToolRun RunTool(std::string_view commandLine, std::string_view toolName, const char* outputFile,
                const char* errorFile) {
    ToolRun run;
    std::optional<platform::Process> tool = platform::Process::Start(commandLine);
    run.started = tool.has_value();
    if (tool) {
        tool->Wait();
        tool.reset();
    }
    if (!outputFile && !errorFile) {
        return run;
    }
    if (!run.started || toolName == server::kBulkCopyTool) {
        run.errors = FileText(errorFile);
    }
    if (run.started) {
        run.output = FileText(outputFile);
        run.copiedNothing = BulkCopyCopiedNothing(run.output, toolName);
    }
    return run;
}

} // namespace tools
