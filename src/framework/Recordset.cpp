// CRecordset: executing a statement, binding column blocks, fetching rows into
// its own snapshot or from the driver's cursor; the field exchange passes that
// name, size and fill the text members.
#include "framework/Recordset.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <strings.h>

namespace {

[[noreturn]] void ThrowFrameworkError(const char* state, const std::string& message) {
    throw CDBException(SQL_ERROR, state, message);
}

// When cutting text at `length` bytes split a multi-byte character, the length of
// the text without the partial character; otherwise `length`.
size_t CompleteCharacters(const char* text, size_t length) {
    size_t lead = length;
    while (lead > 0 && length - lead < 4 &&
           (static_cast<unsigned char>(text[lead - 1]) & 0xC0) == 0x80) {
        --lead;
    }
    if (lead == 0) {
        return length;
    }
    const auto first = static_cast<unsigned char>(text[lead - 1]);
    size_t needed = 1;
    if ((first & 0xE0) == 0xC0) {
        needed = 2;
    } else if ((first & 0xF0) == 0xE0) {
        needed = 3;
    } else if ((first & 0xF8) == 0xF0) {
        needed = 4;
    }
    return (lead - 1) + needed > length ? lead - 1 : length;
}

// The text a bound cell holds: nullopt for NULL, otherwise the bytes up to the
// driver's terminating zero; text longer than `maxLength` is cut there, at a
// character boundary.
fw::CellText CellText(const char* cell, SQLLEN indicator, int maxLength) {
    if (indicator == SQL_NULL_DATA) {
        return std::nullopt;
    }
    const size_t max = static_cast<size_t>(maxLength);
    const bool cut = indicator == SQL_NO_TOTAL || indicator > maxLength;
    size_t length = cut ? max : static_cast<size_t>(indicator < 0 ? 0 : indicator);
    length = strnlen(cell, length);
    if (cut) {
        length = CompleteCharacters(cell, length);
    }
    return std::string_view(cell, length);
}

// Rows fetched at once: enough that a fetch's cost is spread over many rows,
// few enough that the block stays small.
constexpr size_t kBlockBytes = 256 * 1024;
constexpr size_t kMaxBlockRows = 1024;

bool StartsWithWord(std::string_view text, std::string_view word) {
    return text.size() >= word.size() && strncasecmp(text.data(), word.data(), word.size()) == 0;
}

} // namespace

void CFieldExchange::ExchangeText(const char* szName, std::string& value, int nMaxLength) {
    if (m_nFieldType == param) {
        ThrowFrameworkError("HYC00", "Recordset parameters are not supported.");
    }
    if (m_nFieldType != outputColumn) {
        ThrowFrameworkError("HY000", "A field was exchanged before its field type was set.");
    }
    if (nMaxLength <= 0) {
        ThrowFrameworkError("HY090", "The maximum length of a text field must be positive.");
    }
    const int index = m_nFields++;
    switch (m_nOperation) {
    case Name:
        if (index > 0) {
            m_strColumns += ',';
        }
        m_strColumns += szName != nullptr ? szName : "";
        break;
    case BindFieldToColumn:
        // The sizes gathered here shape the column blocks that BindColumns binds.
        m_prs->m_columns.at(index).maxLength = nMaxLength;
        break;
    case Fixup: {
        const fw::CellText& cell = m_prs->m_row.at(index);
        if (cell) {
            value.assign(cell->data(), cell->size());
        } else {
            value.clear();
        }
        break;
    }
    }
}

void RFX_Text(CFieldExchange* pFX, const char* szName, std::string& value, int nMaxLength,
              int /*nColumnType*/, short /*nScale*/) {
    pFX->ExchangeText(szName, value, nMaxLength);
}

CRecordset::~CRecordset() {
    // The base class's Close: a derived one no longer exists here.
    CRecordset::Close();
}

bool CRecordset::IsDirectStatement(std::string_view sql) {
    while (!sql.empty() && std::isspace(static_cast<unsigned char>(sql.front()))) {
        sql.remove_prefix(1);
    }
    if (StartsWithWord(sql, "{call") || StartsWithWord(sql, "{?")) {
        return true;
    }
    // "select" must be a whole word: "selection" is a table name.
    return StartsWithWord(sql, "select") &&
           (sql.size() == 6 || !(std::isalnum(static_cast<unsigned char>(sql[6])) ||
                                 sql[6] == '_' || sql[6] == '$' || sql[6] == '#'));
}

BOOL CRecordset::Open(UINT nOpenType, const char* lpszSQL, DWORD dwOptions) {
    Close();
    if (nOpenType > forwardOnly) {
        ThrowFrameworkError("HY024",
                            "Unknown recordset open type " + std::to_string(nOpenType) + ".");
    }
    if ((dwOptions & ~static_cast<DWORD>(readOnly | executeDirect)) != 0) {
        ThrowFrameworkError("HYC00",
                            "Unsupported recordset options " + std::to_string(dwOptions) + ".");
    }
    // A closed connection is an error here; opening one from GetDefaultConnect()
    // behind the caller's back would reach a database nobody chose.
    if (m_pDatabase == nullptr || !m_pDatabase->IsOpen()) {
        ThrowFrameworkError("08003", "The database connection is not open.");
    }
    const std::string sql = lpszSQL != nullptr ? std::string(lpszSQL) : GetDefaultSQL();
    if (sql.find_first_not_of(" \t\r\n") == std::string::npos) {
        ThrowFrameworkError("42000", "The recordset has no SQL statement to run.");
    }

    CFieldExchange names(CFieldExchange::Name, this);
    DoFieldExchange(&names);
    if (names.m_nFields != m_nFields) {
        ThrowFrameworkError("HY000", "The recordset declares " + std::to_string(m_nFields) +
                                         " fields but exchanges " +
                                         std::to_string(names.m_nFields) + ".");
    }
    if (IsDirectStatement(sql)) {
        m_strSQL = sql;
    } else {
        m_strSQL =
            "SELECT " + (names.m_strColumns.empty() ? "*" : names.m_strColumns) + " FROM " + sql;
    }

    try {
        m_hstmt = OdbcHandle(SQL_HANDLE_STMT, SQL_HANDLE_DBC, m_pDatabase->GetHandle());
        m_pDatabase->AddRecordset(this);
        m_bOpen = true;
        Execute(nOpenType, m_pDatabase->m_bOwnSnapshots);
    } catch (...) {
        Close();
        throw;
    }
    return TRUE;
}

void CRecordset::Execute(UINT nOpenType, bool ownSnapshot) {
    // The recordset's own snapshot reads the result once, front to back: the
    // driver's plainest cursor serves. Otherwise the open type picks the cursor;
    // this program never updates through a recordset.
    static constexpr SQLULEN cursorTypes[] = {SQL_CURSOR_KEYSET_DRIVEN, SQL_CURSOR_STATIC,
                                              SQL_CURSOR_DYNAMIC, SQL_CURSOR_FORWARD_ONLY};
    const SQLULEN cursorType = ownSnapshot ? SQL_CURSOR_FORWARD_ONLY : cursorTypes[nOpenType];
    SQLHSTMT stmt = m_hstmt.Get();
    m_hstmt.Check(SQLSetStmtAttr(stmt, SQL_ATTR_CURSOR_TYPE,
                                 reinterpret_cast<SQLPOINTER>(cursorType), SQL_IS_UINTEGER));
    m_hstmt.Check(SQLSetStmtAttr(stmt, SQL_ATTR_CONCURRENCY,
                                 reinterpret_cast<SQLPOINTER>(SQL_CONCUR_READ_ONLY),
                                 SQL_IS_UINTEGER));
    m_hstmt.Check(SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(m_strSQL.data()),
                                static_cast<SQLINTEGER>(m_strSQL.size())));

    // Procedures often report row counts before their rows: move on to the first
    // result that has columns. No such result leaves the recordset empty.
    SQLSMALLINT columns = 0;
    m_hstmt.Check(SQLNumResultCols(stmt, &columns));
    while (columns == 0) {
        if (m_hstmt.Check(SQLMoreResults(stmt)) == SQL_NO_DATA) {
            m_bEOF = true;
            return;
        }
        m_hstmt.Check(SQLNumResultCols(stmt, &columns));
    }
    if (columns < m_nFields) {
        ThrowFrameworkError("07009", "The result has " + std::to_string(columns) +
                                         " columns but the recordset binds " +
                                         std::to_string(m_nFields) + ".");
    }
    BindColumns();
    if (ownSnapshot) {
        ReadSnapshot();
    }
    Advance();
}

void CRecordset::BindColumns() {
    m_columns.assign(static_cast<size_t>(m_nFields), BoundColumn{});
    m_row.assign(static_cast<size_t>(m_nFields), std::nullopt);
    CFieldExchange sizes(CFieldExchange::BindFieldToColumn, this);
    DoFieldExchange(&sizes);

    size_t rowBytes = 0;
    for (const BoundColumn& column : m_columns) {
        rowBytes += static_cast<size_t>(column.maxLength) + 1;
    }
    const SQLULEN wanted =
        std::clamp<size_t>(kBlockBytes / std::max<size_t>(rowBytes, 1), 1, kMaxBlockRows);
    SQLHSTMT stmt = m_hstmt.Get();
    SQLULEN rows = 1;
    try {
        m_hstmt.Check(SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE,
                                     reinterpret_cast<SQLPOINTER>(wanted), SQL_IS_UINTEGER));
        // The driver may have settled on another size (01S02).
        m_hstmt.Check(
            SQLGetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, &rows, SQL_IS_UINTEGER, nullptr));
    } catch (const CDBException&) {
        // A driver without row arrays is read a row at a time.
        rows = 1;
    }
    rows = std::max<SQLULEN>(rows, 1);
    m_rowStatus.assign(rows, SQL_ROW_NOROW);
    m_hstmt.Check(SQLSetStmtAttr(stmt, SQL_ATTR_ROW_STATUS_PTR, m_rowStatus.data(), 0));
    m_hstmt.Check(SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &m_blockRows, 0));
    for (size_t i = 0; i < m_columns.size(); ++i) {
        BoundColumn& column = m_columns[i];
        const auto width = static_cast<size_t>(column.maxLength) + 1;
        column.cells.assign(width * rows, '\0');
        column.indicators.assign(rows, 0);
        m_hstmt.Check(SQLBindCol(stmt, static_cast<SQLUSMALLINT>(i + 1), SQL_C_CHAR,
                                 column.cells.data(), static_cast<SQLLEN>(width),
                                 column.indicators.data()));
    }
}

bool CRecordset::FetchBlock() {
    m_blockRows = 0;
    m_nextBlockRow = 0;
    // Truncated text (01004) arrives as SQL_SUCCESS_WITH_INFO and is not an error.
    if (m_hstmt.Check(SQLFetch(m_hstmt.Get())) == SQL_NO_DATA) {
        return false;
    }
    if (m_rowStatus.size() == 1) {
        m_blockRows = 1; // whether or not the driver counts single rows
    }
    for (SQLULEN row = 0; row < m_blockRows; ++row) {
        if (m_rowStatus[row] == SQL_ROW_ERROR) {
            // The failed row's diagnostics are on the statement.
            m_hstmt.Check(SQL_ERROR);
        }
    }
    return m_blockRows > 0;
}

bool CRecordset::NextRow() {
    if (m_snapshot) {
        return m_snapshot->Next(m_row);
    }
    if (m_nextBlockRow >= m_blockRows && !FetchBlock()) {
        return false;
    }
    const SQLULEN row = m_nextBlockRow++;
    for (size_t i = 0; i < m_columns.size(); ++i) {
        const BoundColumn& column = m_columns[i];
        const size_t width = static_cast<size_t>(column.maxLength) + 1;
        m_row[i] =
            CellText(column.cells.data() + row * width, column.indicators[row], column.maxLength);
    }
    return true;
}

void CRecordset::ReadSnapshot() {
    auto snapshot = std::make_unique<fw::SnapshotRows>(m_columns.size());
    while (NextRow()) {
        snapshot->Append(m_row);
    }
    // Every row is in hand: the driver's statement goes, which leaves the
    // connection free for the next one and keeps only the compact copy.
    m_hstmt.Reset();
    m_columns.clear();
    m_rowStatus.clear();
    m_snapshot = std::move(snapshot);
}

void CRecordset::Advance() {
    if (!NextRow()) {
        m_bEOF = true;
        return;
    }
    m_bEOF = false;
    CFieldExchange fixup(CFieldExchange::Fixup, this);
    DoFieldExchange(&fixup);
}

void CRecordset::MoveNext() {
    if (!m_bOpen) {
        ThrowFrameworkError("HY010", "The recordset is not open.");
    }
    if (m_bEOF) {
        ThrowFrameworkError("HY109", "Attempt to move past the end of the recordset.");
    }
    Advance();
}

void CRecordset::Close() {
    // A closed recordset leaves its database alone: that database may be gone,
    // having closed this recordset on its way out.
    if (m_bOpen && m_pDatabase != nullptr) {
        m_pDatabase->RemoveRecordset(this);
    }
    m_hstmt.Reset();
    m_columns.clear();
    m_rowStatus.clear();
    m_blockRows = 0;
    m_nextBlockRow = 0;
    m_snapshot.reset();
    m_row.clear();
    m_bOpen = false;
    m_bEOF = true;
}
