// CDatabase: connect text, connection attributes, connect and disconnect.
#include "framework/Database.h"

#include "framework/ConnectValue.h"
#include "framework/Recordset.h"
#include "platform/Wipe.h"

#include <odbcinst.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <strings.h>
#include <utility>
#include <vector>

namespace {

constexpr const char kOdbcPrefix[] = "ODBC;";
constexpr size_t kOdbcPrefixLength = sizeof(kOdbcPrefix) - 1;

// A setting of the ODBC configuration (odbc.ini, the user's then the
// system's); "" when it is not there.
std::string OdbcIniValue(const std::string& section, const char* key) {
    std::vector<char> buffer(1024);
    for (;;) {
        const int length = SQLGetPrivateProfileString(section.c_str(), key, "", buffer.data(),
                                                      static_cast<int>(buffer.size()), "odbc.ini");
        if (length < 0) {
            return {};
        }
        // A full buffer may have cut the answer short.
        if (static_cast<std::size_t>(length) + 2 < buffer.size()) {
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        }
        buffer.resize(buffer.size() * 4);
    }
}

bool SameKey(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// The settings of data source `dsn` as connection keys, "DRIVER=..;KEY=..;",
// leaving out its description and the keys of `connect`; nullopt when the
// configuration does not define it.
std::optional<std::string> DataSourceKeys(const std::string& dsn, std::string_view connect) {
    const std::string driver = OdbcIniValue(dsn, "Driver");
    if (driver.empty()) {
        return std::nullopt;
    }
    const std::vector<std::string> given = fw::ConnectKeys(connect);
    std::string keys = "DRIVER=" + fw::ConnectValue(driver) + ";";
    // Without a key, the answer is the section's keys, each ended by a zero.
    const std::string names = OdbcIniValue(dsn, nullptr);
    for (std::size_t at = 0; at < names.size();) {
        const std::size_t end = std::min(names.find('\0', at), names.size());
        const std::string name = names.substr(at, end - at);
        at = end + 1;
        const bool skipped = name.empty() || SameKey(name, "Driver") ||
                             SameKey(name, "Description") ||
                             std::any_of(given.begin(), given.end(),
                                         [&](const std::string& k) { return SameKey(k, name); });
        if (!skipped) {
            keys += name + "=" + fw::ConnectValue(OdbcIniValue(dsn, name.c_str())) + ";";
        }
    }
    return keys;
}

} // namespace

CDatabase::~CDatabase() {
    Close();
}

std::string CDatabase::BuildConnectString(const char* lpszDSN, const char* lpszConnect) {
    const std::string_view connect = lpszConnect != nullptr ? lpszConnect : kOdbcPrefix;
    if (connect.size() < kOdbcPrefixLength ||
        strncasecmp(connect.data(), kOdbcPrefix, kOdbcPrefixLength) != 0) {
        throw CDBException(SQL_ERROR, "HY000",
                           "The connect text must start with \"ODBC;\": \"" + std::string(connect) +
                               "\"");
    }
    const std::string_view keys = connect.substr(kOdbcPrefixLength);
    std::string result;
    if (lpszDSN != nullptr && *lpszDSN != '\0') {
        const std::optional<std::string> settings = DataSourceKeys(lpszDSN, keys);
        result = settings ? *settings : "DSN=" + fw::ConnectValue(lpszDSN) + ";";
    }
    result.append(keys);
    // Some drivers (FreeTDS) read a last value in braces up to the end of the
    // text, its closing brace included.
    if (!keys.empty() && keys.back() != ';') {
        result += ';';
    }
    return result;
}

BOOL CDatabase::Open(const char* lpszDSN, BOOL bExclusive, BOOL bReadonly, const char* lpszConnect,
                     BOOL bUseCursorLib) {
    if (m_bConnected) {
        throw CDBException(SQL_ERROR, "08002", "The database connection is already open.");
    }
    if (bExclusive) {
        throw CDBException(SQL_ERROR, "HYC00",
                           "Exclusive access to a data source is not supported.");
    }
    // The connection strings hold the password: wiped once connected.
    std::string in = BuildConnectString(lpszDSN, lpszConnect);
    const platform::WipeOnExit wipeIn(in);

    OdbcHandle env(SQL_HANDLE_ENV, SQL_HANDLE_ENV, SQL_NULL_HANDLE);
    env.Check(SQLSetEnvAttr(env.Get(), SQL_ATTR_ODBC_VERSION,
                            reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0));
    OdbcHandle dbc(SQL_HANDLE_DBC, SQL_HANDLE_ENV, env.Get());
    // The access mode must be in place before the connection is made.
    if (bReadonly) {
        dbc.Check(SQLSetConnectAttr(dbc.Get(), SQL_ATTR_ACCESS_MODE,
                                    reinterpret_cast<SQLPOINTER>(SQL_MODE_READ_ONLY),
                                    SQL_IS_UINTEGER));
    }

    std::vector<SQLCHAR> out(4096);
    struct WipeOut {
        std::vector<SQLCHAR>& bytes;
        ~WipeOut() { platform::Wipe(bytes.data(), bytes.size()); }
    } wipeOut{out};
    SQLSMALLINT outLength = 0;
    const SQLRETURN rc = dbc.Check(SQLDriverConnect(
        dbc.Get(), nullptr, reinterpret_cast<SQLCHAR*>(in.data()), SQL_NTS, out.data(),
        static_cast<SQLSMALLINT>(out.size()), &outLength, SQL_DRIVER_NOPROMPT));
    if (rc == SQL_NO_DATA) {
        // The driver's own way of saying the connection was abandoned.
        return FALSE;
    }

    m_henv = std::move(env);
    m_hdbc = std::move(dbc);
    m_bConnected = true;
    m_bOwnSnapshots = bUseCursorLib != FALSE;
    const size_t length = std::min<size_t>(outLength < 0 ? 0 : outLength, out.size() - 1);
    // Kept without the password, which the program holds once, elsewhere.
    m_strConnect = kOdbcPrefix + fw::WithoutPassword(std::string_view(
                                     reinterpret_cast<const char*>(out.data()),
                                     strnlen(reinterpret_cast<const char*>(out.data()), length)));
    return TRUE;
}

void CDatabase::Adopt(CDatabase& other) {
    if (m_bConnected) {
        throw CDBException(SQL_ERROR, "08002", "The database connection is already open.");
    }
    if (!other.m_openRecordsets.empty()) {
        throw CDBException(SQL_ERROR, "HY010",
                           "A connection with open recordsets cannot change hands.");
    }
    Disconnect();
    m_henv = std::move(other.m_henv);
    m_hdbc = std::move(other.m_hdbc);
    m_bConnected = std::exchange(other.m_bConnected, false);
    m_bOwnSnapshots = std::exchange(other.m_bOwnSnapshots, false);
    m_strConnect = std::move(other.m_strConnect);
    other.m_strConnect.clear();
}

void CDatabase::Close() {
    // Each Close() takes its recordset off the list, so work on a copy.
    const std::vector<CRecordset*> open = m_openRecordsets;
    for (CRecordset* pSet : open) {
        pSet->Close();
    }
    m_openRecordsets.clear();
    Disconnect();
}

void CDatabase::Disconnect() noexcept {
    if (m_bConnected) {
        const SQLRETURN rc = SQLDisconnect(m_hdbc.Get());
        if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) {
            // An open transaction blocks the disconnect; nothing of it may survive.
            SQLEndTran(SQL_HANDLE_DBC, m_hdbc.Get(), SQL_ROLLBACK);
            SQLDisconnect(m_hdbc.Get());
        }
        m_bConnected = false;
    }
    m_bOwnSnapshots = false;
    m_hdbc.Reset();
    m_henv.Reset();
    m_strConnect.clear();
}

void CDatabase::AddRecordset(CRecordset* pSet) {
    if (std::find(m_openRecordsets.begin(), m_openRecordsets.end(), pSet) ==
        m_openRecordsets.end()) {
        m_openRecordsets.push_back(pSet);
    }
}

void CDatabase::RemoveRecordset(CRecordset* pSet) noexcept {
    m_openRecordsets.erase(std::remove(m_openRecordsets.begin(), m_openRecordsets.end(), pSet),
                           m_openRecordsets.end());
}
