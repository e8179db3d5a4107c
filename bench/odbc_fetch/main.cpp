// Reads every client of the demo databases (1,000 groups; 10k, 100k and 1M
// clients) through unixODBC with each driver, three ways: the driver's own
// bound fetch (a row and 100 rows a fetch), the program's recordset (the
// connection opened with the cursor library, as the program opens it, served
// by the framework's own snapshot), and unixODBC's cursor library itself.
// Prints the times and the recordset's cost as a ratio of the driver's.
#include "BenchData.h"

#include "db/Ctbl_DealerMaster.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>

namespace {

constexpr const char* kQuery =
    "select sDealerId from tbl_DealerMaster where nDealerCategory = 2 or nDealerCategory = 4";

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
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
// text buffer, `arraySize` rows per fetch; with `cursorLibrary`, through
// unixODBC's cursor library and a static cursor. Timed from the statement's
// execution to its release; the connection is not timed.
Run DriverFetch(SQLHENV env, const std::string& connect, SQLULEN arraySize, bool cursorLibrary) {
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    Check(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc), SQL_HANDLE_ENV, env, "connection handle");
    Run run;
    try {
        if (cursorLibrary) {
            Check(SQLSetConnectAttr(dbc, SQL_ATTR_ODBC_CURSORS,
                                    reinterpret_cast<SQLPOINTER>(SQL_CUR_USE_ODBC),
                                    SQL_IS_UINTEGER),
                  SQL_HANDLE_DBC, dbc, "cursor library");
        }
        Check(SQLDriverConnect(dbc, nullptr,
                               reinterpret_cast<SQLCHAR*>(const_cast<char*>(connect.c_str())),
                               SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT),
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
        if (cursorLibrary) {
            Check(SQLSetStmtAttr(stmt, SQL_ATTR_CURSOR_TYPE,
                                 reinterpret_cast<SQLPOINTER>(SQL_CURSOR_STATIC), 0),
                  SQL_HANDLE_STMT, stmt, "static cursor");
        }
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
        // Releasing the statement is part of a read, as the recordset's Close is.
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        stmt = SQL_NULL_HSTMT;
        run.seconds = Seconds(start);
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

// The program's read: a connection opened as the program opens it, the
// dealer recordset opened as a snapshot and moved to its end. Also reports
// the memory the snapshot takes.
Run ProgramRead(const std::string& connect, std::size_t* snapshotBytes) {
    CDatabase db;
    db.Open(nullptr, FALSE, FALSE, ("ODBC;" + connect).c_str(), TRUE);
    Ctbl_DealerMaster rs(&db);
    Run run;
    const auto start = std::chrono::steady_clock::now();
    rs.Open(CRecordset::snapshot, kQuery, CRecordset::none);
    *snapshotBytes = rs.GetSnapshotBytes();
    while (!rs.IsEOF()) {
        ++run.rows;
        rs.MoveNext();
    }
    rs.Close();
    run.seconds = Seconds(start);
    return run;
}

// The best of a few runs, so that a cold cache does not decide.
Run Best(const std::function<Run()>& once, int runs = 5) {
    Run best;
    for (int i = 0; i < runs; ++i) {
        const Run r = once();
        if (best.seconds == 0 || r.seconds < best.seconds) {
            best = r;
        }
    }
    return best;
}

} // namespace

int main() {
    try {
        bench::UseBenchFolder();
        SQLHENV env = SQL_NULL_HENV;
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
        SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);

        std::printf("query: %s\n", kQuery);
        std::printf("%-5s %-11s %8s %10s %10s %10s %7s %8s %10s %7s\n", "size", "driver", "rows",
                    "fetch 1", "fetch 100", "recordset", "ratio", "snapshot", "cursorlib", "ratio");
        for (const long long size : bench::kSizes) {
            const bench::Database db = bench::EnsureDatabase(size);
            for (const bench::Driver& driver : bench::Drivers(db)) {
                const Run single = Best([&] { return DriverFetch(env, driver.connect, 1, false); });
                const Run block =
                    Best([&] { return DriverFetch(env, driver.connect, 100, false); });
                std::size_t snapshotBytes = 0;
                const Run program =
                    Best([&] { return ProgramRead(driver.connect, &snapshotBytes); });
                const Run library = DriverFetch(env, driver.connect, 1, true);
                if (program.rows != block.rows || library.rows != block.rows ||
                    single.rows != block.rows) {
                    std::printf("row counts differ: %lld, %lld, %lld, %lld\n", single.rows,
                                block.rows, program.rows, library.rows);
                }
                // The driver's own cost is the faster of its two fetches.
                const double own = std::min(single.seconds, block.seconds);
                std::printf("%-5s %-11s %8lld %9.3fs %9.3fs %9.3fs %6.2fx %6.1fMB %9.3fs %6.1fx\n",
                            bench::SizeName(size).c_str(), driver.name.c_str(), program.rows,
                            single.seconds, block.seconds, program.seconds, program.seconds / own,
                            static_cast<double>(snapshotBytes) / (1024 * 1024), library.seconds,
                            library.seconds / own);
                std::fflush(stdout);
            }
        }
        SQLFreeHandle(SQL_HANDLE_ENV, env);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "odbc_fetch_bench: %s\n", e.what());
        return 1;
    }
}
