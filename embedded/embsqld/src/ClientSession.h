// One client connection from PRELOGIN to close: the login against the
// engine's logins, then SQL batches, RPC calls, transaction requests and
// bulk loads run on an engine session, answered in TDS tokens.
#pragma once

#include "Config.h"
#include "Log.h"
#include "Wire.h"

#include "embsql/BulkInsert.h"
#include "embsql/Engine.h"
#include "tds/Requests.h"
#include "tds/Sql.h"
#include "tds/Tokens.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace embsqld {

class Response;

class ClientSession {
public:
    ClientSession(Wire& wire, Log& log, const Config& config, int id, std::uint16_t spid);
    ~ClientSession();
    ClientSession(const ClientSession&) = delete;
    ClientSession& operator=(const ClientSession&) = delete;

    // Serves the connection until the client closes it, it idles out, it
    // breaks the protocol or the server stops. Logs why it ended; never throws.
    void Run();

private:
    struct Prepared {
        std::vector<std::string> names; // parameter names, lower-case, without '@'
        std::string sql;
    };

    bool Login();
    void Serve();
    void Reply(Response& response);
    // Runs `run` on a fresh response and replies with it; when the client
    // cancels, sends the cancelled response's end instead.
    void Answer(const std::function<void(Response&)>& run);

    // Requests.
    void HandleBatch(std::string_view sql);
    void HandleRpc(std::string_view payload);
    void HandleTransactionRequest(std::string_view payload);
    void HandleBulkLoad(tds::Packet first);
    void ResetSession();

    // Statements; false stops the rest of the batch.
    bool RunBatch(std::string_view sql, Response& r, std::uint8_t doneToken);
    bool RunStatement(std::string_view sql, Response& r, std::uint8_t doneToken);
    void Dispatch(std::string_view sql, const std::vector<tds::SqlToken>& tokens, Response& r,
                  std::uint8_t doneToken);
    void RunSelect(std::string_view sql, const std::vector<tds::SqlToken>& tokens, Response& r,
                   std::uint8_t doneToken);
    bool RunConstantSelect(const std::vector<tds::SqlToken>& tokens, Response& r,
                           std::uint8_t doneToken);
    void RunCall(std::string_view sql, const std::string& procedure, Response& r,
                 std::uint8_t doneToken);
    void RunTypeInfo(const std::string& odbcType, Response& r);
    // sp_columns: the columns of one table (its name taken as it stands, the
    // wildcards of a pattern not expanded), as SQLColumns reads them.
    void RunColumns(const std::string& table, const std::string& column, Response& r);
    void RunSet(const std::vector<tds::SqlToken>& tokens, std::string_view sql, Response& r,
                std::uint8_t doneToken);
    void RunUse(const std::vector<tds::SqlToken>& tokens, Response& r, std::uint8_t doneToken);
    void RunIf(std::string_view sql, const std::vector<tds::SqlToken>& tokens, Response& r,
               std::uint8_t doneToken);
    void RunInsertBulk(const std::vector<tds::SqlToken>& tokens, std::string_view sql, Response& r,
                       std::uint8_t doneToken);
    // Sends one result's columns and rows (or only its count).
    void SendResult(embsql::Result& result, Response& r, std::uint8_t doneToken);

    // RPC calls.
    void RunRpcCall(const tds::RpcCall& call, Response& r);
    void RunPrepared(const Prepared& prepared, const std::vector<tds::RpcParameter>& values,
                     Response& r, bool& failed);

    // Transactions: a transaction is open for the client from BEGIN (or the
    // first write under implicit transactions) to COMMIT or ROLLBACK; the
    // engine's own begins at the first write in it.
    void OpenTransaction(Response& r);
    void EnsureWriteTransaction(Response& r);
    void CommitTransaction(Response& r);
    void RollbackTransaction(Response& r);
    void EndTransaction(Response& r, bool commit);

    void SendError(Response& r, const embsql::Error& e, std::string_view procedure);
    void SendLoginError(int number, const std::string& text);
    std::string ResolveServer(const std::string& requested) const;
    // Opens m_database for the login; without one asked for, the first
    // database (by name) that knows the login, which m_database then names.
    // Throws the engine's login errors.
    void OpenDatabase(const std::string& requested);
    void Note(const std::string& text) { m_log.Write(m_id, text); }

    Wire& m_wire;
    Log& m_log;
    const Config& m_config;
    int m_id;
    std::uint16_t m_spid;
    tds::TokenWriter m_writer;

    // Login.
    std::string m_server; // folder of the data dir
    std::string m_database;
    std::string m_login;
    std::string m_password;
    std::string m_host;
    std::string m_app;
    std::unique_ptr<embsql::Session> m_engine;

    // Session state.
    bool m_fmtOnly = false;
    bool m_noCount = false;
    bool m_implicit = false;
    int m_tranCount = 0;
    bool m_engineTran = false;
    std::uint64_t m_tranId = 0;
    std::uint32_t m_tranSeq = 0;
    long long m_rowCount = 0;
    int m_lastError = 0;
    std::map<int, Prepared> m_prepared;
    int m_nextHandle = 1;
    std::string m_bulkTable; // named by INSERT BULK, loaded by the next bulk-load message
    std::unique_ptr<embsql::BulkInsert> m_bulk;
    std::string m_bulkFor;
    std::uint64_t m_requests = 0;
};

} // namespace embsqld
