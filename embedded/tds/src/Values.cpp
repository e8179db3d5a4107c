// Decoding of TYPE_INFO and of values in RPC parameters and bulk-load rows.
#include "tds/Values.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace tds {
namespace {

// Days since 0001-01-01 to a civil date, and back (proleptic Gregorian).
void CivilFromDays(long long z, int& y, unsigned& m, unsigned& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long yy = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int>(yy + (m <= 2));
}

long long DaysFromCivil(int y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

// Days between 1970-01-01 (the algorithm's epoch) and the protocol's.
const long long kEpoch1900 = DaysFromCivil(1900, 1, 1);
const long long kEpoch0001 = DaysFromCivil(1, 1, 1);

std::string FormatDate(long long daysSince1970) {
    int y = 0;
    unsigned m = 0;
    unsigned d = 0;
    CivilFromDays(daysSince1970, y, m, d);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", y, m, d);
    return buf;
}

// A time of day from units of 10^-scale seconds: "HH:MM:SS[.fraction]".
std::string FormatTime(unsigned long long units, int scale) {
    unsigned long long div = 1;
    for (int i = 0; i < scale; ++i)
        div *= 10;
    const unsigned long long secs = units / div;
    const unsigned long long frac = units % div;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02llu:%02llu:%02llu", (secs / 3600) % 24, (secs / 60) % 60,
                  secs % 60);
    std::string out = buf;
    if (scale > 0) {
        std::string digits = std::to_string(frac);
        out +=
            "." +
            std::string(static_cast<std::size_t>(scale) -
                            std::min<std::size_t>(digits.size(), static_cast<std::size_t>(scale)),
                        '0') +
            digits;
    }
    return out;
}

unsigned long long LittleEndian(std::string_view bytes) {
    unsigned long long v = 0;
    for (std::size_t i = bytes.size(); i-- > 0;)
        v = (v << 8) | static_cast<unsigned char>(bytes[i]);
    return v;
}

std::string FormatExact(bool negative, unsigned __int128 magnitude, int scale) {
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
        magnitude /= 10;
    } while (magnitude != 0);
    if (scale > 0) {
        while (digits.size() <= static_cast<std::size_t>(scale))
            digits.insert(digits.begin(), '0');
        digits.insert(digits.end() - scale, '.');
    }
    bool zero = true;
    for (const char c : digits)
        if (c != '0' && c != '.')
            zero = false;
    return (negative && !zero ? "-" : "") + digits;
}

std::string FormatReal(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    // Shortest text that reads back the same.
    for (int precision = 1; precision <= 17; ++precision) {
        char shorter[64];
        std::snprintf(shorter, sizeof shorter, "%.*g", precision, v);
        if (std::strtod(shorter, nullptr) == v)
            return shorter;
    }
    return buf;
}

std::string Hex(std::string_view bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        out.push_back(digits[(static_cast<unsigned char>(c) >> 4) & 0xF]);
        out.push_back(digits[static_cast<unsigned char>(c) & 0xF]);
    }
    return out;
}

bool IsCharType(std::uint8_t t) {
    return t == kTypeBigVarChar || t == kTypeBigChar || t == kTypeNVarChar || t == kTypeNChar ||
           t == kTypeText || t == kTypeNText || t == kTypeChar || t == kTypeVarChar;
}

bool IsNational(std::uint8_t t) {
    return t == kTypeNVarChar || t == kTypeNChar || t == kTypeNText;
}

Value TextValue(std::uint8_t type, std::string_view bytes) {
    Value v;
    if (type == kTypeBigVarBinary || type == kTypeBigBinary || type == kTypeImage ||
        type == kTypeBinary || type == kTypeVarBinary) {
        v.kind = Value::Kind::Binary;
        v.text.assign(bytes);
        return v;
    }
    v.kind = Value::Kind::Text;
    v.national = IsNational(type);
    v.text = v.national ? Utf16ToUtf8(bytes) : Cp1252ToUtf8(bytes);
    return v;
}

// Reads a value sent in chunks: total length (or unknown), then chunks of
// 4-byte length up to a zero one.
Value ReadPlp(Reader& r, const TypeInfo& info) {
    const std::uint64_t total = r.U64();
    if (total == ~0ULL)
        return Value{};
    std::string bytes;
    for (;;) {
        const std::uint32_t chunk = r.U32();
        if (chunk == 0)
            break;
        bytes.append(r.Bytes(chunk));
    }
    if (total != 0xFFFFFFFFFFFFFFFEULL && total != bytes.size())
        throw ProtocolError("a chunked value's parts do not add up to its announced length");
    return TextValue(info.type, bytes);
}

Value ReadFixed(Reader& r, std::uint8_t type, std::size_t length) {
    Value v;
    std::string_view b = r.Bytes(length);
    const unsigned long long raw = LittleEndian(b);
    switch (type) {
    case kTypeInt1:
    case kTypeBit:
    case kTypeBitN:
        v.kind = Value::Kind::Integer;
        v.integer = static_cast<long long>(raw);
        if (type != kTypeInt1)
            v.integer = raw != 0;
        return v;
    case kTypeInt2:
        v.kind = Value::Kind::Integer;
        v.integer = static_cast<std::int16_t>(raw);
        return v;
    case kTypeInt4:
        v.kind = Value::Kind::Integer;
        v.integer = static_cast<std::int32_t>(raw);
        return v;
    case kTypeInt8:
        v.kind = Value::Kind::Integer;
        v.integer = static_cast<long long>(raw);
        return v;
    case kTypeReal: {
        float f = 0;
        const auto bits = static_cast<std::uint32_t>(raw);
        std::memcpy(&f, &bits, sizeof f);
        v.kind = Value::Kind::Real;
        v.real = f;
        return v;
    }
    case kTypeFloat: {
        double d = 0;
        std::memcpy(&d, &raw, sizeof d);
        v.kind = Value::Kind::Real;
        v.real = d;
        return v;
    }
    case kTypeMoney4:
    case kTypeMoney: {
        long long units = 0;
        if (length == 4) {
            units = static_cast<std::int32_t>(raw);
        } else {
            const unsigned long long high = raw & 0xFFFFFFFFULL;
            const unsigned long long low = raw >> 32;
            units = static_cast<long long>((high << 32) | low);
        }
        v.kind = Value::Kind::Exact;
        const bool negative = units < 0;
        const unsigned long long mag = negative ? 0ULL - static_cast<unsigned long long>(units)
                                                : static_cast<unsigned long long>(units);
        v.text = FormatExact(negative, mag, 4);
        return v;
    }
    case kTypeDateTime4:
    case kTypeDateTime: {
        std::int32_t days = 0;
        std::uint32_t ticks = 0;
        if (length == 4) {
            days = static_cast<std::int32_t>(raw & 0xFFFF);
            ticks = static_cast<std::uint32_t>((raw >> 16) & 0xFFFF) * 60 * 300;
        } else {
            days = static_cast<std::int32_t>(raw & 0xFFFFFFFFULL);
            ticks = static_cast<std::uint32_t>(raw >> 32);
        }
        v.kind = Value::Kind::Temporal;
        v.text = FormatDateTime(days, ticks);
        return v;
    }
    default:
        break;
    }
    throw ProtocolError("unexpected fixed-length type " + std::to_string(type));
}

std::size_t FixedLength(std::uint8_t type) {
    switch (type) {
    case kTypeNull:
        return 0;
    case kTypeInt1:
    case kTypeBit:
        return 1;
    case kTypeInt2:
        return 2;
    case kTypeInt4:
    case kTypeDateTime4:
    case kTypeReal:
    case kTypeMoney4:
        return 4;
    case kTypeMoney:
    case kTypeDateTime:
    case kTypeFloat:
    case kTypeInt8:
        return 8;
    default:
        return SIZE_MAX;
    }
}

} // namespace

std::string FormatDateTime(std::int32_t days, std::uint32_t ticks) {
    // 300 ticks a second; milliseconds rounded as SQL Server shows them.
    const unsigned long long ms = (static_cast<unsigned long long>(ticks) * 10 + 1) / 3;
    return FormatDate(kEpoch1900 + days) + " " + FormatTime(ms, 3);
}

bool ParseDateTime(std::string_view text, std::int32_t& days, std::uint32_t& ticks) {
    int y = 0;
    unsigned mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    char buf[64];
    if (text.size() >= sizeof buf)
        return false;
    std::memcpy(buf, text.data(), text.size());
    buf[text.size()] = '\0';
    char frac[8] = {};
    const int n =
        std::sscanf(buf, "%4d-%2u-%2u%*1[ T]%2u:%2u:%2u.%7[0-9]", &y, &mo, &d, &h, &mi, &s, frac);
    if (n < 3 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59)
        return false;
    if (n >= 7) {
        std::string f(frac);
        f.resize(3, '0');
        ms = static_cast<unsigned>(std::stoul(f));
    }
    days = static_cast<std::int32_t>(DaysFromCivil(y, mo, d) - kEpoch1900);
    const unsigned long long totalMs = ((h * 60ULL + mi) * 60ULL + s) * 1000ULL + ms;
    ticks = static_cast<std::uint32_t>((totalMs * 3 + 5) / 10);
    return true;
}

std::string QuoteText(std::string_view utf8, bool national) {
    std::string out = national ? "N'" : "'";
    for (const char c : utf8) {
        out.push_back(c);
        if (c == '\'')
            out.push_back('\'');
    }
    out.push_back('\'');
    return out;
}

TypeInfo ReadTypeInfo(Reader& r) {
    TypeInfo info;
    info.type = r.U8();
    switch (info.type) {
    case kTypeNull:
    case kTypeInt1:
    case kTypeBit:
    case kTypeInt2:
    case kTypeInt4:
    case kTypeDateTime4:
    case kTypeReal:
    case kTypeMoney:
    case kTypeDateTime:
    case kTypeFloat:
    case kTypeMoney4:
    case kTypeInt8:
        info.maxLength = static_cast<std::uint32_t>(FixedLength(info.type));
        return info;
    case kTypeDateN:
        info.maxLength = 3;
        return info;
    case kTypeTimeN:
    case kTypeDateTime2N:
    case kTypeDateTimeOffsetN:
        info.scale = r.U8();
        if (info.scale > 7)
            throw ProtocolError("a time scale above 7");
        return info;
    case kTypeGuid:
    case kTypeIntN:
    case kTypeBitN:
    case kTypeFloatN:
    case kTypeMoneyN:
    case kTypeDateTimeN:
    case kTypeChar:
    case kTypeVarChar:
    case kTypeBinary:
    case kTypeVarBinary:
        info.maxLength = r.U8();
        return info;
    case kTypeDecimal:
    case kTypeNumeric:
    case kTypeDecimalN:
    case kTypeNumericN:
        info.maxLength = r.U8();
        info.precision = r.U8();
        info.scale = r.U8();
        if (info.maxLength > 17 || info.scale > 38 || info.precision > 38)
            throw ProtocolError("a decimal type of impossible size");
        return info;
    case kTypeBigVarBinary:
    case kTypeBigBinary:
    case kTypeBigVarChar:
    case kTypeBigChar:
    case kTypeNVarChar:
    case kTypeNChar:
        info.maxLength = r.U16();
        break;
    case kTypeImage:
    case kTypeText:
    case kTypeNText:
        info.maxLength = r.U32();
        break;
    default:
        throw ProtocolError("unsupported data type " + std::to_string(info.type));
    }
    if (IsCharType(info.type)) {
        info.hasCollation = true;
        const std::string_view c = r.Bytes(5);
        std::memcpy(info.collation, c.data(), 5);
    }
    return info;
}

Value ReadValue(Reader& r, const TypeInfo& info, ValueContext context) {
    const std::uint8_t t = info.type;
    const std::size_t fixed = FixedLength(t);
    if (fixed != SIZE_MAX) {
        if (t == kTypeNull)
            return Value{};
        return ReadFixed(r, t, fixed);
    }
    if (info.IsPlp())
        return ReadPlp(r, info);
    switch (t) {
    case kTypeBigVarBinary:
    case kTypeBigBinary:
    case kTypeBigVarChar:
    case kTypeBigChar:
    case kTypeNVarChar:
    case kTypeNChar: {
        const std::uint16_t len = r.U16();
        if (len == 0xFFFF)
            return Value{};
        return TextValue(t, r.Bytes(len));
    }
    case kTypeImage:
    case kTypeText:
    case kTypeNText: {
        if (context == ValueContext::Row) {
            const std::uint8_t ptr = r.U8();
            if (ptr == 0)
                return Value{};
            r.Skip(ptr);
            r.Skip(8); // timestamp
        }
        const std::uint32_t len = r.U32();
        if (len == 0xFFFFFFFFU)
            return Value{};
        return TextValue(t, r.Bytes(len));
    }
    default:
        break;
    }
    // The rest carry a 1-byte length; 0 is NULL.
    const std::uint8_t len = r.U8();
    if (len == 0 && t != kTypeChar && t != kTypeVarChar && t != kTypeBinary && t != kTypeVarBinary)
        return Value{};
    switch (t) {
    case kTypeIntN:
        if (len != 1 && len != 2 && len != 4 && len != 8)
            throw ProtocolError("an integer of " + std::to_string(len) + " bytes");
        return ReadFixed(r,
                         len == 1   ? kTypeInt1
                         : len == 2 ? kTypeInt2
                         : len == 4 ? kTypeInt4
                                    : kTypeInt8,
                         len);
    case kTypeBitN:
        if (len != 1)
            throw ProtocolError("a bit of " + std::to_string(len) + " bytes");
        return ReadFixed(r, kTypeBitN, 1);
    case kTypeFloatN:
        if (len != 4 && len != 8)
            throw ProtocolError("a float of " + std::to_string(len) + " bytes");
        return ReadFixed(r, len == 4 ? kTypeReal : kTypeFloat, len);
    case kTypeMoneyN:
        if (len != 4 && len != 8)
            throw ProtocolError("money of " + std::to_string(len) + " bytes");
        return ReadFixed(r, len == 4 ? kTypeMoney4 : kTypeMoney, len);
    case kTypeDateTimeN:
        if (len != 4 && len != 8)
            throw ProtocolError("a datetime of " + std::to_string(len) + " bytes");
        return ReadFixed(r, len == 4 ? kTypeDateTime4 : kTypeDateTime, len);
    case kTypeDecimal:
    case kTypeNumeric:
    case kTypeDecimalN:
    case kTypeNumericN: {
        if (len < 2 || len > 17)
            throw ProtocolError("a decimal of " + std::to_string(len) + " bytes");
        const std::uint8_t sign = r.U8();
        const std::string_view mag = r.Bytes(len - 1u);
        unsigned __int128 m = 0;
        for (std::size_t i = mag.size(); i-- > 0;)
            m = (m << 8) | static_cast<unsigned char>(mag[i]);
        Value v;
        v.kind = Value::Kind::Exact;
        v.text = FormatExact(sign == 0, m, info.scale);
        return v;
    }
    case kTypeGuid: {
        if (len != 16)
            throw ProtocolError("a uniqueidentifier of " + std::to_string(len) + " bytes");
        const std::string_view b = r.Bytes(16);
        const std::string h = Hex(b);
        // The first three groups are little-endian.
        auto swapped = [&](int from, int bytes) {
            std::string s;
            for (int i = bytes - 1; i >= 0; --i)
                s += h.substr(static_cast<std::size_t>((from + i) * 2), 2);
            return s;
        };
        Value v;
        v.kind = Value::Kind::Text;
        v.text = swapped(0, 4) + "-" + swapped(4, 2) + "-" + swapped(6, 2) + "-" + h.substr(16, 4) +
                 "-" + h.substr(20);
        return v;
    }
    case kTypeDateN:
    case kTypeTimeN:
    case kTypeDateTime2N:
    case kTypeDateTimeOffsetN: {
        const std::string_view b = r.Bytes(len);
        const int timeBytes = info.scale <= 2 ? 3 : info.scale <= 4 ? 4 : 5;
        std::size_t expected = 0;
        if (t == kTypeDateN)
            expected = 3;
        else if (t == kTypeTimeN)
            expected = static_cast<std::size_t>(timeBytes);
        else if (t == kTypeDateTime2N)
            expected = static_cast<std::size_t>(timeBytes) + 3;
        else
            expected = static_cast<std::size_t>(timeBytes) + 5;
        if (len != expected)
            throw ProtocolError("a date or time of " + std::to_string(len) + " bytes");
        Value v;
        v.kind = Value::Kind::Temporal;
        std::size_t pos = 0;
        std::string time;
        if (t != kTypeDateN) {
            time = FormatTime(LittleEndian(b.substr(0, static_cast<std::size_t>(timeBytes))),
                              info.scale);
            pos = static_cast<std::size_t>(timeBytes);
        }
        std::string date;
        if (t != kTypeTimeN)
            date = FormatDate(kEpoch0001 + static_cast<long long>(LittleEndian(b.substr(pos, 3))));
        v.text = date.empty() ? time : time.empty() ? date : date + " " + time;
        if (t == kTypeDateTimeOffsetN) {
            const auto offset = static_cast<std::int16_t>(LittleEndian(b.substr(pos + 3, 2)));
            char buf[16];
            const int a = offset < 0 ? -offset : offset;
            std::snprintf(buf, sizeof buf, " %c%02d:%02d", offset < 0 ? '-' : '+', a / 60, a % 60);
            v.text += buf;
        }
        return v;
    }
    case kTypeChar:
    case kTypeVarChar:
    case kTypeBinary:
    case kTypeVarBinary:
        if (len == 0xFF)
            return Value{};
        return TextValue(t == kTypeBinary || t == kTypeVarBinary ? kTypeBigVarBinary
                                                                 : kTypeBigVarChar,
                         r.Bytes(len));
    default:
        break;
    }
    throw ProtocolError("unsupported data type " + std::to_string(t));
}

std::string Value::AsText() const {
    switch (kind) {
    case Kind::Null:
        return {};
    case Kind::Integer:
        return std::to_string(integer);
    case Kind::Real:
        return FormatReal(real);
    case Kind::Binary:
        return "0x" + Hex(text);
    default:
        return text;
    }
}

std::string Value::AsLiteral() const {
    switch (kind) {
    case Kind::Null:
        return "null";
    case Kind::Integer:
    case Kind::Exact:
        return AsText();
    case Kind::Real:
        return std::isfinite(real) ? FormatReal(real) : "null";
    case Kind::Binary:
        return "0x" + Hex(text);
    case Kind::Temporal:
        return QuoteText(text, false);
    case Kind::Text:
        // Plain quotes: the engine's text is Unicode throughout, and N'...'
        // is not SQLite's.
        return QuoteText(text, false);
    }
    return "null";
}

} // namespace tds
