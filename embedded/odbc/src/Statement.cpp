// Running statements, walking their results, describing and fetching rows.
#include "Statement.h"

#include "ColumnInfo.h"
#include "Connection.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace embodbc {

namespace {

bool IsKnownCType(SQLSMALLINT cType) {
    return FixedSize(cType) != 0 || cType == SQL_C_CHAR || cType == SQL_C_WCHAR ||
           cType == SQL_C_BINARY || cType == SQL_C_DEFAULT;
}

bool StartsWithSelect(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    constexpr std::string_view kSelect = "select";
    if (text.size() <= kSelect.size()) {
        return false;
    }
    for (std::size_t i = 0; i < kSelect.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != kSelect[i]) {
            return false;
        }
    }
    return std::isspace(static_cast<unsigned char>(text[kSelect.size()])) != 0;
}

SQLUSMALLINT RowStatus(SQLRETURN rc) {
    switch (rc) {
    case SQL_SUCCESS:
        return SQL_ROW_SUCCESS;
    case SQL_SUCCESS_WITH_INFO:
        return SQL_ROW_SUCCESS_WITH_INFO;
    default:
        return SQL_ROW_ERROR;
    }
}

} // namespace

Statement::Statement(Connection& connection) : HandleBase(kKind), connection(connection) {}

Statement::~Statement() = default;

embsql::Result* Statement::Current() const {
    return m_current < m_results.size() ? m_results[m_current].get() : nullptr;
}

bool Statement::HasCursor() const {
    for (std::size_t i = m_current; i < m_results.size(); ++i) {
        if (m_results[i] && !m_results[i]->Columns().empty()) {
            return true;
        }
    }
    return false;
}

void Statement::ResetRowState() {
    m_onRow = false;
    m_exhausted = false;
    m_blockFetched = false;
    m_rowNumber = 0;
    m_pieceColumn = 0;
    m_piece = Piece{};
}

void Statement::CloseCursor(bool mustBeOpen) {
    if (mustBeOpen && m_results.empty()) {
        throw DriverError("24000", "Invalid cursor state");
    }
    m_results.clear();
    m_current = 0;
    m_executed = false;
    m_ranEarly = false;
    ResetRowState();
}

void Statement::Prepare(std::string text) {
    if (HasCursor() && !m_ranEarly) {
        throw DriverError("24000", "Invalid cursor state");
    }
    CloseCursor(false);
    m_text = std::move(text);
    m_prepared = true;
    m_hasText = true;
}

SQLRETURN Statement::Execute() {
    if (!m_prepared) {
        throw DriverError("HY010", "Function sequence error");
    }
    if (m_ranEarly && m_earlyReusable) {
        // Describing the statement already ran it; its results are waiting.
        m_ranEarly = false;
        return Start();
    }
    if (HasCursor() && !m_ranEarly) {
        throw DriverError("24000", "Invalid cursor state");
    }
    return Run(m_text, ParameterValues(ParameterCount()));
}

SQLRETURN Statement::ExecDirect(std::string text) {
    if (HasCursor() && !m_ranEarly) {
        throw DriverError("24000", "Invalid cursor state");
    }
    m_prepared = false;
    m_text = std::move(text);
    m_hasText = true;
    return Run(m_text, ParameterValues(embsql::CountParameterMarkers(m_text)));
}

SQLRETURN Statement::Run(std::string_view text, const std::vector<embsql::ParamValue>& params) {
    CloseCursor(false);
    connection.BeforeStatement();
    m_results = connection.Session().Execute(text, params);
    m_executed = true;
    if (attrs.paramsProcessed != nullptr) {
        *static_cast<SQLULEN*>(attrs.paramsProcessed) = 1;
    }
    return Start();
}

void Statement::BindParameter(SQLUSMALLINT number, SQLSMALLINT ioType,
                              const ParamBinding& binding) {
    if (number == 0) {
        throw DriverError("07009", "Invalid descriptor index");
    }
    CheckBinding(ioType, binding);
    if (number > m_params.size()) {
        m_params.resize(number);
    }
    m_params[number - 1] = binding;
}

SQLSMALLINT Statement::ParameterCount() const {
    if (!m_hasText) {
        throw DriverError("HY010", "Function sequence error");
    }
    return static_cast<SQLSMALLINT>(embsql::CountParameterMarkers(m_text));
}

std::vector<embsql::ParamValue> Statement::ParameterValues(std::size_t markers) const {
    std::vector<embsql::ParamValue> values;
    const SQLULEN offset =
        attrs.paramBindOffset != nullptr ? *static_cast<SQLULEN*>(attrs.paramBindOffset) : 0;
    for (std::size_t i = 0; i < markers; ++i) {
        if (i >= m_params.size() || !m_params[i]) {
            // A marker without a value must not run as NULL.
            throw DriverError("07002", "COUNT field incorrect");
        }
        ParamBinding b = *m_params[i];
        if (b.data != nullptr) {
            b.data = static_cast<char*>(b.data) + offset;
        }
        if (b.lengthOrIndicator != nullptr) {
            b.lengthOrIndicator =
                reinterpret_cast<SQLLEN*>(reinterpret_cast<char*>(b.lengthOrIndicator) + offset);
        }
        values.push_back(ReadParameter(b));
    }
    return values;
}

SQLRETURN Statement::Start() {
    m_current = 0;
    ResetRowState();
    const embsql::Result* r = Current();
    // ODBC 3: a searched change that touched no row answers SQL_NO_DATA.
    if (r != nullptr && m_results.size() == 1 && r->Columns().empty() && r->RowsAffected() == 0 &&
        connection.env.odbcVersion != SQL_OV_ODBC2) {
        return SQL_NO_DATA;
    }
    return SQL_SUCCESS;
}

SQLRETURN Statement::MoreResults() {
    if (m_current >= m_results.size()) {
        return SQL_NO_DATA;
    }
    // The finished result lets go of its engine cursor at once.
    m_results[m_current].reset();
    ++m_current;
    ResetRowState();
    if (m_current >= m_results.size()) {
        m_results.clear();
        m_current = 0;
        m_executed = false;
        return SQL_NO_DATA;
    }
    return SQL_SUCCESS;
}

SQLSMALLINT Statement::ColumnCount() {
    if (m_prepared && !m_executed && StartsWithSelect(m_text)) {
        // A select has no side effects: run it now so that it can be
        // described before SQLExecute, which then reuses the results. With
        // markers it runs on NULLs, only to be described: SQLExecute runs
        // it again on the values bound by then.
        const std::size_t markers = ParameterCount();
        Run(m_text, std::vector<embsql::ParamValue>(markers));
        m_ranEarly = true;
        m_earlyReusable = markers == 0;
    }
    const embsql::Result* r = Current();
    return r == nullptr ? 0 : static_cast<SQLSMALLINT>(r->Columns().size());
}

const embsql::Column& Statement::ColumnAt(SQLUSMALLINT number) {
    const SQLSMALLINT count = ColumnCount();
    if (number == 0 || number > count) {
        throw DriverError("07009", "Invalid descriptor index");
    }
    return Current()->Columns()[number - 1];
}

SQLLEN Statement::RowCount() const {
    const embsql::Result* r = Current();
    if (r == nullptr || !r->Columns().empty()) {
        return -1;
    }
    return static_cast<SQLLEN>(r->RowsAffected());
}

void Statement::Bind(SQLUSMALLINT column, const Binding& binding) {
    if (column == 0) {
        throw DriverError("07009", "Invalid descriptor index");
    }
    if (!binding.IsBound()) {
        if (column <= m_bindings.size()) {
            m_bindings[column - 1] = Binding{};
        }
        while (!m_bindings.empty() && !m_bindings.back().IsBound()) {
            m_bindings.pop_back();
        }
        return;
    }
    if (!IsKnownCType(binding.cType)) {
        throw DriverError("HY003", "Invalid application buffer type");
    }
    if (binding.capacity < 0) {
        throw DriverError("HY090", "Invalid string or buffer length");
    }
    if (column > m_bindings.size()) {
        m_bindings.resize(column);
    }
    m_bindings[column - 1] = binding;
}

SQLRETURN Statement::Fetch(SQLULEN rows, SQLUSMALLINT* status, SQLULEN* fetched) {
    embsql::Result* r = Current();
    if (r == nullptr || r->Columns().empty()) {
        throw DriverError("24000", "Invalid cursor state");
    }
    rows = std::max<SQLULEN>(rows, 1);
    m_blockFetched = rows > 1;
    m_pieceColumn = 0;
    m_piece = Piece{};
    if (fetched != nullptr) {
        *fetched = 0;
    }
    SQLULEN n = 0;
    SQLRETURN overall = SQL_SUCCESS;
    for (; n < rows && !m_exhausted; ++n) {
        if ((attrs.maxRows != 0 && m_rowNumber >= attrs.maxRows) || !r->Next()) {
            m_exhausted = true;
            break;
        }
        ++m_rowNumber;
        m_onRow = true;
        const SQLRETURN rc = StoreRow(n);
        if (status != nullptr) {
            status[n] = RowStatus(rc);
        }
        if (rc != SQL_SUCCESS) {
            overall = (rc == SQL_ERROR && rows == 1) ? SQL_ERROR : SQL_SUCCESS_WITH_INFO;
        }
    }
    if (status != nullptr) {
        std::fill(status + n, status + rows, static_cast<SQLUSMALLINT>(SQL_ROW_NOROW));
    }
    if (fetched != nullptr) {
        *fetched = n;
    }
    if (n == 0) {
        m_onRow = false;
        return SQL_NO_DATA;
    }
    return overall;
}

SQLRETURN Statement::StoreRow(std::size_t row) {
    if (attrs.retrieveData == SQL_RD_OFF) {
        return SQL_SUCCESS;
    }
    const embsql::Result& r = *Current();
    const std::vector<embsql::Column>& columns = r.Columns();
    const SQLULEN offset = attrs.rowBindOffset != nullptr ? *attrs.rowBindOffset : 0;
    const std::size_t count = std::min(m_bindings.size(), columns.size());
    SQLRETURN rc = SQL_SUCCESS;
    for (std::size_t i = 0; i < count; ++i) {
        const Binding& b = m_bindings[i];
        if (!b.IsBound()) {
            continue;
        }
        const SQLSMALLINT cType = b.cType == SQL_C_DEFAULT ? ColumnCType(columns[i]) : b.cType;
        std::size_t dataStride;
        std::size_t indicatorStride;
        if (attrs.rowBindType == SQL_BIND_BY_COLUMN) {
            const std::size_t fixed = FixedSize(cType);
            dataStride = fixed != 0 ? fixed : static_cast<std::size_t>(b.capacity);
            indicatorStride = sizeof(SQLLEN);
        } else {
            dataStride = indicatorStride = attrs.rowBindType;
        }
        Target t;
        t.cType = cType;
        t.capacity = b.capacity;
        if (b.data != nullptr) {
            t.data = static_cast<char*>(b.data) + row * dataStride + offset;
        }
        if (b.lengthOrIndicator != nullptr) {
            t.lengthOrIndicator = reinterpret_cast<SQLLEN*>(
                reinterpret_cast<char*>(b.lengthOrIndicator) + row * indicatorStride + offset);
        }
        const auto rowNumber = static_cast<SQLLEN>(row + 1);
        const auto columnNumber = static_cast<SQLINTEGER>(i + 1);
        try {
            switch (ConvertValue(r.Value(i), columns[i].isInteger, t, nullptr)) {
            case Outcome::Truncated:
                diag.AddDriver("01004", "String data, right truncated", rowNumber, columnNumber);
                rc = std::max<SQLRETURN>(rc, SQL_SUCCESS_WITH_INFO);
                break;
            case Outcome::Fractional:
                diag.AddDriver("01S07", "Fractional truncation", rowNumber, columnNumber);
                rc = std::max<SQLRETURN>(rc, SQL_SUCCESS_WITH_INFO);
                break;
            default:
                break;
            }
        } catch (const DriverError& e) {
            diag.AddDriver(e.SqlState(), e.what(), rowNumber, columnNumber);
            rc = SQL_ERROR;
        }
    }
    return rc;
}

SQLRETURN Statement::GetData(SQLUSMALLINT column, const Target& target) {
    embsql::Result* r = Current();
    if (r == nullptr || !m_onRow) {
        throw DriverError("24000", "Invalid cursor state");
    }
    if (m_blockFetched) {
        throw DriverError("HYC00", "SQLGetData is not offered after a fetch of several rows");
    }
    const std::vector<embsql::Column>& columns = r->Columns();
    if (column == 0 || column > columns.size()) {
        throw DriverError("07009", "Invalid descriptor index");
    }
    Target t = target;
    if (t.cType == SQL_ARD_TYPE) {
        t.cType = column <= m_bindings.size() && m_bindings[column - 1].IsBound()
                      ? m_bindings[column - 1].cType
                      : SQL_C_DEFAULT;
    }
    if (!IsKnownCType(t.cType)) {
        throw DriverError("HY003", "Invalid application buffer type");
    }
    if (t.cType == SQL_C_DEFAULT) {
        t.cType = ColumnCType(columns[column - 1]);
    }
    if (t.capacity < 0) {
        throw DriverError("HY090", "Invalid string or buffer length");
    }
    if (column != m_pieceColumn) {
        m_pieceColumn = column;
        m_piece = Piece{};
    }
    switch (ConvertValue(r->Value(column - 1), columns[column - 1].isInteger, t, &m_piece)) {
    case Outcome::NoData:
        return SQL_NO_DATA;
    case Outcome::Truncated:
        diag.AddDriver("01004", "String data, right truncated");
        return SQL_SUCCESS_WITH_INFO;
    case Outcome::Fractional:
        diag.AddDriver("01S07", "Fractional truncation");
        return SQL_SUCCESS_WITH_INFO;
    case Outcome::Ok:
        break;
    }
    return SQL_SUCCESS;
}

} // namespace embodbc
