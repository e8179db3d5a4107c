// The engine's SQLite connection: opening, its SQL functions, the guard on
// client queries, prepared statements and the translation of failures.
#include "Connection.h"

#include "Tokenizer.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <charconv>

namespace embsql {
namespace {

std::string StripSchema(std::string name) {
    for (std::string_view prefix : {"main.", "temp."})
        if (name.rfind(prefix, 0) == 0)
            return name.substr(prefix.size());
    return name;
}

// The text after `prefix` in `message`, or empty when it does not start so.
std::string After(std::string_view message, std::string_view prefix) {
    if (message.substr(0, prefix.size()) != prefix)
        return {};
    return std::string(message.substr(prefix.size()));
}

Error TranslateMessage(int rc, std::string_view message) {
    const int primary = rc & 0xff;
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
        return Error("HYT00", 1222, "Lock request timed out: the database stayed busy.");
    if (primary == SQLITE_CONSTRAINT) {
        if (std::string column = After(message, "NOT NULL constraint failed: "); !column.empty())
            return Error("23000", 515,
                         "Cannot insert the value NULL into column '" + column +
                             "'; column does not allow nulls.");
        if (rc == SQLITE_CONSTRAINT_PRIMARYKEY || rc == SQLITE_CONSTRAINT_UNIQUE)
            return Error("23000", 2627,
                         "Violation of UNIQUE KEY constraint: cannot insert duplicate key (" +
                             After(message, "UNIQUE constraint failed: ") + ").");
        return Error("23000", 547,
                     "The statement conflicted with a constraint: " + std::string(message) + ".");
    }
    if (std::string table = After(message, "no such table: "); !table.empty())
        return Error("42S02", 208, "Invalid object name '" + StripSchema(table) + "'.");
    if (std::string column = After(message, "no such column: "); !column.empty())
        return Error("42S22", 207, "Invalid column name '" + column + "'.");
    if (std::string function = After(message, "no such function: "); !function.empty())
        return Error("42000", 195,
                     "'" + function + "' is not a recognized built-in function name.");
    if (message.rfind("near \"", 0) == 0) {
        const std::size_t close = message.find("\": syntax error");
        if (close != std::string_view::npos)
            return Error("42000", 102,
                         "Incorrect syntax near '" + std::string(message.substr(6, close - 6)) +
                             "'.");
    }
    if (message == "incomplete input")
        return Error("42000", 102, "Incorrect syntax near the end of the statement.");
    if (primary == SQLITE_READONLY)
        return Error("HY000", 3906, "Failed to update database because the database is read-only.");
    if (primary == SQLITE_FULL)
        return Error("HY000", 1105, "Could not allocate space: the disk is full.");
    if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT)
        return Error("HY000", 824, "The database file is damaged: " + std::string(message));
    if (primary == SQLITE_INTERRUPT)
        return Error("HY008", 0, "Operation canceled.");
    if (primary == SQLITE_NOMEM)
        return Error("HY001", 701, "There is insufficient memory to run this statement.");
    return Error("HY000", 50000 + primary, "Storage engine error: " + std::string(message));
}

} // namespace

namespace {

std::string RightKey(std::string_view action, std::string_view object) {
    std::string key;
    for (char c : action)
        key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return key + " " + ToLower(object);
}

Error PermissionDenied(std::string_view action, std::string_view object,
                       std::string_view database) {
    return Error("42000", 229,
                 "The " + std::string(action) + " permission was denied on the object '" +
                     std::string(object) + "', database '" + std::string(database) +
                     "', schema 'dbo'.",
                 14);
}

} // namespace

void Rights::Grant(std::string_view action, std::string_view object) {
    m_granted.insert(RightKey(action, object));
}

bool Rights::Allows(std::string_view action, std::string_view object) const {
    return all || m_granted.count(RightKey(action, object)) != 0;
}

void Connection::Require(std::string_view action, std::string_view object) const {
    if (!m_rights.Allows(action, object))
        throw PermissionDenied(action, object, m_database);
}

bool IsInternalTable(std::string_view name) {
    const std::string lower = ToLower(name);
    return lower.rfind("embsql_", 0) == 0 || lower.rfind("sqlite_", 0) == 0;
}

Connection::Connection(sqlite3* db, std::string database)
    : m_db(db), m_database(std::move(database)) {}

Connection::~Connection() {
    sqlite3_close_v2(m_db);
}

std::shared_ptr<Connection> Connection::Open(const std::filesystem::path& file,
                                             std::string_view database, bool create) {
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(file.c_str(), &db, flags, nullptr);
    std::shared_ptr<Connection> conn(new Connection(db, std::string(database)));
    const std::string cannotOpen = "Cannot open database \"" + std::string(database) +
                                   "\" requested by the login. The login failed.";
    if (rc != SQLITE_OK)
        throw Error("42000", 4060, cannotOpen);
    sqlite3_extended_result_codes(db, 1);
    sqlite3_create_function(db, "raise_error", 1, SQLITE_UTF8, conn.get(), &RaiseError, nullptr,
                            nullptr);
    sqlite3_create_function(db, "suser_sname", 0, SQLITE_UTF8, conn.get(), &UserName, nullptr,
                            nullptr);
    sqlite3_set_authorizer(db, &Authorize, conn.get());
    conn->SetBusyTimeout(conn->m_busyTimeout);
    try {
        // WAL lets the program's connection read while a tool writes.
        conn->Exec("pragma journal_mode = wal");
        conn->Exec("pragma synchronous = normal");
        conn->Exec("pragma foreign_keys = on");
        // A bulk conversion touches a large temporary table and several
        // indexes at once; SQLite's default 2 MB cache makes it thrash.
        // 16 MB does not, and bounds what a tool holds however large the
        // data: pages are only allocated as they are used, and sorts spill
        // to temporary files beyond the same size.
        conn->Exec("pragma cache_size = -16384");
    } catch (const Error& e) {
        if (e.SqlState() == "HYT00")
            throw;
        throw Error("42000", 4060, cannotOpen + " " + e.what());
    }
    return conn;
}

void Connection::SetBusyTimeout(std::chrono::milliseconds timeout) {
    m_busyTimeout = timeout;
    sqlite3_busy_timeout(m_db, static_cast<int>(timeout.count()));
}

void Connection::SetClientQueryMode(bool on) {
    m_clientQuery = on;
    m_deniedTable.clear();
    m_deniedSelect.clear();
    m_deniedAction = false;
}

void Connection::AddReader(PendingReader* reader) {
    m_readers.push_back(reader);
}

void Connection::RemoveReader(PendingReader* reader) {
    std::erase(m_readers, reader);
}

void Connection::DetachReaders() {
    // Detach() removes the reader from the list.
    while (!m_readers.empty())
        m_readers.back()->Detach();
}

void Connection::Exec(std::string_view sql) {
    std::size_t offset = 0;
    while (offset < sql.size()) {
        std::size_t tail = 0;
        Statement stmt(*this, sql.substr(offset), &tail);
        if (!stmt)
            break;
        while (stmt.Step()) {
        }
        offset += tail;
    }
}

bool Connection::InTransaction() const {
    return sqlite3_get_autocommit(m_db) == 0;
}

Error Connection::Translate(int rc) {
    if (m_raised) {
        m_raised = false;
        return Error("42000", 50000, m_raisedText);
    }
    if (!m_deniedTable.empty()) {
        std::string table = std::move(m_deniedTable);
        m_deniedTable.clear();
        return Error("42S02", 208, "Invalid object name '" + table + "'.");
    }
    if (!m_deniedSelect.empty()) {
        const std::string table = std::move(m_deniedSelect);
        m_deniedSelect.clear();
        return PermissionDenied("SELECT", table, m_database);
    }
    if (m_deniedAction) {
        m_deniedAction = false;
        return Error("42000", 229,
                     "The statement is not permitted: a plain statement may only read tables.");
    }
    return TranslateMessage(rc, sqlite3_errmsg(m_db));
}

void Connection::RaiseError(sqlite3_context* ctx, int, sqlite3_value** argv) {
    auto* self = static_cast<Connection*>(sqlite3_user_data(ctx));
    const unsigned char* text = sqlite3_value_text(argv[0]);
    self->m_raised = true;
    self->m_raisedText = text ? reinterpret_cast<const char*>(text) : "";
    sqlite3_result_error(ctx, self->m_raisedText.c_str(), -1);
}

void Connection::UserName(sqlite3_context* ctx, int, sqlite3_value**) {
    auto* self = static_cast<Connection*>(sqlite3_user_data(ctx));
    sqlite3_result_text(ctx, self->m_login.c_str(), -1, SQLITE_TRANSIENT);
}

int Connection::Authorize(void* data, int action, const char* a, const char*, const char*,
                          const char*) {
    auto* self = static_cast<Connection*>(data);
    if (!self->m_clientQuery)
        return SQLITE_OK;
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_FUNCTION:
    case SQLITE_RECURSIVE:
        return SQLITE_OK;
    case SQLITE_READ:
        if (a != nullptr && IsInternalTable(a)) {
            self->m_deniedTable = a;
            return SQLITE_DENY;
        }
        if (a != nullptr && !self->m_rights.Allows("SELECT", a)) {
            if (self->m_deniedSelect.empty())
                self->m_deniedSelect = a;
            return SQLITE_DENY;
        }
        return SQLITE_OK;
    default:
        self->m_deniedAction = true;
        return SQLITE_DENY;
    }
}

Statement::Statement(Connection& conn, std::string_view sql, std::size_t* tail) : m_conn(&conn) {
    const char* rest = nullptr;
    const int rc =
        sqlite3_prepare_v2(conn.Handle(), sql.data(), static_cast<int>(sql.size()), &m_stmt, &rest);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        conn.Fail(rc);
    }
    if (tail != nullptr)
        *tail = rest != nullptr ? static_cast<std::size_t>(rest - sql.data()) : sql.size();
}

Statement::~Statement() {
    sqlite3_finalize(m_stmt);
}

Statement::Statement(Statement&& other) noexcept : m_conn(other.m_conn), m_stmt(other.m_stmt) {
    other.m_stmt = nullptr;
}

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(m_stmt);
        m_conn = other.m_conn;
        m_stmt = other.m_stmt;
        other.m_stmt = nullptr;
    }
    return *this;
}

bool Statement::Step() {
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    sqlite3_reset(m_stmt);
    m_conn->Fail(rc);
}

void Statement::Reset() {
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

void Statement::BindText(int index, std::string_view text) {
    sqlite3_bind_text(m_stmt, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void Statement::BindInt(int index, long long value) {
    sqlite3_bind_int64(m_stmt, index, value);
}

void Statement::BindNull(int index) {
    sqlite3_bind_null(m_stmt, index);
}

std::string QuoteName(std::string_view name) {
    std::string quoted = "\"";
    for (char c : name) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + "\"";
}

std::vector<Column> TableColumns(Connection& conn, std::string_view table) {
    std::vector<Column> columns;
    if (IsInternalTable(table))
        return columns;
    Statement stmt(conn, "select name, type, \"notnull\" from pragma_table_info(?1) "
                         "where exists (select 1 from sqlite_schema where type = 'table' and "
                         "name = ?1 collate nocase) order by cid");
    stmt.BindText(1, table);
    while (stmt.Step()) {
        sqlite3_stmt* s = stmt.Get();
        columns.push_back(
            ColumnFromDeclaredType(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)),
                                   reinterpret_cast<const char*>(sqlite3_column_text(s, 1)),
                                   sqlite3_column_int(s, 2) == 0));
    }
    return columns;
}

void CheckColumnValue(const Column& column, std::string_view table,
                      const std::optional<std::string>& value, long long& integer) {
    if (!value) {
        if (!column.nullable)
            throw Error("23000", 515,
                        "Cannot insert the value NULL into column '" + column.name + "', table '" +
                            std::string(table) + "'; column does not allow nulls. INSERT fails.");
        return;
    }
    if (column.isInteger) {
        if (ParseWholeNumber(*value, integer) != NumberText::Ok)
            throw Error("22018", 245,
                        "Invalid character value for a number: column '" + column.name +
                            "' takes a whole number.");
    } else if (column.maxLength != 0 && value->size() > column.maxLength) {
        throw Error("22001", 8152,
                    "String data, right truncation: column '" + column.name + "' holds at most " +
                        std::to_string(column.maxLength) + " characters.");
    }
}

std::optional<Error> CheckValue(const Column& column, std::string_view table,
                                const std::optional<std::string>& value) {
    long long integer = 0;
    try {
        CheckColumnValue(column, table, value, integer);
    } catch (const Error& e) {
        return e;
    }
    return std::nullopt;
}

Column ColumnFromDeclaredType(std::string name, const char* declaredType, bool nullable) {
    Column column;
    column.name = std::move(name);
    column.nullable = nullable;
    const std::string type = ToLower(declaredType != nullptr ? declaredType : "");
    column.isInteger = type.find("int") != std::string::npos;
    column.isBig = type.find("bigint") != std::string::npos || type == "integer";
    const std::size_t open = type.find('(');
    if (!column.isInteger && type.find("char") != std::string::npos && open != std::string::npos) {
        std::size_t length = 0;
        const char* first = type.data() + open + 1;
        const char* last = type.data() + type.size();
        if (std::from_chars(first, last, length).ec == std::errc())
            column.maxLength = length;
    }
    return column;
}

} // namespace embsql
