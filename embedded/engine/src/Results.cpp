// Result sets: lazy queries, spooled procedure results, bare counts.
#include "Results.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <limits>

namespace embsql {
namespace {

// Types an expression's column from a value of it.
void TypeFromValue(Column& column, sqlite3_stmt* stmt, int i) {
    if (sqlite3_column_type(stmt, i) != SQLITE_INTEGER)
        return;
    const sqlite3_int64 value = sqlite3_column_int64(stmt, i);
    column.isInteger = true;
    column.isBig = value < std::numeric_limits<std::int32_t>::min() ||
                   value > std::numeric_limits<std::int32_t>::max();
}

std::optional<std::string_view> ColumnText(sqlite3_stmt* stmt, std::size_t i) {
    const int index = static_cast<int>(i);
    if (i >= static_cast<std::size_t>(sqlite3_column_count(stmt)) ||
        sqlite3_column_type(stmt, index) == SQLITE_NULL)
        return std::nullopt;
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, index));
    return std::string_view(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt, index)));
}

} // namespace

std::vector<Column> DescribeColumns(const Statement& stmt, bool onRow) {
    sqlite3_stmt* s = stmt.Get();
    sqlite3* db = sqlite3_db_handle(s);
    std::vector<Column> columns;
    const int count = sqlite3_column_count(s);
    for (int i = 0; i < count; ++i) {
        const char* name = sqlite3_column_name(s, i);
        bool nullable = true;
        const char* table = sqlite3_column_table_name(s, i);
        const char* origin = sqlite3_column_origin_name(s, i);
        if (table != nullptr && origin != nullptr) {
            int notNull = 0;
            int primaryKey = 0;
            if (sqlite3_table_column_metadata(db, sqlite3_column_database_name(s, i), table, origin,
                                              nullptr, nullptr, &notNull, &primaryKey,
                                              nullptr) == SQLITE_OK)
                nullable = notNull == 0;
        }
        const char* declaredType = sqlite3_column_decltype(s, i);
        columns.push_back(ColumnFromDeclaredType(name ? name : "", declaredType, nullable));
        columns.back().declared = declaredType != nullptr;
        if (declaredType == nullptr && onRow)
            TypeFromValue(columns.back(), s, i);
    }
    return columns;
}

QueryResult::QueryResult(std::shared_ptr<Connection> conn, Statement stmt)
    : m_conn(std::move(conn)), m_stmt(std::move(stmt)) {
    m_firstPending = m_stmt.Step();
    m_columns = DescribeColumns(m_stmt, m_firstPending);
    if (m_firstPending)
        m_conn->AddReader(this);
    else
        Finish();
}

QueryResult::~QueryResult() {
    if (!m_done)
        m_conn->RemoveReader(this);
}

// Ends the statement's read transaction as soon as the rows run out.
void QueryResult::Finish() {
    m_done = true;
    m_stmt.Reset();
}

bool QueryResult::Next() {
    if (m_detached) {
        m_onRow = m_nextRow < m_rows.size();
        if (m_onRow)
            ++m_nextRow;
        return m_onRow;
    }
    if (m_firstPending) {
        m_firstPending = false;
        m_onRow = true;
        return true;
    }
    if (m_done)
        return false;
    m_onRow = m_stmt.Step();
    if (!m_onRow) {
        m_conn->RemoveReader(this);
        Finish();
    }
    return m_onRow;
}

std::optional<std::string_view> QueryResult::Value(std::size_t i) const {
    if (!m_onRow)
        return std::nullopt;
    if (m_detached) {
        const Row& row = m_rows[m_nextRow - 1];
        if (i >= row.size() || !row[i])
            return std::nullopt;
        return std::string_view(*row[i]);
    }
    return ColumnText(m_stmt.Get(), i);
}

void QueryResult::Detach() {
    m_conn->RemoveReader(this);
    auto copyRow = [this] {
        Row row;
        for (std::size_t i = 0; i < m_columns.size(); ++i) {
            const auto value = ColumnText(m_stmt.Get(), i);
            row.push_back(value ? std::optional<std::string>(std::string(*value)) : std::nullopt);
        }
        m_rows.push_back(std::move(row));
    };
    // The statement stands on the current row, or on the pending first one.
    m_nextRow = m_onRow ? 1 : 0;
    if (m_onRow || m_firstPending)
        copyRow();
    m_detached = true;
    m_firstPending = false;
    while (m_stmt.Step())
        copyRow();
    Finish();
}

SpooledResult::SpooledResult(Statement& stmt)
    : m_columns(DescribeColumns(stmt, false)), m_extents(m_columns.size()),
      m_spool(m_columns.size()) {
    bool first = true;
    while (stmt.Step()) {
        // An expression's column takes its type from the first row.
        if (first)
            m_columns = DescribeColumns(stmt, true);
        first = false;
        Keep([&stmt](std::size_t i) { return ColumnText(stmt.Get(), i); });
    }
}

SpooledResult::SpooledResult(Result& source)
    : m_columns(source.Columns()), m_extents(m_columns.size()), m_spool(m_columns.size()) {
    while (source.Next())
        Keep([&source](std::size_t i) { return source.Value(i); });
}

template <typename CellOf> void SpooledResult::Keep(const CellOf& value) {
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        const std::optional<std::string_view> cell = value(i);
        if (cell)
            m_extents[i].longest = std::max(m_extents[i].longest, cell->size());
        else
            m_extents[i].anyNull = true;
        m_spool.Cell(cell);
    }
    m_spool.EndRow();
}

std::unique_ptr<Result> Spool(Result& source) {
    return std::make_unique<SpooledResult>(source);
}

} // namespace embsql
