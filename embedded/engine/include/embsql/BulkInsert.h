// The engine's fast path for bulk loading: one table's inserts on a
// connection of its own, sent to SQLite many rows per statement.
#pragma once

#include "embsql/Engine.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace embsql {

class Connection;

class BulkInsert {
public:
    // Logs in as Session::Connect does, then prepares the insert into
    // `table`. Throws the errors of Session::Connect, 42S02/208 "Invalid
    // object name 'TABLE'." when the table does not exist, and 42000/229
    // when the login may not insert into it.
    static std::unique_ptr<BulkInsert> Open(std::string_view server, std::string_view database,
                                            std::string_view login, std::string_view password,
                                            std::string_view table);
    ~BulkInsert(); // rolls back an open transaction
    BulkInsert(const BulkInsert&) = delete;
    BulkInsert& operator=(const BulkInsert&) = delete;

    // The table's columns, in order.
    const std::vector<Column>& Columns() const { return m_columns; }

    // Transactions as Session's: Begin throws 25000 when one is open,
    // Commit and Rollback when none is; HYT00 when the database stays busy.
    void Begin();
    void Commit();
    void Rollback();

    // The check Insert makes of the value of column `column` (0-based):
    // nullopt when it fits, otherwise the Error that Insert would throw.
    std::optional<Error> CheckValue(std::size_t column,
                                    const std::optional<std::string>& value) const;

    // Inserts one row, values in column order (nullopt for NULL). Checks
    // each value as Session::Insert does and throws the same errors (21S01
    // wrong count, 23000/515 NULL, 22018/245 not a whole number, 22001/8152
    // too long); a row that fails them is not kept. Inside a transaction the
    // rows are sent in groups, so what the database itself refuses (a
    // constraint, a full disk) may surface at a later Insert or at Commit;
    // the transaction must then be rolled back.
    void Insert(const std::vector<std::optional<std::string>>& values);

private:
    friend std::unique_ptr<BulkInsert> OpenBulkInsertOn(std::shared_ptr<Connection> conn,
                                                        std::string_view table);
    struct Prepared;
    BulkInsert(std::shared_ptr<Connection> conn, std::string table, std::vector<Column> columns);
    // Sends the rows held back, one group statement or row by row.
    void Flush();

    std::shared_ptr<Connection> m_conn;
    std::string m_table;
    std::vector<Column> m_columns;
    std::unique_ptr<Prepared> m_prepared;
};

} // namespace embsql
