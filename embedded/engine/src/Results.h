// The result kinds a statement gives: a query read row by row from SQLite, a
// result set held in memory (a procedure's), and a bare count.
#pragma once

#include "Connection.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace embsql {

// The columns of a prepared statement's result, with the declared types and
// nullability of the table columns they come from.
std::vector<Column> DescribeColumns(const Statement& stmt);

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

// Rows copied out of a statement, for results that must outlive their
// transaction.
class BufferedResult : public Result {
public:
    // Reads every remaining row of `stmt`. Throws Error.
    explicit BufferedResult(Statement& stmt);
    const std::vector<Column>& Columns() const override { return m_columns; }
    bool Next() override;
    std::optional<std::string_view> Value(std::size_t i) const override;
    long long RowsAffected() const override { return -1; }

private:
    std::vector<Column> m_columns;
    std::vector<std::optional<std::string>> m_values; // row after row
    std::size_t m_rows = 0;
    std::size_t m_current = 0; // 1-based; 0 before the first Next()
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
