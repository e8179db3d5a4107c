// The statements of a batch: what the server answers itself (SET, USE, IF,
// transactions, INSERT BULK) and what it hands to the engine, with results
// sent as they are read.
#include "ClientSession.h"
#include "SessionParts.h"

#include <algorithm>

namespace embsqld {

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
    const bool writes = head.IsWord("truncate") || head.IsWord("insert");
    if (writes)
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
    // between a whole number and text (count(*) is an int, as SQL Server has
    // it). Text is declared as wide as its widest value when the result knows
    // its values ahead (a procedure's does), otherwise 4000 characters.
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
        else if (const std::vector<embsql::ValueExtent>* extents = result.Extents())
            columns[i].maxChars =
                static_cast<std::uint32_t>(std::max<std::size_t>((*extents)[i].longest, 1));
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

} // namespace embsqld
