// The protocol conversation of one client, on one engine session.
#include "ClientSession.h"

#include "tds/Bulk.h"
#include "tds/Login.h"

#include "SessionParts.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <optional>

namespace embsqld {

ClientSession::ClientSession(Wire& wire, Log& log, const Config& config, int id, std::uint16_t spid)
    : m_wire(wire), m_log(log), m_config(config), m_id(id), m_spid(spid),
      m_writer([this](std::string_view packet) { m_wire.Send(packet); }) {
    m_writer.SetSpid(spid);
}

ClientSession::~ClientSession() {
    // Whatever the client left open is undone.
    m_bulk.reset();
    m_engine.reset();
}

void ClientSession::Run() {
    try {
        if (!Login())
            return;
        Serve();
    } catch (const Disconnected& e) {
        Note(std::string("closed: ") + e.what() + " (" + std::to_string(m_requests) + " requests)");
    } catch (const tds::ProtocolError& e) {
        Note(std::string("closed: protocol error: ") + e.what());
    } catch (const std::exception& e) {
        Note(std::string("closed: internal error: ") + e.what());
    }
    if (m_engineTran)
        Note("an open transaction was rolled back");
}

void ClientSession::SendLoginError(int number, const std::string& text) {
    m_writer.Message(true, number, 1, 14, text, m_server.empty() ? kProgram : m_server, "", 1);
    m_writer.Done(tds::kTokenDone, tds::kDoneError, 0, 0);
    m_writer.EndMessage();
    m_wire.Flush();
}

std::string ClientSession::ResolveServer(const std::string& requested) const {
    const std::filesystem::path root = embsql::DataDir();
    std::error_code ec;
    std::string name = requested;
    // "host\instance" and "host,port" name the same server as "host" (and
    // FreeTDS's ODBC driver sends "host,port" with a zero byte for the comma).
    const std::size_t cut = name.find_first_of(std::string_view("\\,\0", 3));
    if (cut != std::string::npos)
        name.resize(cut);
    if (!name.empty() && name.find('/') == std::string::npos && name != "." && name != "..") {
        if (std::filesystem::is_directory(root / tds::LowerAscii(name), ec))
            return name;
    }
    if (!m_config.server.empty())
        return m_config.server;
    std::vector<std::string> servers;
    for (const auto& entry : std::filesystem::directory_iterator(root, ec))
        if (entry.is_directory(ec))
            servers.push_back(entry.path().filename().string());
    if (servers.size() == 1)
        return servers.front();
    return name;
}

void ClientSession::OpenDatabase(const std::string& requested) {
    m_database = requested;
    if (m_database.empty()) {
        // The first database that knows the login, opened once.
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& entry :
             std::filesystem::directory_iterator(embsql::DataDir() / tds::LowerAscii(m_server), ec))
            if (entry.path().extension() == ".sqlite")
                names.push_back(entry.path().stem().string());
        std::sort(names.begin(), names.end());
        for (const std::string& db : names) {
            try {
                m_engine = embsql::Session::Connect(m_server, db, m_login, m_password);
                m_database = db;
                return;
            } catch (const embsql::Error&) {
            }
        }
        m_database = names.empty() ? std::string("master") : names.front();
    }
    m_engine = embsql::Session::Connect(m_server, m_database, m_login, m_password);
}

bool ClientSession::Login() {
    tds::MessageAssembler messages(1u << 20);
    auto nextMessage = [&]() -> tds::MessageAssembler::Message {
        for (;;) {
            tds::Packet packet;
            const Wire::Wait w =
                m_wire.ReadPacket(packet, m_config.packetTimeout, m_config.packetTimeout);
            if (w != Wire::Wait::Packet)
                throw Disconnected(w == Wire::Wait::Idle ? "no login within the time limit"
                                                         : "the server is stopping");
            if (auto m = messages.Add(std::move(packet)))
                return std::move(*m);
        }
    };
    tds::MessageAssembler::Message m = nextMessage();
    if (m.type == tds::PacketType::Prelogin) {
        const tds::Prelogin pre = tds::ParsePrelogin(m.payload);
        if (pre.encryption && *pre.encryption == tds::kEncryptRequired) {
            Note("refused: the client requires encryption, which this server does not offer");
        }
        const std::string answer =
            tds::BuildPreloginResponse(kVersionMajor, kVersionMinor, kVersionBuild);
        std::string packet;
        tds::PutHeader(
            packet, tds::PacketHeader{static_cast<std::uint8_t>(tds::PacketType::TabularResult),
                                      tds::kStatusEom,
                                      static_cast<std::uint16_t>(answer.size() + tds::kHeaderSize),
                                      m_spid, 1, 0});
        m_wire.Send(packet + answer);
        m_wire.Flush();
        m = nextMessage();
    }
    if (m.type != tds::PacketType::Login7)
        throw tds::ProtocolError("expected a login, got a message of type " +
                                 std::to_string(static_cast<int>(m.type)));
    const tds::Login7 login = tds::ParseLogin7(m.payload);
    if (login.tdsVersion < tds::kTds71)
        throw tds::ProtocolError("TDS version " + std::to_string(login.tdsVersion >> 24) +
                                 " is older than 7.1");
    m_login = login.userName;
    m_password = login.password;
    m_host = login.hostName;
    m_app = login.appName;
    m_server = ResolveServer(login.serverName);
    const std::string failed = "Login failed for user '" + login.userName + "'.";
    if (login.userName.empty()) {
        Note("login failed: no user name (integrated security is not offered)");
        SendLoginError(18456, failed);
        return false;
    }
    try {
        OpenDatabase(login.database);
    } catch (const embsql::Error& e) {
        Note("login failed for '" + login.userName + "' to " + m_server + "/" + m_database +
             " from " + login.hostName + ": " + e.what());
        if (e.NativeError() != 18456)
            m_writer.Message(true, e.NativeError(), 1, 11, e.what(), m_server, "", 1);
        SendLoginError(18456, failed);
        return false;
    }
    std::size_t packetSize = login.packetSize == 0 ? 4096 : login.packetSize;
    packetSize = std::clamp<std::size_t>(packetSize, 512, tds::kMaxPacketSize);
    const std::uint32_t version = std::min(login.tdsVersion, tds::kTds74);

    m_writer.EnvChange(tds::kEnvDatabase, m_database, "master");
    m_writer.Message(false, 5701, 2, 0, "Changed database context to '" + m_database + "'.",
                     m_server, "", 1);
    m_writer.EnvChangeBytes(tds::kEnvCollation, std::string_view(tds::kCollation, 5), "");
    m_writer.EnvChange(tds::kEnvLanguage, "us_english", "");
    m_writer.Message(false, 5703, 1, 0, "Changed language setting to us_english.", m_server, "", 1);
    m_writer.LoginAck(version, kProgram, kVersionMajor, kVersionMinor, kVersionBuild);
    m_writer.EnvChange(tds::kEnvPacketSize, std::to_string(packetSize), "4096");
    m_writer.Done(tds::kTokenDone, tds::kDoneFinal, 0, 0);
    m_writer.EndMessage();
    m_wire.Flush();
    m_writer.SetPacketSize(packetSize);
    Note("login '" + m_engine->Login() + "' to " + m_server + "/" + m_database + " from " +
         login.hostName + " (" + login.appName + ", pid " + std::to_string(login.clientPid) +
         "), spid " + std::to_string(m_spid));
    return true;
}

void ClientSession::Serve() {
    tds::MessageAssembler messages(kMaxMessage);
    for (;;) {
        tds::Packet packet;
        const bool inMessage = messages.InMessage();
        const Wire::Wait w =
            m_wire.ReadPacket(packet,
                              inMessage ? std::chrono::milliseconds(m_config.packetTimeout)
                                        : std::chrono::milliseconds(m_config.idleTimeout),
                              m_config.packetTimeout);
        if (w == Wire::Wait::Idle) {
            if (inMessage)
                throw Disconnected("the client stopped in the middle of a request");
            Note("closed: idle for " + std::to_string(m_config.idleTimeout.count()) + " seconds");
            return;
        }
        if (w == Wire::Wait::Stopping) {
            Note("closed: the server is stopping");
            return;
        }
        if (!inMessage && (packet.header.status &
                           (tds::kStatusResetConnection | tds::kStatusResetConnectionSkipTran)))
            ResetSession();
        if (packet.header.type == static_cast<std::uint8_t>(tds::PacketType::BulkLoad) &&
            !inMessage) {
            ++m_requests;
            HandleBulkLoad(std::move(packet));
            continue;
        }
        std::optional<tds::MessageAssembler::Message> m = messages.Add(std::move(packet));
        if (!m)
            continue;
        ++m_requests;
        switch (m->type) {
        case tds::PacketType::SqlBatch:
            HandleBatch(tds::ParseSqlBatch(m->payload));
            break;
        case tds::PacketType::Rpc:
            HandleRpc(m->payload);
            break;
        case tds::PacketType::TransactionManager:
            HandleTransactionRequest(m->payload);
            break;
        case tds::PacketType::Attention: {
            // An attention after the response was complete: acknowledge it.
            m_writer.Done(tds::kTokenDone, tds::kDoneAttention, 0, 0);
            m_writer.EndMessage();
            m_wire.Flush();
            m_wire.ClearAttention();
            break;
        }
        default:
            throw tds::ProtocolError("unexpected message of type " +
                                     std::to_string(static_cast<int>(m->type)) +
                                     " after the login");
        }
    }
}

void ClientSession::ResetSession() {
    if (m_tranCount > 0 && m_engineTran) {
        try {
            m_engine->Rollback();
        } catch (const embsql::Error&) {
        }
    }
    m_tranCount = 0;
    m_engineTran = false;
    m_fmtOnly = false;
    m_noCount = false;
    m_implicit = false;
    m_prepared.clear();
    m_bulkTable.clear();
    // The acknowledgement goes first in the answer to this request.
    m_writer.EnvChange(tds::kEnvResetAck, "", "");
}

void ClientSession::Reply(Response& response) {
    response.Finish();
    m_wire.Flush();
}

void ClientSession::Answer(const std::function<void(Response&)>& run) {
    Response r(m_writer);
    try {
        run(r);
        Reply(r);
    } catch (const Cancelled&) {
        r.Cancel();
        m_wire.Flush();
        m_wire.ClearAttention();
        Note("request cancelled by the client");
    }
}

void ClientSession::HandleBatch(std::string_view sql) {
    if (m_config.trace)
        Note("batch: " + std::string(sql));
    Answer([&](Response& r) { RunBatch(sql, r, tds::kTokenDone); });
}

void ClientSession::HandleBulkLoad(tds::Packet first) {
    const auto started = std::chrono::steady_clock::now();
    Response r(m_writer);
    const std::string table = m_bulkTable;
    m_bulkTable.clear();
    std::optional<embsql::Error> failure;
    std::vector<embsql::Column> columns;
    bool useSession = m_tranCount > 0 || m_implicit;
    try {
        if (table.empty())
            throw embsql::Error("42000", 4804,
                                "Bulk-load data was sent without an INSERT BULK statement first.");
        columns = m_engine->DescribeTable(table);
        if (useSession) {
            EnsureWriteTransaction(r);
        } else {
            if (!m_bulk || m_bulkFor != tds::LowerAscii(table)) {
                m_bulk.reset();
                m_bulk = m_engine->OpenBulkInsert(table);
                m_bulkFor = tds::LowerAscii(table);
            }
            m_bulk->Begin();
        }
    } catch (const embsql::Error& e) {
        failure = e;
    }

    std::vector<int> mapping; // bulk column -> table column
    std::vector<std::optional<std::string>> values;
    tds::BulkDecoder decoder([&](tds::BulkDecoder::Row& row) {
        if (failure)
            return;
        try {
            if (mapping.empty()) {
                for (const tds::BulkColumn& bc : decoder.Columns()) {
                    int found = -1;
                    for (std::size_t k = 0; k < columns.size(); ++k)
                        if (tds::LowerAscii(columns[k].name) == tds::LowerAscii(bc.name))
                            found = static_cast<int>(k);
                    if (found < 0)
                        throw embsql::Error("42S22", 207, "Invalid column name '" + bc.name + "'.");
                    mapping.push_back(found);
                }
            }
            values.assign(columns.size(), std::nullopt);
            for (std::size_t k = 0; k < row.size() && k < mapping.size(); ++k)
                values[static_cast<std::size_t>(mapping[k])] = std::move(row[k]);
            if (useSession)
                m_engine->Insert(table, values);
            else
                m_bulk->Insert(values);
        } catch (const embsql::Error& e) {
            failure = e;
        }
    });

    bool cancelled = false;
    tds::Packet packet = std::move(first);
    for (;;) {
        if (packet.header.type == static_cast<std::uint8_t>(tds::PacketType::Attention)) {
            cancelled = true;
            break;
        }
        if (packet.header.type != static_cast<std::uint8_t>(tds::PacketType::BulkLoad))
            throw tds::ProtocolError("a packet of type " + std::to_string(packet.header.type) +
                                     " inside bulk-load data");
        decoder.Feed(packet.payload);
        if (packet.header.Eom())
            break;
        const Wire::Wait w =
            m_wire.ReadPacket(packet, m_config.packetTimeout, m_config.packetTimeout);
        if (w != Wire::Wait::Packet)
            throw Disconnected("the client stopped in the middle of bulk-load data");
    }
    if (!cancelled)
        decoder.Finish();
    if (!failure && !cancelled) {
        try {
            if (!useSession)
                m_bulk->Commit();
        } catch (const embsql::Error& e) {
            failure = e;
        }
    }
    if ((failure || cancelled) && !useSession && m_bulk) {
        try {
            m_bulk->Rollback();
        } catch (const embsql::Error&) {
        }
    }
    if (cancelled) {
        r.Cancel();
        m_wire.Flush();
        Note("bulk load into " + table + " cancelled by the client");
        return;
    }
    if (failure) {
        SendError(r, *failure, "");
        r.Done(tds::kTokenDone, tds::kDoneError, kCmdBulk, 0);
        Note("bulk load into " + table + " failed; the batch was rolled back");
    } else {
        m_rowCount = static_cast<long long>(decoder.Rows());
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - started)
                            .count();
        Note("bulk load of " + std::to_string(decoder.Rows()) + " rows into " + table + " in " +
             std::to_string(ms) + " ms");
        r.Done(tds::kTokenDone, tds::kDoneCount, kCmdBulk, decoder.Rows());
    }
    Reply(r);
}

void ClientSession::HandleRpc(std::string_view payload) {
    const std::vector<tds::RpcCall> calls = tds::ParseRpc(payload);
    if (m_config.trace)
        for (const tds::RpcCall& call : calls) {
            std::string text = "rpc: " + call.procedure;
            for (const tds::RpcParameter& p : call.parameters)
                text += " " + p.name + (p.output ? " out" : "") + "=" + p.value.AsLiteral();
            Note(text);
        }
    Answer([&](Response& r) {
        for (const tds::RpcCall& call : calls)
            RunRpcCall(call, r);
    });
}

void ClientSession::RunPrepared(const Prepared& prepared,
                                const std::vector<tds::RpcParameter>& values, Response& r,
                                bool& failed) {
    std::map<std::string, std::string> literals;
    for (std::size_t k = 0; k < values.size(); ++k) {
        std::string name = values[k].name.size() > 1   ? tds::LowerAscii(values[k].name.substr(1))
                           : k < prepared.names.size() ? prepared.names[k]
                                                       : std::string();
        if (!name.empty())
            literals[name] = values[k].value.AsLiteral();
    }
    const std::string sql = tds::SubstituteParameters(prepared.sql, literals);
    failed = !RunBatch(sql, r, tds::kTokenDoneInProc);
}

void ClientSession::RunRpcCall(const tds::RpcCall& call, Response& r) {
    const std::string name = tds::LowerAscii(UnquoteName(call.procedure));
    const std::vector<tds::RpcParameter>& p = call.parameters;
    auto textOf = [&](std::size_t k) {
        return k < p.size() && p[k].value.kind != tds::Value::Kind::Null ? p[k].value.AsText()
                                                                         : std::string();
    };
    auto finish = [&](bool failed) {
        r.Done(tds::kTokenDoneProc, failed ? tds::kDoneError : 0, kCmdExecute, 0);
    };
    const tds::ResultColumn handleType{"", tds::ColumnType::Int, 0, true};
    bool failed = false;
    if (name == "sp_executesql") {
        Prepared prepared{tds::ParameterNames(textOf(1)), textOf(0)};
        std::vector<tds::RpcParameter> values(p.size() > 2 ? p.begin() + 2 : p.end(), p.end());
        RunPrepared(prepared, values, r, failed);
        r.W().ReturnStatus(failed ? -6 : 0);
        return finish(failed);
    }
    if (name == "sp_prepare" || name == "sp_prepexec") {
        const int handle = m_nextHandle++;
        m_prepared[handle] = Prepared{tds::ParameterNames(textOf(1)), textOf(2)};
        if (name == "sp_prepexec") {
            std::vector<tds::RpcParameter> values(p.size() > 3 ? p.begin() + 3 : p.end(), p.end());
            RunPrepared(m_prepared[handle], values, r, failed);
        }
        r.W().ReturnStatus(failed ? -6 : 0);
        r.W().ReturnValue(0, p.empty() ? std::string_view() : std::string_view(p[0].name),
                          handleType, std::to_string(handle));
        return finish(failed);
    }
    if (name == "sp_execute" || name == "sp_unprepare") {
        const std::string handleText = textOf(0);
        int handle = 0;
        try {
            handle = std::stoi(handleText);
        } catch (const std::exception&) {
            handle = 0;
        }
        const auto found = m_prepared.find(handle);
        if (found == m_prepared.end()) {
            SendError(
                r,
                embsql::Error("HY000", 8179,
                              "Could not find prepared statement with handle " + handleText + "."),
                name);
            r.W().ReturnStatus(-6);
            return finish(true);
        }
        if (name == "sp_unprepare") {
            m_prepared.erase(found);
        } else {
            std::vector<tds::RpcParameter> values(p.size() > 1 ? p.begin() + 1 : p.end(), p.end());
            const Prepared prepared = found->second;
            RunPrepared(prepared, values, r, failed);
        }
        r.W().ReturnStatus(failed ? -6 : 0);
        return finish(failed);
    }
    if (name.rfind("sp_datatype_info", 0) == 0) {
        RunTypeInfo(textOf(0), r);
        r.W().ReturnStatus(0);
        return finish(false);
    }
    if (name == "sp_columns") {
        // @table_name, @table_owner, @table_qualifier, @column_name: by name
        // or in that order.
        auto argument = [&](std::string_view wanted, std::size_t position) {
            for (std::size_t k = 0; k < p.size(); ++k)
                if (tds::LowerAscii(p[k].name) == wanted)
                    return textOf(k);
            return position < p.size() && p[position].name.empty() ? textOf(position)
                                                                   : std::string();
        };
        RunColumns(argument("@table_name", 0), argument("@column_name", 3), r);
        r.W().ReturnStatus(0);
        return finish(false);
    }
    // A stored procedure of the database, its parameters in order.
    std::string sql = "exec " + call.procedure;
    bool firstArg = true;
    for (const tds::RpcParameter& param : p) {
        sql += firstArg ? " " : ", ";
        sql += param.value.AsLiteral();
        firstArg = false;
    }
    try {
        EnsureWriteTransaction(r);
        std::vector<std::unique_ptr<embsql::Result>> results = m_engine->Execute(sql);
        for (std::unique_ptr<embsql::Result>& result : results)
            SendResult(*result, r, tds::kTokenDoneInProc);
        r.W().ReturnStatus(0);
        finish(false);
    } catch (const embsql::Error& e) {
        SendError(r, e, e.NativeError() == 2812 ? std::string() : UnquoteName(call.procedure));
        finish(true);
    } catch (const AlreadyReported&) {
        finish(true);
    } catch (const tds::ValueError& e) {
        SendError(r, embsql::Error("22018", 245, e.what()), "");
        finish(true);
    }
}

void ClientSession::HandleTransactionRequest(std::string_view payload) {
    const tds::TransactionRequest t = tds::ParseTransactionRequest(payload);
    if (m_config.trace)
        Note("transaction request " + std::to_string(t.code) + (t.beginAfter ? " and begin" : ""));
    Response r(m_writer);
    try {
        switch (t.kind) {
        case tds::TransactionRequest::Kind::Begin:
            if (m_tranCount == 0)
                OpenTransaction(r);
            ++m_tranCount;
            break;
        case tds::TransactionRequest::Kind::Commit:
        case tds::TransactionRequest::Kind::Rollback:
            // Either ends the open transaction, if any, and may begin the next.
            if (m_tranCount > 0)
                EndTransaction(r, t.kind == tds::TransactionRequest::Kind::Commit);
            if (t.beginAfter) {
                OpenTransaction(r);
                m_tranCount = 1;
            }
            break;
        case tds::TransactionRequest::Kind::Save:
            break;
        case tds::TransactionRequest::Kind::Other:
            throw embsql::Error("42000", 8509,
                                "Distributed transactions are not offered by this server.");
        }
        r.Done(tds::kTokenDone, 0, 0, 0);
    } catch (const embsql::Error& e) {
        SendError(r, e, "");
        r.Done(tds::kTokenDone, tds::kDoneError, 0, 0);
    }
    Reply(r);
}

namespace {
std::string Descriptor(std::uint64_t id) {
    std::string d;
    tds::PutU64(d, id);
    return d;
}
} // namespace

void ClientSession::OpenTransaction(Response& r) {
    m_tranId = (static_cast<std::uint64_t>(m_spid) << 32) | ++m_tranSeq;
    m_engineTran = false;
    r.W().EnvChangeBytes(tds::kEnvBeginTransaction, Descriptor(m_tranId), "");
}

void ClientSession::EnsureWriteTransaction(Response& r) {
    if (m_tranCount == 0 && m_implicit) {
        OpenTransaction(r);
        m_tranCount = 1;
    }
    if (m_tranCount > 0 && !m_engineTran) {
        m_engine->Begin();
        m_engineTran = true;
    }
}

void ClientSession::CommitTransaction(Response& r) {
    EndTransaction(r, true);
}

void ClientSession::RollbackTransaction(Response& r) {
    EndTransaction(r, false);
}

void ClientSession::EndTransaction(Response& r, bool commit) {
    const bool engine = m_engineTran;
    m_tranCount = 0;
    m_engineTran = false;
    r.W().EnvChangeBytes(commit ? tds::kEnvCommitTransaction : tds::kEnvRollbackTransaction, "",
                         Descriptor(m_tranId));
    if (engine && commit)
        m_engine->Commit();
    else if (engine)
        m_engine->Rollback();
}

} // namespace embsqld
