// Fuzzing the embedded server's statement reader: the tokenizer and the recognition of
// statement forms on any text. Only the engine's Error may come out, and every token must
// lie within the text, the last one being the end.
#include <cstdint>
#include <string_view>

#include "Statement.h"
#include "Tokenizer.h"
#include "embsql/Engine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const std::vector<embsql::Token> tokens = embsql::Tokenize(text);
        if (tokens.empty() || tokens.back().kind != embsql::TokenKind::End) {
            __builtin_trap();
        }
        std::size_t previousEnd = 0;
        for (const embsql::Token& token : tokens) {
            if (token.offset < previousEnd || token.end < token.offset || token.end > size) {
                __builtin_trap();
            }
            token.Raw(text);
            previousEnd = token.end;
        }
    } catch (const embsql::Error&) {
    }
    try {
        embsql::ParseStatement(text);
    } catch (const embsql::Error&) {
    }
    return 0;
}
