// SQLSetStmtAttr and SQLGetStmtAttr: which attributes this forward-only,
// read-only driver honours, replaces or refuses.
#include "StatementAttributes.h"

#include "Statement.h"

#include <cstdint>
#include <cstring>

namespace embodbc {

namespace {

// A requested value this driver replaces with the one it supports.
SQLRETURN Changed(Statement& s) {
    s.diag.AddDriver("01S02", "Option value changed");
    return SQL_SUCCESS_WITH_INFO;
}

void RefuseWhileOpen(const Statement& s) {
    if (s.HasCursor()) {
        throw DriverError("HY011", "Attribute cannot be set now");
    }
}

} // namespace

SQLRETURN SetStatementAttr(Statement& s, SQLINTEGER attribute, SQLPOINTER value) {
    StatementAttributes& a = s.attrs;
    const SQLULEN n = AsNumber(value);
    switch (attribute) {
    case SQL_ATTR_ROW_ARRAY_SIZE:
        if (n == 0) {
            throw DriverError("HY024", "Invalid attribute value");
        }
        a.rowArraySize = n;
        return SQL_SUCCESS;
    case SQL_ROWSET_SIZE:
        if (n == 0) {
            throw DriverError("HY024", "Invalid attribute value");
        }
        a.rowsetSize = n;
        return SQL_SUCCESS;
    case SQL_ATTR_ROW_BIND_TYPE:
        a.rowBindType = n;
        return SQL_SUCCESS;
    case SQL_ATTR_ROW_BIND_OFFSET_PTR:
        a.rowBindOffset = static_cast<SQLULEN*>(value);
        return SQL_SUCCESS;
    case SQL_ATTR_ROW_STATUS_PTR:
        a.rowStatus = static_cast<SQLUSMALLINT*>(value);
        return SQL_SUCCESS;
    case SQL_ATTR_ROWS_FETCHED_PTR:
        a.rowsFetched = static_cast<SQLULEN*>(value);
        return SQL_SUCCESS;
    case SQL_ATTR_MAX_ROWS:
        a.maxRows = n;
        return SQL_SUCCESS;
    case SQL_ATTR_MAX_LENGTH:
        a.maxLength = n;
        return SQL_SUCCESS;
    case SQL_ATTR_QUERY_TIMEOUT:
        a.queryTimeout = n;
        return SQL_SUCCESS;
    case SQL_ATTR_KEYSET_SIZE:
        a.keysetSize = n;
        return SQL_SUCCESS;
    case SQL_ATTR_NOSCAN:
        a.noscan = n;
        return SQL_SUCCESS;
    case SQL_ATTR_RETRIEVE_DATA:
        a.retrieveData = n;
        return SQL_SUCCESS;
    case SQL_ATTR_SIMULATE_CURSOR:
        a.simulateCursor = n;
        return SQL_SUCCESS;
    case SQL_ATTR_METADATA_ID:
        a.metadataId = n;
        return SQL_SUCCESS;
    case SQL_ATTR_ENABLE_AUTO_IPD:
        a.enableAutoIpd = n;
        return SQL_SUCCESS;
    case SQL_ATTR_PARAMSET_SIZE:
        if (n == 0) {
            throw DriverError("HY024", "Invalid attribute value");
        }
        // One set of parameters per run; arrays of them are not offered.
        return n == 1 ? SQL_SUCCESS : Changed(s);
    case SQL_ATTR_PARAM_BIND_TYPE:
        a.paramBindType = n;
        return SQL_SUCCESS;
    case SQL_ATTR_PARAM_BIND_OFFSET_PTR:
        a.paramBindOffset = value;
        return SQL_SUCCESS;
    case SQL_ATTR_PARAM_STATUS_PTR:
        a.paramStatus = value;
        return SQL_SUCCESS;
    case SQL_ATTR_PARAMS_PROCESSED_PTR:
        a.paramsProcessed = value;
        return SQL_SUCCESS;
    case SQL_ATTR_PARAM_OPERATION_PTR:
        a.paramOperation = value;
        return SQL_SUCCESS;
    case SQL_ATTR_FETCH_BOOKMARK_PTR:
        a.fetchBookmark = value;
        return SQL_SUCCESS;
    case SQL_ATTR_ROW_OPERATION_PTR:
        a.rowOperation = value;
        return SQL_SUCCESS;
    case SQL_ATTR_CURSOR_TYPE:
        RefuseWhileOpen(s);
        return n == SQL_CURSOR_FORWARD_ONLY ? SQL_SUCCESS : Changed(s);
    case SQL_ATTR_CONCURRENCY:
        RefuseWhileOpen(s);
        return n == SQL_CONCUR_READ_ONLY ? SQL_SUCCESS : Changed(s);
    case SQL_ATTR_CURSOR_SCROLLABLE:
        RefuseWhileOpen(s);
        if (n != SQL_NONSCROLLABLE) {
            throw DriverError("HYC00", "Optional feature not implemented");
        }
        return SQL_SUCCESS;
    case SQL_ATTR_CURSOR_SENSITIVITY:
        RefuseWhileOpen(s);
        if (n != SQL_UNSPECIFIED && n != SQL_INSENSITIVE) {
            throw DriverError("HYC00", "Optional feature not implemented");
        }
        return SQL_SUCCESS;
    case SQL_ATTR_USE_BOOKMARKS:
        if (n != SQL_UB_OFF) {
            throw DriverError("HYC00", "Optional feature not implemented");
        }
        return SQL_SUCCESS;
    case SQL_ATTR_ASYNC_ENABLE:
        return n == SQL_ASYNC_ENABLE_OFF ? SQL_SUCCESS : Changed(s);
    case SQL_ATTR_APP_ROW_DESC:
    case SQL_ATTR_APP_PARAM_DESC:
        // Only the implicit descriptors exist; setting one back is harmless.
        if (value == nullptr || value == &s.appRowDesc || value == &s.appParamDesc) {
            return SQL_SUCCESS;
        }
        throw DriverError("HYC00", "Optional feature not implemented");
    case SQL_ATTR_IMP_ROW_DESC:
    case SQL_ATTR_IMP_PARAM_DESC:
    case SQL_ATTR_ROW_NUMBER:
        throw DriverError("HY017", "Invalid use of an automatically allocated descriptor handle");
    default:
        throw DriverError("HY092", "Invalid attribute/option identifier");
    }
}

SQLRETURN GetStatementAttr(Statement& s, SQLINTEGER attribute, SQLPOINTER value,
                           SQLINTEGER /*capacity*/, SQLINTEGER* length) {
    const StatementAttributes& a = s.attrs;
    auto number = [&](SQLULEN n) {
        if (value != nullptr) {
            std::memcpy(value, &n, sizeof n);
        }
        if (length != nullptr) {
            *length = sizeof n;
        }
        return SQL_SUCCESS;
    };
    auto pointer = [&](const void* p) {
        if (value != nullptr) {
            std::memcpy(value, &p, sizeof p);
        }
        if (length != nullptr) {
            *length = sizeof p;
        }
        return SQL_SUCCESS;
    };
    switch (attribute) {
    case SQL_ATTR_ROW_ARRAY_SIZE:
        return number(a.rowArraySize);
    case SQL_ROWSET_SIZE:
        return number(a.rowsetSize);
    case SQL_ATTR_ROW_BIND_TYPE:
        return number(a.rowBindType);
    case SQL_ATTR_ROW_BIND_OFFSET_PTR:
        return pointer(a.rowBindOffset);
    case SQL_ATTR_ROW_STATUS_PTR:
        return pointer(a.rowStatus);
    case SQL_ATTR_ROWS_FETCHED_PTR:
        return pointer(a.rowsFetched);
    case SQL_ATTR_MAX_ROWS:
        return number(a.maxRows);
    case SQL_ATTR_MAX_LENGTH:
        return number(a.maxLength);
    case SQL_ATTR_QUERY_TIMEOUT:
        return number(a.queryTimeout);
    case SQL_ATTR_KEYSET_SIZE:
        return number(a.keysetSize);
    case SQL_ATTR_NOSCAN:
        return number(a.noscan);
    case SQL_ATTR_RETRIEVE_DATA:
        return number(a.retrieveData);
    case SQL_ATTR_SIMULATE_CURSOR:
        return number(a.simulateCursor);
    case SQL_ATTR_METADATA_ID:
        return number(a.metadataId);
    case SQL_ATTR_ENABLE_AUTO_IPD:
        return number(a.enableAutoIpd);
    case SQL_ATTR_PARAMSET_SIZE:
        return number(a.paramsetSize);
    case SQL_ATTR_PARAM_BIND_TYPE:
        return number(a.paramBindType);
    case SQL_ATTR_PARAM_BIND_OFFSET_PTR:
        return pointer(a.paramBindOffset);
    case SQL_ATTR_PARAM_STATUS_PTR:
        return pointer(a.paramStatus);
    case SQL_ATTR_PARAMS_PROCESSED_PTR:
        return pointer(a.paramsProcessed);
    case SQL_ATTR_PARAM_OPERATION_PTR:
        return pointer(a.paramOperation);
    case SQL_ATTR_FETCH_BOOKMARK_PTR:
        return pointer(a.fetchBookmark);
    case SQL_ATTR_ROW_OPERATION_PTR:
        return pointer(a.rowOperation);
    case SQL_ATTR_CURSOR_TYPE:
        return number(SQL_CURSOR_FORWARD_ONLY);
    case SQL_ATTR_CONCURRENCY:
        return number(SQL_CONCUR_READ_ONLY);
    case SQL_ATTR_CURSOR_SCROLLABLE:
        return number(SQL_NONSCROLLABLE);
    case SQL_ATTR_CURSOR_SENSITIVITY:
        return number(SQL_INSENSITIVE);
    case SQL_ATTR_USE_BOOKMARKS:
        return number(SQL_UB_OFF);
    case SQL_ATTR_ASYNC_ENABLE:
        return number(SQL_ASYNC_ENABLE_OFF);
    case SQL_ATTR_ROW_NUMBER:
        return number(s.RowNumber());
    case SQL_ATTR_APP_ROW_DESC:
        return pointer(&s.appRowDesc);
    case SQL_ATTR_APP_PARAM_DESC:
        return pointer(&s.appParamDesc);
    case SQL_ATTR_IMP_ROW_DESC:
        return pointer(&s.impRowDesc);
    case SQL_ATTR_IMP_PARAM_DESC:
        return pointer(&s.impParamDesc);
    default:
        throw DriverError("HY092", "Invalid attribute/option identifier");
    }
}

} // namespace embodbc
