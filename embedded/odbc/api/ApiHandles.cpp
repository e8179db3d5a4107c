// Entry points for handles: allocation, freeing, environment attributes.
#include "../src/Connection.h"
#include "../src/Statement.h"

#include <cstdint>
#include <cstring>

using namespace embodbc;

namespace {

SQLHANDLE AsHandle(HandleBase* h) {
    return static_cast<SQLHANDLE>(h);
}

} // namespace

SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT HandleType, SQLHANDLE InputHandle,
                                 SQLHANDLE* OutputHandle) {
    switch (HandleType) {
    case SQL_HANDLE_ENV:
        if (OutputHandle == nullptr) {
            return SQL_ERROR;
        }
        try {
            *OutputHandle = AsHandle(new Environment);
            return SQL_SUCCESS;
        } catch (...) {
            *OutputHandle = SQL_NULL_HENV;
            return SQL_ERROR;
        }
    case SQL_HANDLE_DBC: {
        Environment* env = FromHandle<Environment>(InputHandle);
        return Guarded(env, [&]() -> SQLRETURN {
            if (OutputHandle == nullptr) {
                throw DriverError("HY009", "Invalid use of null pointer");
            }
            *OutputHandle = SQL_NULL_HDBC;
            *OutputHandle = AsHandle(new Connection(*env));
            return SQL_SUCCESS;
        });
    }
    case SQL_HANDLE_STMT: {
        Connection* dbc = FromHandle<Connection>(InputHandle);
        return Guarded(dbc, [&]() -> SQLRETURN {
            if (OutputHandle == nullptr) {
                throw DriverError("HY009", "Invalid use of null pointer");
            }
            *OutputHandle = SQL_NULL_HSTMT;
            *OutputHandle = AsHandle(dbc->NewStatement());
            return SQL_SUCCESS;
        });
    }
    case SQL_HANDLE_DESC: {
        Connection* dbc = FromHandle<Connection>(InputHandle);
        return Guarded(dbc, []() -> SQLRETURN {
            throw DriverError("HYC00", "Optional feature not implemented");
        });
    }
    default:
        return SQL_ERROR;
    }
}

SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT HandleType, SQLHANDLE Handle) {
    switch (HandleType) {
    case SQL_HANDLE_ENV: {
        Environment* env = FromHandle<Environment>(Handle);
        const SQLRETURN rc = Guarded(env, [&]() -> SQLRETURN {
            std::lock_guard lock(env->mutex);
            if (!env->connections.empty()) {
                throw DriverError("HY010", "Function sequence error");
            }
            return SQL_SUCCESS;
        });
        if (rc == SQL_SUCCESS) {
            delete env;
        }
        return rc;
    }
    case SQL_HANDLE_DBC: {
        Connection* dbc = FromHandle<Connection>(Handle);
        const SQLRETURN rc = Guarded(dbc, [&]() -> SQLRETURN {
            if (dbc->IsOpen()) {
                throw DriverError("HY010", "Function sequence error");
            }
            return SQL_SUCCESS;
        });
        if (rc == SQL_SUCCESS) {
            delete dbc;
        }
        return rc;
    }
    case SQL_HANDLE_STMT: {
        Statement* stmt = FromHandle<Statement>(Handle);
        if (stmt == nullptr) {
            return SQL_INVALID_HANDLE;
        }
        stmt->connection.FreeStatement(stmt);
        return SQL_SUCCESS;
    }
    case SQL_HANDLE_DESC: {
        Descriptor* desc = FromHandle<Descriptor>(Handle);
        return Guarded(desc, []() -> SQLRETURN {
            throw DriverError("HY017",
                              "Invalid use of an automatically allocated descriptor handle");
        });
    }
    default:
        return SQL_INVALID_HANDLE;
    }
}

SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT StatementHandle, SQLUSMALLINT Option) {
    Statement* stmt = FromHandle<Statement>(StatementHandle);
    if (stmt != nullptr && Option == SQL_DROP) {
        stmt->connection.FreeStatement(stmt);
        return SQL_SUCCESS;
    }
    return Guarded(stmt, [&]() -> SQLRETURN {
        switch (Option) {
        case SQL_CLOSE:
            stmt->CloseCursor(false);
            return SQL_SUCCESS;
        case SQL_UNBIND:
            stmt->UnbindAll();
            return SQL_SUCCESS;
        case SQL_RESET_PARAMS:
            stmt->ResetParameters();
            return SQL_SUCCESS;
        default:
            throw DriverError("HY092", "Invalid attribute/option identifier");
        }
    });
}

SQLRETURN SQL_API SQLCancel(SQLHSTMT StatementHandle) {
    // Every call runs to its end before returning: there is nothing to cancel.
    Statement* stmt = FromHandle<Statement>(StatementHandle);
    return Guarded(stmt, []() -> SQLRETURN { return SQL_SUCCESS; });
}

SQLRETURN SQL_API SQLSetEnvAttr(SQLHENV EnvironmentHandle, SQLINTEGER Attribute, SQLPOINTER Value,
                                SQLINTEGER /*StringLength*/) {
    Environment* env = FromHandle<Environment>(EnvironmentHandle);
    return Guarded(env, [&]() -> SQLRETURN {
        const SQLULEN n = AsNumber(Value);
        switch (Attribute) {
        case SQL_ATTR_ODBC_VERSION:
            if (n != SQL_OV_ODBC2 && n != SQL_OV_ODBC3 && n != SQL_OV_ODBC3_80) {
                throw DriverError("HY024", "Invalid attribute value");
            }
            env->odbcVersion = static_cast<SQLINTEGER>(n);
            return SQL_SUCCESS;
        case SQL_ATTR_OUTPUT_NTS:
            if (n != SQL_TRUE) {
                throw DriverError("HYC00", "Optional feature not implemented");
            }
            return SQL_SUCCESS;
        case SQL_ATTR_CONNECTION_POOLING:
        case SQL_ATTR_CP_MATCH:
            return SQL_SUCCESS; // pooling is the driver manager's business
        default:
            throw DriverError("HY092", "Invalid attribute/option identifier");
        }
    });
}

SQLRETURN SQL_API SQLGetEnvAttr(SQLHENV EnvironmentHandle, SQLINTEGER Attribute, SQLPOINTER Value,
                                SQLINTEGER /*BufferLength*/, SQLINTEGER* StringLength) {
    Environment* env = FromHandle<Environment>(EnvironmentHandle);
    return Guarded(env, [&]() -> SQLRETURN {
        SQLUINTEGER n;
        switch (Attribute) {
        case SQL_ATTR_ODBC_VERSION:
            n = static_cast<SQLUINTEGER>(env->odbcVersion);
            break;
        case SQL_ATTR_OUTPUT_NTS:
            n = SQL_TRUE;
            break;
        case SQL_ATTR_CONNECTION_POOLING:
            n = SQL_CP_OFF;
            break;
        case SQL_ATTR_CP_MATCH:
            n = SQL_CP_STRICT_MATCH;
            break;
        default:
            throw DriverError("HY092", "Invalid attribute/option identifier");
        }
        if (Value != nullptr) {
            std::memcpy(Value, &n, sizeof n);
        }
        if (StringLength != nullptr) {
            *StringLength = sizeof n;
        }
        return SQL_SUCCESS;
    });
}
