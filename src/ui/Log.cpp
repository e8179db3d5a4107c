// The main dialog's log and tool runs: the dated log file, WriteLog's entries
// in the file and the Output pane, and RunTool's report of a tool's files.
#include <cerrno>
#include <cstring>

#include "framework/UiServices.h"
#include "tools/LogFormat.h"
#include "tools/ToolRun.h"
#include "ui/SolvaneToOrbelleDlg.h"

void CSolvaneToOrbelleDlg::OpenLogFile() {
    std::memset(m_szLogFileName, 0, sizeof m_szLogFileName);
    GetLocalTime(&m_stLocalTime);
    const std::string name = tools::LogFileName(m_stLocalTime);
    std::strncpy(m_szLogFileName, name.c_str(), sizeof m_szLogFileName - 1);
    m_pLogFile = tools::ActivityLog::Open(m_szLogFileName);
    m_nLogError = m_pLogFile ? 0 : errno;
}

void CSolvaneToOrbelleDlg::WriteLog(std::string message) {
    GetLocalTime(&m_stLocalTime);
    const std::string entry = tools::FormatLogEntry(m_stLocalTime, message);
    const bool written = m_pLogFile && m_pLogFile->Append(entry);
    if (!written && m_pLogFile) {
        m_nLogError = errno;
    }
    m_strOutput += entry + "\r\n";
    UpdateData(FALSE);
    if (!written && !m_bLogFailureShown) {
        // Said once a run; the entries go on reaching the Output pane.
        m_bLogFailureShown = true;
        AfxMessageBox(tools::LogFailureMessage(m_szLogFileName, m_nLogError), MB_ICONEXCLAMATION,
                      0);
    }
}

void CSolvaneToOrbelleDlg::RunTool(char* commandLine, const char* toolName, const char* outputFile,
                                   const char* errorFile) {
    m_bInvalidFileFormat = 0;
    UpdateData(FALSE);
    const tools::ToolRun run = tools::RunTool(commandLine, toolName, outputFile, errorFile);
    if (!run.started) {
        WriteLog(tools::NotStartedMessage(toolName));
        return;
    }
    if (outputFile && !run.outputWritten) {
        WriteLog(tools::NoOutputMessage(toolName, outputFile));
    }
    if (!run.errors.empty()) {
        WriteLog(run.errors);
    }
    if (run.copiedNothing) {
        m_bInvalidFileFormat = 1;
        AfxMessageBox(tools::kInvalidFileFormat, MB_OK, 0);
        WriteLog(tools::kInvalidFileFormat);
    }
    if (!run.output.empty()) {
        WriteLog(run.output);
    }
}
