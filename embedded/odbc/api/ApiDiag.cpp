// SQLGetDiagRec and SQLGetDiagField: reading a handle's diagnostics
// without disturbing them.
#include "../src/Connection.h"
#include "../src/Statement.h"

#include <cstring>

using namespace embodbc;

namespace {

HandleBase* DiagHandle(SQLSMALLINT type, SQLHANDLE h) {
    switch (type) {
    case SQL_HANDLE_ENV:
        return FromHandle<Environment>(h);
    case SQL_HANDLE_DBC:
        return FromHandle<Connection>(h);
    case SQL_HANDLE_STMT:
        return FromHandle<Statement>(h);
    case SQL_HANDLE_DESC:
        return FromHandle<Descriptor>(h);
    default:
        return nullptr;
    }
}

// The server a handle's records came from, for SQL_DIAG_SERVER_NAME.
std::string ServerOf(HandleBase* h) {
    if (auto* c = dynamic_cast<Connection*>(h)) {
        return c->Server();
    }
    if (auto* s = dynamic_cast<Statement*>(h)) {
        return s->connection.Server();
    }
    if (auto* d = dynamic_cast<Descriptor*>(h)) {
        return d->owner.connection.Server();
    }
    return {};
}

template <class T> SQLRETURN Store(T n, SQLPOINTER value) {
    if (value != nullptr) {
        std::memcpy(value, &n, sizeof n);
    }
    return SQL_SUCCESS;
}

SQLRETURN StoreText(std::string_view text, SQLPOINTER value, SQLSMALLINT capacity,
                    SQLSMALLINT* length) {
    if (capacity < 0) {
        return SQL_ERROR;
    }
    return CopyText(text, value, capacity, length) ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

} // namespace

SQLRETURN SQL_API SQLGetDiagRec(SQLSMALLINT HandleType, SQLHANDLE Handle, SQLSMALLINT RecNumber,
                                SQLCHAR* Sqlstate, SQLINTEGER* NativeError, SQLCHAR* MessageText,
                                SQLSMALLINT BufferLength, SQLSMALLINT* TextLength) {
    HandleBase* h = DiagHandle(HandleType, Handle);
    if (h == nullptr) {
        return SQL_INVALID_HANDLE;
    }
    if (RecNumber < 1 || BufferLength < 0) {
        return SQL_ERROR;
    }
    const std::vector<DiagRecord>& records = h->diag.Records();
    if (static_cast<std::size_t>(RecNumber) > records.size()) {
        return SQL_NO_DATA;
    }
    const DiagRecord& r = records[static_cast<std::size_t>(RecNumber) - 1];
    if (Sqlstate != nullptr) {
        CopyText(r.sqlState, Sqlstate, 6, static_cast<SQLSMALLINT*>(nullptr));
    }
    if (NativeError != nullptr) {
        *NativeError = r.nativeError;
    }
    return CopyText(r.message, MessageText, BufferLength, TextLength) ? SQL_SUCCESS_WITH_INFO
                                                                      : SQL_SUCCESS;
}

SQLRETURN SQL_API SQLGetDiagField(SQLSMALLINT HandleType, SQLHANDLE Handle, SQLSMALLINT RecNumber,
                                  SQLSMALLINT DiagIdentifier, SQLPOINTER DiagInfo,
                                  SQLSMALLINT BufferLength, SQLSMALLINT* StringLength) {
    HandleBase* h = DiagHandle(HandleType, Handle);
    if (h == nullptr) {
        return SQL_INVALID_HANDLE;
    }
    const Diagnostics& d = h->diag;
    switch (DiagIdentifier) {
    case SQL_DIAG_NUMBER:
        return Store<SQLINTEGER>(static_cast<SQLINTEGER>(d.Records().size()), DiagInfo);
    case SQL_DIAG_RETURNCODE:
        return Store<SQLRETURN>(d.returnCode, DiagInfo);
    case SQL_DIAG_ROW_COUNT:
    case SQL_DIAG_CURSOR_ROW_COUNT: {
        auto* s = dynamic_cast<Statement*>(h);
        if (s == nullptr) {
            return SQL_ERROR;
        }
        return Store<SQLLEN>(DiagIdentifier == SQL_DIAG_ROW_COUNT ? s->RowCount() : -1, DiagInfo);
    }
    case SQL_DIAG_DYNAMIC_FUNCTION:
        return StoreText("", DiagInfo, BufferLength, StringLength);
    case SQL_DIAG_DYNAMIC_FUNCTION_CODE:
        return Store<SQLINTEGER>(SQL_DIAG_UNKNOWN_STATEMENT, DiagInfo);
    default:
        break;
    }
    if (RecNumber < 1) {
        return SQL_ERROR;
    }
    if (static_cast<std::size_t>(RecNumber) > d.Records().size()) {
        return SQL_NO_DATA;
    }
    const DiagRecord& r = d.Records()[static_cast<std::size_t>(RecNumber) - 1];
    switch (DiagIdentifier) {
    case SQL_DIAG_SQLSTATE:
        return StoreText(r.sqlState, DiagInfo, BufferLength, StringLength);
    case SQL_DIAG_NATIVE:
        return Store<SQLINTEGER>(r.nativeError, DiagInfo);
    case SQL_DIAG_MESSAGE_TEXT:
        return StoreText(r.message, DiagInfo, BufferLength, StringLength);
    case SQL_DIAG_CLASS_ORIGIN:
    case SQL_DIAG_SUBCLASS_ORIGIN:
        // States of class IM and the ODBC-specific ones come from ODBC 3.0;
        // the rest are ISO 9075 states.
        return StoreText(r.sqlState.rfind("IM", 0) == 0 ? "ODBC 3.0" : "ISO 9075", DiagInfo,
                         BufferLength, StringLength);
    case SQL_DIAG_CONNECTION_NAME:
        return StoreText("", DiagInfo, BufferLength, StringLength);
    case SQL_DIAG_SERVER_NAME:
        return StoreText(ServerOf(h), DiagInfo, BufferLength, StringLength);
    case SQL_DIAG_ROW_NUMBER:
        return Store<SQLLEN>(r.rowNumber, DiagInfo);
    case SQL_DIAG_COLUMN_NUMBER:
        return Store<SQLINTEGER>(r.columnNumber, DiagInfo);
    default:
        return SQL_ERROR;
    }
}
