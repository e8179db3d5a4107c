// The bulk-loading fast path: one prepared insert, values bound without a
// copy, the checks of Session::Insert without its per-call look-ups.
#include "embsql/BulkInsert.h"

#include "Connection.h"
#include "Tokenizer.h"

#include <sqlite3.h>

namespace embsql {

struct BulkInsert::Prepared {
    Statement stmt;
};

namespace {

void Check(const Column& column, const std::string& table, const std::optional<std::string>& value,
           long long& integer) {
    if (!value) {
        if (!column.nullable)
            throw Error("23000", 515,
                        "Cannot insert the value NULL into column '" + column.name + "', table '" +
                            table + "'; column does not allow nulls. INSERT fails.");
        return;
    }
    if (column.isInteger) {
        if (ParseWholeNumber(*value, integer) != NumberText::Ok)
            throw Error("22018", 245,
                        "Invalid character value for cast specification: column '" + column.name +
                            "' takes a whole number.");
    } else if (column.maxLength != 0 && value->size() > column.maxLength) {
        throw Error("22001", 8152,
                    "String data, right truncation: column '" + column.name + "' holds at most " +
                        std::to_string(column.maxLength) + " characters.");
    }
}

} // namespace

std::unique_ptr<BulkInsert> BulkInsert::Open(std::string_view server, std::string_view database,
                                             std::string_view login, std::string_view password,
                                             std::string_view table) {
    // The session checks the login; the load runs on a connection of its own
    // so that its statement is prepared once for the whole file.
    const std::unique_ptr<Session> session = Session::Connect(server, database, login, password);
    std::vector<Column> columns = session->DescribeTable(table);
    std::shared_ptr<Connection> conn =
        Connection::Open(DatabasePath(server, database), database, false);
    conn->SetLogin(session->Login());
    // A load rewrites the same table pages over and over; a cache that holds
    // them keeps SQLite from spilling each one to the log many times.
    conn->Exec("pragma cache_size = -65536");
    return std::unique_ptr<BulkInsert>(
        new BulkInsert(std::move(conn), std::string(table), std::move(columns)));
}

BulkInsert::BulkInsert(std::shared_ptr<Connection> conn, std::string table,
                       std::vector<Column> columns)
    : m_conn(std::move(conn)), m_table(std::move(table)), m_columns(std::move(columns)),
      m_insert(std::make_unique<Prepared>()) {
    std::string sql = "insert into " + QuoteName(m_table) + " values(";
    for (std::size_t i = 0; i < m_columns.size(); ++i)
        sql += (i == 0 ? "?" : ",?");
    sql += ")";
    m_insert->stmt = Statement(*m_conn, sql);
}

BulkInsert::~BulkInsert() {
    m_insert.reset();
    if (m_conn->InTransaction())
        sqlite3_exec(m_conn->Handle(), "rollback", nullptr, nullptr, nullptr);
}

void BulkInsert::Begin() {
    if (m_conn->InTransaction())
        throw Error("25000", 3902, "A transaction is already open in this session.");
    m_conn->Exec("begin immediate");
}

void BulkInsert::Commit() {
    if (!m_conn->InTransaction())
        throw Error("25000", 3902,
                    "The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION.");
    m_conn->Exec("commit");
}

void BulkInsert::Rollback() {
    if (!m_conn->InTransaction())
        throw Error("25000", 3903,
                    "The ROLLBACK TRANSACTION request has no corresponding BEGIN TRANSACTION.");
    m_conn->Exec("rollback");
}

void BulkInsert::Insert(const std::vector<std::optional<std::string>>& values) {
    if (values.size() != m_columns.size())
        throw Error("21S01", 213,
                    "Column name or number of supplied values does not match table definition: "
                    "table '" +
                        m_table + "' has " + std::to_string(m_columns.size()) + " columns, " +
                        std::to_string(values.size()) + " values were given.");
    sqlite3_stmt* stmt = m_insert->stmt.Get();
    for (std::size_t i = 0; i < values.size(); ++i) {
        long long integer = 0;
        Check(m_columns[i], m_table, values[i], integer);
        const int index = static_cast<int>(i) + 1;
        // The values outlive the step, so SQLite may read them in place.
        if (!values[i])
            sqlite3_bind_null(stmt, index);
        else if (m_columns[i].isInteger)
            sqlite3_bind_int64(stmt, index, integer);
        else
            sqlite3_bind_text(stmt, index, values[i]->data(), static_cast<int>(values[i]->size()),
                              SQLITE_STATIC);
    }
    // Step() resets the statement itself when it fails.
    m_insert->stmt.Step();
    sqlite3_reset(stmt);
}

} // namespace embsql
