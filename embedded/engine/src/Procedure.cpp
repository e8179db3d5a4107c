// Stored procedures: definition parsing, argument conversion and the
// transactional run of a body.
#include "Procedure.h"

#include "Results.h"
#include "Tokenizer.h"

#include <sqlite3.h>

#include <charconv>
#include <limits>
#include <optional>

namespace embsql {
namespace {

Parameter ParseParameterType(Parameter param, const std::vector<Token>& tokens, std::size_t& pos,
                             std::string_view source) {
    const Token& type = tokens[pos];
    if (type.kind != TokenKind::Word)
        ThrowSyntaxNear(type, source);
    const std::string name = ToLower(type.text);
    ++pos;
    if (name == "int" || name == "integer" || name == "smallint" || name == "tinyint" ||
        name == "bigint") {
        param.isInteger = true;
        param.isBig = name == "bigint";
        return param;
    }
    if (name != "varchar" && name != "nvarchar" && name != "char" && name != "nchar")
        ThrowSyntaxNear(type, source);
    if (!tokens[pos].IsPunct('('))
        return param; // varchar alone is varchar(1) in SQL Server; we refuse nothing
    ++pos;
    if (tokens[pos].IsWord("max")) {
        param.maxLength = 0;
    } else if (tokens[pos].kind == TokenKind::Number) {
        const std::string& digits = tokens[pos].text;
        if (std::from_chars(digits.data(), digits.data() + digits.size(), param.maxLength).ec !=
                std::errc() ||
            param.maxLength == 0)
            ThrowSyntaxNear(tokens[pos], source);
    } else {
        ThrowSyntaxNear(tokens[pos], source);
    }
    ++pos;
    if (!tokens[pos].IsPunct(')'))
        ThrowSyntaxNear(tokens[pos], source);
    ++pos;
    return param;
}

// An argument converted to its parameter's type.
struct BoundValue {
    enum class Kind { Null, Integer, Text } kind = Kind::Null;
    long long integer = 0;
    std::string text;
};

BoundValue Convert(const Parameter& param, const Argument& arg) {
    BoundValue value;
    if (arg.kind == Argument::Kind::Null)
        return value;
    if (!param.isInteger) {
        if (param.maxLength != 0 && arg.text.size() > param.maxLength)
            throw Error("22001", 8152,
                        "String or binary data would be truncated: the value for parameter '@" +
                            param.name + "' is longer than " + std::to_string(param.maxLength) +
                            " characters.");
        value.kind = BoundValue::Kind::Text;
        value.text = arg.text;
        return value;
    }
    long long number = 0;
    const NumberText parsed = ParseWholeNumber(arg.text, number);
    const char* from = arg.kind == Argument::Kind::Text ? "varchar" : "numeric";
    if (parsed == NumberText::NotANumber)
        throw Error("22018", 8114,
                    std::string("Error converting data type ") + from + " to int for parameter '@" +
                        param.name + "'.");
    const bool fits =
        parsed == NumberText::Ok && (param.isBig || (number >= std::numeric_limits<int>::min() &&
                                                     number <= std::numeric_limits<int>::max()));
    if (!fits)
        throw Error("22003", 8115,
                    std::string("Arithmetic overflow error converting expression to data type ") +
                        (param.isBig ? "bigint" : "int") + " for parameter '@" + param.name + "'.");
    value.kind = BoundValue::Kind::Integer;
    value.integer = number;
    return value;
}

void Bind(Statement& stmt, const ProcedureDefinition& def, const std::vector<BoundValue>& values) {
    sqlite3_stmt* s = stmt.Get();
    const int count = sqlite3_bind_parameter_count(s);
    for (int i = 1; i <= count; ++i) {
        const char* raw = sqlite3_bind_parameter_name(s, i);
        std::string_view name = raw != nullptr ? raw + 1 : "?";
        std::size_t found = def.parameters.size();
        for (std::size_t p = 0; p < def.parameters.size(); ++p)
            if (raw != nullptr && EqualNoCase(def.parameters[p].name, name))
                found = p;
        if (found == def.parameters.size())
            throw Error("42000", 137,
                        "Must declare the scalar variable \"@" + std::string(name) +
                            "\" (procedure '" + def.name + "').");
        const BoundValue& value = values[found];
        switch (value.kind) {
        case BoundValue::Kind::Null:
            stmt.BindNull(i);
            break;
        case BoundValue::Kind::Integer:
            stmt.BindInt(i, value.integer);
            break;
        case BoundValue::Kind::Text:
            stmt.BindText(i, value.text);
            break;
        }
    }
}

bool IsCheck(std::string_view statement) {
    const std::vector<Token> tokens = Tokenize(statement);
    return tokens.size() >= 3 && tokens[0].IsWord("select") && tokens[1].IsWord("raise_error") &&
           tokens[2].IsPunct('(');
}

std::vector<std::unique_ptr<Result>> RunBody(Connection& conn, const ProcedureDefinition& def,
                                             const std::vector<BoundValue>& values) {
    std::vector<std::unique_ptr<Result>> results;
    std::string_view rest = def.body;
    for (;;) {
        std::size_t tail = 0;
        // Each statement is prepared after the one before it ran, so a body
        // may use a temporary table it has just created.
        Statement stmt(conn, rest, &tail);
        if (!stmt)
            break;
        const std::string_view text = rest.substr(0, tail);
        rest.remove_prefix(tail);
        Bind(stmt, def, values);
        if (sqlite3_column_count(stmt.Get()) > 0 && !IsCheck(text)) {
            results.push_back(std::make_unique<SpooledResult>(stmt));
        } else {
            while (stmt.Step()) {
            }
        }
    }
    return results;
}

ProcedureDefinition Lookup(Connection& conn, std::string_view name) {
    Statement stmt(conn, "select sDefinition from " + std::string(kProcedureTable) +
                             " where sName = ?1 collate nocase");
    stmt.BindText(1, name);
    if (!stmt.Step())
        throw Error("42000", 2812, "Could not find stored procedure '" + std::string(name) + "'.");
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt.Get(), 0));
    return ParseProcedureDefinition(text != nullptr ? text : "");
}

// Undoes a failed call; failures of the undo itself cannot be reported
// better than the error that caused it.
void Undo(Connection& conn, bool ownTransaction) {
    sqlite3* db = conn.Handle();
    if (ownTransaction) {
        if (conn.InTransaction())
            sqlite3_exec(db, "rollback", nullptr, nullptr, nullptr);
    } else {
        sqlite3_exec(db, "rollback to embsql_call; release embsql_call", nullptr, nullptr, nullptr);
    }
}

} // namespace

ProcedureDefinition ParseProcedureDefinition(std::string_view text) {
    const std::vector<Token> tokens = Tokenize(text);
    std::size_t pos = 0;
    ProcedureDefinition def;
    if (!tokens[pos].IsWord("create"))
        ThrowSyntaxNear(tokens[pos], text);
    ++pos;
    if (!tokens[pos].IsWord("procedure") && !tokens[pos].IsWord("proc"))
        ThrowSyntaxNear(tokens[pos], text);
    ++pos;
    if (tokens[pos].kind != TokenKind::Word && tokens[pos].kind != TokenKind::Identifier)
        ThrowSyntaxNear(tokens[pos], text);
    def.name = tokens[pos++].text;
    const bool parenthesised = tokens[pos].IsPunct('(');
    if (parenthesised)
        ++pos;
    while (tokens[pos].kind == TokenKind::Variable) {
        Parameter param;
        param.name = tokens[pos++].text;
        for (const Parameter& other : def.parameters)
            if (EqualNoCase(other.name, param.name))
                throw Error("42000", 134,
                            "The variable name '@" + param.name + "' has already been declared.");
        def.parameters.push_back(ParseParameterType(std::move(param), tokens, pos, text));
        if (!tokens[pos].IsPunct(','))
            break;
        ++pos;
    }
    if (parenthesised) {
        if (!tokens[pos].IsPunct(')'))
            ThrowSyntaxNear(tokens[pos], text);
        ++pos;
    }
    if (!tokens[pos].IsWord("as"))
        ThrowSyntaxNear(tokens[pos], text);
    def.body = std::string(text.substr(tokens[pos].end));
    return def;
}

std::vector<std::unique_ptr<Result>> CallProcedure(Connection& conn, std::string_view name,
                                                   const std::vector<Argument>& args) {
    const ProcedureDefinition def = Lookup(conn, name);
    // The body runs with the rights of the procedure's owner.
    conn.Require("EXECUTE", def.name);
    if (args.size() > def.parameters.size())
        throw Error("42000", 8144,
                    "Procedure or function " + def.name + " has too many arguments specified.");
    if (args.size() < def.parameters.size())
        throw Error("42000", 201,
                    "Procedure or function '" + def.name + "' expects parameter '@" +
                        def.parameters[args.size()].name + "', which was not supplied.");
    std::vector<BoundValue> values;
    for (std::size_t i = 0; i < args.size(); ++i)
        values.push_back(Convert(def.parameters[i], args[i]));

    const bool ownTransaction = !conn.InTransaction();
    // Immediate: take the write lock before reading, so that a writer in
    // another session makes this call wait instead of failing halfway.
    conn.Exec(ownTransaction ? "begin immediate" : "savepoint embsql_call");
    try {
        auto results = RunBody(conn, def, values);
        conn.Exec(ownTransaction ? "commit" : "release embsql_call");
        return results;
    } catch (...) {
        Undo(conn, ownTransaction);
        throw;
    }
}

} // namespace embsql
