// Diagnostic records of a handle and the buffer-copy helpers.
#include "Diagnostics.h"

#include "embsql/Engine.h"

#include <algorithm>
#include <cstring>

namespace embodbc {

void Diagnostics::Clear() {
    m_records.clear();
    returnCode = SQL_SUCCESS;
    rowCount = 0;
}

void Diagnostics::Add(DiagRecord record) {
    m_records.push_back(std::move(record));
}

void Diagnostics::AddDriver(std::string_view sqlState, std::string_view message, SQLLEN rowNumber,
                            SQLINTEGER columnNumber) {
    DiagRecord r;
    r.sqlState = std::string(sqlState);
    r.message = std::string(kDriverPrefix) + std::string(message);
    r.rowNumber = rowNumber;
    r.columnNumber = columnNumber;
    Add(std::move(r));
}

void Diagnostics::AddServer(const embsql::Error& error) {
    DiagRecord r;
    r.sqlState = error.SqlState();
    r.nativeError = error.NativeError();
    r.message = std::string(kServerPrefix) + error.what();
    Add(std::move(r));
}

namespace {

template <class Length>
bool CopyTextImpl(std::string_view text, SQLPOINTER buffer, SQLLEN capacity, Length* length) {
    if (length != nullptr) {
        *length = static_cast<Length>(text.size());
    }
    if (buffer == nullptr || capacity <= 0) {
        // Only the length was asked for; a missing buffer is not truncation.
        return buffer != nullptr && !text.empty();
    }
    const std::size_t room = static_cast<std::size_t>(capacity) - 1;
    const std::size_t n = std::min(room, text.size());
    std::memcpy(buffer, text.data(), n);
    static_cast<char*>(buffer)[n] = '\0';
    return n < text.size();
}

} // namespace

bool CopyText(std::string_view text, SQLPOINTER buffer, SQLLEN capacity, SQLSMALLINT* length) {
    return CopyTextImpl(text, buffer, capacity, length);
}

bool CopyText(std::string_view text, SQLPOINTER buffer, SQLLEN capacity, SQLINTEGER* length) {
    return CopyTextImpl(text, buffer, capacity, length);
}

SQLRETURN TruncationResult(Diagnostics& diag, bool truncated) {
    if (!truncated) {
        return SQL_SUCCESS;
    }
    diag.AddDriver("01004", "String data, right truncated");
    return SQL_SUCCESS_WITH_INFO;
}

} // namespace embodbc
