// The diagnostic records of one ODBC handle, and the helpers that copy text
// and numbers into application buffers the way ODBC prescribes.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace embsql {
class Error;
}

namespace embodbc {

// Origin prefixes of message texts: errors found by the driver itself, and
// errors the database engine reported.
inline constexpr std::string_view kDriverPrefix = "[Embedded][ODBC Driver]";
inline constexpr std::string_view kServerPrefix = "[Embedded][SQL Server]";

// An error the driver detects itself; the entry points turn it into a
// diagnostic record (SQLSTATE, native 0, driver prefix) and SQL_ERROR.
class DriverError : public std::runtime_error {
public:
    DriverError(std::string sqlState, const std::string& message)
        : std::runtime_error(message), m_sqlState(std::move(sqlState)) {}
    const std::string& SqlState() const { return m_sqlState; }

private:
    std::string m_sqlState;
};

struct DiagRecord {
    std::string sqlState;
    SQLINTEGER nativeError = 0;
    std::string message; // with its origin prefix
    SQLLEN rowNumber = SQL_NO_ROW_NUMBER;
    SQLINTEGER columnNumber = SQL_NO_COLUMN_NUMBER;
};

class Diagnostics {
public:
    // Drops the records of the previous call (every entry point but the
    // diagnostic ones starts with this).
    void Clear();
    void Add(DiagRecord record);
    // A record from the driver itself: native error 0, driver prefix.
    void AddDriver(std::string_view sqlState, std::string_view message,
                   SQLLEN rowNumber = SQL_NO_ROW_NUMBER,
                   SQLINTEGER columnNumber = SQL_NO_COLUMN_NUMBER);
    // A record from an engine error: its SQLSTATE, native error, server prefix.
    void AddServer(const embsql::Error& error);

    const std::vector<DiagRecord>& Records() const { return m_records; }
    bool Empty() const { return m_records.empty(); }

    // Header fields of the last call.
    SQLRETURN returnCode = SQL_SUCCESS;
    SQLLEN rowCount = 0;

private:
    std::vector<DiagRecord> m_records;
};

// Copies `text` into an application character buffer of `capacity` bytes,
// always NUL-terminated when capacity > 0, and stores the full length (in
// bytes, without the NUL) in *length when given. Returns true when the text
// had to be truncated (the caller reports 01004).
bool CopyText(std::string_view text, SQLPOINTER buffer, SQLLEN capacity, SQLSMALLINT* length);
bool CopyText(std::string_view text, SQLPOINTER buffer, SQLLEN capacity, SQLINTEGER* length);

// Adds the standard truncation warning to `diag` and returns
// SQL_SUCCESS_WITH_INFO when `truncated`, SQL_SUCCESS otherwise.
SQLRETURN TruncationResult(Diagnostics& diag, bool truncated);

} // namespace embodbc
