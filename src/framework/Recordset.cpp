// CRecordset: executing a statement, binding and fetching rows; the field
// exchange passes that name, bind and fill the text members.
#include "framework/Recordset.h"

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
    case BindFieldToColumn: {
        CRecordset::BoundField& field = m_prs->m_boundFields.at(index);
        field.buffer.assign(static_cast<size_t>(nMaxLength) + 1, '\0');
        field.indicator = 0;
        m_prs->m_hstmt.Check(SQLBindCol(
            m_prs->m_hstmt.Get(), static_cast<SQLUSMALLINT>(index + 1), SQL_C_CHAR,
            field.buffer.data(), static_cast<SQLLEN>(field.buffer.size()), &field.indicator));
        break;
    }
    case Fixup: {
        const CRecordset::BoundField& field = m_prs->m_boundFields.at(index);
        if (field.indicator == SQL_NULL_DATA) {
            value.clear();
            break;
        }
        const size_t max = static_cast<size_t>(nMaxLength);
        const bool cut = field.indicator == SQL_NO_TOTAL || field.indicator > nMaxLength;
        size_t length = cut ? max : static_cast<size_t>(field.indicator < 0 ? 0 : field.indicator);
        // The driver ends the text with a zero; text is read up to it.
        length = strnlen(field.buffer.data(), length);
        if (cut) {
            length = CompleteCharacters(field.buffer.data(), length);
        }
        value.assign(field.buffer.data(), length);
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
        Execute(nOpenType);
    } catch (...) {
        Close();
        throw;
    }
    return TRUE;
}

void CRecordset::Execute(UINT nOpenType) {
    // The snapshot is a static cursor, which the cursor library provides when the
    // driver has none; this program never updates through a recordset.
    static constexpr SQLULEN cursorTypes[] = {SQL_CURSOR_KEYSET_DRIVEN, SQL_CURSOR_STATIC,
                                              SQL_CURSOR_DYNAMIC, SQL_CURSOR_FORWARD_ONLY};
    SQLHSTMT stmt = m_hstmt.Get();
    m_hstmt.Check(SQLSetStmtAttr(stmt, SQL_ATTR_CURSOR_TYPE,
                                 reinterpret_cast<SQLPOINTER>(cursorTypes[nOpenType]),
                                 SQL_IS_UINTEGER));
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
    Fetch();
}

void CRecordset::BindColumns() {
    m_boundFields.clear();
    m_boundFields.resize(static_cast<size_t>(m_nFields));
    CFieldExchange bind(CFieldExchange::BindFieldToColumn, this);
    DoFieldExchange(&bind);
}

void CRecordset::Fetch() {
    // Truncated text (01004) arrives as SQL_SUCCESS_WITH_INFO and is not an error.
    if (m_hstmt.Check(SQLFetch(m_hstmt.Get())) == SQL_NO_DATA) {
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
    Fetch();
}

void CRecordset::Close() {
    // A closed recordset leaves its database alone: that database may be gone,
    // having closed this recordset on its way out.
    if (m_bOpen && m_pDatabase != nullptr) {
        m_pDatabase->RemoveRecordset(this);
    }
    m_hstmt.Reset();
    m_boundFields.clear();
    m_bOpen = false;
    m_bEOF = true;
}
