// The engine's session: connecting with a login, running client statements,
// describing tables, and the bulk-loading transaction of the tools.
#include "Connection.h"
#include "Logins.h"
#include "Procedure.h"
#include "Results.h"
#include "Rights.h"
#include "Statement.h"
#include "Tokenizer.h"

#include <sqlite3.h>

#include <algorithm>
#include <map>

namespace embsql {

namespace {

Error MissingValues(std::size_t markers, std::size_t values) {
    return Error("07002", 0,
                 "COUNT field incorrect: the statement has " + std::to_string(markers) +
                     " parameter marker" + (markers == 1 ? "" : "s") + " and " +
                     std::to_string(values) + " value" + (values == 1 ? "" : "s") + " for them.");
}

Argument ToArgument(const ParamValue& value) {
    Argument arg;
    if (const auto* number = std::get_if<long long>(&value)) {
        arg.kind = Argument::Kind::Number;
        arg.text = std::to_string(*number);
    } else if (const auto* text = std::get_if<std::string>(&value)) {
        arg.kind = Argument::Kind::Text;
        arg.text = *text;
    }
    return arg;
}

// Binds the first `markers` values to a query's markers. SQLite knows named
// parameters as well (@name, :name, $name, ?NNN); a client's statement has
// none of them.
void BindMarkers(Statement& stmt, const std::vector<ParamValue>& params, std::size_t markers) {
    const int count = sqlite3_bind_parameter_count(stmt.Get());
    for (int i = 1; i <= count; ++i) {
        const char* name = sqlite3_bind_parameter_name(stmt.Get(), i);
        if (name != nullptr && name[0] == '@')
            throw Error("42000", 137,
                        "Must declare the scalar variable \"" + std::string(name) + "\".");
        if (name != nullptr)
            throw Error("42000", 102, "Incorrect syntax near '" + std::string(name) + "'.");
    }
    if (static_cast<std::size_t>(count) != markers)
        throw MissingValues(static_cast<std::size_t>(count), markers);
    for (int i = 1; i <= count; ++i) {
        const ParamValue& value = params[static_cast<std::size_t>(i) - 1];
        if (const auto* number = std::get_if<long long>(&value))
            stmt.BindInt(i, *number);
        else if (const auto* text = std::get_if<std::string>(&value))
            stmt.BindText(i, *text);
        else
            stmt.BindNull(i);
    }
}

Error CountMismatch(std::string_view table, std::size_t columns, std::size_t values) {
    return Error("21S01", 213,
                 "Column name or number of supplied values does not match table definition: "
                 "table '" +
                     std::string(table) + "' has " + std::to_string(columns) + " columns, " +
                     std::to_string(values) + " values were given.");
}

std::vector<Column> RequireTable(Connection& conn, std::string_view table) {
    std::vector<Column> columns = TableColumns(conn, table);
    if (columns.empty())
        throw Error("42S02", 208, "Invalid object name '" + std::string(table) + "'.");
    return columns;
}

class SessionImpl : public Session {
public:
    explicit SessionImpl(std::shared_ptr<Connection> conn) : m_conn(std::move(conn)) {}

    ~SessionImpl() override {
        m_inserts.clear();
        if (m_conn->InTransaction())
            sqlite3_exec(m_conn->Handle(), "rollback", nullptr, nullptr, nullptr);
    }

    void SetBusyTimeout(std::chrono::milliseconds timeout) override {
        m_conn->SetBusyTimeout(timeout);
    }
    const std::string& Login() const override { return m_conn->Login(); }

    std::vector<std::unique_ptr<Result>> Execute(std::string_view statement,
                                                 const std::vector<ParamValue>& params) override {
        ParsedStatement parsed = ParseStatement(statement);
        const std::size_t markers = CountParameterMarkers(statement);
        if (params.size() < markers)
            throw MissingValues(markers, params.size());
        // Rights changed since the last statement count from this one.
        LoadRights(*m_conn);
        if (parsed.kind != ParsedStatement::Kind::Query)
            m_conn->DetachReaders();
        std::vector<std::unique_ptr<Result>> results;
        switch (parsed.kind) {
        case ParsedStatement::Kind::Query:
            results.push_back(RunQuery(statement, params, markers));
            break;
        case ParsedStatement::Kind::Call: {
            // A marker is an argument that came separately.
            std::size_t next = 0;
            for (Argument& arg : parsed.args)
                if (arg.kind == Argument::Kind::Marker)
                    arg = ToArgument(params[next++]);
            results = CallProcedure(*m_conn, parsed.name, parsed.args);
            break;
        }
        case ParsedStatement::Kind::Truncate:
            RequireTable(*m_conn, parsed.name);
            // A SQL server asks for ALTER, and does not say which is lacking.
            if (!m_conn->GetRights().Allows("ALTER", parsed.name))
                throw Error("42000", 1088,
                            "Cannot find the object \"" + parsed.name +
                                "\" because it does not exist or you do not have permissions.");
            m_inserts.clear();
            m_conn->Exec("delete from " + QuoteName(parsed.name));
            results.push_back(std::make_unique<CountResult>(-1));
            break;
        case ParsedStatement::Kind::Insert:
            results.push_back(std::make_unique<CountResult>(InsertRows(parsed, params)));
            break;
        }
        return results;
    }

    std::unique_ptr<BulkInsert> OpenBulkInsert(std::string_view table) override {
        return OpenBulkInsertOn(ConnectAgain(*m_conn), table);
    }

    std::vector<Column> DescribeTable(std::string_view table) override {
        return RequireTable(*m_conn, table);
    }

    void Begin() override {
        if (m_conn->InTransaction())
            throw Error("25000", 3902, "A transaction is already open in this session.");
        m_conn->DetachReaders();
        m_conn->Exec("begin immediate");
    }

    void Commit() override {
        if (!m_conn->InTransaction())
            throw Error("25000", 3902,
                        "The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION.");
        m_conn->Exec("commit");
    }

    void Rollback() override {
        if (!m_conn->InTransaction())
            throw Error("25000", 3903,
                        "The ROLLBACK TRANSACTION request has no corresponding BEGIN TRANSACTION.");
        m_conn->Exec("rollback");
    }

    void Insert(std::string_view table,
                const std::vector<std::optional<std::string>>& values) override {
        m_conn->DetachReaders();
        TableInsert& insert = PrepareInsert(table);
        if (values.size() != insert.columns.size())
            throw CountMismatch(table, insert.columns.size(), values.size());
        insert.stmt.Reset();
        for (std::size_t i = 0; i < values.size(); ++i) {
            long long integer = 0;
            CheckColumnValue(insert.columns[i], table, values[i], integer);
            const int index = static_cast<int>(i) + 1;
            if (!values[i])
                insert.stmt.BindNull(index);
            else if (insert.columns[i].isInteger)
                insert.stmt.BindInt(index, integer);
            else
                insert.stmt.BindText(index, *values[i]);
        }
        insert.stmt.Step();
        insert.stmt.Reset();
    }

private:
    // An insert statement's rows; all or none of them are kept.
    long long InsertRows(const ParsedStatement& parsed, const std::vector<ParamValue>& params) {
        const std::vector<Column>& columns = PrepareInsert(parsed.name).columns;
        m_conn->Require("INSERT", parsed.name);
        const std::vector<std::size_t> targets = InsertTargets(parsed, columns);
        std::vector<std::optional<std::string>> values(columns.size());
        std::size_t marker = 0;
        const bool several = parsed.rows.size() > 1;
        if (several)
            m_conn->Exec("savepoint embsql_insert");
        try {
            for (const std::vector<Argument>& row : parsed.rows) {
                if (row.size() != targets.size() && parsed.columns.empty())
                    throw CountMismatch(parsed.name, targets.size(), row.size());
                if (row.size() != targets.size())
                    throw Error("21S01", row.size() < targets.size() ? 109 : 110,
                                std::string("There are ") +
                                    (row.size() < targets.size() ? "more" : "fewer") +
                                    " columns in the INSERT statement than values specified in "
                                    "the VALUES clause. The number of values in the VALUES "
                                    "clause must match the number of columns specified in the "
                                    "INSERT statement.");
                std::fill(values.begin(), values.end(), std::nullopt);
                for (std::size_t i = 0; i < row.size(); ++i) {
                    Argument arg = row[i];
                    if (arg.kind == Argument::Kind::Marker)
                        arg = ToArgument(params[marker++]);
                    if (arg.kind != Argument::Kind::Null)
                        values[targets[i]] = std::move(arg.text);
                }
                Insert(parsed.name, values);
            }
            if (several)
                m_conn->Exec("release embsql_insert");
        } catch (...) {
            if (several) {
                sqlite3_exec(m_conn->Handle(), "rollback to embsql_insert", nullptr, nullptr,
                             nullptr);
                sqlite3_exec(m_conn->Handle(), "release embsql_insert", nullptr, nullptr, nullptr);
            }
            throw;
        }
        return static_cast<long long>(parsed.rows.size());
    }

    // The table column each value of an insert's rows goes to.
    static std::vector<std::size_t> InsertTargets(const ParsedStatement& parsed,
                                                  const std::vector<Column>& columns) {
        std::vector<std::size_t> targets;
        if (parsed.columns.empty()) {
            for (std::size_t i = 0; i < columns.size(); ++i)
                targets.push_back(i);
            return targets;
        }
        for (const std::string& name : parsed.columns) {
            std::size_t at = 0;
            while (at < columns.size() && !EqualNoCase(columns[at].name, name))
                ++at;
            if (at == columns.size())
                throw Error("42S22", 207, "Invalid column name '" + name + "'.");
            if (std::find(targets.begin(), targets.end(), at) != targets.end())
                throw Error("42000", 264,
                            "The column name '" + name +
                                "' is specified more than once in the column list of an INSERT.");
            targets.push_back(at);
        }
        return targets;
    }

    struct TableInsert {
        std::vector<Column> columns;
        Statement stmt;
    };

    std::unique_ptr<Result> RunQuery(std::string_view statement,
                                     const std::vector<ParamValue>& params, std::size_t markers) {
        std::size_t tail = 0;
        Statement stmt;
        m_conn->SetClientQueryMode(true);
        try {
            stmt = Statement(*m_conn, statement, &tail);
        } catch (...) {
            m_conn->SetClientQueryMode(false);
            throw;
        }
        m_conn->SetClientQueryMode(false);
        // One statement per call: anything but ';' after it is refused, so
        // that nothing after a query can run unseen.
        const std::string_view rest = statement.substr(tail);
        for (const Token& token : Tokenize(rest)) {
            if (token.kind == TokenKind::End)
                break;
            if (!token.IsPunct(';'))
                ThrowSyntaxNear(token, rest);
        }
        BindMarkers(stmt, params, markers);
        return std::make_unique<QueryResult>(m_conn, std::move(stmt));
    }

    TableInsert& PrepareInsert(std::string_view table) {
        const std::string key = ToLower(table);
        auto found = m_inserts.find(key);
        if (found != m_inserts.end())
            return found->second;
        TableInsert insert;
        insert.columns = RequireTable(*m_conn, table);
        m_conn->Require("INSERT", table);
        std::string sql = "insert into " + QuoteName(table) + " values(";
        for (std::size_t i = 0; i < insert.columns.size(); ++i)
            sql += (i == 0 ? "?" : ",?");
        sql += ")";
        insert.stmt = Statement(*m_conn, sql);
        return m_inserts.emplace(key, std::move(insert)).first->second;
    }

    std::shared_ptr<Connection> m_conn;
    std::map<std::string, TableInsert> m_inserts;
};

} // namespace

std::unique_ptr<Session> Session::Connect(std::string_view server, std::string_view database,
                                          std::string_view login, std::string_view password) {
    return std::make_unique<SessionImpl>(ConnectLogin(server, database, login, password));
}

} // namespace embsql
