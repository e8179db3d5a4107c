// Conversion of one column value (text from the engine) into an
// application buffer of a given C type, whole or in pieces; and wide text
// from an application as UTF-8.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace embodbc {

// Where a value goes: the C type, the buffer and its size in bytes, and the
// length/indicator cell (any of them may be null where ODBC allows).
struct Target {
    SQLSMALLINT cType = SQL_C_CHAR;
    SQLPOINTER data = nullptr;
    SQLLEN capacity = 0;
    SQLLEN* lengthOrIndicator = nullptr;
};

// How much of a value SQLGetData has already handed out.
struct Piece {
    std::size_t offset = 0; // bytes of the converted value already returned
    bool done = false;      // the value has been returned completely
};

enum class Outcome {
    Ok,
    Truncated,  // 01004: character or binary data cut to the buffer
    Fractional, // 01S07: a fraction was dropped converting to an integer type
    NoData,     // SQLGetData: nothing left of this value
};

// The size of one element of a fixed-size C type (the whole numbers, bit,
// double and float); 0 for character and binary types, whose elements are
// as long as their buffer, and for types this driver does not convert.
std::size_t FixedSize(SQLSMALLINT cType);

// The C type SQL_C_DEFAULT stands for on a column of this kind.
SQLSMALLINT DefaultCType(bool isInteger);

// Writes `value` (nullopt for NULL) into `target`. Pass `piece` for
// SQLGetData so that long character and binary data come in parts; bound
// columns pass nullptr. Throws DriverError: 22002 NULL without an indicator,
// 22018 text that is not a number, 22003 a number out of the type's range,
// 07006 a C type this driver does not convert to.
Outcome ConvertValue(std::optional<std::string_view> value, bool isInteger, const Target& target,
                     Piece* piece);

// UTF-16 code units (an application's wide text) as UTF-8; a lone
// surrogate becomes U+FFFD.
std::string Narrow(std::u16string_view units);

} // namespace embodbc
