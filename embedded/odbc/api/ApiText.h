// Reading the character arguments of the entry points (a pointer and a
// length that may be SQL_NTS).
#pragma once

#include "Diagnostics.h"

#include <sql.h>

#include <cstring>
#include <string>

namespace embodbc {

// The text of an argument; empty for a null pointer. Throws DriverError
// HY090 for a negative length other than SQL_NTS.
inline std::string ArgText(const SQLCHAR* text, SQLINTEGER length) {
    if (text == nullptr) {
        return {};
    }
    const char* p = reinterpret_cast<const char*>(text);
    if (length == SQL_NTS) {
        return std::string(p);
    }
    if (length < 0) {
        throw DriverError("HY090", "Invalid string or buffer length");
    }
    return std::string(p, static_cast<std::size_t>(length));
}

} // namespace embodbc
