// RunTool: starts one command-line tool without a window, waits for it, and
// logs the error and output files its command line named; judges a bulk copy.
#include <cstring>
#include <optional>

#include "framework/UiServices.h"
#include "platform/Process.h"
#include "tools/LogFormat.h"
#include "ui/SolvaneToOrbelleDlg.h"

namespace {

// A file's text, or empty text when it is missing, unreadable or not named.
std::string FileText(const char* path) {
    if (!path) {
        return {};
    }
    return platform::ReadFileText(path).value_or(std::string());
}

} // namespace

void CSolvaneToOrbelleDlg::RunTool(char* commandLine, const char* toolName, const char* outputFile,
                                   const char* errorFile) {
    m_bInvalidFileFormat = 0;
    UpdateData(FALSE);

    std::optional<platform::Process> tool = platform::Process::Start(commandLine);
    if (!tool) {
        // Nothing to wait for; the error file may say why, or hold what an
        // earlier run of the day left there.
        if (!outputFile && !errorFile) {
            return;
        }
        const std::string errors = FileText(errorFile);
        if (!errors.empty()) {
            WriteLog(errors);
        }
        return;
    }
    tool->Wait();
    tool.reset();

    if (!outputFile && !errorFile) {
        return;
    }
    const bool bulkCopy = std::strcmp(toolName, "bcp") == 0;
    if (bulkCopy) {
        const std::string errors = FileText(errorFile);
        if (!errors.empty()) {
            WriteLog(errors);
        }
    }
    const std::string output = FileText(outputFile);
    if (output.empty()) {
        return;
    }
    if (tools::BulkCopyCopiedNothing(output, toolName)) {
        m_bInvalidFileFormat = 1;
        AfxMessageBox(tools::kInvalidFileFormat, MB_OK, 0);
        WriteLog(tools::kInvalidFileFormat);
    }
    WriteLog(output);
}
