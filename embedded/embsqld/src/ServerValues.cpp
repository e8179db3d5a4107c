// What a client asks of the server itself: SELECT of @@ values, functions and
// constants, sp_datatype_info and sp_columns.
#include "ClientSession.h"
#include "SessionParts.h"

namespace embsqld {
namespace {

// The columns of the catalog results the server makes itself.
tds::ResultColumn TextColumn(const char* name, std::uint32_t max = 128) {
    return tds::ResultColumn{name, tds::ColumnType::NVarChar, max, true};
}
tds::ResultColumn IntegerColumn(const char* name) {
    return tds::ResultColumn{name, tds::ColumnType::Int, 0, true};
}

void WriteRow(tds::TokenWriter& writer, const std::vector<tds::ResultColumn>& columns,
              const std::vector<std::optional<std::string>>& values) {
    std::vector<std::optional<std::string_view>> view;
    for (const std::optional<std::string>& v : values)
        view.push_back(v ? std::optional<std::string_view>(*v) : std::nullopt);
    writer.Row(columns, view);
}

} // namespace

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
        WriteRow(m_writer, columns, values);
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
    const std::vector<tds::ResultColumn> columns = {TextColumn("TYPE_NAME"),
                                                    IntegerColumn("DATA_TYPE"),
                                                    IntegerColumn("PRECISION"),
                                                    TextColumn("LITERAL_PREFIX", 32),
                                                    TextColumn("LITERAL_SUFFIX", 32),
                                                    TextColumn("CREATE_PARAMS", 32),
                                                    IntegerColumn("NULLABLE"),
                                                    IntegerColumn("CASE_SENSITIVE"),
                                                    IntegerColumn("SEARCHABLE"),
                                                    IntegerColumn("UNSIGNED_ATTRIBUTE"),
                                                    IntegerColumn("MONEY"),
                                                    IntegerColumn("AUTO_INCREMENT"),
                                                    TextColumn("LOCAL_TYPE_NAME"),
                                                    IntegerColumn("MINIMUM_SCALE"),
                                                    IntegerColumn("MAXIMUM_SCALE"),
                                                    IntegerColumn("SQL_DATA_TYPE"),
                                                    IntegerColumn("SQL_DATETIME_SUB"),
                                                    IntegerColumn("NUM_PREC_RADIX"),
                                                    IntegerColumn("INTERVAL_PRECISION"),
                                                    IntegerColumn("USERTYPE")};
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
        WriteRow(m_writer, columns, values);
        ++count;
    }
    r.Done(tds::kTokenDoneInProc, tds::kDoneCount, kCmdSelect, count);
}

void ClientSession::RunColumns(const std::string& table, const std::string& column, Response& r) {
    const std::vector<tds::ResultColumn> columns = {TextColumn("TABLE_QUALIFIER"),
                                                    TextColumn("TABLE_OWNER"),
                                                    TextColumn("TABLE_NAME"),
                                                    TextColumn("COLUMN_NAME"),
                                                    IntegerColumn("DATA_TYPE"),
                                                    TextColumn("TYPE_NAME"),
                                                    IntegerColumn("PRECISION"),
                                                    IntegerColumn("LENGTH"),
                                                    IntegerColumn("SCALE"),
                                                    IntegerColumn("RADIX"),
                                                    IntegerColumn("NULLABLE"),
                                                    TextColumn("REMARKS", 254),
                                                    TextColumn("COLUMN_DEF", 4000),
                                                    IntegerColumn("SQL_DATA_TYPE"),
                                                    IntegerColumn("SQL_DATETIME_SUB"),
                                                    IntegerColumn("CHAR_OCTET_LENGTH"),
                                                    IntegerColumn("ORDINAL_POSITION"),
                                                    TextColumn("IS_NULLABLE", 254),
                                                    IntegerColumn("SS_DATA_TYPE")};
    // A pattern's escaped characters ([_], [%]) stand for themselves.
    std::string name;
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (table[i] == '[' && i + 2 < table.size() && table[i + 2] == ']') {
            name += table[i + 1];
            i += 2;
        } else {
            name += table[i];
        }
    }
    std::vector<embsql::Column> found;
    try {
        found = m_engine->DescribeTable(name);
    } catch (const embsql::Error&) {
        // An unknown table has no columns to list.
    }
    r.W().ColMetadata(columns);
    std::uint64_t count = 0;
    for (std::size_t i = 0; i < found.size(); ++i) {
        const embsql::Column& c = found[i];
        if (!column.empty() && column != "%" && tds::LowerAscii(column) != tds::LowerAscii(c.name))
            continue;
        using Text = std::optional<std::string>;
        const std::string type = c.isInteger ? (c.isBig ? "-5" : "4") : "-9";
        const Text none;
        const std::string chars = std::to_string(c.maxLength);
        const std::string bytes = std::to_string(c.maxLength * 2);
        const std::vector<Text> values = {
            m_database,
            Text("dbo"),
            name,
            c.name,
            type,
            Text(c.isInteger ? (c.isBig ? "bigint" : "int") : "nvarchar"),
            Text(c.isInteger ? (c.isBig ? "19" : "10") : chars),
            Text(c.isInteger ? (c.isBig ? "8" : "4") : bytes),
            c.isInteger ? Text("0") : none,
            c.isInteger ? Text("10") : none,
            Text(c.nullable ? "1" : "0"),
            none,
            none,
            type,
            none,
            c.isInteger ? none : Text(bytes),
            std::to_string(i + 1),
            Text(c.nullable ? "YES" : "NO"),
            Text(c.isInteger ? "38" : "39")};
        WriteRow(m_writer, columns, values);
        ++count;
    }
    r.Done(tds::kTokenDoneInProc, tds::kDoneCount, kCmdSelect, count);
}

} // namespace embsqld
