// The SQLGetInfo answers and the list of functions the driver exports.
#include "InfoTable.h"

#include "Connection.h"

#include <algorithm>
#include <iterator>

namespace embodbc {

namespace {

InfoValue Text(std::string s) {
    return {InfoValue::Kind::Text, std::move(s), 0};
}
InfoValue Small(SQLUSMALLINT n) {
    return {InfoValue::Kind::Small, {}, n};
}
InfoValue Integer(SQLUINTEGER n) {
    return {InfoValue::Kind::Integer, {}, n};
}

constexpr SQLUSMALLINT kFunctions[] = {
    SQL_API_SQLALLOCHANDLE,    SQL_API_SQLFREEHANDLE,    SQL_API_SQLFREESTMT,
    SQL_API_SQLSETENVATTR,     SQL_API_SQLGETENVATTR,    SQL_API_SQLSETCONNECTATTR,
    SQL_API_SQLGETCONNECTATTR, SQL_API_SQLCONNECT,       SQL_API_SQLDRIVERCONNECT,
    SQL_API_SQLDISCONNECT,     SQL_API_SQLENDTRAN,       SQL_API_SQLPREPARE,
    SQL_API_SQLEXECUTE,        SQL_API_SQLEXECDIRECT,    SQL_API_SQLNUMRESULTCOLS,
    SQL_API_SQLDESCRIBECOL,    SQL_API_SQLCOLATTRIBUTE,  SQL_API_SQLBINDCOL,
    SQL_API_SQLFETCH,          SQL_API_SQLFETCHSCROLL,   SQL_API_SQLEXTENDEDFETCH,
    SQL_API_SQLGETDATA,        SQL_API_SQLROWCOUNT,      SQL_API_SQLMORERESULTS,
    SQL_API_SQLCLOSECURSOR,    SQL_API_SQLCANCEL,        SQL_API_SQLGETDIAGREC,
    SQL_API_SQLGETDIAGFIELD,   SQL_API_SQLGETINFO,       SQL_API_SQLGETFUNCTIONS,
    SQL_API_SQLGETSTMTATTR,    SQL_API_SQLSETSTMTATTR,   SQL_API_SQLNATIVESQL,
    SQL_API_SQLNUMPARAMS,      SQL_API_SQLBINDPARAMETER,
};

} // namespace

bool IsFunctionSupported(SQLUSMALLINT functionId) {
    return std::find(std::begin(kFunctions), std::end(kFunctions), functionId) !=
           std::end(kFunctions);
}

std::optional<InfoValue> LookupInfo(SQLUSMALLINT infoType, const Connection& c) {
    switch (infoType) {
    // The driver and the server behind it.
    case SQL_DRIVER_NAME:
        return Text("libembodbc.so");
    case SQL_DRIVER_VER:
        return Text("01.00.0001");
    case SQL_DRIVER_ODBC_VER:
        return Text("03.00");
    case SQL_DBMS_NAME:
        return Text("Embedded SQL Server");
    case SQL_DBMS_VER:
        return Text("01.00.0001");
    case SQL_SERVER_NAME:
        return Text(c.Server());
    case SQL_DATABASE_NAME:
        return Text(c.Database());
    case SQL_USER_NAME:
        return Text(c.User());
    case SQL_DATA_SOURCE_NAME:
        return Text(c.DataSource());
    case SQL_DATA_SOURCE_READ_ONLY:
        return Text("N");
    case SQL_ODBC_API_CONFORMANCE:
        return Small(SQL_OAC_LEVEL1);
    case SQL_ODBC_SQL_CONFORMANCE:
        return Small(SQL_OSC_MINIMUM);
    case SQL_ODBC_SAG_CLI_CONFORMANCE:
        return Small(SQL_OSCC_NOT_COMPLIANT);
    case SQL_ODBC_INTERFACE_CONFORMANCE:
        return Integer(SQL_OIC_CORE);
    case SQL_SQL_CONFORMANCE:
        return Integer(SQL_SC_SQL92_ENTRY);
    case SQL_STANDARD_CLI_CONFORMANCE:
        return Integer(0);
    case SQL_MAX_DRIVER_CONNECTIONS:
    case SQL_MAX_CONCURRENT_ACTIVITIES:
        return Small(0); // no limit
    case SQL_ASYNC_MODE:
        return Integer(SQL_AM_NONE);
    case SQL_MAX_ASYNC_CONCURRENT_STATEMENTS:
        return Integer(0);

    // Cursors: forward-only and read-only; SQLGetData on any column.
    case SQL_CURSOR_COMMIT_BEHAVIOR:
    case SQL_CURSOR_ROLLBACK_BEHAVIOR:
        return Small(SQL_CB_CLOSE);
    case SQL_SCROLL_OPTIONS:
        return Integer(SQL_SO_FORWARD_ONLY);
    case SQL_SCROLL_CONCURRENCY:
        return Integer(SQL_SCCO_READ_ONLY);
    case SQL_FETCH_DIRECTION:
        return Integer(SQL_FD_FETCH_NEXT);
    case SQL_GETDATA_EXTENSIONS:
        return Integer(SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER | SQL_GD_BOUND);
    case SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1:
        return Integer(SQL_CA1_NEXT);
    case SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES2:
        return Integer(SQL_CA2_READ_ONLY_CONCURRENCY | SQL_CA2_MAX_ROWS_SELECT);
    case SQL_STATIC_CURSOR_ATTRIBUTES1:
    case SQL_STATIC_CURSOR_ATTRIBUTES2:
    case SQL_KEYSET_CURSOR_ATTRIBUTES1:
    case SQL_KEYSET_CURSOR_ATTRIBUTES2:
    case SQL_DYNAMIC_CURSOR_ATTRIBUTES1:
    case SQL_DYNAMIC_CURSOR_ATTRIBUTES2:
    case SQL_STATIC_SENSITIVITY:
    case SQL_POS_OPERATIONS:
    case SQL_POSITIONED_STATEMENTS:
    case SQL_LOCK_TYPES:
    case SQL_BOOKMARK_PERSISTENCE:
        return Integer(0);
    case SQL_CURSOR_SENSITIVITY:
        return Integer(SQL_INSENSITIVE);
    case SQL_ROW_UPDATES:
        return Text("N");
    case SQL_MULT_RESULT_SETS:
        return Text("Y");
    case SQL_BATCH_SUPPORT:
    case SQL_BATCH_ROW_COUNT:
        return Integer(0);
    case SQL_PARAM_ARRAY_ROW_COUNTS:
        return Integer(SQL_PARC_NO_BATCH);
    case SQL_PARAM_ARRAY_SELECTS:
        return Integer(SQL_PAS_NO_SELECT);

    // Transactions.
    case SQL_TXN_CAPABLE:
        return Small(SQL_TC_DML);
    case SQL_DEFAULT_TXN_ISOLATION:
    case SQL_TXN_ISOLATION_OPTION:
        return Integer(SQL_TXN_SERIALIZABLE);
    case SQL_MULTIPLE_ACTIVE_TXN:
        return Text("Y");

    // Names and their limits.
    case SQL_IDENTIFIER_QUOTE_CHAR:
        return Text("\"");
    case SQL_IDENTIFIER_CASE:
    case SQL_QUOTED_IDENTIFIER_CASE:
        return Small(SQL_IC_MIXED);
    case SQL_MAX_COLUMN_NAME_LEN:
    case SQL_MAX_TABLE_NAME_LEN:
    case SQL_MAX_SCHEMA_NAME_LEN:
    case SQL_MAX_CATALOG_NAME_LEN:
    case SQL_MAX_CURSOR_NAME_LEN:
    case SQL_MAX_USER_NAME_LEN:
    case SQL_MAX_IDENTIFIER_LEN:
        return Small(128);
    case SQL_MAX_PROCEDURE_NAME_LEN:
        return Small(134);
    case SQL_MAX_COLUMNS_IN_SELECT:
    case SQL_MAX_COLUMNS_IN_TABLE:
        return Small(4096);
    case SQL_MAX_COLUMNS_IN_GROUP_BY:
    case SQL_MAX_COLUMNS_IN_ORDER_BY:
    case SQL_MAX_COLUMNS_IN_INDEX:
    case SQL_MAX_TABLES_IN_SELECT:
        return Small(0);
    case SQL_MAX_STATEMENT_LEN:
    case SQL_MAX_CHAR_LITERAL_LEN:
    case SQL_MAX_BINARY_LITERAL_LEN:
        return Integer(0);
    case SQL_MAX_ROW_SIZE:
        return Integer(8060);
    case SQL_MAX_INDEX_SIZE:
        return Integer(900);
    case SQL_MAX_ROW_SIZE_INCLUDES_LONG:
        return Text("N");
    case SQL_CATALOG_NAME_SEPARATOR:
        return Text(".");
    case SQL_CATALOG_TERM:
        return Text("database");
    case SQL_SCHEMA_TERM:
        return Text("owner");
    case SQL_TABLE_TERM:
        return Text("table");
    case SQL_PROCEDURE_TERM:
        return Text("stored procedure");
    case SQL_CATALOG_NAME:
        return Text("N");
    case SQL_CATALOG_LOCATION:
        return Small(0);
    case SQL_CATALOG_USAGE:
    case SQL_SCHEMA_USAGE:
        return Integer(0);
    case SQL_SEARCH_PATTERN_ESCAPE:
        return Text("\\");
    case SQL_SPECIAL_CHARACTERS:
    case SQL_KEYWORDS:
    case SQL_COLLATION_SEQ:
        return Text("");

    // The SQL the engine accepts.
    case SQL_PROCEDURES:
    case SQL_ACCESSIBLE_TABLES:
    case SQL_ACCESSIBLE_PROCEDURES:
    case SQL_OUTER_JOINS:
    case SQL_EXPRESSIONS_IN_ORDERBY:
    case SQL_COLUMN_ALIAS:
    case SQL_LIKE_ESCAPE_CLAUSE:
        return Text("Y");
    case SQL_ORDER_BY_COLUMNS_IN_SELECT:
    case SQL_NEED_LONG_DATA_LEN:
    case SQL_DESCRIBE_PARAMETER:
    case SQL_INTEGRITY:
        return Text("N");
    case SQL_OJ_CAPABILITIES:
        return Integer(SQL_OJ_LEFT | SQL_OJ_NESTED | SQL_OJ_NOT_ORDERED | SQL_OJ_INNER |
                       SQL_OJ_ALL_COMPARISON_OPS);
    case SQL_CONCAT_NULL_BEHAVIOR:
        return Small(SQL_CB_NULL);
    case SQL_NULL_COLLATION:
        return Small(SQL_NC_LOW);
    case SQL_CORRELATION_NAME:
        return Small(SQL_CN_ANY);
    case SQL_NON_NULLABLE_COLUMNS:
        return Small(SQL_NNC_NON_NULL);
    case SQL_GROUP_BY:
        return Small(SQL_GB_GROUP_BY_CONTAINS_SELECT);
    case SQL_FILE_USAGE:
        return Small(SQL_FILE_NOT_SUPPORTED);
    case SQL_SUBQUERIES:
        return Integer(SQL_SQ_IN | SQL_SQ_CORRELATED_SUBQUERIES | SQL_SQ_COMPARISON |
                       SQL_SQ_EXISTS | SQL_SQ_QUANTIFIED);
    case SQL_UNION:
        return Integer(SQL_U_UNION | SQL_U_UNION_ALL);
    case SQL_INDEX_KEYWORDS:
        return Integer(SQL_IK_NONE);
    case SQL_CONVERT_FUNCTIONS:
    case SQL_NUMERIC_FUNCTIONS:
    case SQL_STRING_FUNCTIONS:
    case SQL_SYSTEM_FUNCTIONS:
    case SQL_TIMEDATE_FUNCTIONS:
    case SQL_TIMEDATE_ADD_INTERVALS:
    case SQL_TIMEDATE_DIFF_INTERVALS:
    case SQL_AGGREGATE_FUNCTIONS:
    case SQL_ALTER_TABLE:
    case SQL_ALTER_DOMAIN:
    case SQL_CREATE_ASSERTION:
    case SQL_CREATE_CHARACTER_SET:
    case SQL_CREATE_COLLATION:
    case SQL_CREATE_DOMAIN:
    case SQL_CREATE_SCHEMA:
    case SQL_CREATE_TABLE:
    case SQL_CREATE_TRANSLATION:
    case SQL_CREATE_VIEW:
    case SQL_DDL_INDEX:
    case SQL_DROP_ASSERTION:
    case SQL_DROP_CHARACTER_SET:
    case SQL_DROP_COLLATION:
    case SQL_DROP_DOMAIN:
    case SQL_DROP_SCHEMA:
    case SQL_DROP_TABLE:
    case SQL_DROP_TRANSLATION:
    case SQL_DROP_VIEW:
    case SQL_INSERT_STATEMENT:
    case SQL_DATETIME_LITERALS:
    case SQL_INFO_SCHEMA_VIEWS:
    case SQL_SQL92_DATETIME_FUNCTIONS:
    case SQL_SQL92_FOREIGN_KEY_DELETE_RULE:
    case SQL_SQL92_FOREIGN_KEY_UPDATE_RULE:
    case SQL_SQL92_GRANT:
    case SQL_SQL92_NUMERIC_VALUE_FUNCTIONS:
    case SQL_SQL92_PREDICATES:
    case SQL_SQL92_RELATIONAL_JOIN_OPERATORS:
    case SQL_SQL92_REVOKE:
    case SQL_SQL92_ROW_VALUE_CONSTRUCTOR:
    case SQL_SQL92_STRING_FUNCTIONS:
    case SQL_SQL92_VALUE_EXPRESSIONS:
    case SQL_CONVERT_BIGINT:
    case SQL_CONVERT_BINARY:
    case SQL_CONVERT_BIT:
    case SQL_CONVERT_CHAR:
    case SQL_CONVERT_DATE:
    case SQL_CONVERT_DECIMAL:
    case SQL_CONVERT_DOUBLE:
    case SQL_CONVERT_FLOAT:
    case SQL_CONVERT_INTEGER:
    case SQL_CONVERT_LONGVARCHAR:
    case SQL_CONVERT_NUMERIC:
    case SQL_CONVERT_REAL:
    case SQL_CONVERT_SMALLINT:
    case SQL_CONVERT_TIME:
    case SQL_CONVERT_TIMESTAMP:
    case SQL_CONVERT_TINYINT:
    case SQL_CONVERT_VARBINARY:
    case SQL_CONVERT_VARCHAR:
    case SQL_CONVERT_LONGVARBINARY:
    case SQL_CONVERT_WCHAR:
    case SQL_CONVERT_WVARCHAR:
    case SQL_CONVERT_WLONGVARCHAR:
        return Integer(0);
    default:
        return std::nullopt;
    }
}

} // namespace embodbc
