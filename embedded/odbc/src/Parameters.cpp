// Reading bound parameter buffers into engine values.
#include "Parameters.h"

#include "Convert.h"
#include "Diagnostics.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

namespace embodbc {

namespace {

bool IsCharType(SQLSMALLINT cType) {
    return cType == SQL_C_CHAR || cType == SQL_C_WCHAR;
}

// The size of a whole-number C type; 0 for any other type.
std::size_t IntegerSize(SQLSMALLINT cType) {
    return cType == SQL_C_DOUBLE || cType == SQL_C_FLOAT ? 0 : FixedSize(cType);
}

bool IsKnownCType(SQLSMALLINT cType) {
    switch (cType) {
    case SQL_C_CHAR:
    case SQL_C_WCHAR:
    case SQL_C_DEFAULT:
    case SQL_C_BINARY:
    case SQL_C_DOUBLE:
    case SQL_C_FLOAT:
    case SQL_C_NUMERIC:
    case SQL_C_TYPE_DATE:
    case SQL_C_TYPE_TIME:
    case SQL_C_TYPE_TIMESTAMP:
    case SQL_C_DATE:
    case SQL_C_TIME:
    case SQL_C_TIMESTAMP:
    case SQL_C_GUID:
        return true;
    default:
        return IntegerSize(cType) != 0;
    }
}

enum class SqlKind { Text, Integer, Other, Unknown };

SqlKind KindOf(SQLSMALLINT sqlType) {
    switch (sqlType) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR:
        return SqlKind::Text;
    case SQL_INTEGER:
    case SQL_SMALLINT:
    case SQL_TINYINT:
    case SQL_BIGINT:
    case SQL_BIT:
        return SqlKind::Integer;
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_FLOAT:
    case SQL_REAL:
    case SQL_DOUBLE:
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_TYPE_TIMESTAMP:
    case SQL_DATE:
    case SQL_TIME:
    case SQL_TIMESTAMP:
    case SQL_GUID:
        return SqlKind::Other;
    default:
        return SqlKind::Unknown;
    }
}

// The C type SQL_C_DEFAULT stands for with this SQL type.
SQLSMALLINT Resolve(const ParamBinding& b) {
    if (b.cType != SQL_C_DEFAULT)
        return b.cType;
    switch (b.sqlType) {
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR:
        return SQL_C_WCHAR;
    case SQL_INTEGER:
        return SQL_C_SLONG;
    case SQL_SMALLINT:
        return SQL_C_SSHORT;
    case SQL_TINYINT:
        return SQL_C_STINYINT;
    case SQL_BIGINT:
        return SQL_C_SBIGINT;
    case SQL_BIT:
        return SQL_C_BIT;
    default:
        return SQL_C_CHAR;
    }
}

[[noreturn]] void NotOffered() {
    throw DriverError("HYC00", "Optional feature not implemented: only character and whole-number "
                               "input parameters are offered");
}

// The bytes of character data: its length cell, or up to the terminator.
std::string ReadText(const ParamBinding& b, SQLSMALLINT cType, SQLLEN length) {
    const std::size_t unit = cType == SQL_C_WCHAR ? sizeof(char16_t) : 1;
    std::size_t bytes = 0;
    if (length == SQL_NTS) {
        if (cType == SQL_C_WCHAR) {
            const auto* p = static_cast<const char16_t*>(b.data);
            while (p[bytes / unit] != 0)
                bytes += unit;
        } else {
            bytes = std::strlen(static_cast<const char*>(b.data));
        }
    } else if (length < 0) {
        throw DriverError("HY090", "Invalid string or buffer length");
    } else {
        bytes = static_cast<std::size_t>(length) / unit * unit;
    }
    if (cType == SQL_C_WCHAR) {
        std::u16string units(bytes / unit, u'\0');
        std::memcpy(units.data(), b.data, bytes);
        return Narrow(units);
    }
    return std::string(static_cast<const char*>(b.data), bytes);
}

template <class T> long long Load(const void* data) {
    T value;
    std::memcpy(&value, data, sizeof value);
    return static_cast<long long>(value);
}

long long ReadInteger(const void* data, SQLSMALLINT cType) {
    switch (cType) {
    case SQL_C_LONG:
    case SQL_C_SLONG:
        return Load<std::int32_t>(data);
    case SQL_C_ULONG:
        return Load<std::uint32_t>(data);
    case SQL_C_SHORT:
    case SQL_C_SSHORT:
        return Load<std::int16_t>(data);
    case SQL_C_USHORT:
        return Load<std::uint16_t>(data);
    case SQL_C_TINYINT:
    case SQL_C_STINYINT:
        return Load<std::int8_t>(data);
    case SQL_C_UTINYINT:
    case SQL_C_BIT:
        return Load<std::uint8_t>(data);
    case SQL_C_SBIGINT:
        return Load<std::int64_t>(data);
    default: { // SQL_C_UBIGINT
        std::uint64_t value;
        std::memcpy(&value, data, sizeof value);
        if (value > static_cast<std::uint64_t>(std::numeric_limits<long long>::max()))
            throw DriverError("22003", "Numeric value out of range");
        return static_cast<long long>(value);
    }
    }
}

// Text for an integer SQL type: a whole number, blanks around it allowed.
long long ToInteger(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc::result_out_of_range)
        throw DriverError("22003", "Numeric value out of range");
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        throw DriverError("22018", "Invalid character value for cast specification");
    return value;
}

} // namespace

void CheckBinding(SQLSMALLINT ioType, const ParamBinding& binding) {
    if (ioType != SQL_PARAM_INPUT) {
        if (ioType == SQL_PARAM_OUTPUT || ioType == SQL_PARAM_INPUT_OUTPUT)
            throw DriverError("HYC00", "Optional feature not implemented: parameters are input "
                                       "only");
        throw DriverError("HY105", "Invalid parameter type");
    }
    if (!IsKnownCType(binding.cType))
        throw DriverError("HY003", "Invalid application buffer type");
    const SqlKind kind = KindOf(binding.sqlType);
    if (kind == SqlKind::Unknown)
        throw DriverError("HY004", "Invalid SQL data type");
    const SQLSMALLINT cType = Resolve(binding);
    if ((!IsCharType(cType) && IntegerSize(cType) == 0) || kind == SqlKind::Other)
        NotOffered();
    if (binding.bufferLength < 0)
        throw DriverError("HY090", "Invalid string or buffer length");
    if (binding.data == nullptr && binding.lengthOrIndicator == nullptr)
        throw DriverError("HY009", "Invalid use of null pointer");
}

embsql::ParamValue ReadParameter(const ParamBinding& binding) {
    const SQLLEN length =
        binding.lengthOrIndicator != nullptr ? *binding.lengthOrIndicator : SQL_NTS;
    if (length == SQL_NULL_DATA)
        return std::monostate{};
    if (length == SQL_DATA_AT_EXEC || length <= SQL_LEN_DATA_AT_EXEC_OFFSET)
        throw DriverError("HYC00", "Optional feature not implemented: data at execution");
    if (binding.data == nullptr)
        throw DriverError("HY009", "Invalid use of null pointer");
    const SQLSMALLINT cType = Resolve(binding);
    const bool toInteger = KindOf(binding.sqlType) == SqlKind::Integer;
    if (IsCharType(cType)) {
        std::string text = ReadText(binding, cType, length);
        if (toInteger)
            return ToInteger(text);
        return text;
    }
    const long long number = ReadInteger(binding.data, cType);
    if (toInteger)
        return number;
    return std::to_string(number);
}

} // namespace embodbc
