// The tools' connection through an ODBC driver: handles, the one checker of
// every call, results and multi-row inserts.
#include "toolargs/Driver.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace tooldriver {

struct Handle {
    SQLSMALLINT type = 0;
    SQLHANDLE handle = SQL_NULL_HANDLE;
    Handle() = default;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (handle != SQL_NULL_HANDLE)
            SQLFreeHandle(type, handle);
    }
};

struct Connection::Handles {
    Handle env;
    Handle dbc;
    bool connected = false;
};

namespace {

constexpr std::size_t kMaxLimitedText = 1u << 20; // longer columns count as unlimited

std::vector<Diagnostic> Collect(SQLSMALLINT type, SQLHANDLE handle) {
    std::vector<Diagnostic> records;
    for (SQLSMALLINT i = 1;; ++i) {
        SQLCHAR state[6] = {};
        SQLINTEGER native = 0;
        std::vector<SQLCHAR> text(512);
        SQLSMALLINT length = 0;
        SQLRETURN rc = SQLGetDiagRec(type, handle, i, state, &native, text.data(),
                                     static_cast<SQLSMALLINT>(text.size()), &length);
        if (rc == SQL_SUCCESS_WITH_INFO && static_cast<std::size_t>(length) >= text.size()) {
            text.resize(static_cast<std::size_t>(length) + 1);
            rc = SQLGetDiagRec(type, handle, i, state, &native, text.data(),
                               static_cast<SQLSMALLINT>(text.size()), &length);
        }
        if (!SQL_SUCCEEDED(rc))
            break;
        records.push_back({reinterpret_cast<const char*>(state), static_cast<int>(native),
                           std::string(reinterpret_cast<const char*>(text.data()),
                                       std::min<std::size_t>(static_cast<std::size_t>(length),
                                                             text.size() - 1))});
    }
    if (records.empty())
        records.push_back({"HY000", 0, "The ODBC driver failed and gave no reason."});
    return records;
}

// The one checker of the tools' ODBC calls: a failure becomes a DriverError
// with the handle's diagnostics. SQL_NO_DATA passes, for the caller to read.
SQLRETURN Check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle) {
    if (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO || rc == SQL_NO_DATA)
        return rc;
    if (rc == SQL_INVALID_HANDLE)
        throw DriverError({{"HY000", 0, "The ODBC driver was given an invalid handle."}});
    throw DriverError(Collect(type, handle));
}

void Allocate(Handle& out, SQLSMALLINT type, const Handle* parent) {
    out.type = type;
    const SQLHANDLE input = parent ? parent->handle : SQL_NULL_HANDLE;
    const SQLRETURN rc = SQLAllocHandle(type, input, &out.handle);
    if (!SQL_SUCCEEDED(rc)) {
        out.handle = SQL_NULL_HANDLE;
        if (parent == nullptr)
            throw DriverError({{"HY000", 0, "The ODBC driver manager cannot be started."}});
        Check(rc, parent->type, parent->handle);
    }
}

SQLRETURN StmtCheck(SQLRETURN rc, const Handle& stmt) {
    return Check(rc, SQL_HANDLE_STMT, stmt.handle);
}

// A connection-string value, in braces (with '}' doubled) when it holds what
// would end it early or would be trimmed. A '}' alone needs none: unbraced,
// a value runs to the next ';' in every parser, and FreeTDS does not read a
// doubled '}' in braces as one.
std::string Value(std::string_view value) {
    const bool braces =
        value.find(';') != std::string_view::npos ||
        (!value.empty() && (value.front() == '{' || value.front() == ' ' || value.back() == ' '));
    if (!braces)
        return std::string(value);
    std::string out = "{";
    for (char c : value) {
        out += c;
        if (c == '}')
            out += '}';
    }
    return out + "}";
}

embsql::Column ColumnOf(std::string name, SQLSMALLINT type, SQLULEN size, bool nullable) {
    embsql::Column column;
    column.name = std::move(name);
    column.nullable = nullable;
    switch (type) {
    case SQL_BIGINT:
        column.isBig = true;
        [[fallthrough]];
    case SQL_INTEGER:
    case SQL_SMALLINT:
    case SQL_TINYINT:
        column.isInteger = true;
        break;
    default:
        column.maxLength = size > 0 && size <= kMaxLimitedText ? size : 0;
        break;
    }
    return column;
}

// A column's value of the current row as text; false for NULL.
bool ReadText(const Handle& stmt, SQLUSMALLINT column, std::string& out) {
    out.clear();
    char buffer[4096];
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = StmtCheck(
            SQLGetData(stmt.handle, column, SQL_C_CHAR, buffer, sizeof buffer, &indicator), stmt);
        if (rc == SQL_NO_DATA)
            return true;
        if (indicator == SQL_NULL_DATA)
            return false;
        // Truncated (01004): the buffer is full but for its terminating zero.
        if (rc == SQL_SUCCESS_WITH_INFO &&
            (indicator == SQL_NO_TOTAL || indicator >= static_cast<SQLLEN>(sizeof buffer))) {
            out.append(buffer, sizeof buffer - 1);
            continue;
        }
        out.append(buffer, static_cast<std::size_t>(indicator));
        return true;
    }
}

// The current result set of a statement, read row by row.
class RowsResult : public embsql::Result {
public:
    RowsResult(const Handle& stmt, SQLSMALLINT count) : m_stmt(stmt) {
        for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(count); ++i) {
            SQLCHAR name[256] = {};
            SQLSMALLINT nameLength = 0;
            SQLSMALLINT type = 0;
            SQLULEN size = 0;
            SQLSMALLINT digits = 0;
            SQLSMALLINT nullable = SQL_NULLABLE_UNKNOWN;
            StmtCheck(SQLDescribeCol(stmt.handle, i, name, sizeof name, &nameLength, &type, &size,
                                     &digits, &nullable),
                      stmt);
            m_columns.push_back(ColumnOf(reinterpret_cast<const char*>(name), type, size,
                                         nullable != SQL_NO_NULLS));
        }
        m_values.resize(m_columns.size());
    }

    const std::vector<embsql::Column>& Columns() const override { return m_columns; }

    bool Next() override {
        if (StmtCheck(SQLFetch(m_stmt.handle), m_stmt) == SQL_NO_DATA)
            return false;
        for (std::size_t i = 0; i < m_values.size(); ++i) {
            std::string text;
            if (ReadText(m_stmt, static_cast<SQLUSMALLINT>(i + 1), text))
                m_values[i] = std::move(text);
            else
                m_values[i].reset();
        }
        return true;
    }

    std::optional<std::string_view> Value(std::size_t i) const override {
        if (!m_values.at(i))
            return std::nullopt;
        return std::string_view(*m_values[i]);
    }

    long long RowsAffected() const override { return -1; }

private:
    const Handle& m_stmt;
    std::vector<embsql::Column> m_columns;
    std::vector<std::optional<std::string>> m_values;
};

// A statement's count of rows, without a result set.
class CountResult : public embsql::Result {
public:
    explicit CountResult(long long rows) : m_rows(rows) {}
    const std::vector<embsql::Column>& Columns() const override { return m_none; }
    bool Next() override { return false; }
    std::optional<std::string_view> Value(std::size_t) const override { return std::nullopt; }
    long long RowsAffected() const override { return m_rows; }

private:
    std::vector<embsql::Column> m_none;
    long long m_rows;
};

std::string Bracketed(std::string_view name) {
    std::string out = "[";
    for (char c : name) {
        out += c;
        if (c == ']')
            out += ']';
    }
    return out + "]";
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

std::optional<std::string> DriverFromEnvironment() {
    const char* driver = std::getenv("EMBSQL_TOOLS_DRIVER");
    if (driver == nullptr || *driver == '\0')
        return std::nullopt;
    return std::string(driver);
}

std::string ConnectString(std::string_view driver, std::string_view server,
                          std::string_view database, std::string_view login,
                          std::string_view password) {
    std::string address = server.empty() || server == "(local)" || server == "."
                              ? std::string("localhost")
                              : std::string(server);
    // A server without a port or an instance is the default instance, on
    // SQL Server's port (which some drivers do not assume).
    if (address.find_first_of(",\\") == std::string::npos)
        address += ",1433";
    std::string text = "DRIVER=" + Value(driver) + ";SERVER=" + Value(address) +
                       ";DATABASE=" + Value(database) + ";UID=" + Value(login) +
                       ";PWD=" + Value(password);
    const char* more = std::getenv("EMBSQL_TOOLS_CONNECT");
    if (more != nullptr && *more != '\0')
        text += ";" + std::string(more);
    // Some drivers (FreeTDS) read a last value in braces up to the end of the
    // text, its closing brace included.
    if (text.back() != ';')
        text += ';';
    return text;
}

std::string Diagnostic::ServerText() const {
    // "[vendor][driver][SQL Server]text": the prefixes are the client's.
    std::size_t start = 0;
    while (start < text.size() && text[start] == '[') {
        const std::size_t close = text.find(']', start);
        if (close == std::string::npos)
            break;
        start = close + 1;
    }
    return text.substr(start);
}

bool Diagnostic::FromServer() const {
    // Drivers number some messages of their own: a failure to reach the
    // server or a warning is never the server's error, nor is one of
    // FreeTDS's own numbers (20000 to 20999).
    const bool freeTds =
        nativeError >= 20000 && nativeError < 21000 && text.rfind("[FreeTDS]", 0) == 0;
    return nativeError != 0 && sqlState.rfind("08", 0) != 0 && sqlState.rfind("01", 0) != 0 &&
           !freeTds;
}

int Diagnostic::Level() const {
    return nativeError == 18456 || nativeError == 229 ? 14 : 16;
}

namespace {

// Standard SQLSTATEs of server messages that drivers spell otherwise.
void StandardState(Diagnostic& d) {
    if (d.nativeError == 18456)
        d.sqlState = "28000"; // invalid authorization: a refused login
}

// The server's errors first, in the order the server gives them (a failed
// login after its cause, which a driver may rank below it), then the
// driver's errors, then warnings.
std::vector<Diagnostic> ServerFirst(std::vector<Diagnostic> records) {
    for (Diagnostic& d : records)
        StandardState(d);
    const auto rank = [](const Diagnostic& d) {
        if (d.FromServer())
            return d.nativeError == 18456 ? 1 : 0;
        return d.sqlState.rfind("01", 0) == 0 ? 3 : 2;
    };
    std::stable_sort(
        records.begin(), records.end(),
        [&rank](const Diagnostic& a, const Diagnostic& b) { return rank(a) < rank(b); });
    return records;
}

} // namespace

DriverError::DriverError(std::vector<Diagnostic> records)
    : DriverError(ServerFirst(std::move(records)), 0) {}

DriverError::DriverError(std::vector<Diagnostic> records, int)
    : embsql::Error(records.front().sqlState, records.front().nativeError,
                    records.front().FromServer() ? records.front().ServerText()
                                                 : records.front().text,
                    records.front().Level()),
      m_records(std::move(records)) {}

Connection::Connection(std::unique_ptr<Handles> handles) : m_handles(std::move(handles)) {}

Connection::~Connection() {
    if (m_handles->connected) {
        SQLEndTran(SQL_HANDLE_DBC, m_handles->dbc.handle, SQL_ROLLBACK);
        SQLDisconnect(m_handles->dbc.handle);
    }
}

std::unique_ptr<Connection> Connection::Open(const std::string& connectString, bool autocommit) {
    auto h = std::make_unique<Handles>();
    Allocate(h->env, SQL_HANDLE_ENV, nullptr);
    Check(SQLSetEnvAttr(h->env.handle, SQL_ATTR_ODBC_VERSION,
                        reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
          SQL_HANDLE_ENV, h->env.handle);
    Allocate(h->dbc, SQL_HANDLE_DBC, &h->env);
    const SQLHDBC dbc = h->dbc.handle;
    if (!autocommit)
        Check(SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT,
                                reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), SQL_IS_UINTEGER),
              SQL_HANDLE_DBC, dbc);
    std::string text = connectString;
    const SQLRETURN rc = SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                                          SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    std::fill(text.begin(), text.end(), '\0');
    Check(rc, SQL_HANDLE_DBC, dbc);
    h->connected = true;
    return std::unique_ptr<Connection>(new Connection(std::move(h)));
}

void Connection::Execute(const std::string& sql, const std::function<void(embsql::Result&)>& each) {
    Handle stmt;
    Allocate(stmt, SQL_HANDLE_STMT, &m_handles->dbc);
    std::string text = sql;
    // A statement that touched no rows (SQL_NO_DATA) still gives its count.
    StmtCheck(SQLExecDirect(stmt.handle, reinterpret_cast<SQLCHAR*>(text.data()),
                            static_cast<SQLINTEGER>(text.size())),
              stmt);
    for (;;) {
        SQLSMALLINT columns = 0;
        StmtCheck(SQLNumResultCols(stmt.handle, &columns), stmt);
        if (columns > 0) {
            RowsResult result(stmt, columns);
            each(result);
        } else {
            SQLLEN rows = -1;
            StmtCheck(SQLRowCount(stmt.handle, &rows), stmt);
            CountResult result(rows);
            each(result);
        }
        if (StmtCheck(SQLMoreResults(stmt.handle), stmt) == SQL_NO_DATA)
            break;
    }
}

std::vector<embsql::Column> Connection::TableColumns(const std::string& table) {
    Handle stmt;
    Allocate(stmt, SQL_HANDLE_STMT, &m_handles->dbc);
    std::string name = table;
    StmtCheck(SQLColumns(stmt.handle, nullptr, 0, nullptr, 0,
                         reinterpret_cast<SQLCHAR*>(name.data()), SQL_NTS, nullptr, 0),
              stmt);
    struct Found {
        long long position;
        embsql::Column column;
    };
    std::vector<Found> found;
    std::string tableName, columnName, type, size, nullable, position;
    while (StmtCheck(SQLFetch(stmt.handle), stmt) != SQL_NO_DATA) {
        // A name is a pattern to the server ('_' matches any character).
        if (!ReadText(stmt, 3, tableName) || !SameName(tableName, table))
            continue;
        ReadText(stmt, 4, columnName);
        ReadText(stmt, 5, type);
        ReadText(stmt, 7, size);
        ReadText(stmt, 11, nullable);
        ReadText(stmt, 17, position);
        found.push_back(
            {std::atoll(position.c_str()),
             ColumnOf(columnName, static_cast<SQLSMALLINT>(std::atoi(type.c_str())),
                      static_cast<SQLULEN>(std::atoll(size.c_str())), nullable != "0")});
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const Found& a, const Found& b) { return a.position < b.position; });
    std::vector<embsql::Column> columns;
    for (Found& f : found)
        columns.push_back(std::move(f.column));
    return columns;
}

void Connection::Commit() {
    Check(SQLEndTran(SQL_HANDLE_DBC, m_handles->dbc.handle, SQL_COMMIT), SQL_HANDLE_DBC,
          m_handles->dbc.handle);
}

void Connection::Rollback() {
    Check(SQLEndTran(SQL_HANDLE_DBC, m_handles->dbc.handle, SQL_ROLLBACK), SQL_HANDLE_DBC,
          m_handles->dbc.handle);
}

struct RowSender::Buffers {
    const Handle* dbc = nullptr;
    std::string head;         // "insert into [t] ([c1], ...) values "
    std::string tuple;        // "(?, ...)"
    std::size_t capacity = 1; // rows in one statement
    std::size_t held = 0;
    std::vector<std::size_t> widths;        // bytes a value may take in its column's buffer
    std::vector<std::vector<char>> buffers; // a column's values, row after row
    std::vector<std::vector<SQLLEN>> lengths;
    Handle full; // the statement of `capacity` rows

    // Allocates `stmt` and prepares the insert of `rows` rows, its markers
    // bound to the buffers' first rows.
    void Prepare(Handle& stmt, std::size_t rows) {
        Allocate(stmt, SQL_HANDLE_STMT, dbc);
        std::string sql = head;
        for (std::size_t r = 0; r < rows; ++r)
            sql += (r ? ", " : "") + tuple;
        StmtCheck(SQLPrepare(stmt.handle, reinterpret_cast<SQLCHAR*>(sql.data()), SQL_NTS), stmt);
        for (std::size_t i = 0; i < widths.size(); ++i)
            Bind(stmt, rows, i);
    }

    // Binds column i's markers of the first `rows` rows of `stmt`.
    void Bind(const Handle& stmt, std::size_t rows, std::size_t i) {
        const SQLSMALLINT type = widths[i] > 8000 ? SQL_LONGVARCHAR : SQL_VARCHAR;
        for (std::size_t r = 0; r < rows; ++r) {
            const auto marker = static_cast<SQLUSMALLINT>(r * widths.size() + i + 1);
            StmtCheck(SQLBindParameter(stmt.handle, marker, SQL_PARAM_INPUT, SQL_C_CHAR, type,
                                       widths[i], 0, buffers[i].data() + r * widths[i],
                                       static_cast<SQLLEN>(widths[i]), &lengths[i][r]),
                      stmt);
        }
    }

    // Runs `stmt`, reading every row's answer: a refusal may come with any.
    static void Execute(const Handle& stmt) {
        try {
            SQLRETURN rc = StmtCheck(SQLExecute(stmt.handle), stmt);
            while (rc != SQL_NO_DATA)
                rc = StmtCheck(SQLMoreResults(stmt.handle), stmt);
        } catch (...) {
            SQLFreeStmt(stmt.handle, SQL_CLOSE);
            throw;
        }
    }
};

namespace {

// A SQL server takes at most 2,100 parameters in a request and 1,000 rows in
// one values list. The rows of a statement divide `limit` (a thousand for
// bcp, whose report counts thousands of rows sent).
std::size_t RowsPerStatement(std::size_t limit, std::size_t columns) {
    std::size_t rows = std::max<std::size_t>(1, std::min<std::size_t>(limit, 1000));
    while (rows > 1 && (rows * columns > 2000 || limit % rows != 0))
        --rows;
    return rows;
}

} // namespace

RowSender::RowSender(Connection& connection, const std::string& table,
                     const std::vector<embsql::Column>& columns, std::size_t rowsPerCall)
    : m_buffers(std::make_unique<Buffers>()) {
    Buffers& a = *m_buffers;
    a.dbc = &connection.Get().dbc;
    a.head = "insert into " + Bracketed(table) + " (";
    a.tuple = "(";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        a.head += (i ? ", " : "") + Bracketed(columns[i].name);
        a.tuple += i ? ", ?" : "?";
    }
    a.head += ") values ";
    a.tuple += ")";
    a.capacity = RowsPerStatement(rowsPerCall, columns.size());
    a.buffers.resize(columns.size());
    a.lengths.resize(columns.size());
    for (std::size_t i = 0; i < columns.size(); ++i) {
        a.widths.push_back(columns[i].maxLength != 0 ? columns[i].maxLength : 32);
        a.buffers[i].assign(a.capacity * a.widths[i], '\0');
        a.lengths[i].assign(a.capacity, SQL_NULL_DATA);
    }
    a.Prepare(a.full, a.capacity);
}

RowSender::~RowSender() = default;

void RowSender::Add(const std::vector<std::optional<std::string>>& values) {
    Buffers& a = *m_buffers;
    for (std::size_t i = 0; i < values.size() && i < a.widths.size(); ++i) {
        if (values[i] && values[i]->size() > a.widths[i]) {
            // A value longer than its buffer: what is held goes first.
            Send();
            a.widths[i] = std::max(values[i]->size(), a.widths[i] * 2);
            a.buffers[i].assign(a.capacity * a.widths[i], '\0');
            a.Bind(a.full, a.capacity, i);
        }
    }
    for (std::size_t i = 0; i < a.widths.size(); ++i) {
        const std::optional<std::string>* value = i < values.size() ? &values[i] : nullptr;
        if (value == nullptr || !*value) {
            a.lengths[i][a.held] = SQL_NULL_DATA;
            continue;
        }
        std::memcpy(a.buffers[i].data() + a.held * a.widths[i], (*value)->data(), (*value)->size());
        a.lengths[i][a.held] = static_cast<SQLLEN>((*value)->size());
    }
    if (++a.held == a.capacity)
        Send();
}

void RowSender::Send() {
    Buffers& a = *m_buffers;
    if (a.held == 0)
        return;
    const std::size_t rows = a.held;
    a.held = 0;
    if (rows == a.capacity) {
        Buffers::Execute(a.full);
        return;
    }
    // Fewer rows, at the end of a batch: a statement of their own.
    Handle partial;
    a.Prepare(partial, rows);
    Buffers::Execute(partial);
}

void RowSender::Drop() {
    m_buffers->held = 0;
}

} // namespace tooldriver
