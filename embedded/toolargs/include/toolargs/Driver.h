// osql and bcp through an installed ODBC driver instead of the embedded
// engine: the driver named by $EMBSQL_TOOLS_DRIVER, the connection, the
// driver's diagnostics as the tools report them, results read as the
// engine's, and rows sent as multi-row inserts.
#pragma once

#include "embsql/Engine.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tooldriver {

// The ODBC driver named by $EMBSQL_TOOLS_DRIVER (as odbcinst.ini registers
// it); nullopt when the variable is unset or empty: the tools then run the
// embedded engine in their own process.
std::optional<std::string> DriverFromEnvironment();

// The connection string of the tools' -S, -d, -U and -P on `driver`: the
// server as -S gives it (host, host,port or host\instance; "(local)" and
// "." are this machine; a host alone is given SQL Server's port, 1433),
// values in braces where they hold what would end them, then the keys of
// $EMBSQL_TOOLS_CONNECT when it is set (say "TrustServerCertificate=yes"
// for a driver that insists on encryption).
std::string ConnectString(std::string_view driver, std::string_view server,
                          std::string_view database, std::string_view login,
                          std::string_view password);

// One diagnostic record of the driver.
struct Diagnostic {
    std::string sqlState;
    int nativeError = 0;
    std::string text; // as the driver gives it, with its [origin] prefixes

    // A message of the server (a numbered one that is not a failure to
    // connect) rather than of the driver.
    bool FromServer() const;
    // The server's text without the driver's [origin] prefixes.
    std::string ServerText() const;
    // The severity a SQL server gives the message (the driver does not pass
    // it on): 14 for a refused login or permission, 16 otherwise.
    int Level() const;
};

// A failed ODBC call. As an embsql::Error it is its first record, the
// server's messages coming first: the server's text (without prefixes) or,
// from the driver alone, the driver's whole text.
class DriverError : public embsql::Error {
public:
    explicit DriverError(std::vector<Diagnostic> records);
    const std::vector<Diagnostic>& Records() const { return m_records; }
    bool FromServer() const { return !m_records.empty() && m_records.front().FromServer(); }

private:
    DriverError(std::vector<Diagnostic> ordered, int);
    std::vector<Diagnostic> m_records;
};

class Connection {
public:
    // Connects (SQLDriverConnect, no prompt) with autocommit on or off.
    // Throws DriverError when the driver or the server refuses.
    static std::unique_ptr<Connection> Open(const std::string& connectString, bool autocommit);
    ~Connection(); // rolls back what is not committed, then disconnects
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Runs `sql` as one batch and hands its results to `each` in order: a
    // result set as the engine's results read (Columns, Next, Value), a
    // statement without one as its count of rows (-1 when it counts none).
    // Throws DriverError, after handing on the results before the failure.
    void Execute(const std::string& sql, const std::function<void(embsql::Result&)>& each);

    // The columns of `table` in order (SQLColumns), as the engine describes
    // a table's: whole numbers, text with its length (0: no limit), and
    // whether NULL is allowed. Empty when the server shows no such table.
    // Throws DriverError.
    std::vector<embsql::Column> TableColumns(const std::string& table);

    // End the transaction (autocommit off). Throw DriverError.
    void Commit();
    void Rollback();

    struct Handles;
    Handles& Get() { return *m_handles; }

private:
    explicit Connection(std::unique_ptr<Handles> handles);
    std::unique_ptr<Handles> m_handles;
};

// An insert of rows into one table, sent as multi-row inserts with a
// parameter per value ("values (?, ?), (?, ?), ..."), so that one request
// carries many rows with any driver. Values go as text; the server converts
// them to its columns.
class RowSender {
public:
    // Prepares "insert into [table] ([c1], ...) values (?, ...), ..." for
    // `columns` on `connection`, with up to `rowsPerCall` rows (fewer where a
    // SQL server's limits of 1,000 rows and 2,100 parameters a request
    // require; always a divisor of it). Throws DriverError.
    RowSender(Connection& connection, const std::string& table,
              const std::vector<embsql::Column>& columns, std::size_t rowsPerCall);
    ~RowSender();
    RowSender(const RowSender&) = delete;
    RowSender& operator=(const RowSender&) = delete;

    // Holds one row back (values in column order, nullopt for NULL); sends
    // the rows held when they fill a statement. Throws DriverError when the
    // server refuses a row sent.
    void Add(const std::vector<std::optional<std::string>>& values);
    // Sends the rows held back. Throws DriverError.
    void Send();
    // Forgets the rows held back.
    void Drop();

private:
    struct Buffers; // the values held back, a column at a time, and the statements
    std::unique_ptr<Buffers> m_buffers;
};

} // namespace tooldriver
