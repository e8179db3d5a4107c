// Stored procedures: their definitions ("create procedure name @p type, ...
// as body"), the conversion of call arguments to parameter types, and the
// running of a body in one transaction.
//
// A body is a sequence of SQLite statements that name the parameters as
// @name (or :name). Each statement with result columns gives a result set,
// except a check: a statement that begins "select raise_error(" runs for its
// effect only, so that a body can refuse with
//     select raise_error('why') where <condition>;
// without adding an empty result set in front of its answer.
#pragma once

#include "Connection.h"
#include "Statement.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace embsql {

struct Parameter {
    std::string name;          // without '@'
    bool isInteger = false;    // int, smallint, tinyint, bigint; otherwise text
    bool isBig = false;        // bigint: 64 bits instead of 32
    std::size_t maxLength = 0; // varchar(n): n; 0 for varchar(max) or integers
};

struct ProcedureDefinition {
    std::string name;
    std::vector<Parameter> parameters;
    std::string body;
};

// Parses a definition. Throws Error 42000/102 naming the token where it
// goes wrong, or the tokenizer's errors.
ProcedureDefinition ParseProcedureDefinition(std::string_view text);

// Runs procedure `name` with `args`: in one transaction of its own, or in a
// savepoint when the session has a transaction open. Everything it changed is
// undone when it fails. Returns one result per result-giving statement.
// Throws Error: 42000/2812 unknown procedure, 42000/229 a login without the
// right to execute it, 42000/201 a missing argument,
// 42000/8144 too many, 22001/8152 a text argument longer than its parameter,
// 22018/8114 and 22003/8115 a bad integer argument, 42000/50000 an error the
// body raised, and whatever a body statement fails with.
std::vector<std::unique_ptr<Result>> CallProcedure(Connection& conn, std::string_view name,
                                                   const std::vector<Argument>& args);

} // namespace embsql
