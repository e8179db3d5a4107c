// The lexical scanner: turns statement text into tokens and reports the
// lexical errors SQL Server reports, with its numbers.
#include "Tokenizer.h"

#include "embsql/Engine.h"

#include <cctype>
#include <charconv>

namespace embsql {
namespace {

bool IsWordStart(unsigned char c) {
    return std::isalpha(c) || c == '_' || c == '#' || c >= 0x80;
}
bool IsWordChar(unsigned char c) {
    return IsWordStart(c) || std::isdigit(c) || c == '$';
}

std::string Shorten(std::string_view text, std::size_t max) {
    return std::string(text.substr(0, max));
}

void CheckIdentifierLength(const std::string& name) {
    if (name.size() > kMaxIdentifier)
        throw Error("42000", 103,
                    "The identifier that starts with '" + Shorten(name, kMaxIdentifier) +
                        "' is too long. Maximum length is 128.");
}

class Scanner {
public:
    explicit Scanner(std::string_view source) : m_src(source) {}

    std::vector<Token> Run() {
        std::vector<Token> tokens;
        for (;;) {
            SkipBlanksAndComments();
            Token token;
            token.offset = m_pos;
            if (m_pos >= m_src.size()) {
                token.end = m_pos;
                tokens.push_back(std::move(token));
                return tokens;
            }
            Scan(token);
            token.end = m_pos;
            tokens.push_back(std::move(token));
        }
    }

private:
    char Peek(std::size_t ahead = 0) const {
        return m_pos + ahead < m_src.size() ? m_src[m_pos + ahead] : '\0';
    }

    void SkipBlanksAndComments() {
        while (m_pos < m_src.size()) {
            const unsigned char c = m_src[m_pos];
            if (std::isspace(c)) {
                ++m_pos;
            } else if (c == '-' && Peek(1) == '-') {
                while (m_pos < m_src.size() && m_src[m_pos] != '\n')
                    ++m_pos;
            } else if (c == '/' && Peek(1) == '*') {
                const std::size_t close = m_src.find("*/", m_pos + 2);
                if (close == std::string_view::npos)
                    throw Error("42000", 113, "Missing end comment mark '*/'.");
                m_pos = close + 2;
            } else {
                return;
            }
        }
    }

    // Reads up to the closing `close`, where a doubled `close` stands for one.
    std::string Quoted(char close) {
        std::string value;
        ++m_pos;
        for (;;) {
            if (m_pos >= m_src.size())
                throw Error("42000", 105,
                            "Unclosed quotation mark after the character string '" +
                                Shorten(value, 200) + "'.");
            const char c = m_src[m_pos++];
            if (c != close) {
                value += c;
            } else if (Peek() == close) {
                value += close;
                ++m_pos;
            } else {
                return value;
            }
        }
    }

    void Scan(Token& token) {
        const unsigned char c = m_src[m_pos];
        if ((c == 'N' || c == 'n') && Peek(1) == '\'') {
            ++m_pos; // N'..' is Unicode text to SQL Server; all text is alike here
            token.kind = TokenKind::String;
            token.text = Quoted('\'');
        } else if (c == '\'') {
            token.kind = TokenKind::String;
            token.text = Quoted('\'');
        } else if (c == '[' || c == '"') {
            token.kind = TokenKind::Identifier;
            token.text = Quoted(c == '[' ? ']' : '"');
            CheckIdentifierLength(token.text);
        } else if (std::isdigit(c) ||
                   (c == '.' && std::isdigit(static_cast<unsigned char>(Peek(1))))) {
            token.kind = TokenKind::Number;
            ScanNumber();
            token.text = std::string(m_src.substr(token.offset, m_pos - token.offset));
        } else if (c == '@' && IsWordStart(static_cast<unsigned char>(Peek(1)))) {
            token.kind = TokenKind::Variable;
            ++m_pos;
            token.text = ScanWord();
        } else if (IsWordStart(c)) {
            token.kind = TokenKind::Word;
            token.text = ScanWord();
        } else {
            token.kind = TokenKind::Punct;
            token.text = std::string(1, static_cast<char>(c));
            ++m_pos;
        }
    }

    std::string ScanWord() {
        const std::size_t start = m_pos;
        while (m_pos < m_src.size() && IsWordChar(static_cast<unsigned char>(m_src[m_pos])))
            ++m_pos;
        std::string word(m_src.substr(start, m_pos - start));
        CheckIdentifierLength(word);
        return word;
    }

    void ScanNumber() {
        auto digits = [&] {
            while (std::isdigit(static_cast<unsigned char>(Peek())))
                ++m_pos;
        };
        digits();
        if (Peek() == '.') {
            ++m_pos;
            digits();
        }
        if ((Peek() == 'e' || Peek() == 'E') &&
            (std::isdigit(static_cast<unsigned char>(Peek(1))) ||
             ((Peek(1) == '+' || Peek(1) == '-') &&
              std::isdigit(static_cast<unsigned char>(Peek(2)))))) {
            m_pos += 2;
            digits();
        }
    }

    std::string_view m_src;
    std::size_t m_pos = 0;
};

} // namespace

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string ToLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

NumberText ParseWholeNumber(std::string_view text, long long& value) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || end != text.data() + text.size() ||
        (ec != std::errc() && ec != std::errc::result_out_of_range))
        return NumberText::NotANumber;
    return ec == std::errc() ? NumberText::Ok : NumberText::Overflow;
}

bool Token::IsWord(std::string_view word) const {
    return kind == TokenKind::Word && EqualNoCase(text, word);
}

std::vector<Token> Tokenize(std::string_view source) {
    return Scanner(source).Run();
}

void ThrowSyntaxNear(const Token& token, std::string_view source) {
    if (token.kind == TokenKind::End)
        throw Error("42000", 102, "Incorrect syntax near the end of the statement.");
    throw Error("42000", 102, "Incorrect syntax near '" + Shorten(token.Raw(source), 128) + "'.");
}

} // namespace embsql
