// Opening and closing the engine session, statement ownership, transactions.
#include "Connection.h"

#include "Statement.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <optional>

namespace embodbc {

namespace {

// The engine reads its data folder from EMBSQL_DATA_DIR. A DataDir key sets
// that variable for the duration of one connect; all connects go through
// one lock so that no other connect of this process sees the change.
std::mutex& ConnectMutex() {
    static std::mutex m;
    return m;
}

class ScopedDataDir {
public:
    explicit ScopedDataDir(const std::optional<std::string>& dir) {
        if (!dir || dir->empty()) {
            return;
        }
        m_active = true;
        if (const char* old = std::getenv("EMBSQL_DATA_DIR")) {
            m_old = old;
        }
        ::setenv("EMBSQL_DATA_DIR", dir->c_str(), 1);
    }
    ~ScopedDataDir() {
        if (!m_active) {
            return;
        }
        if (m_old) {
            ::setenv("EMBSQL_DATA_DIR", m_old->c_str(), 1);
        } else {
            ::unsetenv("EMBSQL_DATA_DIR");
        }
    }
    ScopedDataDir(const ScopedDataDir&) = delete;
    ScopedDataDir& operator=(const ScopedDataDir&) = delete;

private:
    bool m_active = false;
    std::optional<std::string> m_old;
};

// The keys of a data source that take part in a connection; its other
// keys (Driver, Description, ...) are not echoed back to the application.
ConnectKeys ConnectionPart(const ConnectKeys& dsnKeys) {
    ConnectKeys part;
    for (const char* key :
         {"SERVER", "Address", "Addr", "Database", "UID", "User", "PWD", "Password", "DataDir"}) {
        if (auto v = dsnKeys.Get(key)) {
            part.Set(key, *v);
        }
    }
    return part;
}

} // namespace

Connection::Connection(Environment& env) : HandleBase(kKind), env(env) {
    std::lock_guard lock(env.mutex);
    env.connections.push_back(this);
}

Connection::~Connection() {
    Close();
    std::lock_guard lock(env.mutex);
    std::erase(env.connections, this);
}

void Connection::Open(const ConnectKeys& requested) {
    if (m_session) {
        throw DriverError("08002", "Connection name in use");
    }
    ConnectKeys keys = requested;
    const std::string dsn = keys.Get("DSN").value_or("");
    if (!dsn.empty()) {
        keys.FillFrom(ConnectionPart(ReadDsnKeys(dsn)));
    }
    const std::string server = keys.First({"SERVER", "Address", "Addr"}).value_or("");
    const std::string database = keys.First({"Database"}).value_or("");
    const std::string user = keys.First({"UID", "User"}).value_or("");
    const std::string password = keys.First({"PWD", "Password"}).value_or("");
    if (server.empty()) {
        throw DriverError("08001", "No server name was given (connection key SERVER).");
    }
    if (database.empty()) {
        throw DriverError("08001", "No database name was given (connection key Database).");
    }
    {
        std::lock_guard lock(ConnectMutex());
        ScopedDataDir dataDir(keys.Get("DataDir"));
        m_session = embsql::Session::Connect(server, database, user, password);
    }
    m_usedKeys = std::move(keys);
    m_server = server;
    m_database = database;
    m_user = user;
    m_dsn = dsn;
    m_inTransaction = false;
}

void Connection::Close() noexcept {
    // Statements hold engine results that point into the session: they go first.
    m_statements.clear();
    if (m_session && m_inTransaction) {
        try {
            m_session->Rollback();
        } catch (...) {
            // The session is going away; the engine discards the work anyway.
        }
    }
    m_inTransaction = false;
    m_session.reset();
}

embsql::Session& Connection::Session() {
    if (!m_session) {
        throw DriverError("08003", "Connection not open");
    }
    return *m_session;
}

Statement* Connection::NewStatement() {
    if (!m_session) {
        throw DriverError("08003", "Connection not open");
    }
    m_statements.push_back(std::make_unique<Statement>(*this));
    return m_statements.back().get();
}

void Connection::FreeStatement(Statement* statement) noexcept {
    auto it = std::find_if(m_statements.begin(), m_statements.end(),
                           [&](const auto& s) { return s.get() == statement; });
    if (it != m_statements.end()) {
        m_statements.erase(it);
    }
}

void Connection::SetAutocommit(bool on) {
    if (on && !m_autocommit && m_inTransaction) {
        // Turning autocommit back on commits the open transaction.
        EndTransaction(true);
    }
    m_autocommit = on;
}

void Connection::BeforeStatement() {
    if (!m_autocommit && !m_inTransaction) {
        Session().Begin();
        m_inTransaction = true;
    }
}

void Connection::EndTransaction(bool commit) {
    if (!m_inTransaction) {
        return;
    }
    for (auto& s : m_statements) {
        // Cursors close at the end of a transaction.
        s->CloseCursor(false);
    }
    m_inTransaction = false;
    if (commit) {
        Session().Commit();
    } else {
        Session().Rollback();
    }
}

} // namespace embodbc
