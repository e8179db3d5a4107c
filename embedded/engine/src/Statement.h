// Recognition of the statement forms a client may send: a plain query, a
// procedure call in its three spellings, truncate table and insert ... values.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace embsql {

// One argument of a procedure call, as the caller wrote it.
struct Argument {
    enum class Kind { Text, Number, Null, Marker }; // a marker (?) takes a value later
    Kind kind = Kind::Null;
    std::string text; // the string's value, or the number as written (with its sign)
};

struct ParsedStatement {
    enum class Kind { Query, Call, Truncate, Insert };
    Kind kind = Kind::Query;
    std::string name;           // procedure or table; empty for a query
    std::vector<Argument> args; // a call's arguments, in order
    // An insert's column list as written (empty: every column in order) and
    // its rows of values.
    std::vector<std::string> columns;
    std::vector<std::vector<Argument>> rows;
};

// Classifies `statement`:
//   select ... / with ...            -> Query (its text goes to SQLite as is)
//   {call p}'a',2  {call p('a',2)}   -> Call
//   exec p 'a', 2  execute p         -> Call (an argument may be a marker: ?)
//   truncate table t                 -> Truncate
//   insert [into] t [(c, ...)] values (v, ...)[, (v, ...)]
//                                    -> Insert (a value may be a marker: ?)
// Names may carry a "dbo." owner and [brackets]. A trailing ';' is allowed.
// Throws Error 42000/102 "Incorrect syntax near 'X'." for anything else and
// the tokenizer's errors for bad literals or names.
ParsedStatement ParseStatement(std::string_view statement);

} // namespace embsql
