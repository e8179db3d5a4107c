// The lexical scanner of the statements the engine accepts: words, quoted
// identifiers, string literals, numbers, variables and punctuation.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace embsql {

enum class TokenKind {
    Word,       // keyword or plain identifier
    Identifier, // [bracketed] or "double-quoted" identifier
    String,     // 'literal' or N'literal'; text holds the value with '' undone
    Number,     // digits with an optional fraction or exponent
    Variable,   // @name; text holds the name without '@'
    Punct,      // one character of punctuation
    End,        // end of the statement text
};

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;       // decoded value (see TokenKind)
    std::size_t offset = 0; // where the token starts in the source
    std::size_t end = 0;    // one past its last character

    bool IsWord(std::string_view word) const; // case-insensitive keyword test
    bool IsPunct(char c) const {
        return kind == TokenKind::Punct && text.size() == 1 && text[0] == c;
    }
    // The token as it stands in the source, for messages.
    std::string_view Raw(std::string_view source) const {
        return source.substr(offset, end - offset);
    }
};

// Longest identifier SQL Server accepts.
inline constexpr std::size_t kMaxIdentifier = 128;

// Splits a statement into tokens, skipping blanks and -- and /* */ comments;
// the last token is always End. Throws Error: 42000/105 for an unclosed
// quotation mark, 42000/113 for an unclosed comment, 42000/103 for an
// identifier longer than 128 characters.
std::vector<Token> Tokenize(std::string_view source);

// "Incorrect syntax near 'X'." (42000/102) for the token, or near the end of
// the statement when the token is End.
[[noreturn]] void ThrowSyntaxNear(const Token& token, std::string_view source);

enum class NumberText { Ok, NotANumber, Overflow };
// Reads a whole number as SQL Server converts text to an integer: blanks
// around it and a leading '+' or '-' are allowed, nothing else.
NumberText ParseWholeNumber(std::string_view text, long long& value);

// Case-insensitive comparison of ASCII names.
bool EqualNoCase(std::string_view a, std::string_view b);
std::string ToLower(std::string_view text);

} // namespace embsql
