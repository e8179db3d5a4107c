// Entry points for connections: connecting, attributes, transactions, and
// what the driver tells about itself.
#include "../src/Connection.h"
#include "../src/InfoTable.h"
#include "../src/Statement.h"
#include "ApiText.h"

#include <cstdint>
#include <cstring>
#include <strings.h>

using namespace embodbc;

namespace {

template <class T> SQLRETURN StoreNumber(T n, SQLPOINTER value, SQLINTEGER* length) {
    if (value != nullptr) {
        std::memcpy(value, &n, sizeof n);
    }
    if (length != nullptr) {
        *length = sizeof n;
    }
    return SQL_SUCCESS;
}

SQLRETURN EndTran(Connection& c, SQLSMALLINT completion) {
    if (completion != SQL_COMMIT && completion != SQL_ROLLBACK) {
        throw DriverError("HY012", "Invalid transaction operation code");
    }
    c.EndTransaction(completion == SQL_COMMIT);
    return SQL_SUCCESS;
}

} // namespace

SQLRETURN SQL_API SQLConnect(SQLHDBC ConnectionHandle, SQLCHAR* ServerName, SQLSMALLINT NameLength1,
                             SQLCHAR* UserName, SQLSMALLINT NameLength2, SQLCHAR* Authentication,
                             SQLSMALLINT NameLength3) {
    Connection* dbc = FromHandle<Connection>(ConnectionHandle);
    return Guarded(dbc, [&]() -> SQLRETURN {
        ConnectKeys keys;
        keys.Set("DSN", ArgText(ServerName, NameLength1));
        if (UserName != nullptr) {
            keys.Set("UID", ArgText(UserName, NameLength2));
        }
        if (Authentication != nullptr) {
            keys.Set("PWD", ArgText(Authentication, NameLength3));
        }
        dbc->Open(keys);
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLDriverConnect(SQLHDBC ConnectionHandle, SQLHWND /*WindowHandle*/,
                                   SQLCHAR* InConnectionString, SQLSMALLINT StringLength1,
                                   SQLCHAR* OutConnectionString, SQLSMALLINT BufferLength,
                                   SQLSMALLINT* StringLength2Ptr, SQLUSMALLINT DriverCompletion) {
    Connection* dbc = FromHandle<Connection>(ConnectionHandle);
    return Guarded(dbc, [&]() -> SQLRETURN {
        if (DriverCompletion != SQL_DRIVER_NOPROMPT && DriverCompletion != SQL_DRIVER_COMPLETE &&
            DriverCompletion != SQL_DRIVER_PROMPT &&
            DriverCompletion != SQL_DRIVER_COMPLETE_REQUIRED) {
            throw DriverError("HY110", "Invalid driver completion");
        }
        // There is no dialog to prompt with: every completion mode connects
        // with what the string and the data source give, or fails.
        dbc->Open(ConnectKeys::Parse(ArgText(InConnectionString, StringLength1)));
        const std::string out = dbc->UsedKeys().ToString();
        return TruncationResult(dbc->diag,
                                CopyText(out, OutConnectionString, BufferLength, StringLength2Ptr));
    });
}

SQLRETURN SQL_API SQLDisconnect(SQLHDBC ConnectionHandle) {
    Connection* dbc = FromHandle<Connection>(ConnectionHandle);
    return Guarded(dbc, [&]() -> SQLRETURN {
        if (!dbc->IsOpen()) {
            throw DriverError("08003", "Connection not open");
        }
        dbc->Close();
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLEndTran(SQLSMALLINT HandleType, SQLHANDLE Handle, SQLSMALLINT CompletionType) {
    if (HandleType == SQL_HANDLE_DBC) {
        Connection* dbc = FromHandle<Connection>(Handle);
        return Guarded(dbc, [&]() -> SQLRETURN { return EndTran(*dbc, CompletionType); });
    }
    if (HandleType == SQL_HANDLE_ENV) {
        Environment* env = FromHandle<Environment>(Handle);
        return Guarded(env, [&]() -> SQLRETURN {
            std::lock_guard lock(env->mutex);
            for (Connection* c : env->connections) {
                if (c->IsOpen()) {
                    EndTran(*c, CompletionType);
                }
            }
            return SQL_SUCCESS;
        });
    }
    return SQL_INVALID_HANDLE;
}

SQLRETURN SQL_API SQLSetConnectAttr(SQLHDBC ConnectionHandle, SQLINTEGER Attribute,
                                    SQLPOINTER Value, SQLINTEGER /*StringLength*/) {
    Connection* dbc = FromHandle<Connection>(ConnectionHandle);
    return Guarded(dbc, [&]() -> SQLRETURN {
        const SQLULEN n = AsNumber(Value);
        switch (Attribute) {
        case SQL_ATTR_AUTOCOMMIT:
            dbc->SetAutocommit(n == SQL_AUTOCOMMIT_ON);
            return SQL_SUCCESS;
        case SQL_ATTR_LOGIN_TIMEOUT:
            dbc->loginTimeout = static_cast<SQLUINTEGER>(n);
            return SQL_SUCCESS;
        case SQL_ATTR_CONNECTION_TIMEOUT:
            dbc->connectionTimeout = static_cast<SQLUINTEGER>(n);
            return SQL_SUCCESS;
        case SQL_ATTR_ACCESS_MODE:
            dbc->accessMode = static_cast<SQLUINTEGER>(n);
            return SQL_SUCCESS;
        case SQL_ATTR_PACKET_SIZE:
            dbc->packetSize = static_cast<SQLUINTEGER>(n);
            return SQL_SUCCESS;
        case SQL_ATTR_QUIET_MODE:
            dbc->quietMode = Value;
            return SQL_SUCCESS;
        case SQL_ATTR_ODBC_CURSORS:
            dbc->odbcCursors = n;
            return SQL_SUCCESS;
        case SQL_ATTR_TXN_ISOLATION:
            if (n != SQL_TXN_SERIALIZABLE) {
                dbc->diag.AddDriver("01S02", "Option value changed");
                return SQL_SUCCESS_WITH_INFO;
            }
            return SQL_SUCCESS;
        case SQL_ATTR_CURRENT_CATALOG: {
            const std::string name = ArgText(static_cast<SQLCHAR*>(Value), SQL_NTS);
            if (dbc->IsOpen() && strcasecmp(name.c_str(), dbc->Database().c_str()) != 0) {
                throw DriverError("HYC00", "Changing the database of an open connection is not "
                                           "offered; connect to database '" +
                                               name + "' instead.");
            }
            return SQL_SUCCESS;
        }
        case SQL_ATTR_ASYNC_ENABLE:
            if (n != SQL_ASYNC_ENABLE_OFF) {
                dbc->diag.AddDriver("01S02", "Option value changed");
                return SQL_SUCCESS_WITH_INFO;
            }
            return SQL_SUCCESS;
        case SQL_ATTR_METADATA_ID:
        case SQL_ATTR_TRACE:
        case SQL_ATTR_TRACEFILE:
        // Statement attributes set on the connection (ODBC 2 style) are
        // defaults for later statements; every statement starts with the
        // only values this driver offers anyway.
        case SQL_ATTR_QUERY_TIMEOUT:
        case SQL_ATTR_MAX_ROWS:
        case SQL_ATTR_NOSCAN:
        case SQL_ATTR_MAX_LENGTH:
        case SQL_ATTR_ROW_BIND_TYPE:
        case SQL_ATTR_CURSOR_TYPE:
        case SQL_ATTR_CONCURRENCY:
        case SQL_ATTR_KEYSET_SIZE:
        case SQL_ROWSET_SIZE:
        case SQL_ATTR_SIMULATE_CURSOR:
        case SQL_ATTR_RETRIEVE_DATA:
        case SQL_ATTR_USE_BOOKMARKS:
            return SQL_SUCCESS;
        default:
            throw DriverError("HY092", "Invalid attribute/option identifier");
        }
    });
}

SQLRETURN SQL_API SQLGetConnectAttr(SQLHDBC ConnectionHandle, SQLINTEGER Attribute,
                                    SQLPOINTER Value, SQLINTEGER BufferLength,
                                    SQLINTEGER* StringLength) {
    Connection* dbc = FromHandle<Connection>(ConnectionHandle);
    return Guarded(dbc, [&]() -> SQLRETURN {
        switch (Attribute) {
        case SQL_ATTR_AUTOCOMMIT:
            return StoreNumber<SQLUINTEGER>(
                dbc->Autocommit() ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF, Value, StringLength);
        case SQL_ATTR_LOGIN_TIMEOUT:
            return StoreNumber(dbc->loginTimeout, Value, StringLength);
        case SQL_ATTR_CONNECTION_TIMEOUT:
            return StoreNumber(dbc->connectionTimeout, Value, StringLength);
        case SQL_ATTR_ACCESS_MODE:
            return StoreNumber(dbc->accessMode, Value, StringLength);
        case SQL_ATTR_TXN_ISOLATION:
            return StoreNumber(dbc->txnIsolation, Value, StringLength);
        case SQL_ATTR_PACKET_SIZE:
            return StoreNumber(dbc->packetSize, Value, StringLength);
        case SQL_ATTR_QUIET_MODE:
            return StoreNumber(dbc->quietMode, Value, StringLength);
        case SQL_ATTR_ODBC_CURSORS:
            return StoreNumber(dbc->odbcCursors, Value, StringLength);
        case SQL_ATTR_ASYNC_ENABLE:
            return StoreNumber<SQLULEN>(SQL_ASYNC_ENABLE_OFF, Value, StringLength);
        case SQL_ATTR_METADATA_ID:
        case SQL_ATTR_AUTO_IPD:
            return StoreNumber<SQLUINTEGER>(SQL_FALSE, Value, StringLength);
        case SQL_ATTR_CONNECTION_DEAD:
            return StoreNumber<SQLUINTEGER>(dbc->IsOpen() ? SQL_CD_FALSE : SQL_CD_TRUE, Value,
                                            StringLength);
        case SQL_ATTR_CURRENT_CATALOG:
            if (!dbc->IsOpen()) {
                throw DriverError("08003", "Connection not open");
            }
            return TruncationResult(dbc->diag,
                                    CopyText(dbc->Database(), Value, BufferLength, StringLength));
        default:
            throw DriverError("HY092", "Invalid attribute/option identifier");
        }
    });
}

SQLRETURN SQL_API SQLGetInfo(SQLHDBC ConnectionHandle, SQLUSMALLINT InfoType, SQLPOINTER InfoValue,
                             SQLSMALLINT BufferLength, SQLSMALLINT* StringLength) {
    Connection* dbc = FromHandle<Connection>(ConnectionHandle);
    return Guarded(dbc, [&]() -> SQLRETURN {
        const std::optional<embodbc::InfoValue> v = LookupInfo(InfoType, *dbc);
        if (!v) {
            throw DriverError("HY096", "Information type out of range");
        }
        switch (v->kind) {
        case embodbc::InfoValue::Kind::Text:
            if (BufferLength < 0) {
                throw DriverError("HY090", "Invalid string or buffer length");
            }
            return TruncationResult(dbc->diag,
                                    CopyText(v->text, InfoValue, BufferLength, StringLength));
        case embodbc::InfoValue::Kind::Small: {
            const auto n = static_cast<SQLUSMALLINT>(v->number);
            if (InfoValue != nullptr) {
                std::memcpy(InfoValue, &n, sizeof n);
            }
            if (StringLength != nullptr) {
                *StringLength = sizeof n;
            }
            return SQL_SUCCESS;
        }
        case embodbc::InfoValue::Kind::Integer:
            if (InfoValue != nullptr) {
                std::memcpy(InfoValue, &v->number, sizeof v->number);
            }
            if (StringLength != nullptr) {
                *StringLength = sizeof v->number;
            }
            return SQL_SUCCESS;
        }
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLGetFunctions(SQLHDBC ConnectionHandle, SQLUSMALLINT FunctionId,
                                  SQLUSMALLINT* Supported) {
    Connection* dbc = FromHandle<Connection>(ConnectionHandle);
    return Guarded(dbc, [&]() -> SQLRETURN {
        if (Supported == nullptr) {
            throw DriverError("HY009", "Invalid use of null pointer");
        }
        if (FunctionId == SQL_API_ODBC3_ALL_FUNCTIONS) {
            std::memset(Supported, 0, SQL_API_ODBC3_ALL_FUNCTIONS_SIZE * sizeof(SQLUSMALLINT));
            for (unsigned id = 0; id < SQL_API_ODBC3_ALL_FUNCTIONS_SIZE * 16; ++id) {
                if (IsFunctionSupported(static_cast<SQLUSMALLINT>(id))) {
                    Supported[id >> 4] |= static_cast<SQLUSMALLINT>(1u << (id & 0xF));
                }
            }
        } else if (FunctionId == SQL_API_ALL_FUNCTIONS) {
            for (unsigned id = 0; id < 100; ++id) {
                Supported[id] =
                    IsFunctionSupported(static_cast<SQLUSMALLINT>(id)) ? SQL_TRUE : SQL_FALSE;
            }
        } else {
            *Supported = IsFunctionSupported(FunctionId) ? SQL_TRUE : SQL_FALSE;
        }
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLNativeSql(SQLHDBC ConnectionHandle, SQLCHAR* InStatementText,
                               SQLINTEGER TextLength1, SQLCHAR* OutStatementText,
                               SQLINTEGER BufferLength, SQLINTEGER* TextLength2Ptr) {
    Connection* dbc = FromHandle<Connection>(ConnectionHandle);
    return Guarded(dbc, [&]() -> SQLRETURN {
        // The engine reads the statement exactly as the application wrote it.
        const std::string text = ArgText(InStatementText, TextLength1);
        return TruncationResult(dbc->diag,
                                CopyText(text, OutStatementText, BufferLength, TextLength2Ptr));
    });
}
