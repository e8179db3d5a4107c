// The main dialog's log and tool runs: the dated log file, WriteLog's entries
// in the file and the bounded Output pane, and RunTool's report of a tool's
// files, waiting for the tool with the window alive.
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>

#include "framework/ProgressWindow.h"
#include "framework/UiServices.h"
#include "tools/LogFormat.h"
#include "tools/ToolRun.h"
#include "ui/SolvaneToOrbelleDlg.h"

namespace {

// The Output pane holds the newest 10,000 lines or 4 MB, whichever is less;
// once past that it drops its oldest lines down to three quarters of it.
constexpr fw::OutputText::Amount kPaneMost{10'000, 4u << 20};
constexpr fw::OutputText::Amount kPaneKeep{7'500, 3u << 20};

// How often a running tool is asked whether it has ended.
constexpr std::chrono::milliseconds kToolPoll{50};

// "12,345 rows loaded so far"
std::string RowsLoadedText(long long rows) {
    const std::string digits = std::to_string(rows);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            text += ',';
        }
        text += digits[i];
    }
    return text + (rows == 1 ? " row" : " rows") + " loaded so far";
}

// Waits for a tool inside the progress window's wait, and shows a bulk copy's
// rows on its second line.
class ShownToolProgress : public tools::ToolWatch {
public:
    explicit ShownToolProgress(fw::ProgressWindow& window) : m_window(window) {}
    void WaitUntil(const std::function<bool()>& ended) override {
        m_window.WaitUntil(ended, kToolPoll);
    }
    void RowsSent(long long rows) override {
        m_window.SetText(m_window.Step(), RowsLoadedText(rows));
    }

private:
    fw::ProgressWindow& m_window;
};

} // namespace

void CSolvaneToOrbelleDlg::OpenLogFile() {
    std::memset(m_szLogFileName, 0, sizeof m_szLogFileName);
    GetLocalTime(&m_stLocalTime);
    const std::string name = tools::LogFileName(m_stLocalTime);
    std::strncpy(m_szLogFileName, name.c_str(), sizeof m_szLogFileName - 1);
    m_pLogFile = tools::ActivityLog::Open(m_szLogFileName);
    m_nLogError = m_pLogFile ? 0 : errno;
    m_strOutput.Bound(kPaneMost, kPaneKeep,
                      tools::EarlierEntriesLine(m_szLogFileName, m_pLogFile != nullptr));
}

void CSolvaneToOrbelleDlg::WriteLog(std::string message) {
    GetLocalTime(&m_stLocalTime);
    // The entry goes out in its parts: a tool's answer of many megabytes is
    // never copied whole, and the pane takes only its newest lines.
    const std::string stamp = tools::LogStamp(m_stLocalTime);
    const std::string_view text = tools::LogMessage(message);
    const bool written = m_pLogFile && m_pLogFile->Append({stamp, text, tools::kLogEntryEnd});
    if (!written && m_pLogFile) {
        m_nLogError = errno;
    }
    if (!written && !m_bLogFailureShown) {
        m_strOutput.SetHeader(tools::EarlierEntriesLine(m_szLogFileName, false));
    }
    m_strOutput += stamp;
    m_strOutput += text;
    m_strOutput += std::string(tools::kLogEntryEnd) + "\r\n";
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
    // Outside an upload the run gets a progress window of its own.
    std::optional<fw::ProgressWindow> own;
    if (!m_pProgress) {
        own.emplace(*this, toolName);
        own->SetText(std::string("Running ") + toolName);
    }
    fw::ProgressWindow& progress = m_pProgress ? *m_pProgress : *own;
    ShownToolProgress watch(progress);
    tools::ToolRun run = tools::RunTool(commandLine, toolName, outputFile, errorFile, &watch);
    if (!run.started) {
        WriteLog(tools::NotStartedMessage(toolName));
        return;
    }
    if (outputFile && !run.outputWritten) {
        WriteLog(tools::NoOutputMessage(toolName, outputFile));
    }
    if (!run.errors.empty()) {
        WriteLog(std::move(run.errors));
    }
    if (run.copiedNothing) {
        m_bInvalidFileFormat = 1;
        progress.Hide(); // the box stands on its own
        AfxMessageBox(tools::kInvalidFileFormat, MB_OK, 0);
        WriteLog(tools::kInvalidFileFormat);
    }
    if (!run.output.empty()) {
        WriteLog(std::move(run.output));
    }
}
