// ConnectValue: bracing a connection-string value that needs it; a completed
// connection string with its password left out.
#include "framework/ConnectValue.h"

#include <strings.h>

namespace fw {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool NeedsBraces(std::string_view value) {
    return value.find(';') != std::string_view::npos ||
           (!value.empty() &&
            (value.front() == '{' || IsBlank(value.front()) || IsBlank(value.back())));
}

// The end of the value that starts at `at` (its closing brace included).
std::size_t ValueEnd(std::string_view text, std::size_t at) {
    if (at < text.size() && text[at] == '{') {
        for (std::size_t i = at + 1; i < text.size(); ++i) {
            if (text[i] == '}') {
                if (i + 1 < text.size() && text[i + 1] == '}') {
                    ++i;
                    continue;
                }
                return i + 1;
            }
        }
        return text.size();
    }
    const std::size_t semi = text.find(';', at);
    return semi == std::string_view::npos ? text.size() : semi;
}

} // namespace

void AppendConnectValue(std::string& text, std::string_view value) {
    if (!NeedsBraces(value)) {
        text.append(value);
        return;
    }
    text += '{';
    for (const char c : value) {
        text += c;
        if (c == '}') {
            text += '}';
        }
    }
    text += '}';
}

std::string ConnectValue(std::string_view value) {
    std::string text;
    AppendConnectValue(text, value);
    return text;
}

namespace {

// Calls each(key, piece) for each piece of a connection string: the piece
// as written (without its ';'), and its key with the blanks around it
// dropped (empty for a piece without '=').
template <typename Each> void ForEachPiece(std::string_view connectString, Each each) {
    std::size_t at = 0;
    while (at < connectString.size()) {
        const std::size_t eq = connectString.find('=', at);
        const std::size_t semi = connectString.find(';', at);
        std::size_t end;
        std::string_view key;
        if (eq == std::string_view::npos || (semi != std::string_view::npos && semi < eq)) {
            end = semi == std::string_view::npos ? connectString.size() : semi;
        } else {
            key = connectString.substr(at, eq - at);
            while (!key.empty() && IsBlank(key.front())) {
                key.remove_prefix(1);
            }
            while (!key.empty() && IsBlank(key.back())) {
                key.remove_suffix(1);
            }
            end = ValueEnd(connectString, eq + 1);
        }
        each(key, connectString.substr(at, end - at), end);
        at = end < connectString.size() && connectString[end] == ';' ? end + 1 : end;
    }
}

} // namespace

std::string WithoutPassword(std::string_view connectString) {
    std::string kept;
    ForEachPiece(connectString, [&](std::string_view key, std::string_view piece, std::size_t end) {
        const bool password = (key.size() == 3 && strncasecmp(key.data(), "PWD", 3) == 0) ||
                              (key.size() == 8 && strncasecmp(key.data(), "Password", 8) == 0);
        if (!password) {
            kept.append(piece);
            if (end < connectString.size()) {
                kept += ';';
            }
        }
    });
    return kept;
}

std::vector<std::string> ConnectKeys(std::string_view connectString) {
    std::vector<std::string> keys;
    ForEachPiece(connectString, [&](std::string_view key, std::string_view, std::size_t) {
        if (!key.empty()) {
            keys.emplace_back(key);
        }
    });
    return keys;
}

} // namespace fw
