// What the parts of a client session share: the server's identity, DONE
// command numbers, the exceptions that end a statement or request, small
// text helpers, and the response that holds back each DONE.
#pragma once

#include "tds/Sql.h"
#include "tds/Tokens.h"

#include "embsql/Engine.h"

#include <chrono>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace embsqld {

// What the server calls itself in LOGINACK and @@VERSION.
constexpr const char* kProgram = "embsqld";
constexpr std::uint8_t kVersionMajor = 16;
constexpr std::uint8_t kVersionMinor = 0;
constexpr std::uint16_t kVersionBuild = 1000;
// The largest request other than bulk-load data.
constexpr std::size_t kMaxMessage = 64u << 20;
// Rows sent between two looks for an attention.
constexpr std::uint64_t kAttentionEvery = 256;

// Current command numbers of DONE tokens.
constexpr std::uint16_t kCmdSelect = 0xC1;
constexpr std::uint16_t kCmdExecute = 0xE0;
constexpr std::uint16_t kCmdBulk = 0xF0;

// The client cancelled the request being answered.
struct Cancelled {};
// A statement failed and its error and DONE are already sent.
struct AlreadyReported {};

inline std::string Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return std::string(s);
}

// A name as written ([x], "x" or x), without its quotes; of a dotted name the
// last part.
inline std::string UnquoteName(std::string_view name) {
    std::string last;
    std::string current;
    std::size_t i = 0;
    while (i < name.size()) {
        const char c = name[i];
        if (c == '[' || c == '"') {
            const char close = c == '[' ? ']' : '"';
            ++i;
            while (i < name.size()) {
                if (name[i] == close) {
                    if (i + 1 < name.size() && name[i + 1] == close) {
                        current.push_back(close);
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                current.push_back(name[i++]);
            }
            continue;
        }
        if (c == '.') {
            last = current;
            current.clear();
            ++i;
            continue;
        }
        current.push_back(c);
        ++i;
    }
    return current.empty() ? last : current;
}

inline tds::ResultColumn ToResultColumn(const embsql::Column& c) {
    tds::ResultColumn r;
    r.name = c.name;
    r.nullable = c.nullable;
    if (c.isInteger) {
        r.type = c.isBig ? tds::ColumnType::BigInt : tds::ColumnType::Int;
    } else {
        r.type = tds::ColumnType::NVarChar;
        r.maxChars = static_cast<std::uint32_t>(c.maxLength);
    }
    return r;
}

inline std::string NowText(bool utc) {
    const auto now = std::chrono::system_clock::now();
    const std::time_t secs = std::chrono::system_clock::to_time_t(now);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
    std::tm tm{};
    if (utc)
        gmtime_r(&secs, &tm);
    else
        localtime_r(&secs, &tm);
    char buf[64];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    char frac[8];
    std::snprintf(frac, sizeof frac, ".%03d", static_cast<int>(ms.count()));
    return std::string(buf) + frac;
}

// Digits with an optional '-', no leading zero, that fit 64 bits.
inline bool IsPlainInteger(std::string_view text, long long& value) {
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '-')
        digits.remove_prefix(1);
    if (digits.empty() || digits.size() > 18 || (digits.size() > 1 && digits.front() == '0') ||
        digits.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    value = std::stoll(std::string(text));
    return true;
}

inline bool IsTranWord(const tds::SqlToken& t) {
    return t.IsWord("tran") || t.IsWord("transaction") || t.IsWord("work");
}

// The tokens of one response, holding back each DONE until the next token
// shows whether more follow.
class Response {
public:
    explicit Response(tds::TokenWriter& w) : m_w(w) {}
    tds::TokenWriter& W() {
        FlushPending(true);
        return m_w;
    }
    void Done(std::uint8_t token, std::uint16_t status, std::uint16_t command, std::uint64_t rows) {
        FlushPending(true);
        m_pending = true;
        m_token = token;
        m_status = status;
        m_command = command;
        m_rows = rows;
    }
    void Finish() {
        if (!m_pending)
            Done(tds::kTokenDone, tds::kDoneFinal, 0, 0);
        FlushPending(false);
        m_w.EndMessage();
    }
    // Ends a cancelled response. What is buffered may finish a token already
    // begun in a sent packet, so it goes out too; the client skips it all up
    // to the acknowledgement.
    void Cancel() {
        m_pending = false;
        m_w.Done(tds::kTokenDone, tds::kDoneAttention, 0, 0);
        m_w.EndMessage();
    }

private:
    void FlushPending(bool more) {
        if (!m_pending)
            return;
        m_pending = false;
        m_w.Done(m_token, static_cast<std::uint16_t>(m_status | (more ? tds::kDoneMore : 0)),
                 m_command, m_rows);
    }
    tds::TokenWriter& m_w;
    bool m_pending = false;
    std::uint8_t m_token = 0;
    std::uint16_t m_status = 0;
    std::uint16_t m_command = 0;
    std::uint64_t m_rows = 0;
};

} // namespace embsqld
