// The data types a client sends in RPC parameters and bulk-load rows: their
// TYPE_INFO and values, decoded to what the engine takes (text, or a SQL
// literal to put in a statement).
#pragma once

#include "tds/Bytes.h"

#include <cstdint>
#include <string>

namespace tds {

// Type codes of the protocol.
enum : std::uint8_t {
    kTypeNull = 0x1F,
    kTypeInt1 = 0x30,
    kTypeBit = 0x32,
    kTypeInt2 = 0x34,
    kTypeInt4 = 0x38,
    kTypeDateTime4 = 0x3A,
    kTypeReal = 0x3B,
    kTypeMoney = 0x3C,
    kTypeDateTime = 0x3D,
    kTypeFloat = 0x3E,
    kTypeMoney4 = 0x7A,
    kTypeInt8 = 0x7F,
    kTypeGuid = 0x24,
    kTypeIntN = 0x26,
    kTypeDecimal = 0x37,
    kTypeNumeric = 0x3F,
    kTypeBitN = 0x68,
    kTypeDecimalN = 0x6A,
    kTypeNumericN = 0x6C,
    kTypeFloatN = 0x6D,
    kTypeMoneyN = 0x6E,
    kTypeDateTimeN = 0x6F,
    kTypeDateN = 0x28,
    kTypeTimeN = 0x29,
    kTypeDateTime2N = 0x2A,
    kTypeDateTimeOffsetN = 0x2B,
    kTypeChar = 0x2F,
    kTypeVarChar = 0x27,
    kTypeBinary = 0x2D,
    kTypeVarBinary = 0x25,
    kTypeBigVarBinary = 0xA5,
    kTypeBigVarChar = 0xA7,
    kTypeBigBinary = 0xAD,
    kTypeBigChar = 0xAF,
    kTypeNVarChar = 0xE7,
    kTypeNChar = 0xEF,
    kTypeImage = 0x22,
    kTypeText = 0x23,
    kTypeNText = 0x63,
};

// A TYPE_INFO as the client sent it.
struct TypeInfo {
    std::uint8_t type = 0;
    std::uint32_t maxLength = 0; // bytes; 0xFFFF for the (max) types sent in chunks
    std::uint8_t precision = 0;
    std::uint8_t scale = 0;
    bool hasCollation = false;
    std::uint8_t collation[5] = {};

    bool IsPlp() const {
        return maxLength == 0xFFFF &&
               (type == kTypeBigVarChar || type == kTypeBigVarBinary || type == kTypeNVarChar);
    }
};

// Where a value is read: RPC parameters send text/ntext/image without a text
// pointer, bulk-load rows with one.
enum class ValueContext { Parameter, Row };

// Reads a TYPE_INFO. Throws ProtocolError for a type the server does not
// take (xml, user types, sql_variant) and Truncated at the end.
TypeInfo ReadTypeInfo(Reader& r);

struct Value {
    enum class Kind { Null, Integer, Real, Exact, Text, Binary, Temporal };
    Kind kind = Kind::Null;
    long long integer = 0;
    double real = 0;
    std::string text; // Exact: digits; Text: UTF-8; Binary: raw; Temporal: ISO form
    bool national = false;

    // The value as text, as SQL Server converts it to varchar; NULL gives
    // nothing (check kind first).
    std::string AsText() const;
    // The value as a literal to put in a statement: 12, -3.5, N'it''s',
    // 0x0AFF, '2024-01-31 10:00:00.000', null.
    std::string AsLiteral() const;
};

// Reads one value of type `info`. Throws ProtocolError for a length the
// type does not allow, Truncated at the end.
Value ReadValue(Reader& r, const TypeInfo& info, ValueContext context);

// Dates: days since 1900-01-01 and 1/300-second ticks (datetime), from and
// to "YYYY-MM-DD HH:MM:SS.mmm".
std::string FormatDateTime(std::int32_t days, std::uint32_t ticks);
bool ParseDateTime(std::string_view text, std::int32_t& days, std::uint32_t& ticks);

// Puts text in single quotes, doubling those inside: N'…'.
std::string QuoteText(std::string_view utf8, bool national = true);

} // namespace tds
