// How result columns look to an ODBC application: SQL types, sizes and the
// fields of SQLDescribeCol and SQLColAttribute.
#pragma once

#include "Diagnostics.h"

#include "embsql/Engine.h"

#include <sql.h>
#include <sqlext.h>

namespace embodbc {

// Text columns without a known length are described with this one.
inline constexpr SQLULEN kDefaultTextLength = 255;

// SQL_INTEGER, SQL_BIGINT for a whole number that may not fit 32 bits, or
// SQL_VARCHAR.
SQLSMALLINT SqlType(const embsql::Column& c);
// Characters for text, digits for integers.
SQLULEN ColumnSize(const embsql::Column& c);
// The C type SQL_C_DEFAULT stands for on this column.
SQLSMALLINT ColumnCType(const embsql::Column& c);
SQLSMALLINT Nullability(const embsql::Column& c);

// One SQLColAttribute field of column `c`: text fields go to `text`
// (capacity in bytes, length in *textLength), numeric ones to *number.
// Returns SQL_SUCCESS_WITH_INFO (01004 added to `diag`) when text was cut.
// Throws DriverError HY091 for an unknown field.
SQLRETURN ColumnAttribute(const embsql::Column& c, SQLUSMALLINT field, SQLPOINTER text,
                          SQLSMALLINT capacity, SQLSMALLINT* textLength, SQLLEN* number,
                          Diagnostics& diag);

} // namespace embodbc
