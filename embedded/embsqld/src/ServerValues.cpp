// What a client asks of the server itself: SELECT of @@ values, functions and
// constants, and sp_datatype_info.
#include "ClientSession.h"
#include "SessionParts.h"

namespace embsqld {

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

} // namespace embsqld
