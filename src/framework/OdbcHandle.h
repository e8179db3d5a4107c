// RAII owners of ODBC handles (environment, connection, statement) and the one
// checker that every ODBC call of the framework goes through.
#pragma once

#include "framework/Exception.h"

#include <sql.h>
#include <sqlext.h>

// Returns `rc` when it is SQL_SUCCESS, SQL_SUCCESS_WITH_INFO or SQL_NO_DATA.
// Any other result throws a CDBException carrying every diagnostic record of
// `handle` (of kind `handleType`), its SQLSTATEs and native codes.
SQLRETURN OdbcCheck(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle);

// Builds, without throwing it, the exception for a failed call on `handle`.
// A handle without diagnostic records still gives one line naming the result.
CDBException OdbcError(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle);

// Owns one ODBC handle and frees it on destruction. Freeing a connection does not
// disconnect it: its owner disconnects first.
class OdbcHandle {
public:
    OdbcHandle() noexcept = default;
    // Allocates a handle of `type` (SQL_HANDLE_ENV, _DBC or _STMT) under `parent`
    // (of type `parentType`; SQL_NULL_HANDLE for an environment). Throws
    // CDBException with the parent's diagnostics on failure.
    OdbcHandle(SQLSMALLINT type, SQLSMALLINT parentType, SQLHANDLE parent);
    ~OdbcHandle() { Reset(); }

    OdbcHandle(const OdbcHandle&) = delete;
    OdbcHandle& operator=(const OdbcHandle&) = delete;
    OdbcHandle(OdbcHandle&& other) noexcept;
    OdbcHandle& operator=(OdbcHandle&& other) noexcept;

    SQLHANDLE Get() const noexcept { return m_handle; }
    SQLSMALLINT Type() const noexcept { return m_type; }
    explicit operator bool() const noexcept { return m_handle != SQL_NULL_HANDLE; }

    // Checks the result of a call made on this handle (see OdbcCheck).
    SQLRETURN Check(SQLRETURN rc) const { return OdbcCheck(rc, m_type, m_handle); }

    // Frees the handle; does nothing when there is none. Never throws.
    void Reset() noexcept;

private:
    SQLHANDLE m_handle = SQL_NULL_HANDLE;
    SQLSMALLINT m_type = 0;
};
