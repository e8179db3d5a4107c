// Column descriptions: integers as SQL_INTEGER or SQL_BIGINT, text as
// SQL_VARCHAR(n).
#include "ColumnInfo.h"

#include "Convert.h"

#include <optional>
#include <string>

namespace embodbc {

SQLSMALLINT SqlType(const embsql::Column& c) {
    if (!c.isInteger) {
        return SQL_VARCHAR;
    }
    return c.isBig ? SQL_BIGINT : SQL_INTEGER;
}

SQLULEN ColumnSize(const embsql::Column& c) {
    if (c.isInteger) {
        return c.isBig ? 19 : 10;
    }
    return c.maxLength != 0 ? static_cast<SQLULEN>(c.maxLength) : kDefaultTextLength;
}

SQLSMALLINT ColumnCType(const embsql::Column& c) {
    return c.isInteger && c.isBig ? SQL_C_SBIGINT : DefaultCType(c.isInteger);
}

SQLSMALLINT Nullability(const embsql::Column& c) {
    return c.nullable ? SQL_NULLABLE : SQL_NO_NULLS;
}

SQLRETURN ColumnAttribute(const embsql::Column& c, SQLUSMALLINT field, SQLPOINTER text,
                          SQLSMALLINT capacity, SQLSMALLINT* textLength, SQLLEN* number,
                          Diagnostics& diag) {
    std::optional<std::string> s;
    SQLLEN n = 0;
    const auto size = static_cast<SQLLEN>(ColumnSize(c));
    switch (field) {
    case SQL_DESC_NAME:
    case SQL_COLUMN_NAME:
    case SQL_DESC_LABEL:
    case SQL_DESC_BASE_COLUMN_NAME:
        s = c.name;
        break;
    case SQL_DESC_TYPE_NAME:
    case SQL_DESC_LOCAL_TYPE_NAME:
        s = !c.isInteger ? "varchar" : c.isBig ? "bigint" : "int";
        break;
    case SQL_DESC_TABLE_NAME:
    case SQL_DESC_BASE_TABLE_NAME:
    case SQL_DESC_SCHEMA_NAME:
    case SQL_DESC_CATALOG_NAME:
        s = "";
        break;
    case SQL_DESC_LITERAL_PREFIX:
    case SQL_DESC_LITERAL_SUFFIX:
        s = c.isInteger ? "" : "'";
        break;
    case SQL_DESC_TYPE:
    case SQL_DESC_CONCISE_TYPE:
        n = SqlType(c);
        break;
    case SQL_DESC_LENGTH:
    case SQL_DESC_PRECISION:
    case SQL_COLUMN_PRECISION:
        n = size;
        break;
    case SQL_COLUMN_LENGTH:
    case SQL_DESC_OCTET_LENGTH:
        n = !c.isInteger ? size
            : c.isBig    ? static_cast<SQLLEN>(sizeof(SQLBIGINT))
                         : static_cast<SQLLEN>(sizeof(SQLINTEGER));
        break;
    case SQL_DESC_DISPLAY_SIZE:
        n = c.isInteger ? size + 1 : size; // room for a sign
        break;
    case SQL_DESC_SCALE:
    case SQL_COLUMN_SCALE:
        n = 0;
        break;
    case SQL_DESC_NULLABLE:
    case SQL_COLUMN_NULLABLE:
        n = Nullability(c);
        break;
    case SQL_DESC_UNSIGNED:
        n = c.isInteger ? SQL_FALSE : SQL_TRUE;
        break;
    case SQL_DESC_NUM_PREC_RADIX:
        n = c.isInteger ? 10 : 0;
        break;
    case SQL_DESC_SEARCHABLE:
        n = SQL_PRED_SEARCHABLE;
        break;
    case SQL_DESC_UPDATABLE:
        n = SQL_ATTR_READONLY;
        break;
    case SQL_DESC_AUTO_UNIQUE_VALUE:
    case SQL_DESC_FIXED_PREC_SCALE:
        n = SQL_FALSE;
        break;
    case SQL_DESC_CASE_SENSITIVE:
        n = c.isInteger ? SQL_FALSE : SQL_TRUE;
        break;
    case SQL_DESC_UNNAMED:
        n = c.name.empty() ? SQL_UNNAMED : SQL_NAMED;
        break;
    default:
        throw DriverError("HY091", "Invalid descriptor field identifier");
    }
    if (s) {
        return TruncationResult(diag, CopyText(*s, text, capacity, textLength));
    }
    if (number != nullptr) {
        *number = n;
    }
    return SQL_SUCCESS;
}

} // namespace embodbc
