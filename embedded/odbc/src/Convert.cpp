// Column value conversion: text, wide text, binary and the number types.
#include "Convert.h"

#include "Diagnostics.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

namespace embodbc {

namespace {

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    return s;
}

// A number parsed from column text: the integer part and whether a
// fraction was dropped.
struct Number {
    long double value = 0;
    bool fractional = false;
};

Number ParseNumber(std::string_view text) {
    const std::string_view t = TrimBlanks(text);
    const char* first = t.data();
    const char* last = t.data() + t.size();
    if (!t.empty() && t.front() == '+') {
        ++first;
    }
    long long whole = 0;
    auto [p, ec] = std::from_chars(first, last, whole);
    if (ec == std::errc() && p == last) {
        return {static_cast<long double>(whole), false};
    }
    double d = 0;
    auto [q, ec2] = std::from_chars(first, last, d);
    if (first == last || ec2 == std::errc::invalid_argument || q != last || !std::isfinite(d)) {
        throw DriverError("22018", "Invalid character value for a number");
    }
    if (ec2 == std::errc::result_out_of_range) {
        throw DriverError("22003", "Numeric value out of range");
    }
    const long double truncated = std::trunc(static_cast<long double>(d));
    return {truncated, truncated != static_cast<long double>(d)};
}

template <class T> Outcome StoreInteger(std::string_view text, const Target& t) {
    const Number n = ParseNumber(text);
    if (n.value < static_cast<long double>(std::numeric_limits<T>::min()) ||
        n.value > static_cast<long double>(std::numeric_limits<T>::max())) {
        throw DriverError("22003", "Numeric value out of range");
    }
    if (t.data != nullptr) {
        const T v = static_cast<T>(n.value);
        std::memcpy(t.data, &v, sizeof v);
    }
    if (t.lengthOrIndicator != nullptr) {
        *t.lengthOrIndicator = sizeof(T);
    }
    return n.fractional ? Outcome::Fractional : Outcome::Ok;
}

template <class T> Outcome StoreFloating(std::string_view text, const Target& t) {
    const std::string_view s = TrimBlanks(text);
    double d = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), d);
    if (s.empty() || ec == std::errc::invalid_argument || p != s.data() + s.size()) {
        throw DriverError("22018", "Invalid character value for a number");
    }
    if (ec == std::errc::result_out_of_range ||
        std::fabs(d) > static_cast<double>(std::numeric_limits<T>::max())) {
        throw DriverError("22003", "Numeric value out of range");
    }
    if (t.data != nullptr) {
        const T v = static_cast<T>(d);
        std::memcpy(t.data, &v, sizeof v);
    }
    if (t.lengthOrIndicator != nullptr) {
        *t.lengthOrIndicator = sizeof(T);
    }
    return Outcome::Ok;
}

Outcome StoreBit(std::string_view text, const Target& t) {
    const Number n = ParseNumber(text);
    if (n.value < 0 || n.value > 1 || (n.value == 1 && n.fractional)) {
        throw DriverError("22003", "Numeric value out of range");
    }
    if (t.data != nullptr) {
        *static_cast<unsigned char*>(t.data) = static_cast<unsigned char>(n.value);
    }
    if (t.lengthOrIndicator != nullptr) {
        *t.lengthOrIndicator = 1;
    }
    return n.fractional ? Outcome::Fractional : Outcome::Ok;
}

// UTF-8 to UTF-16 code units; bytes that are not valid UTF-8 are taken as
// Latin-1 so that nothing is dropped.
std::u16string Widen(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t len = c < 0x80         ? 1
                          : (c >> 5) == 6  ? 2
                          : (c >> 4) == 14 ? 3
                          : (c >> 3) == 30 ? 4
                                           : 0;
        char32_t cp = 0;
        bool ok = len > 0 && i + len <= s.size();
        if (ok) {
            cp = len == 1 ? c : c & (0x7F >> len);
            for (std::size_t k = 1; k < len && ok; ++k) {
                const auto cc = static_cast<unsigned char>(s[i + k]);
                ok = (cc & 0xC0) == 0x80;
                cp = (cp << 6) | (cc & 0x3F);
            }
        }
        if (!ok) {
            cp = c;
            len = 1;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += len;
    }
    return out;
}

// Character or binary data, whole (piece == nullptr) or from where the last
// SQLGetData stopped. `unit` is the size of one character, `terminated`
// whether a NUL of that size ends the data in the buffer.
Outcome StoreBytes(const char* bytes, std::size_t size, std::size_t unit, bool terminated,
                   const Target& t, Piece* piece) {
    std::size_t offset = 0;
    if (piece != nullptr) {
        if (piece->done) {
            return Outcome::NoData;
        }
        offset = piece->offset;
    }
    const std::size_t remaining = size - offset;
    if (t.lengthOrIndicator != nullptr) {
        *t.lengthOrIndicator = static_cast<SQLLEN>(remaining);
    }
    std::size_t room = 0;
    if (t.data != nullptr && t.capacity > 0) {
        room = static_cast<std::size_t>(t.capacity) / unit * unit;
        if (terminated) {
            room = room >= unit ? room - unit : 0;
        }
    }
    const std::size_t n = std::min(room, remaining);
    if (t.data != nullptr && t.capacity > 0) {
        std::memcpy(t.data, bytes + offset, n);
        if (terminated && static_cast<std::size_t>(t.capacity) >= unit) {
            std::memset(static_cast<char*>(t.data) + n, 0, unit);
        }
    }
    // Without a buffer only the length was asked for: nothing is cut.
    const bool truncated = t.data != nullptr && n < remaining;
    if (piece != nullptr) {
        // A call that only asked for the length hands nothing out yet.
        if (t.data != nullptr && t.capacity > 0) {
            piece->offset += n;
            piece->done = !truncated;
        }
    }
    return truncated ? Outcome::Truncated : Outcome::Ok;
}

} // namespace

std::size_t FixedSize(SQLSMALLINT cType) {
    switch (cType) {
    case SQL_C_LONG:
    case SQL_C_SLONG:
    case SQL_C_ULONG:
        return sizeof(SQLINTEGER);
    case SQL_C_SHORT:
    case SQL_C_SSHORT:
    case SQL_C_USHORT:
        return sizeof(SQLSMALLINT);
    case SQL_C_TINYINT:
    case SQL_C_STINYINT:
    case SQL_C_UTINYINT:
    case SQL_C_BIT:
        return 1;
    case SQL_C_SBIGINT:
    case SQL_C_UBIGINT:
        return sizeof(SQLBIGINT);
    case SQL_C_DOUBLE:
        return sizeof(SQLDOUBLE);
    case SQL_C_FLOAT:
        return sizeof(SQLREAL);
    default:
        return 0;
    }
}

SQLSMALLINT DefaultCType(bool isInteger) {
    return isInteger ? SQL_C_SLONG : SQL_C_CHAR;
}

Outcome ConvertValue(std::optional<std::string_view> value, bool isInteger, const Target& target,
                     Piece* piece) {
    if (!value) {
        if (piece != nullptr) {
            if (piece->done) {
                return Outcome::NoData;
            }
            piece->done = true;
        }
        if (target.lengthOrIndicator == nullptr) {
            throw DriverError("22002", "Indicator variable required but not supplied");
        }
        *target.lengthOrIndicator = SQL_NULL_DATA;
        return Outcome::Ok;
    }
    const SQLSMALLINT cType =
        target.cType == SQL_C_DEFAULT ? DefaultCType(isInteger) : target.cType;
    if (piece != nullptr && piece->done) {
        return Outcome::NoData;
    }
    const std::string_view text = *value;
    Outcome result;
    switch (cType) {
    case SQL_C_CHAR:
        return StoreBytes(text.data(), text.size(), 1, true, target, piece);
    case SQL_C_BINARY:
        return StoreBytes(text.data(), text.size(), 1, false, target, piece);
    case SQL_C_WCHAR: {
        const std::u16string wide = Widen(text);
        return StoreBytes(reinterpret_cast<const char*>(wide.data()), wide.size() * 2, 2, true,
                          target, piece);
    }
    case SQL_C_LONG:
    case SQL_C_SLONG:
        result = StoreInteger<std::int32_t>(text, target);
        break;
    case SQL_C_ULONG:
        result = StoreInteger<std::uint32_t>(text, target);
        break;
    case SQL_C_SHORT:
    case SQL_C_SSHORT:
        result = StoreInteger<std::int16_t>(text, target);
        break;
    case SQL_C_USHORT:
        result = StoreInteger<std::uint16_t>(text, target);
        break;
    case SQL_C_TINYINT:
    case SQL_C_STINYINT:
        result = StoreInteger<std::int8_t>(text, target);
        break;
    case SQL_C_UTINYINT:
        result = StoreInteger<std::uint8_t>(text, target);
        break;
    case SQL_C_SBIGINT:
        result = StoreInteger<std::int64_t>(text, target);
        break;
    case SQL_C_UBIGINT:
        result = StoreInteger<std::uint64_t>(text, target);
        break;
    case SQL_C_DOUBLE:
        result = StoreFloating<double>(text, target);
        break;
    case SQL_C_FLOAT:
        result = StoreFloating<float>(text, target);
        break;
    case SQL_C_BIT:
        result = StoreBit(text, target);
        break;
    default:
        throw DriverError("07006", "Restricted data type attribute violation");
    }
    if (piece != nullptr) {
        piece->done = true;
    }
    return result;
}

std::string Narrow(std::u16string_view units) {
    const std::size_t count = units.size();
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        char32_t cp = units[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (units[++i] - 0xDC00);
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

} // namespace embodbc
