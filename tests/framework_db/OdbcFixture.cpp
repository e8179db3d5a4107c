// The tests' ODBC configuration: written before the first ODBC call of the
// process, removed when the tests end.
#include "OdbcFixture.h"

#include <dlfcn.h>
#include <sqlite3.h>

#include <cstdlib>
#include <fstream>

std::filesystem::path OdbcTestEnvironment::s_dir;
std::unique_ptr<testing_support::TempDir> OdbcTestEnvironment::s_tmp;

namespace {

// Registered before main() runs, so it is in place before any test talks to ODBC.
[[maybe_unused]] const auto* const g_environment =
    ::testing::AddGlobalTestEnvironment(new OdbcTestEnvironment);

void WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path);
    out << text;
    ASSERT_TRUE(out.good()) << path;
}

const char kSchema[] = "create table tbl_DealerMaster (sDealerId varchar(300), sDealerCode "
                       "varchar(50), sGroupCode varchar(50), nDealerCategory integer);";

} // namespace

// The SQLite driver loads the installer library to read its settings, whose
// parsed settings leak, and both are unloaded on disconnect, which leaves the
// leak checker unable to tell whose memory it is. Both are kept loaded, and
// leaks in them are not reported.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libsqlite3odbc\nleak:libodbcinst\n";
}

void OdbcTestEnvironment::SetUp() {
    s_tmp = std::make_unique<testing_support::TempDir>();
    s_dir = s_tmp->path();

    const std::string driver = STO_SQLITE_ODBC_DRIVER;
    ASSERT_TRUE(std::filesystem::exists(driver))
        << "Debian's SQLite ODBC driver (libsqliteodbc) is not installed: " << driver;
    for (const std::string& library : {driver, std::string("libodbcinst.so.2")}) {
        ASSERT_NE(dlopen(library.c_str(), RTLD_NOW | RTLD_NODELETE), nullptr) << dlerror();
    }
    WriteFile(s_dir / "odbcinst.ini",
              std::string("[") + kSqliteDriver + "]\nDescription=SQLite3 ODBC Driver\nDriver=" +
                  driver + "\n\n[" + kEmbeddedDriver + "]\nDriver=" + STO_EMBEDDED_ODBC_DRIVER +
                  "\n\n[MissingDriver]\nDriver=" + (s_dir / "no-such-driver.so").string() + "\n");
    WriteFile(s_dir / "odbc.ini", std::string("[") + kDsn + "]\nDriver=" +
                                      std::string(kSqliteDriver) + "\nDatabase=" + DsnFile() +
                                      "\n\n[" + kMissingDriverDsn + "]\nDriver=MissingDriver\n");
    setenv("ODBCSYSINI", s_dir.c_str(), 1);
    setenv("ODBCINSTINI", "odbcinst.ini", 1);
    setenv("ODBCINI", (s_dir / "odbc.ini").c_str(), 1);
    setenv("EMBSQL_DATA_DIR", (s_dir / "embedded").c_str(), 1);

    Exec(DsnFile(),
         std::string(kSchema) + "insert into tbl_DealerMaster values ('A-ONLY', 'AC', null, 7);");
    Exec(DealerFile(), std::string(kSchema) + R"(
        insert into tbl_DealerMaster values ('G01', 'GC1', null, 7);
        insert into tbl_DealerMaster values ('G02', 'GC2', null, 7);
        insert into tbl_DealerMaster values ('G''03', 'GC3', null, 7);
        insert into tbl_DealerMaster values ('C101', 'D101', 'GC1', 2);
        insert into tbl_DealerMaster values ('C102', 'D102', 'GC1', 2);
        insert into tbl_DealerMaster values ('C401', 'D401', 'GC1', 4);
        insert into tbl_DealerMaster values ('C201', 'D201', 'GC2', 2);
        insert into tbl_DealerMaster values ('C402', 'D402', 'GC2', 4);
        insert into tbl_DealerMaster values (null, 'DNULL', 'GCX', 9);
    )");
}

void OdbcTestEnvironment::TearDown() {
    s_tmp.reset();
}

std::string OdbcTestEnvironment::DsnFile() {
    return (s_dir / "dsn.db").string();
}

std::string OdbcTestEnvironment::DealerFile() {
    return (s_dir / "dealers.db").string();
}

std::string OdbcTestEnvironment::ConnectText(const std::string& file) {
    return "ODBC;SERVER=192.0.2.7;Database=" + file + ";UID=u;PWD=p";
}

void OdbcTestEnvironment::Exec(const std::string& file, const std::string& sql) {
    sqlite3* db = nullptr;
    const int opened = sqlite3_open(file.c_str(), &db);
    char* error = nullptr;
    const int ran =
        opened == SQLITE_OK ? sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) : opened;
    const std::string message = error != nullptr ? error : sqlite3_errmsg(db);
    sqlite3_free(error);
    sqlite3_close(db);
    ASSERT_EQ(ran, SQLITE_OK) << message;
}

std::vector<std::string> ReadIds(Ctbl_DealerMaster& rs, const std::string& sql) {
    std::vector<std::string> ids;
    rs.Open(CRecordset::snapshot, sql.c_str(), CRecordset::none);
    while (!rs.IsEOF()) {
        ids.push_back(rs.m_sDealerId);
        rs.MoveNext();
    }
    rs.Close();
    return ids;
}
