// Test support for the driver: a private ODBC configuration (odbcinst.ini
// naming the built driver, odbc.ini with a demo data source), demo
// databases made through the engine's administration, and ODBC handles
// that free themselves.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <filesystem>
#include <string>
#include <vector>

namespace embodbc::test {

inline constexpr const char* kServer = "127.0.0.1";
inline constexpr const char* kDsn = "EmbeddedDemo";
inline constexpr const char* kDatabase = "Dealers";     // the DSN's database
inline constexpr const char* kIsqlDsn = "EmbeddedIsql"; // a data source of its own for isql
inline constexpr const char* kIsqlDatabase = "IsqlDealers";
// The program's login, with the program's rights and no more.
inline constexpr const char* kLogin = "operator";
inline constexpr const char* kPassword = "Secret#1";

// The folder of this run's configuration and data.
const std::filesystem::path& WorkDir();

// Creates database `name` on kServer under the engine's data folder (or
// under `dataDir` when given) with the operator login, the schema and demo
// data of `groups` groups G001... of `clientsPerGroup` clients C000001...
void MakeDemoDatabase(const std::string& name, long long groups = 5, long long clientsPerGroup = 8,
                      const std::filesystem::path& dataDir = {});

// The first diagnostic record of a handle.
struct Diag {
    std::string state;
    SQLINTEGER native = 0;
    std::string message;
};
Diag FirstDiag(SQLSMALLINT type, SQLHANDLE handle);

class Env {
public:
    Env();
    ~Env();
    Env(const Env&) = delete;
    Env& operator=(const Env&) = delete;
    SQLHENV h = SQL_NULL_HENV;
};

class Dbc {
public:
    explicit Dbc(Env& env, bool cursorLibrary = false);
    ~Dbc();
    Dbc(const Dbc&) = delete;
    Dbc& operator=(const Dbc&) = delete;
    // SQLDriverConnect without prompting; returns its result.
    SQLRETURN Connect(const std::string& connectionString);
    std::string outConnectionString;
    SQLHDBC h = SQL_NULL_HDBC;

private:
    bool m_connected = false;
};

class Stmt {
public:
    explicit Stmt(Dbc& dbc);
    ~Stmt();
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;
    SQLRETURN Exec(const std::string& sql);
    SQLHSTMT h = SQL_NULL_HSTMT;
};

// How rows are fetched: the plain call, the ODBC 3 scrolling call, or the
// ODBC 2 one a cursor library answers.
enum class FetchCall { Fetch, FetchScroll, ExtendedFetch };

// Binds column 1 as SQL_C_CHAR into a 256-byte buffer (a 255-character text
// field) and fetches every row of the current result with `call`.
std::vector<std::string> FetchFirstColumn(SQLHSTMT stmt, FetchCall call = FetchCall::Fetch);

// The connection string the program builds, with the DSN in front.
std::string ProgramConnectionString(const std::string& database = kDatabase,
                                    const std::string& password = kPassword);

} // namespace embodbc::test
