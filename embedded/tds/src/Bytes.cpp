// Bounds-checked field reads and the protocol's text conversions.
#include "tds/Bytes.h"

#include <algorithm>
#include <array>

namespace tds {

void Reader::Need(std::size_t count) const {
    if (count > m_size - m_pos)
        throw Truncated();
}

void Reader::Seek(std::size_t pos) {
    if (pos > m_size)
        throw Truncated();
    m_pos = pos;
}

std::uint8_t Reader::U8() {
    Need(1);
    return m_data[m_pos++];
}

std::uint16_t Reader::U16() {
    Need(2);
    const std::uint16_t v = static_cast<std::uint16_t>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
    m_pos += 2;
    return v;
}

std::uint16_t Reader::U16Be() {
    Need(2);
    const std::uint16_t v = static_cast<std::uint16_t>((m_data[m_pos] << 8) | m_data[m_pos + 1]);
    m_pos += 2;
    return v;
}

std::uint32_t Reader::U32() {
    Need(4);
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | m_data[m_pos + static_cast<std::size_t>(i)];
    m_pos += 4;
    return v;
}

std::uint32_t Reader::U32Be() {
    Need(4);
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v = (v << 8) | m_data[m_pos + static_cast<std::size_t>(i)];
    m_pos += 4;
    return v;
}

std::uint64_t Reader::U64() {
    const std::uint64_t low = U32();
    const std::uint64_t high = U32();
    return low | (high << 32);
}

std::string_view Reader::Bytes(std::size_t count) {
    Need(count);
    std::string_view v(reinterpret_cast<const char*>(m_data + m_pos), count);
    m_pos += count;
    return v;
}

std::string Reader::Utf16(std::size_t chars) {
    if (chars > Remaining() / 2)
        throw Truncated();
    return Utf16ToUtf8(Bytes(chars * 2));
}

namespace {

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Decodes one code point of UTF-8 at `i`, advancing it; U+FFFD for a bad
// sequence (one byte consumed).
std::uint32_t NextCodePoint(std::string_view s, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int extra = 0;
    std::uint32_t cp = 0;
    std::uint32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) {
        extra = 1;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        ++i;
        return 0xFFFD;
    }
    if (static_cast<std::size_t>(extra) >= s.size() - i) {
        ++i;
        return 0xFFFD;
    }
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return 0xFFFD;
    }
    i += static_cast<std::size_t>(extra) + 1;
    return cp;
}

// Code page 1252's characters 0x80-0x9F; 0 where it has none.
constexpr std::array<std::uint16_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

} // namespace

std::string Utf16ToUtf8(std::string_view utf16le) {
    std::string out;
    out.reserve(utf16le.size() / 2);
    const std::size_t units = utf16le.size() / 2;
    const auto* p = reinterpret_cast<const unsigned char*>(utf16le.data());
    for (std::size_t i = 0; i < units; ++i) {
        std::uint32_t u = p[2 * i] | (p[2 * i + 1] << 8);
        if (u < 0x80) {
            out.push_back(static_cast<char>(u));
            continue;
        }
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
            const std::uint32_t low = p[2 * i + 2] | (p[2 * i + 3] << 8);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            } else {
                u = 0xFFFD;
            }
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            u = 0xFFFD;
        }
        AppendUtf8(out, u);
    }
    return out;
}

void AppendUtf16(std::string& out, std::string_view utf8) {
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            out.push_back('\0');
            ++i;
            continue;
        }
        const std::uint32_t cp = NextCodePoint(utf8, i);
        if (cp >= 0x10000) {
            const std::uint32_t v = cp - 0x10000;
            PutU16(out, static_cast<std::uint16_t>(0xD800 + (v >> 10)));
            PutU16(out, static_cast<std::uint16_t>(0xDC00 + (v & 0x3FF)));
        } else {
            PutU16(out, static_cast<std::uint16_t>(cp));
        }
    }
}

std::size_t Utf16Length(std::string_view utf8) {
    std::size_t units = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        if (static_cast<unsigned char>(utf8[i]) < 0x80) {
            ++i;
            ++units;
            continue;
        }
        units += NextCodePoint(utf8, i) >= 0x10000 ? 2 : 1;
    }
    return units;
}

std::string Cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80)
            out.push_back(ch);
        else if (c < 0xA0)
            AppendUtf8(out, kCp1252High[c - 0x80] ? kCp1252High[c - 0x80] : 0xFFFD);
        else
            AppendUtf8(out, c);
    }
    return out;
}

std::string Utf8ToCp1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const std::uint32_t cp = NextCodePoint(utf8, i);
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out.push_back(static_cast<char>(cp));
            continue;
        }
        char mapped = '?';
        for (std::size_t k = 0; k < kCp1252High.size(); ++k)
            if (kCp1252High[k] == cp && cp != 0)
                mapped = static_cast<char>(0x80 + k);
        out.push_back(mapped);
    }
    return out;
}

void PutBVarchar(std::string& out, std::string_view utf8) {
    std::string utf16;
    AppendUtf16(utf16, utf8);
    const std::size_t units = std::min<std::size_t>(utf16.size() / 2, 0xFF);
    PutU8(out, static_cast<std::uint8_t>(units));
    out.append(utf16, 0, units * 2);
}

void PutUsVarchar(std::string& out, std::string_view utf8) {
    std::string utf16;
    AppendUtf16(utf16, utf8);
    const std::size_t units = std::min<std::size_t>(utf16.size() / 2, 0xFFFF);
    PutU16(out, static_cast<std::uint16_t>(units));
    out.append(utf16, 0, units * 2);
}

} // namespace tds
