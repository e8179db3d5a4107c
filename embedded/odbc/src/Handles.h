// The common part of every ODBC handle this driver hands out (a tag that
// says what it is, and its diagnostics), the environment and descriptor
// handles, and the guard that every entry point runs its work in.
#pragma once

#include "Diagnostics.h"

#include "embsql/Engine.h"

#include <cstdint>
#include <mutex>
#include <new>
#include <vector>

namespace embodbc {

enum class HandleKind : std::uint32_t {
    Dead = 0,
    Environment = 0x454e5631,
    Connection = 0x44424331,
    Statement = 0x53544d31,
    Descriptor = 0x44534331,
};

class HandleBase {
public:
    explicit HandleBase(HandleKind kind) : m_kind(kind) {}
    virtual ~HandleBase() { m_kind = HandleKind::Dead; }
    HandleBase(const HandleBase&) = delete;
    HandleBase& operator=(const HandleBase&) = delete;

    HandleKind Kind() const { return m_kind; }
    Diagnostics diag;

private:
    HandleKind m_kind;
};

// An integer attribute value, which ODBC passes in the pointer argument.
inline SQLULEN AsNumber(SQLPOINTER value) {
    return static_cast<SQLULEN>(reinterpret_cast<std::uintptr_t>(value));
}

// The handle behind `h` if it is a live handle of type T, else nullptr.
template <class T> T* FromHandle(SQLHANDLE h) {
    auto* base = static_cast<HandleBase*>(h);
    if (base == nullptr || base->Kind() != T::kKind) {
        return nullptr;
    }
    return static_cast<T*>(base);
}

class Environment : public HandleBase {
public:
    static constexpr HandleKind kKind = HandleKind::Environment;
    Environment() : HandleBase(kKind) {}

    SQLINTEGER odbcVersion = SQL_OV_ODBC3;
    SQLUINTEGER outputNts = SQL_TRUE;
    std::mutex mutex; // guards the list of connections
    std::vector<class Connection*> connections;
};

class Statement;

// The implicit descriptors of a statement. The driver manager asks for them
// when a statement is allocated; this driver offers no descriptor functions
// beyond that, so they only carry diagnostics.
class Descriptor : public HandleBase {
public:
    static constexpr HandleKind kKind = HandleKind::Descriptor;
    explicit Descriptor(Statement& owner) : HandleBase(kKind), owner(owner) {}
    Statement& owner;
};

// Runs one entry point's work on handle `h`: clears its diagnostics, turns
// exceptions into diagnostic records and SQL_ERROR, and records the return
// code for SQLGetDiagField. Returns SQL_INVALID_HANDLE for a null handle.
template <class H, class Work> SQLRETURN Guarded(H* h, Work&& work) noexcept {
    if (h == nullptr) {
        return SQL_INVALID_HANDLE;
    }
    SQLRETURN rc = SQL_ERROR;
    try {
        h->diag.Clear();
        rc = work();
    } catch (const DriverError& e) {
        h->diag.AddDriver(e.SqlState(), e.what());
    } catch (const embsql::Error& e) {
        h->diag.AddServer(e);
    } catch (const std::bad_alloc&) {
        h->diag.AddDriver("HY001", "Memory allocation error");
    } catch (const std::exception& e) {
        h->diag.AddDriver("HY000", e.what());
    } catch (...) {
        h->diag.AddDriver("HY000", "General error");
    }
    h->diag.returnCode = rc;
    return rc;
}

} // namespace embodbc
