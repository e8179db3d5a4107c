// The ODBC checker (diagnostic records into CDBException) and the handle owner.
#include "framework/OdbcHandle.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

const char* ResultName(SQLRETURN rc) {
    switch (rc) {
    case SQL_ERROR:
        return "SQL_ERROR";
    case SQL_INVALID_HANDLE:
        return "SQL_INVALID_HANDLE";
    case SQL_NEED_DATA:
        return "SQL_NEED_DATA";
    case SQL_STILL_EXECUTING:
        return "SQL_STILL_EXECUTING";
    default:
        return "an unexpected result";
    }
}

} // namespace

CDBException OdbcError(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle) {
    CDBException error(rc);
    if (handle != SQL_NULL_HANDLE && rc != SQL_INVALID_HANDLE) {
        std::vector<SQLCHAR> text(SQL_MAX_MESSAGE_LENGTH + 1);
        for (SQLSMALLINT record = 1;; ++record) {
            SQLCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
            SQLINTEGER native = 0;
            SQLSMALLINT length = 0;
            SQLRETURN got = SQLGetDiagRec(handleType, handle, record, state, &native, text.data(),
                                          static_cast<SQLSMALLINT>(text.size()), &length);
            // Some drivers write longer messages than the usual maximum: ask again
            // with room for the whole text rather than cutting it.
            if (got == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(text.size()) &&
                length < 0x7FFF) {
                text.resize(static_cast<size_t>(length) + 1);
                got = SQLGetDiagRec(handleType, handle, record, state, &native, text.data(),
                                    static_cast<SQLSMALLINT>(text.size()), &length);
            }
            if (got != SQL_SUCCESS && got != SQL_SUCCESS_WITH_INFO) {
                break;
            }
            const size_t size = std::min<size_t>(length < 0 ? 0 : length, text.size() - 1);
            error.AddDiagnostic(reinterpret_cast<const char*>(state), native,
                                std::string_view(reinterpret_cast<const char*>(text.data()), size));
        }
    }
    if (error.m_strError.empty()) {
        error.AddDiagnostic("HY000", 0,
                            std::string("The ODBC call failed with ") + ResultName(rc) +
                                " and gave no diagnostic.");
    }
    return error;
}

SQLRETURN OdbcCheck(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle) {
    if (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO || rc == SQL_NO_DATA) {
        return rc;
    }
    throw OdbcError(rc, handleType, handle);
}

OdbcHandle::OdbcHandle(SQLSMALLINT type, SQLSMALLINT parentType, SQLHANDLE parent) : m_type(type) {
    SQLHANDLE handle = SQL_NULL_HANDLE;
    const SQLRETURN rc = SQLAllocHandle(type, parent, &handle);
    if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) {
        throw OdbcError(rc, parentType, parent);
    }
    m_handle = handle;
}

OdbcHandle::OdbcHandle(OdbcHandle&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)), m_type(other.m_type) {}

OdbcHandle& OdbcHandle::operator=(OdbcHandle&& other) noexcept {
    if (this != &other) {
        Reset();
        m_handle = std::exchange(other.m_handle, nullptr);
        m_type = other.m_type;
    }
    return *this;
}

void OdbcHandle::Reset() noexcept {
    if (m_handle != SQL_NULL_HANDLE) {
        // Nothing useful can be done about a failed release in a destructor path.
        SQLFreeHandle(m_type, m_handle);
        m_handle = SQL_NULL_HANDLE;
    }
}
