// Recognition of the statement forms a client may send: a plain query, a
// procedure call in its three spellings, and truncate table.
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
    enum class Kind { Query, Call, Truncate };
    Kind kind = Kind::Query;
    std::string name;           // procedure or table; empty for a query
    std::vector<Argument> args; // a call's arguments, in order
};

// Classifies `statement`:
//   select ... / with ...            -> Query (its text goes to SQLite as is)
//   {call p}'a',2  {call p('a',2)}   -> Call
//   exec p 'a', 2  execute p         -> Call (an argument may be a marker: ?)
//   truncate table t                 -> Truncate
// Names may carry a "dbo." owner and [brackets]. A trailing ';' is allowed.
// Throws Error 42000/102 "Incorrect syntax near 'X'." for anything else and
// the tokenizer's errors for bad literals or names.
ParsedStatement ParseStatement(std::string_view statement);

} // namespace embsql
