// Fetches every client of the 1,000,000-client demo database through
// unixODBC with a bound column, once with the embedded server's driver and
// once with Debian's SQLite ODBC driver on the same file, and prints both
// rates side by side. The database is made once and kept in the build tree.
#include "embsql/Admin.h"
#include "embsql/Provision.h"

#include <sql.h>
#include <sqlext.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr const char* kServer = "bench";
constexpr const char* kDatabase = "Clients";
constexpr const char* kLogin = "sa";
constexpr const char* kPassword = "Bench#1";
constexpr long long kGroups = 1000;
constexpr long long kClientsPerGroup = 1000;
constexpr const char* kSqliteDriver = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so";
constexpr const char* kQuery =
    "select sDealerId from tbl_DealerMaster where nDealerCategory = 2 or nDealerCategory = 4";

// Makes the database unless a finished one is already there.
fs::path EnsureDatabase(const fs::path& dir) {
    ::setenv("EMBSQL_DATA_DIR", (dir / "data").c_str(), 1);
    const fs::path file = embsql::DatabasePath(kServer, kDatabase);
    const fs::path done = dir / "database-complete";
    if (fs::exists(done) && fs::exists(file)) {
        return file;
    }
    fs::remove(file);
    std::printf("making the demo database of %lld clients (kept for later runs)...\n",
                kGroups * kClientsPerGroup);
    std::fflush(stdout);
    auto admin = embsql::Admin::Create(kServer, kDatabase);
    admin->AddLogin(kLogin, kPassword);
    embsql::InstallSchema(*admin);
    embsql::FillDemoData(*admin, {kGroups, kClientsPerGroup}, false);
    admin.reset();
    std::ofstream(done) << "complete\n";
    return file;
}

std::string Diagnostic(SQLSMALLINT type, SQLHANDLE h) {
    SQLCHAR state[6] = {};
    SQLCHAR text[512] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT len = 0;
    SQLGetDiagRec(type, h, 1, state, &native, text, sizeof text, &len);
    return std::string(reinterpret_cast<char*>(state)) + " " + reinterpret_cast<char*>(text);
}

void Check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE h, const char* what) {
    if (!SQL_SUCCEEDED(rc)) {
        throw std::runtime_error(std::string(what) + ": " + Diagnostic(type, h));
    }
}

struct Run {
    long long rows = 0;
    double seconds = 0;
};

// One connection, one statement, every row fetched into a bound 255-character
// text buffer, `arraySize` rows per fetch.
Run FetchAll(SQLHENV env, const std::string& connectionString, SQLULEN arraySize) {
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    Check(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc), SQL_HANDLE_ENV, env, "connection handle");
    Run run;
    try {
        Check(SQLDriverConnect(
                  dbc, nullptr,
                  reinterpret_cast<SQLCHAR*>(const_cast<char*>(connectionString.c_str())), SQL_NTS,
                  nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT),
              SQL_HANDLE_DBC, dbc, "connect");
        Check(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt), SQL_HANDLE_DBC, dbc, "statement");
        std::string buffer(256 * arraySize, '\0');
        std::string indicators(sizeof(SQLLEN) * arraySize, '\0');
        SQLULEN fetched = 0;
        Check(SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(arraySize),
                             0),
              SQL_HANDLE_STMT, stmt, "row array size");
        Check(SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0), SQL_HANDLE_STMT, stmt,
              "rows fetched");
        const auto start = std::chrono::steady_clock::now();
        Check(SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(kQuery)), SQL_NTS),
              SQL_HANDLE_STMT, stmt, "execute");
        Check(SQLBindCol(stmt, 1, SQL_C_CHAR, buffer.data(), 256,
                         reinterpret_cast<SQLLEN*>(indicators.data())),
              SQL_HANDLE_STMT, stmt, "bind");
        SQLRETURN rc;
        while ((rc = SQLFetch(stmt)) != SQL_NO_DATA) {
            Check(rc, SQL_HANDLE_STMT, stmt, "fetch");
            run.rows += static_cast<long long>(fetched);
        }
        run.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    } catch (...) {
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        SQLDisconnect(dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        throw;
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    return run;
}

// The best of a few runs, so that a cold cache does not decide.
Run Best(SQLHENV env, const std::string& connectionString, SQLULEN arraySize) {
    Run best;
    for (int i = 0; i < 3; ++i) {
        const Run r = FetchAll(env, connectionString, arraySize);
        if (best.seconds == 0 || r.seconds < best.seconds) {
            best = r;
        }
    }
    return best;
}

} // namespace

int main() {
    try {
        const fs::path dir = BENCH_DATA_DIR;
        fs::create_directories(dir);
        const fs::path file = EnsureDatabase(dir);
        std::ofstream(dir / "odbcinst.ini") << "[Embedded]\nDriver = " << BENCH_DRIVER
                                            << "\n\n[SQLite3]\nDriver = " << kSqliteDriver << "\n";
        std::ofstream(dir / "odbc.ini") << "";
        ::setenv("ODBCSYSINI", dir.c_str(), 1);
        ::setenv("ODBCINSTINI", "odbcinst.ini", 1);
        ::setenv("ODBCINI", (dir / "odbc.ini").c_str(), 1);

        SQLHENV env = SQL_NULL_HENV;
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
        SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        const std::string ours = std::string("DRIVER={Embedded};SERVER=") + kServer +
                                 ";Database=" + kDatabase + ";UID=" + kLogin + ";PWD=" + kPassword;
        const std::string sqlite = "DRIVER={SQLite3};Database=" + file.string();

        std::printf("query: %s\n", kQuery);
        std::printf("%-16s %10s %18s %18s %7s\n", "rows per fetch", "rows", "embedded rows/s",
                    "sqliteodbc rows/s", "ratio");
        for (SQLULEN arraySize : {SQLULEN{1}, SQLULEN{100}}) {
            const Run a = Best(env, ours, arraySize);
            const Run b = Best(env, sqlite, arraySize);
            if (a.rows != b.rows) {
                std::printf("row counts differ: %lld against %lld\n", a.rows, b.rows);
            }
            const double rateA = static_cast<double>(a.rows) / a.seconds;
            const double rateB = static_cast<double>(b.rows) / b.seconds;
            std::printf("%-16lu %10lld %18.0f %18.0f %6.2fx\n",
                        static_cast<unsigned long>(arraySize), a.rows, rateA, rateB, rateA / rateB);
        }
        SQLFreeHandle(SQL_HANDLE_ENV, env);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "odbc_fetch_bench: %s\n", e.what());
        return 1;
    }
}
