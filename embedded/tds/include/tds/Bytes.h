// Reading the little- and big-endian fields of TDS messages with bounds
// checks, and the text conversions the protocol needs (UTF-16LE, code page
// 1252) to and from the engine's UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tds {

// A message that does not follow the protocol. The connection that sent it
// cannot go on.
class ProtocolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A message that ends before a field it announces: the rest may still come
// (bulk-load data arrives packet by packet), otherwise it is a ProtocolError.
class Truncated : public ProtocolError {
public:
    Truncated() : ProtocolError("the message ends in the middle of a field") {}
};

// A cursor over a received message. Every read checks the bounds and throws
// Truncated past the end.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    explicit Reader(std::string_view bytes)
        : Reader(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()) {}

    std::size_t Position() const { return m_pos; }
    std::size_t Remaining() const { return m_size - m_pos; }
    bool AtEnd() const { return m_pos == m_size; }
    void Seek(std::size_t pos);

    std::uint8_t U8();
    std::uint16_t U16();   // little-endian
    std::uint16_t U16Be(); // big-endian
    std::uint32_t U32();
    std::uint32_t U32Be();
    std::uint64_t U64();
    // `count` bytes, as a view into the message.
    std::string_view Bytes(std::size_t count);
    void Skip(std::size_t count) { Bytes(count); }
    // UTF-16LE text of `chars` characters, as UTF-8.
    std::string Utf16(std::size_t chars);
    // B_VARCHAR (1-byte count of characters) and US_VARCHAR (2-byte count).
    std::string BVarchar() { return Utf16(U8()); }
    std::string UsVarchar() { return Utf16(U16()); }

private:
    void Need(std::size_t count) const;
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// UTF-16LE bytes to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::string_view utf16le);
// Appends the UTF-16LE form of UTF-8 text; bad UTF-8 bytes become U+FFFD.
void AppendUtf16(std::string& out, std::string_view utf8);
// The number of UTF-16 code units of UTF-8 text.
std::size_t Utf16Length(std::string_view utf8);
// Code page 1252 bytes (the default collation's) to UTF-8.
std::string Cp1252ToUtf8(std::string_view bytes);
// UTF-8 to code page 1252; characters it lacks become '?'.
std::string Utf8ToCp1252(std::string_view utf8);

// Little-endian appends to an output buffer.
inline void PutU8(std::string& out, std::uint8_t v) {
    out.push_back(static_cast<char>(v));
}
inline void PutU16(std::string& out, std::uint16_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}
inline void PutU32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
inline void PutU64(std::string& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
// B_VARCHAR and US_VARCHAR: a count of UTF-16 units, then the text. Text
// longer than the count allows is cut.
void PutBVarchar(std::string& out, std::string_view utf8);
void PutUsVarchar(std::string& out, std::string_view utf8);

} // namespace tds
