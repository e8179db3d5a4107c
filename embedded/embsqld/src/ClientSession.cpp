// The protocol conversation of one client, on one engine session.
#include "ClientSession.h"

#include "tds/Bulk.h"
#include "tds/Login.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <optional>

namespace embsqld {

namespace {

// What the server calls itself in LOGINACK and @@VERSION.
constexpr const char* kProgram = "embsqld";
constexpr std::uint8_t kVersionMajor = 16;
constexpr std::uint8_t kVersionMinor = 0;
constexpr std::uint16_t kVersionBuild = 1000;
// The largest request other than bulk-load data.
constexpr std::size_t kMaxMessage = 64u << 20;
// Rows sent between two looks for an attention.
constexpr std::uint64_t kAttentionEvery = 256;

// Current command numbers of DONE tokens.
constexpr std::uint16_t kCmdSelect = 0xC1;
constexpr std::uint16_t kCmdExecute = 0xE0;
constexpr std::uint16_t kCmdBulk = 0xF0;

// The client cancelled the request being answered.
struct Cancelled {};
// A statement failed and its error and DONE are already sent.
struct AlreadyReported {};

std::string Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return std::string(s);
}

// A name as written ([x], "x" or x), without its quotes; of a dotted name the
// last part.
std::string UnquoteName(std::string_view name) {
    std::string last;
    std::string current;
    std::size_t i = 0;
    while (i < name.size()) {
        const char c = name[i];
        if (c == '[' || c == '"') {
            const char close = c == '[' ? ']' : '"';
            ++i;
            while (i < name.size()) {
                if (name[i] == close) {
                    if (i + 1 < name.size() && name[i + 1] == close) {
                        current.push_back(close);
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                current.push_back(name[i++]);
            }
            continue;
        }
        if (c == '.') {
            last = current;
            current.clear();
            ++i;
            continue;
        }
        current.push_back(c);
        ++i;
    }
    return current.empty() ? last : current;
}

tds::ResultColumn ToResultColumn(const embsql::Column& c) {
    tds::ResultColumn r;
    r.name = c.name;
    r.nullable = c.nullable;
    if (c.isInteger) {
        r.type = c.isBig ? tds::ColumnType::BigInt : tds::ColumnType::Int;
    } else {
        r.type = tds::ColumnType::NVarChar;
        r.maxChars = static_cast<std::uint32_t>(c.maxLength);
    }
    return r;
}

std::string NowText(bool utc) {
    const auto now = std::chrono::system_clock::now();
    const std::time_t secs = std::chrono::system_clock::to_time_t(now);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
    std::tm tm{};
    if (utc)
        gmtime_r(&secs, &tm);
    else
        localtime_r(&secs, &tm);
    char buf[64];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    char frac[8];
    std::snprintf(frac, sizeof frac, ".%03d", static_cast<int>(ms.count()));
    return std::string(buf) + frac;
}

// Digits with an optional '-', no leading zero, that fit 64 bits.
bool IsPlainInteger(std::string_view text, long long& value) {
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '-')
        digits.remove_prefix(1);
    if (digits.empty() || digits.size() > 18 || (digits.size() > 1 && digits.front() == '0') ||
        digits.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    value = std::stoll(std::string(text));
    return true;
}

bool IsTranWord(const tds::SqlToken& t) {
    return t.IsWord("tran") || t.IsWord("transaction") || t.IsWord("work");
}

} // namespace

// The tokens of one response, holding back each DONE until the next token
// shows whether more follow.
class Response {
public:
    explicit Response(tds::TokenWriter& w) : m_w(w) {}
    tds::TokenWriter& W() {
        FlushPending(true);
        return m_w;
    }
    void Done(std::uint8_t token, std::uint16_t status, std::uint16_t command, std::uint64_t rows) {
        FlushPending(true);
        m_pending = true;
        m_token = token;
        m_status = status;
        m_command = command;
        m_rows = rows;
    }
    void Finish() {
        if (!m_pending)
            Done(tds::kTokenDone, tds::kDoneFinal, 0, 0);
        FlushPending(false);
        m_w.EndMessage();
    }
    // Ends a cancelled response. What is buffered may finish a token already
    // begun in a sent packet, so it goes out too; the client skips it all up
    // to the acknowledgement.
    void Cancel() {
        m_pending = false;
        m_w.Done(tds::kTokenDone, tds::kDoneAttention, 0, 0);
        m_w.EndMessage();
    }

private:
    void FlushPending(bool more) {
        if (!m_pending)
            return;
        m_pending = false;
        m_w.Done(m_token, static_cast<std::uint16_t>(m_status | (more ? tds::kDoneMore : 0)),
                 m_command, m_rows);
    }
    tds::TokenWriter& m_w;
    bool m_pending = false;
    std::uint8_t m_token = 0;
    std::uint16_t m_status = 0;
    std::uint16_t m_command = 0;
    std::uint64_t m_rows = 0;
};

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
    // "host\instance" and "host,port" name the same server as "host".
    const std::size_t cut = name.find_first_of("\\,");
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

std::string ClientSession::PickDatabase(const std::string& server, const std::string& login,
                                        const std::string& password) const {
    // No database asked for: the first one (by name) that knows the login.
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry :
         std::filesystem::directory_iterator(embsql::DataDir() / tds::LowerAscii(server), ec))
        if (entry.path().extension() == ".sqlite")
            names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    for (const std::string& db : names) {
        try {
            embsql::Session::Connect(server, db, login, password);
            return db;
        } catch (const embsql::Error&) {
        }
    }
    return names.empty() ? std::string("master") : names.front();
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
        m_database =
            login.database.empty() ? PickDatabase(m_server, m_login, m_password) : login.database;
        m_engine = embsql::Session::Connect(m_server, m_database, m_login, m_password);
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

void ClientSession::HandleBatch(std::string_view sql) {
    if (m_config.trace)
        Note("batch: " + std::string(sql));
    Response r(m_writer);
    try {
        RunBatch(sql, r, tds::kTokenDone);
        Reply(r);
    } catch (const Cancelled&) {
        r.Cancel();
        m_wire.Flush();
        m_wire.ClearAttention();
        Note("request cancelled by the client");
    }
}

bool ClientSession::RunBatch(std::string_view sql, Response& r, std::uint8_t doneToken) {
    bool first = true;
    for (std::string_view statement : tds::SplitBatch(sql)) {
        if (m_wire.AttentionArrived())
            throw Cancelled{};
        // A batch may begin with a procedure's name alone: "sp_who 1".
        if (first) {
            const std::vector<tds::SqlToken> tokens = tds::LexSql(statement);
            if (!tokens.empty() && tokens[0].kind == tds::SqlToken::Kind::Word &&
                !tds::StartsStatement(tokens[0]) && !tokens[0].IsWord("with") &&
                !tokens[0].IsWord("go")) {
                if (!RunStatement("exec " + std::string(statement), r, doneToken))
                    return false;
                first = false;
                continue;
            }
        }
        first = false;
        if (!RunStatement(statement, r, doneToken))
            return false;
    }
    return true;
}

void ClientSession::SendError(Response& r, const embsql::Error& e, std::string_view procedure) {
    const int severity = e.Severity() > 0 ? e.Severity() : 16;
    r.W().Message(true, e.NativeError(), 1, static_cast<std::uint8_t>(severity), e.what(), m_server,
                  procedure, 1);
    m_lastError = e.NativeError();
    Note("error " + std::to_string(e.NativeError()) + " (" + e.SqlState() + "): " + e.what());
}

bool ClientSession::RunStatement(std::string_view original, Response& r, std::uint8_t doneToken) {
    const std::string stripped = tds::StripQualifiers(original, m_database);
    const std::string_view sql = stripped;
    const std::vector<tds::SqlToken> tokens = tds::LexSql(sql);
    if (tokens.empty())
        return true;
    try {
        Dispatch(sql, tokens, r, doneToken);
        m_lastError = 0;
        return true;
    } catch (const embsql::Error& e) {
        SendError(r, e, "");
        r.Done(doneToken, tds::kDoneError, 0, 0);
        return false;
    } catch (const tds::ValueError& e) {
        SendError(r, embsql::Error("22018", 245, e.what()), "");
        r.Done(doneToken, tds::kDoneError, 0, 0);
        return false;
    } catch (const AlreadyReported&) {
        return false;
    }
}

void ClientSession::Dispatch(std::string_view sql, const std::vector<tds::SqlToken>& tokens,
                             Response& r, std::uint8_t doneToken) {
    const tds::SqlToken& head = tokens[0];
    const std::size_t n = tokens.size();
    if (head.IsWord("select") || head.IsWord("with"))
        return RunSelect(sql, tokens, r, doneToken);
    if (head.IsWord("exec") || head.IsWord("execute") || head.IsPunct('{')) {
        std::size_t at = 1;
        if (head.IsPunct('{') && n > 1 && tokens[1].IsWord("call"))
            at = 2;
        const std::string procedure = at < n ? std::string(tokens[at].text) : std::string();
        return RunCall(sql, procedure, r, doneToken);
    }
    if (head.IsWord("set"))
        return RunSet(tokens, sql, r, doneToken);
    if (head.IsWord("use"))
        return RunUse(tokens, r, doneToken);
    if (head.IsWord("if"))
        return RunIf(sql, tokens, r, doneToken);
    if (head.IsWord("insert") && n > 1 && tokens[1].IsWord("bulk"))
        return RunInsertBulk(tokens, sql, r, doneToken);
    if (head.IsWord("print")) {
        std::string text = n > 1 ? std::string(sql.substr(tokens[1].offset)) : std::string();
        if (n == 2 && tokens[1].kind == tds::SqlToken::Kind::String) {
            const std::string_view lit = tokens[1].text;
            const std::size_t open = lit.find('\'');
            text.clear();
            for (std::size_t i = open + 1; i + 1 < lit.size(); ++i) {
                text.push_back(lit[i]);
                if (lit[i] == '\'')
                    ++i;
            }
        }
        r.W().Message(false, 0, 1, 0, text, m_server, "", 1);
        r.Done(doneToken, 0, 0, 0);
        return;
    }
    const bool tranWord = n > 1 && IsTranWord(tokens[1]);
    if (head.IsWord("begin") && tranWord) {
        if (m_tranCount == 0)
            OpenTransaction(r);
        ++m_tranCount;
        r.Done(doneToken, 0, 0, 0);
        return;
    }
    if (head.IsWord("commit") && (n == 1 || tranWord)) {
        if (m_tranCount == 0)
            throw embsql::Error(
                "25000", 3902,
                "The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION.");
        if (--m_tranCount == 0) {
            m_tranCount = 1;
            CommitTransaction(r);
        }
        r.Done(doneToken, 0, 0, 0);
        return;
    }
    if (head.IsWord("rollback") && (n == 1 || tranWord)) {
        if (m_tranCount == 0)
            throw embsql::Error(
                "25000", 3903,
                "The ROLLBACK TRANSACTION request has no corresponding BEGIN TRANSACTION.");
        RollbackTransaction(r);
        r.Done(doneToken, 0, 0, 0);
        return;
    }
    if (head.IsWord("truncate"))
        EnsureWriteTransaction(r);
    // Everything else is the engine's to run or refuse.
    for (std::unique_ptr<embsql::Result>& result : m_engine->Execute(sql))
        SendResult(*result, r, doneToken);
    if (head.IsWord("truncate"))
        r.Done(doneToken, 0, 0, 0);
}

void ClientSession::SendResult(embsql::Result& result, Response& r, std::uint8_t doneToken) {
    const std::vector<embsql::Column>& engineColumns = result.Columns();
    const std::uint16_t countFlag = m_noCount ? 0 : tds::kDoneCount;
    if (engineColumns.empty()) {
        const long long rows = result.RowsAffected();
        if (rows >= 0) {
            m_rowCount = rows;
            r.Done(doneToken, countFlag, kCmdExecute, static_cast<std::uint64_t>(rows));
        }
        return;
    }
    std::vector<tds::ResultColumn> columns;
    columns.reserve(engineColumns.size());
    for (const embsql::Column& c : engineColumns)
        columns.push_back(ToResultColumn(c));
    // A computed column has no declared type: its first value decides
    // between a whole number and text (count(*) is an int, as SQL Server has it).
    bool haveRow = false;
    bool computed = false;
    for (const embsql::Column& c : engineColumns)
        computed = computed || !c.declared;
    if (computed && !m_fmtOnly)
        haveRow = result.Next();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (engineColumns[i].declared)
            continue;
        const std::optional<std::string_view> v =
            haveRow ? result.Value(i) : std::optional<std::string_view>();
        long long n = 0;
        if (v && IsPlainInteger(*v, n))
            columns[i].type =
                n >= INT32_MIN && n <= INT32_MAX ? tds::ColumnType::Int : tds::ColumnType::BigInt;
        else
            columns[i].maxChars = 4000;
        columns[i].nullable = true;
    }
    r.W().ColMetadata(columns);
    std::uint64_t rows = 0;
    if (!m_fmtOnly) {
        std::vector<std::optional<std::string_view>> values(columns.size());
        try {
            while (haveRow || result.Next()) {
                haveRow = false;
                for (std::size_t i = 0; i < columns.size(); ++i)
                    values[i] = result.Value(i);
                m_writer.Row(columns, values);
                if (++rows % kAttentionEvery == 0 && m_wire.AttentionArrived())
                    throw Cancelled{};
            }
        } catch (const tds::ValueError& e) {
            SendError(r, embsql::Error("22003", 8115, e.what()), "");
            m_rowCount = static_cast<long long>(rows);
            r.Done(doneToken, static_cast<std::uint16_t>(countFlag | tds::kDoneError), kCmdSelect,
                   rows);
            throw AlreadyReported{};
        }
    }
    m_rowCount = static_cast<long long>(rows);
    r.Done(doneToken, countFlag, kCmdSelect, rows);
}

void ClientSession::RunSelect(std::string_view sql, const std::vector<tds::SqlToken>& tokens,
                              Response& r, std::uint8_t doneToken) {
    if (RunConstantSelect(tokens, r, doneToken))
        return;
    for (std::unique_ptr<embsql::Result>& result : m_engine->Execute(sql))
        SendResult(*result, r, doneToken);
}

// SELECT of constants and server values without FROM: @@SPID, @@VERSION,
// GETDATE(), DB_NAME(), literals... answered here with their proper types.
bool ClientSession::RunConstantSelect(const std::vector<tds::SqlToken>& tokens, Response& r,
                                      std::uint8_t doneToken) {
    if (!tokens[0].IsWord("select"))
        return false;
    std::vector<tds::ResultColumn> columns;
    std::vector<std::optional<std::string>> values;
    std::size_t i = 1;
    const std::size_t n = tokens.size();
    auto word = [&](std::size_t k, std::string_view w) { return k < n && tokens[k].IsWord(w); };
    auto punct = [&](std::size_t k, char c) { return k < n && tokens[k].IsPunct(c); };
    while (i < n) {
        tds::ResultColumn col;
        std::optional<std::string> value;
        const tds::SqlToken& t = tokens[i];
        const std::string lower = tds::LowerAscii(t.text);
        auto text = [&](std::string v, std::uint32_t max = 128) {
            col.type = tds::ColumnType::NVarChar;
            col.maxChars = max;
            value = std::move(v);
        };
        auto integer = [&](long long v) {
            col.type = tds::ColumnType::Int;
            value = std::to_string(v);
        };
        auto when = [&](bool utc) {
            col.type = tds::ColumnType::DateTime;
            value = NowText(utc);
        };
        if (t.kind == tds::SqlToken::Kind::Variable && lower.rfind("@@", 0) == 0) {
            ++i;
            if (lower == "@@spid")
                integer(m_spid);
            else if (lower == "@@version")
                text(std::string(kProgram) + " " + std::to_string(kVersionMajor) + "." +
                         std::to_string(kVersionMinor) + "." + std::to_string(kVersionBuild) +
                         " (embedded server over SQLite)",
                     256);
            else if (lower == "@@servername")
                text(m_server);
            else if (lower == "@@servicename")
                text("MSSQLSERVER");
            else if (lower == "@@trancount")
                integer(m_tranCount);
            else if (lower == "@@rowcount")
                integer(m_rowCount);
            else if (lower == "@@error")
                integer(m_lastError);
            else if (lower == "@@language")
                text("us_english");
            else if (lower == "@@max_precision")
                integer(38);
            else if (lower == "@@textsize")
                integer(2147483647);
            else if (lower == "@@datefirst")
                integer(7);
            else if (lower == "@@lock_timeout")
                integer(-1);
            else if (lower == "@@options" || lower == "@@procid" || lower == "@@nestlevel")
                integer(0);
            else if (lower == "@@identity") {
                col.type = tds::ColumnType::BigInt;
            } else if (lower == "@@microsoftversion")
                integer((static_cast<long long>(kVersionMajor) << 24) | kVersionBuild);
            else
                return false;
        } else if (t.kind == tds::SqlToken::Kind::Word && punct(i + 1, '(') && punct(i + 2, ')')) {
            i += 3;
            if (lower == "getdate" || lower == "sysdatetime" || lower == "current_timestamp")
                when(false);
            else if (lower == "getutcdate" || lower == "sysutcdatetime")
                when(true);
            else if (lower == "db_name")
                text(m_database);
            else if (lower == "user_name")
                text("dbo");
            else if (lower == "suser_sname" || lower == "suser_name")
                text(m_engine->Login());
            else if (lower == "host_name")
                text(m_host);
            else if (lower == "app_name")
                text(m_app);
            else if (lower == "scope_identity") {
                col.type = tds::ColumnType::BigInt;
            } else
                return false;
        } else if (t.IsWord("serverproperty") && punct(i + 1, '(') && i + 2 < n &&
                   tokens[i + 2].kind == tds::SqlToken::Kind::String && punct(i + 3, ')')) {
            std::string prop = tds::LowerAscii(tokens[i + 2].text);
            i += 4;
            if (prop.find("productversion") != std::string::npos)
                text(std::to_string(kVersionMajor) + ".0." + std::to_string(kVersionBuild) + ".0");
            else if (prop.find("edition") != std::string::npos)
                text("Embedded Edition");
            else if (prop.find("servername") != std::string::npos ||
                     prop.find("machinename") != std::string::npos)
                text(m_server);
            else
                text(std::string(), 128), value.reset();
        } else if (t.IsWord("current_timestamp")) {
            ++i;
            when(false);
        } else if (t.IsWord("system_user")) {
            ++i;
            text(m_engine->Login());
        } else if (t.IsWord("current_user") || t.IsWord("session_user") || t.IsWord("user")) {
            ++i;
            text("dbo");
        } else if (t.IsWord("null")) {
            ++i;
            col.type = tds::ColumnType::Int;
        } else if (t.kind == tds::SqlToken::Kind::Number ||
                   (t.IsPunct('-') && i + 1 < n &&
                    tokens[i + 1].kind == tds::SqlToken::Kind::Number)) {
            const bool negative = t.IsPunct('-');
            const std::string digits(tokens[negative ? i + 1 : i].text);
            if (digits.find_first_not_of("0123456789") != std::string::npos)
                return false;
            long long v = 0;
            try {
                v = std::stoll((negative ? "-" : "") + digits);
            } catch (const std::exception&) {
                return false;
            }
            i += negative ? 2 : 1;
            col.type =
                v >= INT32_MIN && v <= INT32_MAX ? tds::ColumnType::Int : tds::ColumnType::BigInt;
            value = std::to_string(v);
        } else if (t.kind == tds::SqlToken::Kind::String) {
            const std::string_view lit = t.text;
            const bool national = lit[0] == 'N' || lit[0] == 'n';
            std::string v;
            for (std::size_t k = national ? 2 : 1; k + 1 < lit.size(); ++k) {
                v.push_back(lit[k]);
                if (lit[k] == '\'')
                    ++k;
            }
            ++i;
            col.type = national ? tds::ColumnType::NVarChar : tds::ColumnType::VarChar;
            col.maxChars = static_cast<std::uint32_t>(std::max<std::size_t>(
                1, national ? tds::Utf16Length(v) : tds::Utf8ToCp1252(v).size()));
            value = std::move(v);
        } else {
            return false;
        }
        col.nullable = !value.has_value() || col.type == tds::ColumnType::BigInt;
        // An alias: [AS] name.
        if (word(i, "as"))
            ++i;
        if (i < n &&
            (tokens[i].kind == tds::SqlToken::Kind::Word ||
             tokens[i].kind == tds::SqlToken::Kind::Identifier ||
             tokens[i].kind == tds::SqlToken::Kind::String) &&
            !tokens[i].IsWord("from") && !tokens[i].IsWord("where")) {
            col.name = UnquoteName(tokens[i].text);
            if (tokens[i].kind == tds::SqlToken::Kind::String)
                col.name =
                    Trim(std::string_view(tokens[i].text).substr(1, tokens[i].text.size() - 2));
            ++i;
        }
        columns.push_back(std::move(col));
        values.push_back(std::move(value));
        if (i == n)
            break;
        if (!punct(i, ','))
            return false;
        ++i;
    }
    if (columns.empty())
        return false;
    r.W().ColMetadata(columns);
    std::uint64_t rows = 0;
    if (!m_fmtOnly) {
        std::vector<std::optional<std::string_view>> view;
        for (const auto& v : values)
            view.push_back(v ? std::optional<std::string_view>(*v) : std::nullopt);
        m_writer.Row(columns, view);
        rows = 1;
    }
    m_rowCount = static_cast<long long>(rows);
    r.Done(doneToken, m_noCount ? 0 : tds::kDoneCount, kCmdSelect, rows);
    return true;
}

void ClientSession::RunCall(std::string_view sql, const std::string& procedure, Response& r,
                            std::uint8_t doneToken) {
    if (tds::LowerAscii(procedure).rfind("sp_datatype_info", 0) == 0) {
        // exec sp_datatype_info[_100] TYPE[, ODBCVER]
        const std::vector<tds::SqlToken> tokens = tds::LexSql(sql);
        std::string type;
        for (std::size_t k = 2; k < tokens.size() && !tokens[k].IsPunct(','); ++k)
            type += tokens[k].text;
        RunTypeInfo(type, r);
        r.W().ReturnStatus(0);
        r.Done(doneToken == tds::kTokenDone ? std::uint8_t{tds::kTokenDoneProc} : doneToken, 0,
               kCmdExecute, 0);
        return;
    }
    EnsureWriteTransaction(r);
    std::vector<std::unique_ptr<embsql::Result>> results;
    try {
        results = m_engine->Execute(sql);
    } catch (const embsql::Error& e) {
        if (e.NativeError() == 2812 || e.NativeError() == 102)
            throw;
        SendError(r, e, UnquoteName(procedure));
        r.Done(tds::kTokenDoneProc, tds::kDoneError, kCmdExecute, 0);
        throw AlreadyReported{};
    }
    for (std::unique_ptr<embsql::Result>& result : results)
        SendResult(*result, r, tds::kTokenDoneInProc);
    r.W().ReturnStatus(0);
    r.Done(doneToken == tds::kTokenDone ? std::uint8_t{tds::kTokenDoneProc} : doneToken, 0,
           kCmdExecute, 0);
}

// The result of sp_datatype_info: the types this server sends, as ODBC's
// SQLGetTypeInfo describes them; all of them, or those of one ODBC type.
void ClientSession::RunTypeInfo(const std::string& odbcType, Response& r) {
    struct TypeRow {
        const char* name;
        int dataType;
        long long size;
        const char* prefix;
        const char* params;
        int searchable;
        int sqlType;
        int subType;
        int radix;
    };
    static const TypeRow rows[] = {
        {"nvarchar", -9, 4000, "N'", "max length", 3, -9, 0, 0},
        {"bigint", -5, 19, nullptr, nullptr, 2, -5, 0, 10},
        {"varbinary", -3, 8000, "0x", "max length", 2, -3, 0, 0},
        {"int", 4, 10, nullptr, nullptr, 2, 4, 0, 10},
        {"varchar", 12, 8000, "'", "max length", 3, 12, 0, 0},
        {"datetime", 93, 23, "'", nullptr, 3, 9, 3, 0},
    };
    auto text = [](const char* name, std::uint32_t max = 128) {
        return tds::ResultColumn{name, tds::ColumnType::NVarChar, max, true};
    };
    auto integer = [](const char* name) {
        return tds::ResultColumn{name, tds::ColumnType::Int, 0, true};
    };
    const std::vector<tds::ResultColumn> columns = {text("TYPE_NAME"),
                                                    integer("DATA_TYPE"),
                                                    integer("PRECISION"),
                                                    text("LITERAL_PREFIX", 32),
                                                    text("LITERAL_SUFFIX", 32),
                                                    text("CREATE_PARAMS", 32),
                                                    integer("NULLABLE"),
                                                    integer("CASE_SENSITIVE"),
                                                    integer("SEARCHABLE"),
                                                    integer("UNSIGNED_ATTRIBUTE"),
                                                    integer("MONEY"),
                                                    integer("AUTO_INCREMENT"),
                                                    text("LOCAL_TYPE_NAME"),
                                                    integer("MINIMUM_SCALE"),
                                                    integer("MAXIMUM_SCALE"),
                                                    integer("SQL_DATA_TYPE"),
                                                    integer("SQL_DATETIME_SUB"),
                                                    integer("NUM_PREC_RADIX"),
                                                    integer("INTERVAL_PRECISION"),
                                                    integer("USERTYPE")};
    int wanted = 0;
    try {
        wanted = odbcType.empty() ? 0 : std::stoi(odbcType);
    } catch (const std::exception&) {
        wanted = 0;
    }
    r.W().ColMetadata(columns);
    std::uint64_t count = 0;
    for (const TypeRow& t : rows) {
        if (wanted != 0 && t.dataType != wanted)
            continue;
        const bool isText = t.prefix != nullptr && t.radix == 0 && t.dataType != 93;
        const bool isInt = t.radix == 10;
        const std::string suffix = t.prefix == nullptr ? "" : t.prefix[0] == '0' ? "" : "'";
        const std::vector<std::optional<std::string>> values = {
            t.name,
            std::to_string(t.dataType),
            std::to_string(t.size),
            t.prefix ? std::optional<std::string>(t.prefix) : std::nullopt,
            t.prefix && !suffix.empty() ? std::optional<std::string>(suffix) : std::nullopt,
            t.params ? std::optional<std::string>(t.params) : std::nullopt,
            "1",
            isText ? "0" : "0",
            std::to_string(t.searchable),
            isInt ? std::optional<std::string>("0") : std::nullopt,
            "0",
            isInt ? std::optional<std::string>("0") : std::nullopt,
            t.name,
            isInt || t.dataType == 93 ? std::optional<std::string>(t.dataType == 93 ? "3" : "0")
                                      : std::nullopt,
            isInt || t.dataType == 93 ? std::optional<std::string>(t.dataType == 93 ? "3" : "0")
                                      : std::nullopt,
            std::to_string(t.sqlType),
            t.subType ? std::optional<std::string>(std::to_string(t.subType)) : std::nullopt,
            isInt ? std::optional<std::string>("10") : std::nullopt,
            std::nullopt,
            "0"};
        std::vector<std::optional<std::string_view>> view;
        for (const auto& v : values)
            view.push_back(v ? std::optional<std::string_view>(*v) : std::nullopt);
        m_writer.Row(columns, view);
        ++count;
    }
    r.Done(tds::kTokenDoneInProc, tds::kDoneCount, kCmdSelect, count);
}

void ClientSession::RunSet(const std::vector<tds::SqlToken>& tokens, std::string_view sql,
                           Response& r, std::uint8_t doneToken) {
    std::vector<std::string> options;
    std::size_t i = 1;
    const std::size_t n = tokens.size();
    while (i < n && (tokens[i].kind == tds::SqlToken::Kind::Word ||
                     tokens[i].kind == tds::SqlToken::Kind::Variable)) {
        options.push_back(tds::LowerAscii(tokens[i].text));
        ++i;
        if (i < n && tokens[i].IsPunct(',')) {
            ++i;
            continue;
        }
        break;
    }
    if (options.empty())
        throw embsql::Error("42000", 102, "Incorrect syntax near 'SET'.");
    const std::string value = i < n ? tds::LowerAscii(tokens[i].text) : std::string();
    const bool on = value == "on";
    static const char* const accepted[] = {"ansi_nulls",
                                           "ansi_null_dflt_on",
                                           "ansi_null_dflt_off",
                                           "ansi_padding",
                                           "ansi_warnings",
                                           "ansi_defaults",
                                           "arithabort",
                                           "arithignore",
                                           "concat_null_yields_null",
                                           "cursor_close_on_commit",
                                           "datefirst",
                                           "dateformat",
                                           "deadlock_priority",
                                           "language",
                                           "lock_timeout",
                                           "numeric_roundabort",
                                           "quoted_identifier",
                                           "rowcount",
                                           "textsize",
                                           "transaction",
                                           "xact_abort",
                                           "statistics",
                                           "showplan_text",
                                           "showplan_all",
                                           "showplan_xml",
                                           "noexec",
                                           "parseonly",
                                           "no_browsetable",
                                           "context_info",
                                           "forceplan",
                                           "query_governor_cost_limit",
                                           "remote_proc_transactions",
                                           "offsets",
                                           "nocount",
                                           "fmtonly",
                                           "implicit_transactions"};
    for (const std::string& option : options) {
        if (option.rfind('@', 0) == 0)
            throw embsql::Error("42000", 137,
                                "Must declare the scalar variable \"" + option + "\".");
        bool known = false;
        for (const char* a : accepted)
            known = known || option == a;
        if (!known)
            throw embsql::Error(
                "42000", 195, "'" + std::string(option) + "' is not a recognized SET option.", 15);
        if (option == "fmtonly")
            m_fmtOnly = on;
        else if (option == "nocount")
            m_noCount = on;
        else if (option == "implicit_transactions")
            m_implicit = on;
        else if (option == "language" && value != "us_english" && value != "'us_english'" &&
                 value != "n'us_english'")
            throw embsql::Error("42000", 2732,
                                "Error number 2732: language " + std::string(tokens[i].text) +
                                    " is not available; only us_english is.");
    }
    (void)sql;
    r.Done(doneToken, 0, 0, 0);
}

void ClientSession::RunUse(const std::vector<tds::SqlToken>& tokens, Response& r,
                           std::uint8_t doneToken) {
    if (tokens.size() != 2)
        throw embsql::Error("42000", 102, "Incorrect syntax near 'USE'.");
    const std::string database = UnquoteName(tokens[1].text);
    if (m_engineTran)
        throw embsql::Error("25000", 3902,
                            "The database cannot be changed while a transaction is open.");
    std::unique_ptr<embsql::Session> next;
    try {
        next = embsql::Session::Connect(m_server, database, m_login, m_password);
    } catch (const embsql::Error& e) {
        if (e.NativeError() == 4060)
            throw embsql::Error("08004", 911,
                                "Database '" + database +
                                    "' does not exist. Make sure that the name is entered "
                                    "correctly.");
        throw;
    }
    m_engine = std::move(next);
    m_bulk.reset();
    const std::string old = m_database;
    m_database = database;
    r.W().EnvChange(tds::kEnvDatabase, m_database, old);
    r.W().Message(false, 5701, 1, 0, "Changed database context to '" + m_database + "'.", m_server,
                  "", 1);
    r.Done(doneToken, 0, 0, 0);
}

// IF <value> <op> <number> <statement>: the conditions clients send around
// transactions (IF @@TRANCOUNT > 0 COMMIT).
void ClientSession::RunIf(std::string_view sql, const std::vector<tds::SqlToken>& tokens,
                          Response& r, std::uint8_t doneToken) {
    std::size_t body = 1;
    int depth = 0;
    for (; body < tokens.size(); ++body) {
        if (tokens[body].IsPunct('('))
            ++depth;
        else if (tokens[body].IsPunct(')'))
            --depth;
        else if (depth == 0 && body > 1 && tds::StartsStatement(tokens[body]))
            break;
    }
    auto syntax = [&]() {
        return embsql::Error("42000", 102,
                             "Incorrect syntax near 'IF': only a comparison of "
                             "@@TRANCOUNT, @@ERROR or @@ROWCOUNT with a number "
                             "is supported.");
    };
    if (body >= tokens.size() || body < 4)
        throw syntax();
    const std::string left = tds::LowerAscii(tokens[1].text);
    long long value = 0;
    if (left == "@@trancount")
        value = m_tranCount;
    else if (left == "@@error")
        value = m_lastError;
    else if (left == "@@rowcount")
        value = m_rowCount;
    else
        throw syntax();
    std::string op;
    for (std::size_t k = 2; k + 1 < body; ++k)
        op += tokens[k].text;
    if (tokens[body - 1].kind != tds::SqlToken::Kind::Number)
        throw syntax();
    const long long right = std::stoll(std::string(tokens[body - 1].text));
    bool holds = false;
    if (op == ">")
        holds = value > right;
    else if (op == "<")
        holds = value < right;
    else if (op == "=")
        holds = value == right;
    else if (op == ">=")
        holds = value >= right;
    else if (op == "<=")
        holds = value <= right;
    else if (op == "<>" || op == "!=")
        holds = value != right;
    else
        throw syntax();
    const std::vector<std::string_view> statements =
        tds::SplitBatch(sql.substr(tokens[body].offset));
    for (std::size_t k = 0; k < statements.size(); ++k) {
        if (k == 0 && !holds)
            continue;
        if (!RunStatement(statements[k], r, doneToken))
            throw AlreadyReported{};
    }
    if (statements.empty() || (!holds && statements.size() == 1))
        r.Done(doneToken, 0, 0, 0);
}

void ClientSession::RunInsertBulk(const std::vector<tds::SqlToken>& tokens, std::string_view sql,
                                  Response& r, std::uint8_t doneToken) {
    // insert bulk [owner.]table [(column type, ...)] [with (...)]
    std::size_t i = 2;
    std::size_t nameStart = i < tokens.size() ? tokens[i].offset : sql.size();
    std::size_t nameEnd = nameStart;
    while (i < tokens.size() && !tokens[i].IsPunct('(') && !tokens[i].IsWord("with")) {
        nameEnd = tokens[i].end;
        ++i;
    }
    const std::string table = UnquoteName(sql.substr(nameStart, nameEnd - nameStart));
    if (table.empty())
        throw embsql::Error("42000", 102, "Incorrect syntax near 'bulk'.");
    m_engine->DescribeTable(table); // 208 when it does not exist
    m_bulkTable = table;
    r.Done(doneToken, 0, 0, 0);
}

void ClientSession::HandleBulkLoad(tds::Packet first) {
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
                m_bulk = embsql::BulkInsert::Open(m_server, m_database, m_login, m_password, table);
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
    Response r(m_writer);
    try {
        for (const tds::RpcCall& call : calls)
            RunRpcCall(call, r);
        Reply(r);
    } catch (const Cancelled&) {
        r.Cancel();
        m_wire.Flush();
        m_wire.ClearAttention();
        Note("request cancelled by the client");
    }
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
            if (m_tranCount > 0)
                CommitTransaction(r);
            if (t.beginAfter) {
                OpenTransaction(r);
                m_tranCount = 1;
            }
            break;
        case tds::TransactionRequest::Kind::Rollback:
            if (m_tranCount > 0)
                RollbackTransaction(r);
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
