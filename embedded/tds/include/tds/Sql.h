// A small lexer of T-SQL text for what the server does before the engine
// sees a statement: cutting a batch into statements, putting parameter
// values in place of their names, and reading parameter declarations. It
// respects quotes, bracketed names and comments.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tds {

struct SqlToken {
    enum class Kind { Word, Identifier, String, Number, Variable, Punct, Unterminated };
    Kind kind = Kind::Punct;
    std::size_t offset = 0;
    std::size_t end = 0;
    std::string_view text; // as in the source

    bool IsWord(std::string_view word) const; // case-insensitive
    bool IsPunct(char c) const { return kind == Kind::Punct && text.size() == 1 && text[0] == c; }
};

// Whether a word begins a statement of its own (select, set, exec, begin, ...).
bool StartsStatement(const SqlToken& token);

// The tokens of `sql`, comments and blanks left out. An unclosed quote or
// comment gives an Unterminated token that runs to the end.
std::vector<SqlToken> LexSql(std::string_view sql);

// The statements of a batch, in order, as slices of it (without the ';'
// between them). Statements are cut at ';' and where a new one plainly
// begins: "SET FMTONLY ON select * from t SET FMTONLY OFF" is three.
std::vector<std::string_view> SplitBatch(std::string_view sql);

// `sql` with each @name in `values` (keys lower-case, without '@') replaced by
// its literal; names inside quotes or comments are left alone.
std::string SubstituteParameters(std::string_view sql,
                                 const std::map<std::string, std::string>& values);

// `sql` with object names of the current database written without their
// database and owner: DB..t, DB.dbo.t and dbo.t become t (the engine knows
// one database and no owners). Names of other databases are left alone.
std::string StripQualifiers(std::string_view sql, std::string_view database);

// The names (lower-case, without '@') of a parameter declaration list:
// "@P1 int, @P2 nvarchar(4000) OUTPUT" gives {"p1", "p2"}.
std::vector<std::string> ParameterNames(std::string_view declarations);

std::string LowerAscii(std::string_view text);

} // namespace tds
