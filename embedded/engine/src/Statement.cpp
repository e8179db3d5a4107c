// The parser of client statements: recognises the call, truncate and insert
// forms by their tokens and leaves queries whole for SQLite.
#include "Statement.h"

#include "Tokenizer.h"
#include "embsql/Engine.h"

namespace embsql {
namespace {

class Parser {
public:
    explicit Parser(std::string_view source) : m_src(source), m_tokens(Tokenize(source)) {}

    ParsedStatement Run() {
        const Token& first = Peek();
        if (first.kind == TokenKind::End)
            throw Error("42000", 102, "Incorrect syntax: the statement is empty.");
        ParsedStatement result;
        if (first.IsWord("select") || first.IsWord("with")) {
            result.kind = ParsedStatement::Kind::Query;
            return result; // SQLite parses the rest
        }
        if (first.IsPunct('{')) {
            ParseCallEscape(result);
        } else if (first.IsWord("exec") || first.IsWord("execute")) {
            Next();
            result.kind = ParsedStatement::Kind::Call;
            result.name = ParseName();
            ParseArguments(result.args, false);
        } else if (first.IsWord("truncate")) {
            Next();
            if (!Peek().IsWord("table"))
                ThrowSyntaxNear(Peek(), m_src);
            Next();
            result.kind = ParsedStatement::Kind::Truncate;
            result.name = ParseName();
        } else if (first.IsWord("insert")) {
            ParseInsert(result);
        } else {
            ThrowSyntaxNear(first, m_src);
        }
        while (Peek().IsPunct(';'))
            Next();
        if (Peek().kind != TokenKind::End)
            ThrowSyntaxNear(Peek(), m_src);
        return result;
    }

private:
    const Token& Peek() const { return m_tokens[m_pos]; }
    const Token& Next() {
        const Token& token = m_tokens[m_pos];
        if (token.kind != TokenKind::End)
            ++m_pos;
        return token;
    }
    void Expect(char c) {
        if (!Peek().IsPunct(c))
            ThrowSyntaxNear(Peek(), m_src);
        Next();
    }

    // {call p}args or {call p(args)}
    void ParseCallEscape(ParsedStatement& result) {
        Next();
        if (!Peek().IsWord("call"))
            ThrowSyntaxNear(Peek(), m_src);
        Next();
        result.kind = ParsedStatement::Kind::Call;
        result.name = ParseName();
        bool parenthesised = false;
        if (Peek().IsPunct('(')) {
            Next();
            ParseArguments(result.args, true);
            Expect(')');
            parenthesised = true;
        }
        Expect('}');
        // The program's own form puts the argument list after the brace.
        if (!parenthesised)
            ParseArguments(result.args, false);
    }

    // insert [into] t [(c, ...)] values (v, ...)[, (v, ...)]
    void ParseInsert(ParsedStatement& result) {
        Next();
        if (Peek().IsWord("into"))
            Next();
        result.kind = ParsedStatement::Kind::Insert;
        result.name = ParseName(true);
        if (Peek().IsPunct('(')) {
            Next();
            for (;;) {
                result.columns.push_back(ParseIdentifier());
                if (!Peek().IsPunct(','))
                    break;
                Next();
            }
            Expect(')');
        }
        if (!Peek().IsWord("values"))
            ThrowSyntaxNear(Peek(), m_src);
        Next();
        for (;;) {
            Expect('(');
            std::vector<Argument>& row = result.rows.emplace_back();
            ParseArguments(row, true);
            if (row.empty())
                ThrowSyntaxNear(Peek(), m_src);
            Expect(')');
            if (!Peek().IsPunct(','))
                break;
            Next();
        }
    }

    // [owner.]name, where the owner may only be dbo: another owner's
    // procedure or table does not exist here.
    std::string ParseName(bool table = false) {
        std::string name = ParseIdentifier();
        if (Peek().IsPunct('.')) {
            Next();
            std::string second = ParseIdentifier();
            if (!EqualNoCase(name, "dbo")) {
                const std::string full = name + "." + second;
                if (table)
                    throw Error("42S02", 208, "Invalid object name '" + full + "'.");
                throw Error("42000", 2812, "Could not find stored procedure '" + full + "'.");
            }
            name = std::move(second);
        }
        return name;
    }

    std::string ParseIdentifier() {
        const Token& token = Peek();
        if (token.kind != TokenKind::Word && token.kind != TokenKind::Identifier)
            ThrowSyntaxNear(token, m_src);
        if (token.text.empty())
            ThrowSyntaxNear(token, m_src);
        return Next().text;
    }

    // Comma-separated literals; empty when none follows.
    void ParseArguments(std::vector<Argument>& args, bool inParentheses) {
        if (inParentheses ? Peek().IsPunct(')') : AtListEnd())
            return;
        for (;;) {
            args.push_back(ParseArgument());
            if (!Peek().IsPunct(','))
                return;
            Next();
        }
    }

    bool AtListEnd() const { return Peek().kind == TokenKind::End || Peek().IsPunct(';'); }

    Argument ParseArgument() {
        Argument arg;
        const Token& token = Peek();
        if (token.kind == TokenKind::String) {
            arg.kind = Argument::Kind::Text;
            arg.text = Next().text;
        } else if (token.IsWord("null")) {
            Next();
            arg.kind = Argument::Kind::Null;
        } else if (token.IsPunct('?')) {
            Next();
            arg.kind = Argument::Kind::Marker;
        } else {
            std::string sign;
            if (token.IsPunct('-') || token.IsPunct('+')) {
                sign = Next().text;
            }
            if (Peek().kind != TokenKind::Number)
                ThrowSyntaxNear(Peek(), m_src);
            arg.kind = Argument::Kind::Number;
            arg.text = (sign == "-" ? sign : std::string()) + Next().text;
        }
        return arg;
    }

    std::string_view m_src;
    std::vector<Token> m_tokens;
    std::size_t m_pos = 0;
};

} // namespace

ParsedStatement ParseStatement(std::string_view statement) {
    return Parser(statement).Run();
}

std::size_t CountParameterMarkers(std::string_view statement) {
    std::size_t markers = 0;
    for (const Token& token : Tokenize(statement))
        markers += token.IsPunct('?') ? 1 : 0;
    return markers;
}

} // namespace embsql
