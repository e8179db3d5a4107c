// Writing the server's tokens and cutting them into packets.
#include "tds/Tokens.h"

#include "tds/Bytes.h"
#include "tds/Values.h"

#include <charconv>

namespace tds {
namespace {

constexpr std::uint32_t kMaxNVarChar = 4000;
constexpr std::uint32_t kMaxVarChar = 8000;

bool IsMax(const ResultColumn& c) {
    if (c.type == ColumnType::NVarChar)
        return c.maxChars == 0 || c.maxChars > kMaxNVarChar;
    if (c.type == ColumnType::VarChar)
        return c.maxChars == 0 || c.maxChars > kMaxVarChar;
    return false;
}

template <typename T> bool ParseInteger(std::string_view text, T& value) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

} // namespace

TokenWriter::TokenWriter(Sink sink, std::size_t packetSize) : m_sink(std::move(sink)) {
    SetPacketSize(packetSize);
}

void TokenWriter::SetPacketSize(std::size_t size) {
    if (size < 512)
        size = 512;
    if (size > kMaxPacketSize)
        size = kMaxPacketSize;
    m_packetSize = size;
}

void TokenWriter::LoginAck(std::uint32_t tdsVersion, std::string_view program, std::uint8_t major,
                           std::uint8_t minor, std::uint16_t build) {
    std::string body;
    PutU8(body, 1); // interface: SQL
    // The version goes big-endian.
    PutU8(body, static_cast<std::uint8_t>(tdsVersion >> 24));
    PutU8(body, static_cast<std::uint8_t>(tdsVersion >> 16));
    PutU8(body, static_cast<std::uint8_t>(tdsVersion >> 8));
    PutU8(body, static_cast<std::uint8_t>(tdsVersion));
    PutBVarchar(body, program);
    PutU8(body, major);
    PutU8(body, minor);
    PutU8(body, static_cast<std::uint8_t>(build >> 8));
    PutU8(body, static_cast<std::uint8_t>(build & 0xFF));
    PutU8(m_buffer, kTokenLoginAck);
    PutU16(m_buffer, static_cast<std::uint16_t>(body.size()));
    m_buffer += body;
    MaybeFlush();
}

void TokenWriter::EnvChange(std::uint8_t type, std::string_view newValue,
                            std::string_view oldValue) {
    std::string body;
    PutU8(body, type);
    PutBVarchar(body, newValue);
    PutBVarchar(body, oldValue);
    PutU8(m_buffer, kTokenEnvChange);
    PutU16(m_buffer, static_cast<std::uint16_t>(body.size()));
    m_buffer += body;
    MaybeFlush();
}

void TokenWriter::EnvChangeBytes(std::uint8_t type, std::string_view newValue,
                                 std::string_view oldValue) {
    std::string body;
    PutU8(body, type);
    PutU8(body, static_cast<std::uint8_t>(newValue.size()));
    body += newValue;
    PutU8(body, static_cast<std::uint8_t>(oldValue.size()));
    body += oldValue;
    PutU8(m_buffer, kTokenEnvChange);
    PutU16(m_buffer, static_cast<std::uint16_t>(body.size()));
    m_buffer += body;
    MaybeFlush();
}

void TokenWriter::Message(bool error, std::int32_t number, std::uint8_t state,
                          std::uint8_t severity, std::string_view text, std::string_view server,
                          std::string_view procedure, std::int32_t line) {
    std::string body;
    PutU32(body, static_cast<std::uint32_t>(number));
    PutU8(body, state);
    PutU8(body, severity);
    PutUsVarchar(body, text);
    PutBVarchar(body, server);
    PutBVarchar(body, procedure);
    PutU32(body, static_cast<std::uint32_t>(line));
    PutU8(m_buffer, error ? kTokenError : kTokenInfo);
    PutU16(m_buffer, static_cast<std::uint16_t>(std::min<std::size_t>(body.size(), 0xFFFF)));
    m_buffer += body;
    MaybeFlush();
}

void TokenWriter::PutTypeInfo(const ResultColumn& c) {
    switch (c.type) {
    case ColumnType::Int:
        PutU8(m_buffer, kTypeIntN);
        PutU8(m_buffer, 4);
        return;
    case ColumnType::BigInt:
        PutU8(m_buffer, kTypeIntN);
        PutU8(m_buffer, 8);
        return;
    case ColumnType::DateTime:
        PutU8(m_buffer, kTypeDateTimeN);
        PutU8(m_buffer, 8);
        return;
    case ColumnType::NVarChar:
        PutU8(m_buffer, kTypeNVarChar);
        PutU16(m_buffer, IsMax(c) ? 0xFFFF : static_cast<std::uint16_t>(c.maxChars * 2));
        m_buffer.append(kCollation, 5);
        return;
    case ColumnType::VarChar:
        PutU8(m_buffer, kTypeBigVarChar);
        PutU16(m_buffer, IsMax(c) ? 0xFFFF : static_cast<std::uint16_t>(c.maxChars));
        m_buffer.append(kCollation, 5);
        return;
    }
}

void TokenWriter::ColMetadata(const std::vector<ResultColumn>& columns) {
    PutU8(m_buffer, kTokenColMetadata);
    PutU16(m_buffer, static_cast<std::uint16_t>(columns.size()));
    for (const ResultColumn& c : columns) {
        PutU32(m_buffer, 0); // user type
        PutU16(m_buffer, c.nullable ? 0x0001 : 0x0000);
        PutTypeInfo(c);
        PutBVarchar(m_buffer, c.name);
    }
    MaybeFlush();
}

void TokenWriter::PutValue(const ResultColumn& c, std::optional<std::string_view> value) {
    // A whole number of T's width (4 or 8 bytes), its length first.
    const auto putInteger = [&](auto v, const char* typeName) {
        if (!ParseInteger(*value, v))
            throw ValueError("Conversion failed when converting the value '" + std::string(*value) +
                             "' of column '" + c.name + "' to data type " + typeName + ".");
        PutU8(m_buffer, sizeof v);
        if constexpr (sizeof v == 4)
            PutU32(m_buffer, static_cast<std::uint32_t>(v));
        else
            PutU64(m_buffer, static_cast<std::uint64_t>(v));
    };
    switch (c.type) {
    case ColumnType::Int:
        if (!value)
            PutU8(m_buffer, 0);
        else
            putInteger(std::int32_t{0}, "int");
        return;
    case ColumnType::BigInt:
        if (!value)
            PutU8(m_buffer, 0);
        else
            putInteger(std::int64_t{0}, "bigint");
        return;
    case ColumnType::DateTime: {
        if (!value) {
            PutU8(m_buffer, 0);
            return;
        }
        std::int32_t days = 0;
        std::uint32_t ticks = 0;
        if (!ParseDateTime(*value, days, ticks))
            throw ValueError("Conversion failed when converting the value '" + std::string(*value) +
                             "' of column '" + c.name + "' to data type datetime.");
        PutU8(m_buffer, 8);
        PutU32(m_buffer, static_cast<std::uint32_t>(days));
        PutU32(m_buffer, ticks);
        return;
    }
    case ColumnType::NVarChar:
    case ColumnType::VarChar:
        break;
    }
    const bool max = IsMax(c);
    if (!value) {
        if (max)
            PutU64(m_buffer, ~0ULL);
        else
            PutU16(m_buffer, 0xFFFF);
        return;
    }
    // Reserve the length field, write the value, then fill it in.
    const std::size_t lengthAt = m_buffer.size();
    m_buffer.append(max ? 12 : 2, '\0');
    const std::size_t start = m_buffer.size();
    if (c.type == ColumnType::NVarChar)
        AppendUtf16(m_buffer, *value);
    else
        m_buffer += Utf8ToCp1252(*value);
    const std::size_t bytes = m_buffer.size() - start;
    const std::size_t units = c.type == ColumnType::NVarChar ? bytes / 2 : bytes;
    if (!max && units > c.maxChars)
        throw ValueError("String or binary data would be truncated: a value of column '" + c.name +
                         "' is longer than " + std::to_string(c.maxChars) + " characters.");
    auto patch = [&](std::size_t at, std::uint64_t v, int width) {
        for (int i = 0; i < width; ++i)
            m_buffer[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    if (!max) {
        patch(lengthAt, bytes, 2);
        return;
    }
    patch(lengthAt, bytes, 8);
    if (bytes == 0) {
        // No chunk at all: the 4 bytes reserved for the chunk length are the terminator.
        return;
    }
    patch(lengthAt + 8, bytes, 4);
    PutU32(m_buffer, 0); // terminator
}

void TokenWriter::Row(const std::vector<ResultColumn>& columns,
                      const std::vector<std::optional<std::string_view>>& values) {
    const std::size_t mark = m_buffer.size();
    try {
        PutU8(m_buffer, kTokenRow);
        for (std::size_t i = 0; i < columns.size(); ++i)
            PutValue(columns[i], i < values.size() ? values[i] : std::nullopt);
    } catch (...) {
        m_buffer.resize(mark);
        throw;
    }
    MaybeFlush();
}

void TokenWriter::Done(std::uint8_t token, std::uint16_t status, std::uint16_t command,
                       std::uint64_t rows) {
    PutU8(m_buffer, token);
    PutU16(m_buffer, status);
    PutU16(m_buffer, command);
    PutU64(m_buffer, rows);
    MaybeFlush();
}

void TokenWriter::ReturnStatus(std::int32_t status) {
    PutU8(m_buffer, kTokenReturnStatus);
    PutU32(m_buffer, static_cast<std::uint32_t>(status));
    MaybeFlush();
}

void TokenWriter::ReturnValue(std::uint16_t ordinal, std::string_view name,
                              const ResultColumn& type, std::optional<std::string_view> value) {
    const std::size_t mark = m_buffer.size();
    try {
        PutU8(m_buffer, kTokenReturnValue);
        PutU16(m_buffer, ordinal);
        PutBVarchar(m_buffer, name);
        PutU8(m_buffer, 0x01); // output parameter
        PutU32(m_buffer, 0);   // user type
        PutU16(m_buffer, type.nullable ? 0x0001 : 0x0000);
        PutTypeInfo(type);
        PutValue(type, value);
    } catch (...) {
        m_buffer.resize(mark);
        throw;
    }
    MaybeFlush();
}

void TokenWriter::MaybeFlush() {
    const std::size_t payload = m_packetSize - kHeaderSize;
    // Keep at least one byte back, so that the message's last packet is never empty.
    if (m_buffer.size() <= payload)
        return;
    std::size_t offset = 0;
    while (m_buffer.size() - offset > payload) {
        m_packet.clear();
        PutHeader(m_packet,
                  PacketHeader{static_cast<std::uint8_t>(PacketType::TabularResult), 0,
                               static_cast<std::uint16_t>(m_packetSize), m_spid, m_packetId++, 0});
        m_packet.append(m_buffer, offset, payload);
        offset += payload;
        m_sent += m_packet.size();
        m_sink(m_packet);
    }
    m_buffer.erase(0, offset);
}

void TokenWriter::EndMessage() {
    MaybeFlush();
    m_packet.clear();
    PutHeader(m_packet,
              PacketHeader{static_cast<std::uint8_t>(PacketType::TabularResult), kStatusEom,
                           static_cast<std::uint16_t>(m_buffer.size() + kHeaderSize), m_spid,
                           m_packetId++, 0});
    m_packet += m_buffer;
    m_buffer.clear();
    m_packetId = 1;
    m_sent += m_packet.size();
    m_sink(m_packet);
}

} // namespace tds
