// The main dialog's activity log: the dated file opened at start-up and one
// time-stamped entry per call of WriteLog, in the file and the Output pane.
#include <cstring>

#include "tools/LogFormat.h"
#include "ui/SolvaneToOrbelleDlg.h"

void CSolvaneToOrbelleDlg::OpenLogFile() {
    m_pLogFile = nullptr;
    std::memset(m_szLogFileName, 0, sizeof m_szLogFileName);
    GetLocalTime(&m_stLocalTime);
    const std::string name = tools::LogFileName(m_stLocalTime);
    std::strncpy(m_szLogFileName, name.c_str(), sizeof m_szLogFileName - 1);
    // Appended to, never truncated; a failure leaves entries to the pane alone.
    m_pLogFile = std::fopen(m_szLogFileName, "a+");
}

void CSolvaneToOrbelleDlg::WriteLog(std::string message) {
    GetLocalTime(&m_stLocalTime);
    const std::string entry = tools::FormatLogEntry(m_stLocalTime, message);
    if (m_pLogFile) {
        const std::string bytes = tools::LogFileBytes(entry);
        std::fwrite(bytes.data(), 1, bytes.size(), m_pLogFile);
        std::fflush(m_pLogFile);
    }
    m_strOutput += entry + "\r\n";
    UpdateData(FALSE);
}
