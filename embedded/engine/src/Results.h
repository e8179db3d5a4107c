// The result kinds a statement gives: a query read row by row from SQLite, a
// result set read in full and spooled (a procedure's), and a bare count.
#pragma once

#include "Connection.h"
#include "Spool.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace embsql {

// The columns of a prepared statement's result, with the declared types and
// nullability of the table columns they come from. An expression's column
// is a whole number when, with `onRow`, the current row's value is one.
std::vector<Column> DescribeColumns(const Statement& stmt, bool onRow);

// A query stepped lazily on its own prepared statement. The first row is
// fetched on construction, so an error surfaces when the statement runs.
// When its session writes before all rows are read, the rest are taken into
// memory first, so the query keeps showing the data as it was.
// Keeps the connection alive for as long as it lives.
class QueryResult : public Result, private PendingReader {
public:
    QueryResult(std::shared_ptr<Connection> conn, Statement stmt);
    ~QueryResult() override;
    const std::vector<Column>& Columns() const override { return m_columns; }
    bool Next() override;
    std::optional<std::string_view> Value(std::size_t i) const override;
    long long RowsAffected() const override { return -1; }

private:
    using Row = std::vector<std::optional<std::string>>;
    void Detach() override;
    void Finish();

    std::shared_ptr<Connection> m_conn;
    Statement m_stmt;
    std::vector<Column> m_columns;
    bool m_firstPending = false; // the row fetched on construction is not yet handed out
    bool m_onRow = false;
    bool m_done = false;     // the statement has no more rows (or was detached)
    bool m_detached = false; // rows now come from m_rows
    std::vector<Row> m_rows;
    std::size_t m_nextRow = 0;
};

// Rows read in full before the result is handed out, for results that must
// outlive their transaction (a procedure's): they are kept in a spool, so a
// result of any size costs the same memory, and the extent of every column
// is known before the first row is read.
class SpooledResult : public Result {
public:
    // Reads every remaining row of `stmt`. Throws Error.
    explicit SpooledResult(Statement& stmt);
    // Reads every remaining row of `source`. Throws what it throws.
    explicit SpooledResult(Result& source);
    const std::vector<Column>& Columns() const override { return m_columns; }
    const std::vector<ValueExtent>* Extents() const override { return &m_extents; }
    bool Next() override { return m_spool.Next(); }
    std::optional<std::string_view> Value(std::size_t i) const override { return m_spool.Value(i); }
    long long RowsAffected() const override { return -1; }

private:
    // Keeps one row: `value(i)` gives its cells.
    template <typename CellOf> void Keep(const CellOf& value);

    std::vector<Column> m_columns;
    std::vector<ValueExtent> m_extents;
    RowSpool m_spool;
};

// A statement without a result set: only its count of affected rows.
class CountResult : public Result {
public:
    explicit CountResult(long long rows) : m_rows(rows) {}
    const std::vector<Column>& Columns() const override { return m_columns; }
    bool Next() override { return false; }
    std::optional<std::string_view> Value(std::size_t) const override { return std::nullopt; }
    long long RowsAffected() const override { return m_rows; }

private:
    std::vector<Column> m_columns;
    long long m_rows;
};

} // namespace embsql
