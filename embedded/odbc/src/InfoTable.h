// What the driver tells SQLGetInfo and SQLGetFunctions: a forward-only,
// read-only ODBC 3 driver over the embedded engine.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <optional>
#include <string>

namespace embodbc {

class Connection;

struct InfoValue {
    enum class Kind { Text, Small, Integer } kind = Kind::Text;
    std::string text;
    SQLUINTEGER number = 0; // the value of a Small or Integer answer
};

// The answer for `infoType` on connection `c`, or nullopt when the driver
// does not know the information type (the caller reports HY096).
std::optional<InfoValue> LookupInfo(SQLUSMALLINT infoType, const Connection& c);

// Whether the driver exports ODBC function `functionId` (an SQL_API_ value).
bool IsFunctionSupported(SQLUSMALLINT functionId);

} // namespace embodbc
