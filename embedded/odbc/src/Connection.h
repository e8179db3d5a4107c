// A connection handle: the engine session it opens from connection-string
// and data-source keys, its statements, attributes and transactions.
#pragma once

#include "ConnectKeys.h"
#include "Handles.h"

#include "embsql/Engine.h"

#include <memory>
#include <string>
#include <vector>

namespace embodbc {

class Statement;

class Connection : public HandleBase {
public:
    static constexpr HandleKind kKind = HandleKind::Connection;
    explicit Connection(Environment& env);
    ~Connection() override;

    Environment& env;

    // Opens the session. `requested` are the application's keys; a DSN key
    // brings in the data source's keys from odbc.ini for whatever the
    // application did not give. Throws DriverError 08002 when already open,
    // 08001 without a server or database name, and the engine's Error
    // (28000/18456 for a refused login).
    void Open(const ConnectKeys& requested);
    // Ends the session and frees every statement of the connection (the
    // driver manager forgets them at disconnect). Never throws.
    void Close() noexcept;
    bool IsOpen() const { return m_session != nullptr; }
    // The open session; throws DriverError 08003 when there is none.
    embsql::Session& Session();

    // The keys the session was opened with, for the completed connection
    // string of SQLDriverConnect.
    const ConnectKeys& UsedKeys() const { return m_usedKeys; }
    const std::string& Server() const { return m_server; }
    const std::string& Database() const { return m_database; }
    const std::string& User() const { return m_user; }
    const std::string& DataSource() const { return m_dsn; }

    Statement* NewStatement();
    void FreeStatement(Statement* statement) noexcept;

    // Transactions: with autocommit off, the first statement opens a
    // transaction that SQLEndTran (or turning autocommit on) ends.
    bool Autocommit() const { return m_autocommit; }
    void SetAutocommit(bool on);
    void BeforeStatement();
    void EndTransaction(bool commit);

    // Attributes kept for SQLGetConnectAttr; the engine needs none of them.
    SQLUINTEGER loginTimeout = 0;
    SQLUINTEGER connectionTimeout = 0;
    SQLUINTEGER accessMode = SQL_MODE_READ_WRITE;
    SQLUINTEGER txnIsolation = SQL_TXN_SERIALIZABLE;
    SQLUINTEGER packetSize = 4096;
    SQLPOINTER quietMode = nullptr;
    SQLULEN odbcCursors = SQL_CUR_USE_DRIVER;

private:
    std::unique_ptr<embsql::Session> m_session;
    std::vector<std::unique_ptr<Statement>> m_statements;
    ConnectKeys m_usedKeys;
    std::string m_server;
    std::string m_database;
    std::string m_user;
    std::string m_dsn;
    bool m_autocommit = true;
    bool m_inTransaction = false;
};

} // namespace embodbc
