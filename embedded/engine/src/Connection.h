// One SQLite connection as the engine uses it: opening with the engine's
// settings and functions, prepared statements, and the translation of
// SQLite's failures into SQL Server's errors.
#pragma once

#include "embsql/Engine.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;
struct sqlite3_context;
struct sqlite3_value;

namespace embsql {

// Names of the engine's own tables, hidden from clients.
inline constexpr std::string_view kLoginTable = "embsql_login";
inline constexpr std::string_view kProcedureTable = "embsql_procedure";
bool IsInternalTable(std::string_view name);

// How long a statement waits for a database another session holds.
inline constexpr std::chrono::milliseconds kDefaultBusyTimeout{10000};

// What a connection's login may do: everything (an administrator, or the
// database's owner working through Admin), or what it was granted.
class Rights {
public:
    bool all = false;
    void Grant(std::string_view action, std::string_view object);
    bool Allows(std::string_view action, std::string_view object) const;

private:
    std::set<std::string> m_granted; // "ACTION object", the object in lower case
};

// A result still reading rows from the connection, which must take the rest
// of its rows into memory before the same connection writes: SQLite would
// otherwise let the reader see the writer's changes halfway through.
class PendingReader {
public:
    virtual void Detach() = 0;

protected:
    ~PendingReader() = default;
};

class Connection {
public:
    // Opens the file, creating it (and nothing above it) when `create` is
    // set. Turns on WAL and the busy timeout, registers raise_error(text)
    // and suser_sname(). Throws Error 42000/4060 when the file cannot be
    // opened as a database.
    static std::shared_ptr<Connection> Open(const std::filesystem::path& file,
                                            std::string_view database, bool create);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* Handle() const { return m_db; }
    const std::string& Database() const { return m_database; }
    void SetLogin(std::string login) { m_login = std::move(login); }
    const std::string& Login() const { return m_login; }
    void SetBusyTimeout(std::chrono::milliseconds timeout);

    void SetRights(Rights rights) { m_rights = std::move(rights); }
    const Rights& GetRights() const { return m_rights; }
    // Throws Error 42000/229 "The ACTION permission was denied on the object
    // 'OBJECT', database 'DB', schema 'dbo'." unless the login may.
    void Require(std::string_view action, std::string_view object) const;

    // While set, statements being prepared may only read tables that are not
    // the engine's own and that the login may select from (plain client
    // queries).
    void SetClientQueryMode(bool on);

    void AddReader(PendingReader* reader);
    void RemoveReader(PendingReader* reader);
    // Detaches every pending reader; called before this connection writes.
    // Throws Error when a reader fails to read its rows.
    void DetachReaders();

    // Runs statements that give no rows. Throws Error.
    void Exec(std::string_view sql);
    bool InTransaction() const;

    // The Error for SQLite result code `rc` on this connection: an error
    // raised by raise_error(), a refused object, or SQLite's own failure.
    Error Translate(int rc);
    [[noreturn]] void Fail(int rc) { throw Translate(rc); }

private:
    explicit Connection(sqlite3* db, std::string database);
    static void RaiseError(sqlite3_context* ctx, int argc, sqlite3_value** argv);
    static void UserName(sqlite3_context* ctx, int argc, sqlite3_value** argv);
    static int Authorize(void* self, int action, const char* a, const char* b, const char* c,
                         const char* d);

    sqlite3* m_db;
    std::string m_database;
    std::string m_login;
    std::chrono::milliseconds m_busyTimeout = kDefaultBusyTimeout;
    bool m_clientQuery = false;
    bool m_raised = false;
    std::string m_raisedText;
    Rights m_rights;
    std::string m_deniedTable;
    std::string m_deniedSelect;
    bool m_deniedAction = false;
    std::vector<PendingReader*> m_readers;
};

// A prepared statement, finalized on destruction.
class Statement {
public:
    Statement() = default;
    // Prepares the first statement of `sql`; `tail` (if given) receives the
    // offset where the rest begins. An empty statement leaves Get() null.
    Statement(Connection& conn, std::string_view sql, std::size_t* tail = nullptr);
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;

    sqlite3_stmt* Get() const { return m_stmt; }
    explicit operator bool() const { return m_stmt != nullptr; }
    // Steps once: true for a row, false when done. Throws Error.
    bool Step();
    void Reset();
    void BindText(int index, std::string_view text);
    void BindInt(int index, long long value);
    void BindNull(int index);

private:
    Connection* m_conn = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
};

// Quotes a name for SQLite ("" doubles an embedded quote).
std::string QuoteName(std::string_view name);

// The columns of an ordinary table of the database, or an empty list when it
// has none or is one of the engine's own. Throws Error.
std::vector<Column> TableColumns(Connection& conn, std::string_view table);

// Checks a value before it is bound into `column` of `table`, and reads a
// whole number for an integer column into `integer`. Throws Error: 23000/515
// NULL in a column without nulls, 22018/245 not a whole number, 22001/8152
// text longer than the column.
void CheckColumnValue(const Column& column, std::string_view table,
                      const std::optional<std::string>& value, long long& integer);

// The column description of a declared SQLite type such as "varchar(20)".
Column ColumnFromDeclaredType(std::string name, const char* declaredType, bool nullable);

} // namespace embsql
