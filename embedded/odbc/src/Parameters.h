// Input parameters bound with SQLBindParameter: which C and SQL types the
// driver takes, and the reading of a bound buffer into the value the engine
// binds to a statement's marker.
#pragma once

#include "embsql/Engine.h"

#include <sql.h>
#include <sqlext.h>

namespace embodbc {

// One parameter as the application bound it; its buffers are read only
// when the statement runs.
struct ParamBinding {
    SQLSMALLINT cType = SQL_C_CHAR;
    SQLSMALLINT sqlType = SQL_VARCHAR;
    SQLPOINTER data = nullptr;
    SQLLEN bufferLength = 0;
    SQLLEN* lengthOrIndicator = nullptr;
};

// Checks a binding when it is made. Throws DriverError: HYC00 for an
// output parameter or a C or SQL type this driver does not convert (only
// character and whole-number types are), HY003 for an unknown C type,
// HY004 for an unknown SQL type, HY090 for a negative buffer length, HY009
// for no buffer and no indicator.
void CheckBinding(SQLSMALLINT ioType, const ParamBinding& binding);

// The value the binding's buffers hold now, converted to its SQL type: a
// whole number for the integer types, text for the character ones (wide
// characters become UTF-8). SQL_NULL_DATA gives NULL; SQL_NTS, or no
// length cell for character data, reads up to the terminating zero.
// Throws DriverError: 22018 text that is no whole number for an integer
// type, 22003 a number out of range, HYC00 data at execution, HY090 a bad
// length.
embsql::ParamValue ReadParameter(const ParamBinding& binding);

} // namespace embodbc
