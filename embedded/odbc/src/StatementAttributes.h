// Statement attributes: the values an application (or the driver manager's
// cursor library) sets, and how SQLSetStmtAttr/SQLGetStmtAttr treat them.
#pragma once

#include <sql.h>
#include <sqlext.h>

namespace embodbc {

class Statement;

struct StatementAttributes {
    SQLULEN rowArraySize = 1; // rows per SQLFetch/SQLFetchScroll
    SQLULEN rowsetSize = 1;   // rows per SQLExtendedFetch
    SQLULEN rowBindType = SQL_BIND_BY_COLUMN;
    SQLULEN* rowBindOffset = nullptr;
    SQLUSMALLINT* rowStatus = nullptr;
    SQLULEN* rowsFetched = nullptr;
    SQLULEN maxRows = 0;
    SQLULEN maxLength = 0;
    SQLULEN queryTimeout = 0;
    SQLULEN keysetSize = 0;
    SQLULEN noscan = SQL_NOSCAN_OFF;
    SQLULEN retrieveData = SQL_RD_ON;
    SQLULEN simulateCursor = SQL_SC_NON_UNIQUE;
    SQLULEN metadataId = SQL_FALSE;
    SQLULEN enableAutoIpd = SQL_FALSE;
    SQLULEN paramsetSize = 1;
    SQLULEN paramBindType = SQL_PARAM_BIND_BY_COLUMN;
    SQLPOINTER paramBindOffset = nullptr;
    SQLPOINTER paramStatus = nullptr;
    SQLPOINTER paramsProcessed = nullptr;
    SQLPOINTER paramOperation = nullptr;
    SQLPOINTER fetchBookmark = nullptr;
    SQLPOINTER rowOperation = nullptr;
};

// Sets one attribute. Values the driver cannot honour but can replace
// (a scrollable or updatable cursor) are changed to the nearest supported
// one with warning 01S02 (SQL_SUCCESS_WITH_INFO). Throws DriverError:
// HY092 unknown attribute, HYC00 an unsupported value that has no
// replacement, HY024 an invalid value, HY011 a cursor attribute changed
// while a cursor is open.
SQLRETURN SetStatementAttr(Statement& s, SQLINTEGER attribute, SQLPOINTER value);

// Reads one attribute into `value` (integers as SQLULEN, pointers as
// pointers, the cursor name as text). Throws DriverError HY092 for an
// unknown attribute, 24000 for the row number without a current row.
SQLRETURN GetStatementAttr(Statement& s, SQLINTEGER attribute, SQLPOINTER value,
                           SQLINTEGER capacity, SQLINTEGER* length);

} // namespace embodbc
