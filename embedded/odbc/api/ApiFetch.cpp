// Entry points that move rows to the application: binding, fetching and
// SQLGetData.
#include "../src/Statement.h"

using namespace embodbc;

namespace {

void RequireNext(SQLSMALLINT orientation) {
    // A forward-only cursor moves one way.
    if (orientation != SQL_FETCH_NEXT) {
        throw DriverError("HY106", "Fetch type out of range");
    }
}

} // namespace

SQLRETURN SQL_API SQLBindCol(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber,
                             SQLSMALLINT TargetType, SQLPOINTER TargetValue, SQLLEN BufferLength,
                             SQLLEN* StrLen_or_Ind) {
    Statement* stmt = FromHandle<Statement>(StatementHandle);
    return Guarded(stmt, [&]() -> SQLRETURN {
        stmt->Bind(ColumnNumber, Binding{TargetType, TargetValue, BufferLength, StrLen_or_Ind});
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLFetch(SQLHSTMT StatementHandle) {
    Statement* stmt = FromHandle<Statement>(StatementHandle);
    return Guarded(stmt, [&]() -> SQLRETURN {
        return stmt->Fetch(stmt->attrs.rowArraySize, stmt->attrs.rowStatus,
                           stmt->attrs.rowsFetched);
    });
}

SQLRETURN SQL_API SQLFetchScroll(SQLHSTMT StatementHandle, SQLSMALLINT FetchOrientation,
                                 SQLLEN /*FetchOffset*/) {
    Statement* stmt = FromHandle<Statement>(StatementHandle);
    return Guarded(stmt, [&]() -> SQLRETURN {
        RequireNext(FetchOrientation);
        return stmt->Fetch(stmt->attrs.rowArraySize, stmt->attrs.rowStatus,
                           stmt->attrs.rowsFetched);
    });
}

SQLRETURN SQL_API SQLExtendedFetch(SQLHSTMT StatementHandle, SQLUSMALLINT FetchOrientation,
                                   SQLLEN /*FetchOffset*/, SQLULEN* RowCountPtr,
                                   SQLUSMALLINT* RowStatusArray) {
    Statement* stmt = FromHandle<Statement>(StatementHandle);
    return Guarded(stmt, [&]() -> SQLRETURN {
        RequireNext(static_cast<SQLSMALLINT>(FetchOrientation));
        return stmt->Fetch(stmt->attrs.rowsetSize, RowStatusArray, RowCountPtr);
    });
}

SQLRETURN SQL_API SQLGetData(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber,
                             SQLSMALLINT TargetType, SQLPOINTER TargetValue, SQLLEN BufferLength,
                             SQLLEN* StrLen_or_IndPtr) {
    Statement* stmt = FromHandle<Statement>(StatementHandle);
    return Guarded(stmt, [&]() -> SQLRETURN {
        return stmt->GetData(ColumnNumber,
                             Target{TargetType, TargetValue, BufferLength, StrLen_or_IndPtr});
    });
}
