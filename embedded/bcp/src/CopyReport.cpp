// bcp's report and error file.
#include "CopyReport.h"

#include <cstdio>

namespace bcp {

CopyReport::CopyReport(toolargs::OutputFile& out, std::unique_ptr<toolargs::OutputFile> errorFile)
    : m_out(out), m_errors(std::move(errorFile)), m_start(std::chrono::steady_clock::now()) {}

void CopyReport::Starting() {
    m_out.Line("Starting copy...");
}

void CopyReport::RowSent() {
    if (++m_sent % 1000 != 0)
        return;
    m_out.Line("1000 rows sent to SQL Server. Total sent: " + std::to_string(m_sent));
    // Whoever watches the file sees the copy move on.
    m_out.Flush();
}

void CopyReport::Error(std::string_view sqlState, int nativeError, std::string_view message,
                       bool fromServer) {
    m_out.Line("SQLState = " + std::string(sqlState) +
               ", NativeError = " + std::to_string(nativeError));
    m_out.Line(std::string("Error = [Embedded]") + (fromServer ? "[SQL Server]" : "") +
               std::string(message));
}

void CopyReport::Rejected(long long row, std::size_t column, std::string_view message,
                          std::string_view text) {
    if (!m_errors)
        return;
    m_errors->Line("#@ Row " + std::to_string(row) + ", Column " + std::to_string(column) + ": " +
                   std::string(message) + " @#");
    m_errors->Line(text);
}

void CopyReport::Summary(long long copied) {
    const long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - m_start)
                             .count();
    const double rate = static_cast<double>(copied) * 1000.0 / static_cast<double>(ms > 0 ? ms : 1);
    char clock[128];
    std::snprintf(clock, sizeof clock,
                  "Clock Time (ms.) Total     : %-6lld Average : (%.2f rows per sec.)", ms, rate);
    m_out.Line("");
    m_out.Line(std::to_string(copied) + " rows copied.");
    m_out.Line("Network packet size (bytes): 4096");
    m_out.Line(clock);
}

bool CopyReport::Close() {
    bool ok = m_errors ? m_errors->Close() : true;
    return m_out.Close() && ok;
}

} // namespace bcp
