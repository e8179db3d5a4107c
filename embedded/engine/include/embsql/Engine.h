// The embedded server's engine: sessions on SQLite database files addressed
// by server and database name, the statement forms the program and the
// tools send, stored procedures kept in the database, and bulk loading.
#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace embsql {

// A database error as SQL Server reports it: SQLSTATE, native error number,
// severity and message text (without any origin prefix).
class Error : public std::runtime_error {
public:
    Error(std::string sqlState, int nativeError, const std::string& message, int severity = 16);
    const std::string& SqlState() const { return m_sqlState; }
    int NativeError() const { return m_nativeError; }
    int Severity() const { return m_severity; }

private:
    std::string m_sqlState;
    int m_nativeError;
    int m_severity;
};

// The folder that holds every server's databases: $EMBSQL_DATA_DIR when set,
// otherwise /var/lib/solvanetoorbelle/embedded.
std::filesystem::path DataDir();

// The file of one database: <DataDir>/<server>/<database>.sqlite, names
// folded to lower case (SQL Server names are case-insensitive). Throws Error
// for a name that cannot be a file name (empty, '/', "..", control chars).
std::filesystem::path DatabasePath(std::string_view server, std::string_view database);

// One column of a result set or of a table. A column of an expression
// (count(*), say) is a whole number when its value in the first row is one.
struct Column {
    std::string name;
    bool isInteger = false;    // otherwise text
    std::size_t maxLength = 0; // characters for text; 0 means no limit
    bool nullable = true;
    // A whole number that may not fit 32 bits: declared bigint (or SQLite's
    // 64-bit integer), or computed with a first value beyond 32 bits.
    bool isBig = false;
    bool declared = true; // false for a computed column (count(*), 'a' || b): no type
};

// What a result knows of one column's values before they are read.
struct ValueExtent {
    std::size_t longest = 0; // bytes of the longest value that is not NULL
    bool anyNull = false;
};

// The value of a parameter marker (?) of a statement: NULL, a whole number
// or text.
using ParamValue = std::variant<std::monostate, long long, std::string>;

// The parameter markers (?) of a statement; those in strings, quoted names
// and comments do not count. Throws Error for an unclosed quotation mark or
// comment.
std::size_t CountParameterMarkers(std::string_view statement);

// One result of a statement: a result set (Columns() not empty) that is read
// row by row, or only a count of affected rows.
class Result {
public:
    virtual ~Result() = default;
    virtual const std::vector<Column>& Columns() const = 0;
    // One extent per column when the result holds all its rows before it
    // hands out the first (a procedure's results do); nullptr when its rows
    // are read as the statement runs.
    virtual const std::vector<ValueExtent>* Extents() const { return nullptr; }
    // Moves to the next row; false once the rows are exhausted. Throws Error.
    virtual bool Next() = 0;
    // The current row's value of column i, or nullopt for NULL. Valid until
    // the next call of Next().
    virtual std::optional<std::string_view> Value(std::size_t i) const = 0;
    // Rows inserted, updated or deleted; -1 when the statement counts none.
    virtual long long RowsAffected() const = 0;
};

// The check a value of `column` (of table `table`) must pass to be inserted:
// nullopt when it fits, otherwise the error an insert throws for it: 23000/515
// NULL in a column without NULLs, 22018/245 not a whole number for a whole
// number's column, 22001/8152 text longer than the column holds.
std::optional<Error> CheckValue(const Column& column, std::string_view table,
                                const std::optional<std::string>& value);

// Reads the remaining rows of `source` into a result that keeps them in a
// temporary file once they outgrow a small buffer, and knows their extents.
// Throws what source.Next() throws, and Error HY000/1105 when the file
// cannot be written.
std::unique_ptr<Result> Spool(Result& source);

class BulkInsert;

class Session {
public:
    // Opens database `database` of server `server` for `login`, which takes
    // as long for an unknown name as for a wrong password. Throws Error:
    // 28000/18456 "Login failed for user 'LOGIN'." for a wrong or unknown
    // login, 08001/53 when the server has no folder under DataDir(), and
    // 42000/4060 "Cannot open database "DB" requested by the login. The login
    // failed." when the database does not exist.
    static std::unique_ptr<Session> Connect(std::string_view server, std::string_view database,
                                            std::string_view login, std::string_view password);
    virtual ~Session() = default;

    // How long a statement waits for a database that another session holds
    // before it fails with HYT00 (10 seconds unless set).
    virtual void SetBusyTimeout(std::chrono::milliseconds timeout) = 0;
    // The login this session was opened for, as the database spells it.
    virtual const std::string& Login() const = 0;
    // A bulk insert into `table` for this session's login on a connection of
    // its own (with transactions of its own), its rights read afresh but its
    // password not checked again. Throws as BulkInsert::Open does for the
    // table.
    virtual std::unique_ptr<BulkInsert> OpenBulkInsert(std::string_view table) = 0;

    // Runs one statement: a plain select; {call p}'a','b'; {call p('a','b')};
    // exec/execute p 'a', 2; truncate table t; insert [into] t [(c, ...)]
    // values (v, ...)[, (v, ...)]. Its parameter markers (?, in a select, as
    // a procedure's argument or as an inserted value) take `params` in order;
    // values beyond the markers are not used. Returns its results in order
    // (a procedure gives one per select of its body, an insert the count of
    // its rows). A procedure runs in one transaction; an insert keeps all its
    // rows or none, each value checked as Insert checks it (columns left out
    // are NULL). The login needs SELECT on every table a query reads,
    // EXECUTE on a procedure (whose body runs with its owner's rights), ALTER
    // on a table it truncates and INSERT on one it inserts into, unless it is
    // an administrator; rights are read afresh for every statement. Throws
    // Error: 42S22/207 for an insert's unknown column, 21S01/109 and 110 for
    // rows of another length than its column list, 42S02/208 "Invalid
    // object name 'X'.", 42000/2812 "Could not find stored procedure 'X'.",
    // 42000/229 "The SELECT permission was denied on the object 'X',
    // database 'D', schema 'dbo'." (or EXECUTE), 42000/1088 "Cannot find the
    // object "X" because it does not exist or you do not have permissions."
    // for a truncate, 42000/102 syntax errors, 07002 "COUNT field incorrect"
    // when a marker has no value, 42000/137 for a @variable, 42000/50000 an
    // error a procedure body raised, HYT00 a database that stayed busy.
    virtual std::vector<std::unique_ptr<Result>>
    Execute(std::string_view statement, const std::vector<ParamValue>& params = {}) = 0;

    // The columns of a table, in order. Throws 42S02/208 when it is missing.
    virtual std::vector<Column> DescribeTable(std::string_view table) = 0;

    // Bulk loading: inserts rows into a table inside explicit transactions.
    // Begin throws 25000 when a transaction is open already, Commit and
    // Rollback when none is; the session's destructor rolls back an open one.
    virtual void Begin() = 0;
    virtual void Commit() = 0;
    virtual void Rollback() = 0;
    // Inserts one row (values in column order, nullopt for NULL). Throws Error
    // when a value does not fit its column or a constraint fails, 42000/229
    // when the login may not INSERT into the table.
    virtual void Insert(std::string_view table,
                        const std::vector<std::optional<std::string>>& values) = 0;
};

} // namespace embsql
