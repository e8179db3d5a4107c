// The bulk-loading fast path: rows checked as Session::Insert checks them,
// held back and sent many to a statement, bound without copies.
#include "embsql/BulkInsert.h"

#include "Connection.h"
#include "Logins.h"

#include <sqlite3.h>

#include <algorithm>

namespace embsql {

namespace {

// Rows per group statement: enough to spread a statement's fixed cost,
// within SQLite's limit on parameters.
constexpr std::size_t kGroupRows = 64;
constexpr std::size_t kMaxParameters = 32766;

std::string InsertText(const std::string& table, std::size_t columns, std::size_t rows) {
    std::string row = "(";
    for (std::size_t i = 0; i < columns; ++i)
        row += (i == 0 ? "?" : ",?");
    row += ")";
    std::string sql = "insert into " + QuoteName(table) + " values";
    for (std::size_t r = 0; r < rows; ++r)
        sql += (r == 0 ? "" : ",") + row;
    return sql;
}

} // namespace

struct BulkInsert::Prepared {
    Statement one;   // a single row
    Statement group; // groupRows rows
    std::size_t groupRows = 1;
    // Rows held back: values and the whole numbers read from them, row after
    // row. Each slot keeps its storage from group to group.
    std::vector<std::optional<std::string>> values;
    std::vector<long long> integers;
    std::size_t rows = 0;
};

std::unique_ptr<BulkInsert> BulkInsert::Open(std::string_view server, std::string_view database,
                                             std::string_view login, std::string_view password,
                                             std::string_view table) {
    return OpenBulkInsertOn(ConnectLogin(server, database, login, password), table);
}

std::unique_ptr<BulkInsert> OpenBulkInsertOn(std::shared_ptr<Connection> conn,
                                             std::string_view table) {
    std::vector<Column> columns = TableColumns(*conn, table);
    if (columns.empty())
        throw Error("42S02", 208, "Invalid object name '" + std::string(table) + "'.");
    conn->Require("INSERT", table);
    return std::unique_ptr<BulkInsert>(
        new BulkInsert(std::move(conn), std::string(table), std::move(columns)));
}

BulkInsert::BulkInsert(std::shared_ptr<Connection> conn, std::string table,
                       std::vector<Column> columns)
    : m_conn(std::move(conn)), m_table(std::move(table)), m_columns(std::move(columns)),
      m_prepared(std::make_unique<Prepared>()) {
    Prepared& p = *m_prepared;
    const std::size_t width = m_columns.size();
    p.groupRows = std::max<std::size_t>(1, std::min(kGroupRows, kMaxParameters / width));
    p.one = Statement(*m_conn, InsertText(m_table, width, 1));
    if (p.groupRows > 1)
        p.group = Statement(*m_conn, InsertText(m_table, width, p.groupRows));
    p.values.resize(width * p.groupRows);
    p.integers.resize(width * p.groupRows);
}

BulkInsert::~BulkInsert() {
    m_prepared.reset();
    if (m_conn->InTransaction())
        sqlite3_exec(m_conn->Handle(), "rollback", nullptr, nullptr, nullptr);
}

void BulkInsert::Begin() {
    if (m_conn->InTransaction())
        throw Error("25000", 3902, "A transaction is already open in this session.");
    m_prepared->rows = 0;
    m_conn->Exec("begin immediate");
}

void BulkInsert::Commit() {
    if (!m_conn->InTransaction())
        throw Error("25000", 3902,
                    "The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION.");
    Flush();
    m_conn->Exec("commit");
}

void BulkInsert::Rollback() {
    m_prepared->rows = 0;
    if (!m_conn->InTransaction())
        throw Error("25000", 3903,
                    "The ROLLBACK TRANSACTION request has no corresponding BEGIN TRANSACTION.");
    m_conn->Exec("rollback");
}

std::optional<Error> BulkInsert::CheckValue(std::size_t column,
                                            const std::optional<std::string>& value) const {
    return embsql::CheckValue(m_columns.at(column), m_table, value);
}

void BulkInsert::Insert(const std::vector<std::optional<std::string>>& values) {
    const std::size_t width = m_columns.size();
    if (values.size() != width)
        throw Error("21S01", 213,
                    "Column name or number of supplied values does not match table definition: "
                    "table '" +
                        m_table + "' has " + std::to_string(width) + " columns, " +
                        std::to_string(values.size()) + " values were given.");
    Prepared& p = *m_prepared;
    const std::size_t base = p.rows * width;
    for (std::size_t i = 0; i < width; ++i)
        CheckColumnValue(m_columns[i], m_table, values[i], p.integers[base + i]);
    for (std::size_t i = 0; i < width; ++i) {
        std::optional<std::string>& slot = p.values[base + i];
        if (!values[i])
            slot.reset();
        else if (slot)
            slot->assign(*values[i]);
        else
            slot.emplace(*values[i]);
    }
    ++p.rows;
    // Outside a transaction every row is its own, so none may wait.
    if (p.rows == p.groupRows || !m_conn->InTransaction())
        Flush();
}

void BulkInsert::Flush() {
    Prepared& p = *m_prepared;
    const std::size_t width = m_columns.size();
    const std::size_t rows = p.rows;
    p.rows = 0; // sent or failed, the held rows are done with
    const bool whole = rows == p.groupRows && p.groupRows > 1;
    const std::size_t rowsPerStep = whole ? p.groupRows : 1;
    sqlite3_stmt* stmt = whole ? p.group.Get() : p.one.Get();
    for (std::size_t first = 0; first < rows; first += rowsPerStep) {
        for (std::size_t k = 0; k < rowsPerStep * width; ++k) {
            const std::size_t at = first * width + k;
            const int index = static_cast<int>(k) + 1;
            const std::optional<std::string>& value = p.values[at];
            // The slots outlive the step, so SQLite may read them in place.
            if (!value)
                sqlite3_bind_null(stmt, index);
            else if (m_columns[k % width].isInteger)
                sqlite3_bind_int64(stmt, index, p.integers[at]);
            else
                sqlite3_bind_text(stmt, index, value->data(), static_cast<int>(value->size()),
                                  SQLITE_STATIC);
        }
        (whole ? p.group : p.one).Step(); // resets the statement itself when it fails
        sqlite3_reset(stmt);
    }
}

} // namespace embsql
