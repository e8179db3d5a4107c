// Entry points for statements: running them, results, description and
// statement attributes.
#include "../src/ColumnInfo.h"
#include "../src/Connection.h"
#include "../src/Statement.h"
#include "ApiText.h"

using namespace embodbc;

SQLRETURN SQL_API SQLPrepare(SQLHSTMT StatementHandle, SQLCHAR* StatementText,
                             SQLINTEGER TextLength) {
    Statement* stmt = FromHandle<Statement>(StatementHandle);
    return Guarded(stmt, [&]() -> SQLRETURN {
        if (StatementText == nullptr) {
            throw DriverError("HY009", "Invalid use of null pointer");
        }
        stmt->Prepare(ArgText(StatementText, TextLength));
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLExecute(SQLHSTMT StatementHandle) {
    Statement* stmt = FromHandle<Statement>(StatementHandle);
    return Guarded(stmt, [&]() -> SQLRETURN { return stmt->Execute(); });
}

SQLRETURN SQL_API SQLExecDirect(SQLHSTMT StatementHandle, SQLCHAR* StatementText,
                                SQLINTEGER TextLength) {
    Statement* stmt = FromHandle<Statement>(StatementHandle);
    return Guarded(stmt, [&]() -> SQLRETURN {
        if (StatementText == nullptr) {
            throw DriverError("HY009", "Invalid use of null pointer");
        }
        return stmt->ExecDirect(ArgText(StatementText, TextLength));
    });
}

SQLRETURN SQL_API SQLNumParams(SQLHSTMT StatementHandle, SQLSMALLINT* ParameterCountPtr) {
    Statement* stmt = FromHandle<Statement>(StatementHandle);
    return Guarded(stmt, [&]() -> SQLRETURN {
        const SQLSMALLINT count = stmt->ParameterCount();
        if (ParameterCountPtr != nullptr) {
            *ParameterCountPtr = count;
        }
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLBindParameter(SQLHSTMT StatementHandle, SQLUSMALLINT ParameterNumber,
                                   SQLSMALLINT InputOutputType, SQLSMALLINT ValueType,
                                   SQLSMALLINT ParameterType, SQLULEN /*ColumnSize*/,
                                   SQLSMALLINT /*DecimalDigits*/, SQLPOINTER ParameterValuePtr,
                                   SQLLEN BufferLength, SQLLEN* StrLen_or_IndPtr) {
    Statement* stmt = FromHandle<Statement>(StatementHandle);
    return Guarded(stmt, [&]() -> SQLRETURN {
        stmt->BindParameter(ParameterNumber, InputOutputType,
                            ParamBinding{ValueType, ParameterType, ParameterValuePtr, BufferLength,
                                         StrLen_or_IndPtr});
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT StatementHandle, SQLSMALLINT* ColumnCount) {
    Statement* stmt = FromHandle<Statement>(StatementHandle);
    return Guarded(stmt, [&]() -> SQLRETURN {
        const SQLSMALLINT n = stmt->ColumnCount();
        if (ColumnCount != nullptr) {
            *ColumnCount = n;
        }
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLDescribeCol(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber,
                                 SQLCHAR* ColumnName, SQLSMALLINT BufferLength,
                                 SQLSMALLINT* NameLength, SQLSMALLINT* DataType,
                                 SQLULEN* ColumnSize, SQLSMALLINT* DecimalDigits,
                                 SQLSMALLINT* Nullable) {
    Statement* stmt = FromHandle<Statement>(StatementHandle);
    return Guarded(stmt, [&]() -> SQLRETURN {
        if (BufferLength < 0) {
            throw DriverError("HY090", "Invalid string or buffer length");
        }
        const embsql::Column& c = stmt->ColumnAt(ColumnNumber);
        if (DataType != nullptr) {
            *DataType = SqlType(c);
        }
        if (ColumnSize != nullptr) {
            *ColumnSize = embodbc::ColumnSize(c);
        }
        if (DecimalDigits != nullptr) {
            *DecimalDigits = 0;
        }
        if (Nullable != nullptr) {
            *Nullable = Nullability(c);
        }
        return TruncationResult(stmt->diag, CopyText(c.name, ColumnName, BufferLength, NameLength));
    });
}

SQLRETURN SQL_API SQLColAttribute(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber,
                                  SQLUSMALLINT FieldIdentifier, SQLPOINTER CharacterAttribute,
                                  SQLSMALLINT BufferLength, SQLSMALLINT* StringLength,
                                  SQLLEN* NumericAttribute) {
    Statement* stmt = FromHandle<Statement>(StatementHandle);
    return Guarded(stmt, [&]() -> SQLRETURN {
        if (FieldIdentifier == SQL_DESC_COUNT || FieldIdentifier == SQL_COLUMN_COUNT) {
            const SQLSMALLINT n = stmt->ColumnCount();
            if (NumericAttribute != nullptr) {
                *NumericAttribute = n;
            }
            return SQL_SUCCESS;
        }
        return ColumnAttribute(stmt->ColumnAt(ColumnNumber), FieldIdentifier, CharacterAttribute,
                               BufferLength, StringLength, NumericAttribute, stmt->diag);
    });
}

SQLRETURN SQL_API SQLRowCount(SQLHSTMT StatementHandle, SQLLEN* RowCount) {
    Statement* stmt = FromHandle<Statement>(StatementHandle);
    return Guarded(stmt, [&]() -> SQLRETURN {
        if (RowCount != nullptr) {
            *RowCount = stmt->RowCount();
        }
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLMoreResults(SQLHSTMT StatementHandle) {
    Statement* stmt = FromHandle<Statement>(StatementHandle);
    return Guarded(stmt, [&]() -> SQLRETURN { return stmt->MoreResults(); });
}

SQLRETURN SQL_API SQLCloseCursor(SQLHSTMT StatementHandle) {
    Statement* stmt = FromHandle<Statement>(StatementHandle);
    return Guarded(stmt, [&]() -> SQLRETURN {
        stmt->CloseCursor(true);
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLSetStmtAttr(SQLHSTMT StatementHandle, SQLINTEGER Attribute, SQLPOINTER Value,
                                 SQLINTEGER /*StringLength*/) {
    Statement* stmt = FromHandle<Statement>(StatementHandle);
    return Guarded(stmt, [&]() -> SQLRETURN { return SetStatementAttr(*stmt, Attribute, Value); });
}

SQLRETURN SQL_API SQLGetStmtAttr(SQLHSTMT StatementHandle, SQLINTEGER Attribute, SQLPOINTER Value,
                                 SQLINTEGER BufferLength, SQLINTEGER* StringLength) {
    Statement* stmt = FromHandle<Statement>(StatementHandle);
    return Guarded(stmt, [&]() -> SQLRETURN {
        return GetStatementAttr(*stmt, Attribute, Value, BufferLength, StringLength);
    });
}
