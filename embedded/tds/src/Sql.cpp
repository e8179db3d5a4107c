// Lexing T-SQL, cutting batches, substituting parameters.
#include "tds/Sql.h"

#include <cctype>

namespace tds {
namespace {

bool IsWordStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '#' ||
           static_cast<unsigned char>(c) >= 0x80;
}
bool IsWordChar(char c) {
    return IsWordStart(c) || std::isdigit(static_cast<unsigned char>(c)) || c == '$' || c == '@';
}

} // namespace

bool StartsStatement(const SqlToken& t) {
    static const char* const words[] = {
        "select",    "set",     "use",   "exec",   "execute", "begin",  "commit",   "rollback",
        "if",        "declare", "print", "insert", "update",  "delete", "truncate", "save",
        "raiserror", "create",  "drop",  "while",  "return",  "waitfor"};
    if (t.kind != SqlToken::Kind::Word)
        return false;
    for (const char* w : words)
        if (t.IsWord(w))
            return true;
    return false;
}

bool SqlToken::IsWord(std::string_view word) const {
    if (kind != Kind::Word || text.size() != word.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(word[i])))
            return false;
    return true;
}

std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::vector<SqlToken> LexSql(std::string_view s) {
    std::vector<SqlToken> tokens;
    std::size_t i = 0;
    const std::size_t n = s.size();
    auto add = [&](SqlToken::Kind kind, std::size_t start, std::size_t end) {
        tokens.push_back(SqlToken{kind, start, end, s.substr(start, end - start)});
    };
    while (i < n) {
        const char c = s[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
            continue;
        }
        const std::size_t start = i;
        if (c == '-' && i + 1 < n && s[i + 1] == '-') {
            while (i < n && s[i] != '\n')
                ++i;
            continue;
        }
        if (c == '/' && i + 1 < n && s[i + 1] == '*') {
            int depth = 0;
            while (i < n) {
                if (s[i] == '/' && i + 1 < n && s[i + 1] == '*') {
                    ++depth;
                    i += 2;
                } else if (s[i] == '*' && i + 1 < n && s[i + 1] == '/') {
                    i += 2;
                    if (--depth == 0)
                        break;
                } else {
                    ++i;
                }
            }
            if (depth != 0)
                add(SqlToken::Kind::Unterminated, start, n);
            continue;
        }
        const bool national = (c == 'N' || c == 'n') && i + 1 < n && s[i + 1] == '\'';
        if (c == '\'' || national || c == '[' || c == '"') {
            const char close = c == '[' ? ']' : c == '"' ? '"' : '\'';
            i += national ? 2 : 1;
            bool closed = false;
            while (i < n) {
                if (s[i] == close) {
                    if (i + 1 < n && s[i + 1] == close) {
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                ++i;
            }
            if (!closed)
                add(SqlToken::Kind::Unterminated, start, n);
            else
                add(c == '[' || c == '"' ? SqlToken::Kind::Identifier : SqlToken::Kind::String,
                    start, i);
            continue;
        }
        if (c == '@') {
            ++i;
            while (i < n && IsWordChar(s[i]))
                ++i;
            add(SqlToken::Kind::Variable, start, i);
            continue;
        }
        if (std::isdigit(static_cast<unsigned char>(c)) ||
            (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
            if (c == '0' && i + 1 < n && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
                i += 2;
                while (i < n && std::isxdigit(static_cast<unsigned char>(s[i])))
                    ++i;
            } else {
                while (i < n && (std::isdigit(static_cast<unsigned char>(s[i])) || s[i] == '.'))
                    ++i;
                if (i < n && (s[i] == 'e' || s[i] == 'E')) {
                    std::size_t j = i + 1;
                    if (j < n && (s[j] == '+' || s[j] == '-'))
                        ++j;
                    if (j < n && std::isdigit(static_cast<unsigned char>(s[j]))) {
                        i = j;
                        while (i < n && std::isdigit(static_cast<unsigned char>(s[i])))
                            ++i;
                    }
                }
            }
            add(SqlToken::Kind::Number, start, i);
            continue;
        }
        if (IsWordStart(c)) {
            while (i < n && IsWordChar(s[i]))
                ++i;
            add(SqlToken::Kind::Word, start, i);
            continue;
        }
        ++i;
        add(SqlToken::Kind::Punct, start, i);
    }
    return tokens;
}

std::vector<std::string_view> SplitBatch(std::string_view sql) {
    const std::vector<SqlToken> tokens = LexSql(sql);
    std::vector<std::string_view> statements;
    std::size_t first = 0; // index of the current statement's first token
    auto close = [&](std::size_t endToken) {
        if (endToken > first) {
            const std::size_t from = tokens[first].offset;
            const std::size_t to = tokens[endToken - 1].end;
            statements.push_back(sql.substr(from, to - from));
        }
    };
    int depth = 0;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const SqlToken& t = tokens[i];
        if (t.kind == SqlToken::Kind::Unterminated)
            break;
        if (t.IsPunct('(')) {
            ++depth;
            continue;
        }
        if (t.IsPunct(')')) {
            if (depth > 0)
                --depth;
            continue;
        }
        if (t.IsPunct(';') && depth == 0) {
            close(i);
            first = i + 1;
            continue;
        }
        if (i == first || depth != 0 || !StartsStatement(t))
            continue;
        const SqlToken& head = tokens[first];
        const SqlToken& prev = tokens[i - 1];
        // Words that continue the statement rather than start one.
        if (t.IsWord("select") &&
            (prev.IsWord("union") || prev.IsWord("all") || prev.IsWord("except") ||
             prev.IsWord("intersect") || prev.IsPunct('(') || head.IsWord("insert") ||
             head.IsWord("if") || head.IsWord("declare") || head.IsWord("create")))
            continue;
        if (head.IsWord("insert") || head.IsWord("create") || head.IsWord("update") ||
            head.IsWord("delete"))
            continue; // the engine refuses these whole; keep them in one piece
        if (t.IsWord("set") && (head.IsWord("update")))
            continue;
        // "IF cond stmt": the statement after the condition belongs to the IF.
        if (head.IsWord("if"))
            continue;
        close(i);
        first = i;
    }
    std::size_t end = tokens.size();
    for (std::size_t i = first; i < tokens.size(); ++i)
        if (tokens[i].kind == SqlToken::Kind::Unterminated) {
            // An unclosed quote or comment: the rest goes whole to the engine,
            // which reports it.
            if (first < tokens.size())
                statements.push_back(sql.substr(tokens[first].offset));
            return statements;
        }
    close(end);
    return statements;
}

std::string SubstituteParameters(std::string_view sql,
                                 const std::map<std::string, std::string>& values) {
    std::string out;
    std::size_t copied = 0;
    for (const SqlToken& t : LexSql(sql)) {
        if (t.kind != SqlToken::Kind::Variable || t.text.size() < 2 || t.text[1] == '@')
            continue;
        const auto found = values.find(LowerAscii(t.text.substr(1)));
        if (found == values.end())
            continue;
        out.append(sql, copied, t.offset - copied);
        out += found->second;
        copied = t.end;
    }
    out.append(sql, copied, std::string_view::npos);
    return out;
}

std::vector<std::string> ParameterNames(std::string_view declarations) {
    std::vector<std::string> names;
    int depth = 0;
    bool expectName = true;
    for (const SqlToken& t : LexSql(declarations)) {
        if (t.IsPunct('('))
            ++depth;
        else if (t.IsPunct(')'))
            --depth;
        else if (t.IsPunct(',') && depth == 0)
            expectName = true;
        else if (expectName && t.kind == SqlToken::Kind::Variable && t.text.size() > 1) {
            names.push_back(LowerAscii(t.text.substr(1)));
            expectName = false;
        }
    }
    return names;
}

} // namespace tds

namespace tds {

namespace {
bool IsName(const SqlToken& t) {
    return t.kind == SqlToken::Kind::Word || t.kind == SqlToken::Kind::Identifier;
}
// The name without [] or "" quotes, lower-case.
std::string BareLower(const SqlToken& t) {
    if (t.kind == SqlToken::Kind::Identifier && t.text.size() >= 2)
        return LowerAscii(t.text.substr(1, t.text.size() - 2));
    return LowerAscii(t.text);
}
} // namespace

std::string StripQualifiers(std::string_view sql, std::string_view database) {
    const std::vector<SqlToken> t = LexSql(sql);
    const std::string db = LowerAscii(database);
    std::string out;
    std::size_t copied = 0;
    auto cut = [&](std::size_t from, std::size_t to) {
        out.append(sql, copied, from - copied);
        copied = to;
    };
    for (std::size_t i = 0; i + 2 < t.size(); ++i) {
        if (!IsName(t[i]) || (i > 0 && t[i - 1].IsPunct('.')))
            continue;
        // DB..name
        if (i + 3 < t.size() && t[i + 1].IsPunct('.') && t[i + 2].IsPunct('.') &&
            IsName(t[i + 3]) && BareLower(t[i]) == db) {
            cut(t[i].offset, t[i + 3].offset);
            i += 3;
            continue;
        }
        // DB.dbo.name
        if (i + 4 < t.size() && t[i + 1].IsPunct('.') && IsName(t[i + 2]) &&
            BareLower(t[i + 2]) == "dbo" && t[i + 3].IsPunct('.') && IsName(t[i + 4]) &&
            BareLower(t[i]) == db) {
            cut(t[i].offset, t[i + 4].offset);
            i += 4;
            continue;
        }
        // dbo.name (but not dbo.name.column)
        if (t[i + 1].IsPunct('.') && IsName(t[i + 2]) && BareLower(t[i]) == "dbo" &&
            !(i + 3 < t.size() && t[i + 3].IsPunct('.'))) {
            cut(t[i].offset, t[i + 2].offset);
            i += 2;
        }
    }
    out.append(sql, copied, std::string_view::npos);
    return out;
}

} // namespace tds
