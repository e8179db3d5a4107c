// Errors through the driver manager: SQLSTATE, native error and the
// message with its origin prefixes; and where connection keys come from.
#include "OdbcTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace embodbc::test {
namespace {

// The driver manager may put its own "[unixODBC]" in front of the driver's
// prefixes; what the driver wrote must end the message unchanged.
::testing::AssertionResult EndsWith(const std::string& message, const std::string& tail) {
    if (message.size() >= tail.size() &&
        message.compare(message.size() - tail.size(), tail.size(), tail) == 0) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "\"" << message << "\" does not end with \"" << tail << "\"";
}

TEST(DriverDiagnostics, RefusedLoginReportsTheServersText) {
    Env env;
    Dbc dbc(env);
    EXPECT_EQ(dbc.Connect(ProgramConnectionString(kDatabase, "wrong")), SQL_ERROR);
    const Diag d = FirstDiag(SQL_HANDLE_DBC, dbc.h);
    EXPECT_EQ(d.state, "28000");
    EXPECT_EQ(d.native, 18456);
    EXPECT_TRUE(EndsWith(d.message, "[Embedded][SQL Server]Login failed for user 'operator'."));
}

TEST(DriverDiagnostics, MissingServerNameIsTheDriversOwnError) {
    Env env;
    Dbc dbc(env);
    EXPECT_EQ(dbc.Connect("DRIVER={Embedded};Database=Dealers;UID=operator;PWD=x"), SQL_ERROR);
    const Diag d = FirstDiag(SQL_HANDLE_DBC, dbc.h);
    EXPECT_EQ(d.state, "08001");
    EXPECT_TRUE(EndsWith(d.message, "[Embedded][ODBC Driver]No server name was given (connection "
                                    "key SERVER)."));
}

struct StatementError {
    const char* statement;
    const char* state;
    SQLINTEGER native;
    const char* message; // after the origin prefixes
};

void PrintTo(const StatementError& e, std::ostream* os) {
    *os << e.statement;
}

class StatementErrors : public ::testing::TestWithParam<StatementError> {};

TEST_P(StatementErrors, ReachTheApplicationWithStateNativeAndText) {
    const StatementError& e = GetParam();
    Env env;
    Dbc dbc(env, true);
    ASSERT_TRUE(SQL_SUCCEEDED(dbc.Connect(ProgramConnectionString())));
    Stmt stmt(dbc);
    ASSERT_EQ(stmt.Exec(e.statement), SQL_ERROR);
    const Diag d = FirstDiag(SQL_HANDLE_STMT, stmt.h);
    EXPECT_EQ(d.state, e.state);
    EXPECT_EQ(d.native, e.native);
    EXPECT_TRUE(EndsWith(d.message, std::string("[Embedded][SQL Server]") + e.message));
    // The statement stays usable after the error.
    ASSERT_EQ(stmt.Exec("select sDealerId from tbl_DealerMaster where nDealerCategory = 7"),
              SQL_SUCCESS);
    EXPECT_EQ(FetchFirstColumn(stmt.h).size(), 5u);
}

INSTANTIATE_TEST_SUITE_P(
    , StatementErrors,
    ::testing::Values(StatementError{"select sDealerId from tbl_Nothing", "42S02", 208,
                                     "Invalid object name 'tbl_Nothing'."},
                      StatementError{"{call stp_Nothing}'G001','C000001'", "42000", 2812,
                                     "Could not find stored procedure 'stp_Nothing'."},
                      StatementError{
                          "{call stp_ConvertSolvaneToOrbelle}'G001','C000009'", "42000", 50000,
                          "Client 'C000009' belongs to group 'G002', not to group 'G001'."},
                      StatementError{"{call stp_ConvertSolvaneToOrbelle}'G009','C000001'", "42000",
                                     50000, "Group 'G009' does not exist."},
                      // The program's login may not read the history, nor
                      // empty any table but the staging table.
                      StatementError{"select * from tbl_DealerConversionHistory", "42000", 229,
                                     "The SELECT permission was denied on the object "
                                     "'tbl_DealerConversionHistory', database 'Dealers', "
                                     "schema 'dbo'."},
                      StatementError{"truncate table tbl_DealerMaster", "42000", 1088,
                                     "Cannot find the object \"tbl_DealerMaster\" because it "
                                     "does not exist or you do not have permissions."}));

TEST(DriverConnectKeys, ConnectionStringOverridesTheDataSource) {
    MakeDemoDatabase("Other", 2, 3);
    Env env;
    Dbc dbc(env);
    // The DSN names Dealers on the same server; the string names Other.
    ASSERT_TRUE(SQL_SUCCEEDED(
        dbc.Connect(std::string("DSN=") + kDsn + ";database=Other;UID=operator;PWD=" + kPassword)));
    Stmt stmt(dbc);
    ASSERT_EQ(stmt.Exec("select sDealerId from tbl_DealerMaster where nDealerCategory = 7"),
              SQL_SUCCESS);
    EXPECT_EQ(FetchFirstColumn(stmt.h), (std::vector<std::string>{"G001", "G002"}));
    // The completed string carries the server the data source gave.
    EXPECT_NE(dbc.outConnectionString.find(std::string("SERVER=") + kServer), std::string::npos)
        << dbc.outConnectionString;
    EXPECT_NE(dbc.outConnectionString.find("database=Other"), std::string::npos);
}

TEST(DriverConnectKeys, DataDirKeyChoosesTheDataFolder) {
    const auto elsewhere = WorkDir() / "elsewhere";
    MakeDemoDatabase("Remote", 3, 1, elsewhere);
    Env env;
    Dbc without(env);
    EXPECT_EQ(without.Connect(ProgramConnectionString("Remote")), SQL_ERROR);
    EXPECT_EQ(FirstDiag(SQL_HANDLE_DBC, without.h).native, 4060);

    Dbc with(env);
    ASSERT_TRUE(SQL_SUCCEEDED(
        with.Connect(ProgramConnectionString("Remote") + ";DataDir=" + elsewhere.string())))
        << FirstDiag(SQL_HANDLE_DBC, with.h).message;
    Stmt stmt(with);
    ASSERT_EQ(stmt.Exec("select sDealerId from tbl_DealerMaster where nDealerCategory = 7"),
              SQL_SUCCESS);
    EXPECT_EQ(FetchFirstColumn(stmt.h).size(), 3u);
}

TEST(DriverConnectKeys, SqlConnectTakesTheDataSourceAndTheLogin) {
    Env env;
    SQLHDBC dbc = SQL_NULL_HDBC;
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_DBC, env.h, &dbc), SQL_SUCCESS);
    auto text = [](const char* s) { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(s)); };
    const SQLRETURN rc =
        SQLConnect(dbc, text(kDsn), SQL_NTS, text(kLogin), SQL_NTS, text(kPassword), SQL_NTS);
    EXPECT_TRUE(SQL_SUCCEEDED(rc)) << FirstDiag(SQL_HANDLE_DBC, dbc).message;
    char dbms[64] = {};
    EXPECT_EQ(SQLGetInfo(dbc, SQL_DATABASE_NAME, dbms, sizeof dbms, nullptr), SQL_SUCCESS);
    EXPECT_STREQ(dbms, kDatabase);
    EXPECT_EQ(SQLDisconnect(dbc), SQL_SUCCESS);
    EXPECT_EQ(SQLFreeHandle(SQL_HANDLE_DBC, dbc), SQL_SUCCESS);
}

} // namespace
} // namespace embodbc::test
