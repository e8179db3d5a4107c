// The test configuration, demo databases and self-freeing ODBC handles.
#include "OdbcTestSupport.h"

#include "support/TempDir.h"

#include "embsql/Admin.h"
#include "embsql/Provision.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace embodbc::test {

namespace {

// Writes the configuration and points unixODBC and the engine at it
// before the first ODBC call of the run; removes it all at the end.
class OdbcWorld : public ::testing::Environment {
public:
    void SetUp() override {
        const char* build = std::getenv("STO_BUILD_DIR");
        ASSERT_NE(build, nullptr) << "STO_BUILD_DIR must name the build tree";
        const std::filesystem::path driver = std::filesystem::path(build) / "lib/libembodbc.so";
        ASSERT_TRUE(std::filesystem::exists(driver)) << driver;
        m_dir = std::make_unique<testing_support::TempDir>();
        Dir() = m_dir->path();
        std::filesystem::create_directories(Dir() / "data");
        std::ofstream(Dir() / "odbcinst.ini")
            << "[Embedded]\nDriver = " << driver.string() << "\nThreading = 0\n";
        std::ofstream(Dir() / "odbc.ini")
            << "[" << kDsn << "]\nDriver = Embedded\n"
            << "Description = the demo database\n"
            << "SERVER = " << kServer << "\nDatabase = " << kDatabase << "\n\n[" << kIsqlDsn
            << "]\nDriver = Embedded\n"
            << "SERVER = " << kServer << "\nDatabase = " << kIsqlDatabase << "\n";
        ::setenv("ODBCSYSINI", Dir().c_str(), 1);
        ::setenv("ODBCINSTINI", "odbcinst.ini", 1);
        ::setenv("ODBCINI", (Dir() / "odbc.ini").c_str(), 1);
        ::setenv("EMBSQL_DATA_DIR", (Dir() / "data").c_str(), 1);
        MakeDemoDatabase(kDatabase);
        MakeDemoDatabase(kIsqlDatabase);
    }
    void TearDown() override { m_dir.reset(); }
    static std::filesystem::path& Dir() {
        static std::filesystem::path dir;
        return dir;
    }

private:
    std::unique_ptr<testing_support::TempDir> m_dir;
};

[[maybe_unused]] auto* const kWorld = ::testing::AddGlobalTestEnvironment(new OdbcWorld);

} // namespace

const std::filesystem::path& WorkDir() {
    return OdbcWorld::Dir();
}

void MakeDemoDatabase(const std::string& name, long long groups, long long clientsPerGroup,
                      const std::filesystem::path& dataDir) {
    const std::string old = std::getenv("EMBSQL_DATA_DIR");
    if (!dataDir.empty()) {
        ::setenv("EMBSQL_DATA_DIR", dataDir.c_str(), 1);
    }
    auto admin = embsql::Admin::Create(kServer, name);
    embsql::InstallSchema(*admin);
    admin->AddLogin(kLogin, kPassword);
    admin->SetRights(kLogin, embsql::Role::User, embsql::ProgramPermissions());
    embsql::FillDemoData(*admin, {groups, clientsPerGroup}, false);
    ::setenv("EMBSQL_DATA_DIR", old.c_str(), 1);
}

Diag FirstDiag(SQLSMALLINT type, SQLHANDLE handle) {
    Diag d;
    SQLCHAR state[6] = {};
    SQLCHAR text[1024] = {};
    SQLSMALLINT len = 0;
    if (SQL_SUCCEEDED(SQLGetDiagRec(type, handle, 1, state, &d.native, text, sizeof text, &len))) {
        d.state = reinterpret_cast<char*>(state);
        d.message = reinterpret_cast<char*>(text);
    }
    return d;
}

Env::Env() {
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &h)) ||
        !SQL_SUCCEEDED(SQLSetEnvAttr(h, SQL_ATTR_ODBC_VERSION,
                                     reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0))) {
        throw std::runtime_error("no ODBC environment");
    }
}

Env::~Env() {
    SQLFreeHandle(SQL_HANDLE_ENV, h);
}

Dbc::Dbc(Env& env, bool cursorLibrary) {
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env.h, &h))) {
        throw std::runtime_error("no ODBC connection handle");
    }
    if (cursorLibrary &&
        !SQL_SUCCEEDED(SQLSetConnectAttr(h, SQL_ATTR_ODBC_CURSORS,
                                         reinterpret_cast<SQLPOINTER>(SQL_CUR_USE_ODBC), 0))) {
        throw std::runtime_error("the cursor library was refused");
    }
}

Dbc::~Dbc() {
    if (m_connected) {
        SQLDisconnect(h);
    }
    SQLFreeHandle(SQL_HANDLE_DBC, h);
}

SQLRETURN Dbc::Connect(const std::string& connectionString) {
    SQLCHAR out[1024] = {};
    SQLSMALLINT outLen = 0;
    const SQLRETURN rc = SQLDriverConnect(
        h, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(connectionString.c_str())),
        SQL_NTS, out, sizeof out, &outLen, SQL_DRIVER_NOPROMPT);
    m_connected = SQL_SUCCEEDED(rc);
    outConnectionString = reinterpret_cast<char*>(out);
    return rc;
}

Stmt::Stmt(Dbc& dbc) {
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc.h, &h))) {
        throw std::runtime_error("no ODBC statement handle");
    }
}

Stmt::~Stmt() {
    SQLFreeHandle(SQL_HANDLE_STMT, h);
}

SQLRETURN Stmt::Exec(const std::string& sql) {
    return SQLExecDirect(h, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS);
}

std::vector<std::string> FetchFirstColumn(SQLHSTMT stmt, FetchCall call) {
    char value[256] = {};
    SQLLEN ind = 0;
    std::vector<std::string> rows;
    if (!SQL_SUCCEEDED(SQLBindCol(stmt, 1, SQL_C_CHAR, value, sizeof value, &ind))) {
        throw std::runtime_error("SQLBindCol failed: " + FirstDiag(SQL_HANDLE_STMT, stmt).message);
    }
    for (;;) {
        SQLRETURN rc;
        SQLULEN fetched = 0;
        SQLUSMALLINT status[1] = {};
        switch (call) {
        case FetchCall::Fetch:
            rc = SQLFetch(stmt);
            break;
        case FetchCall::FetchScroll:
            rc = SQLFetchScroll(stmt, SQL_FETCH_NEXT, 0);
            break;
        case FetchCall::ExtendedFetch:
            rc = SQLExtendedFetch(stmt, SQL_FETCH_NEXT, 0, &fetched, status);
            break;
        }
        if (rc == SQL_NO_DATA) {
            break;
        }
        if (!SQL_SUCCEEDED(rc)) {
            throw std::runtime_error("fetch failed: " + FirstDiag(SQL_HANDLE_STMT, stmt).message);
        }
        rows.emplace_back(ind == SQL_NULL_DATA ? "<null>" : value);
    }
    SQLFreeStmt(stmt, SQL_UNBIND);
    return rows;
}

std::string ProgramConnectionString(const std::string& database, const std::string& password) {
    return std::string("DSN=") + kDsn + ";SERVER=" + kServer + ";Database=" + database +
           ";UID=" + kLogin + ";PWD=" + password;
}

} // namespace embodbc::test
