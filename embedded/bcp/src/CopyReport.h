// What bcp writes while it copies: its report (the -o file or standard
// output) and the error file of rejected rows (-e).
#pragma once

#include "toolargs/OutputFile.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace bcp {

class CopyReport {
public:
    // `out` receives the report; `errorFile` (may be null) the rejected rows.
    CopyReport(toolargs::OutputFile& out, std::unique_ptr<toolargs::OutputFile> errorFile);

    void Starting();
    // Counts one row sent; every 1,000th prints "N rows sent to SQL Server.
    // Total sent: T".
    void RowSent();
    // "SQLState = S, NativeError = N" and "Error = [Embedded]..." lines; a
    // server's error carries "[SQL Server]" as well.
    void Error(std::string_view sqlState, int nativeError, std::string_view message,
               bool fromServer);
    // A rejected row into the error file: "#@ Row N, Column M: message @#"
    // and the row as it stood in the data file.
    void Rejected(long long row, std::size_t column, std::string_view message,
                  std::string_view text);
    void Line(std::string_view text) { m_out.Line(text); }
    // The closing lines: a blank line, "N rows copied.", the packet size and
    // the clock time since construction.
    void Summary(long long copied);
    // Closes both files; false when some text could not be written.
    bool Close();

private:
    toolargs::OutputFile& m_out;
    std::unique_ptr<toolargs::OutputFile> m_errors;
    std::chrono::steady_clock::time_point m_start;
    long long m_sent = 0;
};

} // namespace bcp
