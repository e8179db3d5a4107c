// Parameter markers through the driver manager: counting them, binding
// character and integer values (NULL, SQL_NTS and explicit lengths), the
// error for a marker left without a value, integer result columns, and
// pyodbc as a client that binds parameters itself.
#include "OdbcTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace embodbc::test {
namespace {

class DriverParameters : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SQL_SUCCEEDED(dbc.Connect(ProgramConnectionString())))
            << FirstDiag(SQL_HANDLE_DBC, dbc.h).message;
    }
    SQLRETURN Prepare(Stmt& stmt, const std::string& sql) {
        return SQLPrepare(stmt.h, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())),
                          SQL_NTS);
    }
    // Binds a character value (or, with length SQL_NULL_DATA, NULL).
    SQLRETURN BindText(Stmt& stmt, SQLUSMALLINT number, char* text, SQLLEN* length) {
        return SQLBindParameter(stmt.h, number, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 20, 0,
                                text, 0, length);
    }
    Env env;
    Dbc dbc{env};
};

TEST_F(DriverParameters, MarkersAreCountedOutsideTextAndComments) {
    const std::pair<const char*, SQLSMALLINT> cases[] = {
        {"select sDealerId from tbl_DealerMaster", 0},
        {"select sDealerId from tbl_DealerMaster where sDealerId = ? and nDealerCategory = ?", 2},
        {"select '?' from tbl_DealerMaster where sDealerId = ? -- ?", 1},
        {"{call stp_ConvertSolvaneToOrbelle(?, ?)}", 2},
    };
    for (const auto& [sql, markers] : cases) {
        Stmt stmt(dbc);
        ASSERT_EQ(Prepare(stmt, sql), SQL_SUCCESS) << sql;
        SQLSMALLINT count = -1;
        EXPECT_EQ(SQLNumParams(stmt.h, &count), SQL_SUCCESS);
        EXPECT_EQ(count, markers) << sql;
    }
    // After SQLExecDirect too; before any statement it is a sequence error.
    Stmt stmt(dbc);
    SQLSMALLINT count = -1;
    EXPECT_EQ(SQLNumParams(stmt.h, &count), SQL_ERROR);
    EXPECT_EQ(FirstDiag(SQL_HANDLE_STMT, stmt.h).state, "HY010");
    ASSERT_EQ(stmt.Exec("select sDealerId from tbl_DealerMaster where sDealerId <> '?'"),
              SQL_SUCCESS);
    EXPECT_EQ(SQLNumParams(stmt.h, &count), SQL_SUCCESS);
    EXPECT_EQ(count, 0);
    SQLUSMALLINT supported = SQL_FALSE;
    ASSERT_EQ(SQLGetFunctions(dbc.h, SQL_API_SQLBINDPARAMETER, &supported), SQL_SUCCESS);
    EXPECT_EQ(supported, SQL_TRUE);
}

TEST_F(DriverParameters, BoundValuesAreReadWhenTheStatementRuns) {
    Stmt stmt(dbc);
    ASSERT_EQ(Prepare(stmt, "select sDealerId from tbl_DealerMaster where sGroupCode = "
                            "(select sDealerCode from tbl_DealerMaster where sDealerId = ?) and "
                            "nDealerCategory = ? order by sDealerId"),
              SQL_SUCCESS);
    char group[21] = "G002";
    SQLLEN groupLength = SQL_NTS;
    SQLINTEGER category = 4;
    SQLLEN categoryLength = 0;
    ASSERT_EQ(BindText(stmt, 1, group, &groupLength), SQL_SUCCESS);
    ASSERT_EQ(SQLBindParameter(stmt.h, 2, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0,
                               &category, 0, &categoryLength),
              SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(stmt.h), SQL_SUCCESS) << FirstDiag(SQL_HANDLE_STMT, stmt.h).message;
    EXPECT_EQ(FetchFirstColumn(stmt.h),
              (std::vector<std::string>{"C000009", "C000012", "C000015"}));
    SQLCloseCursor(stmt.h);
    // The buffers are read again at each run; an explicit length cuts the text.
    std::snprintf(group, sizeof group, "G001-and-more");
    groupLength = 4;
    category = 2;
    ASSERT_EQ(SQLExecute(stmt.h), SQL_SUCCESS) << FirstDiag(SQL_HANDLE_STMT, stmt.h).message;
    EXPECT_EQ(FetchFirstColumn(stmt.h).size(), 6u);
    SQLCloseCursor(stmt.h);
    // NULL matches nothing.
    groupLength = SQL_NULL_DATA;
    ASSERT_EQ(SQLExecute(stmt.h), SQL_SUCCESS);
    EXPECT_TRUE(FetchFirstColumn(stmt.h).empty());
}

TEST_F(DriverParameters, AStatementDescribedBeforeItsValuesAreBoundRunsOnThem) {
    Stmt stmt(dbc);
    ASSERT_EQ(Prepare(stmt, "select sDealerId from tbl_DealerMaster where sDealerId = ?"),
              SQL_SUCCESS);
    SQLSMALLINT columns = 0;
    ASSERT_EQ(SQLNumResultCols(stmt.h, &columns), SQL_SUCCESS);
    EXPECT_EQ(columns, 1);
    char group[21] = "G003";
    SQLLEN nts = SQL_NTS;
    ASSERT_EQ(BindText(stmt, 1, group, &nts), SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(stmt.h), SQL_SUCCESS) << FirstDiag(SQL_HANDLE_STMT, stmt.h).message;
    EXPECT_EQ(FetchFirstColumn(stmt.h), std::vector<std::string>{"G003"});
}

TEST_F(DriverParameters, AProcedureCallTakesMarkersAndAQuoteIsData) {
    MakeDemoDatabase("Params");
    Dbc other(env);
    ASSERT_TRUE(SQL_SUCCEEDED(other.Connect(ProgramConnectionString("Params"))));
    Stmt stmt(other);
    char group[21] = "G001";
    char client[21] = "C000002";
    SQLLEN nts = SQL_NTS;
    ASSERT_EQ(BindText(stmt, 1, group, &nts), SQL_SUCCESS);
    ASSERT_EQ(BindText(stmt, 2, client, &nts), SQL_SUCCESS);
    ASSERT_EQ(stmt.Exec("{call stp_ConvertSolvaneToOrbelle(?, ?)}"), SQL_SUCCESS)
        << FirstDiag(SQL_HANDLE_STMT, stmt.h).message;
    EXPECT_EQ(FetchFirstColumn(stmt.h),
              std::vector<std::string>{
                  "Client C000002 of group G001 converted from Solvane to Orbelle."});
    SQLCloseCursor(stmt.h);
    std::snprintf(client, sizeof client, "x'); --");
    ASSERT_EQ(stmt.Exec("{call stp_ConvertSolvaneToOrbelle(?, ?)}"), SQL_ERROR);
    const std::string message = FirstDiag(SQL_HANDLE_STMT, stmt.h).message;
    EXPECT_NE(message.find("[Embedded][SQL Server]Client 'x'); --' does not exist."),
              std::string::npos)
        << message;
}

TEST_F(DriverParameters, AMarkerWithoutABoundValueIsRefused) {
    Stmt stmt(dbc);
    EXPECT_EQ(stmt.Exec("select sDealerId from tbl_DealerMaster where sDealerId = ?"), SQL_ERROR);
    EXPECT_EQ(FirstDiag(SQL_HANDLE_STMT, stmt.h).state, "07002");
    // Binding the first of two markers is not enough; unbinding undoes it.
    char group[21] = "G001";
    SQLLEN nts = SQL_NTS;
    ASSERT_EQ(BindText(stmt, 1, group, &nts), SQL_SUCCESS);
    EXPECT_EQ(stmt.Exec("select ?, ?"), SQL_ERROR);
    EXPECT_EQ(FirstDiag(SQL_HANDLE_STMT, stmt.h).state, "07002");
    ASSERT_EQ(stmt.Exec("select ?"), SQL_SUCCESS);
    EXPECT_EQ(FetchFirstColumn(stmt.h), std::vector<std::string>{"G001"});
    SQLCloseCursor(stmt.h);
    ASSERT_EQ(SQLFreeStmt(stmt.h, SQL_RESET_PARAMS), SQL_SUCCESS);
    EXPECT_EQ(stmt.Exec("select ?"), SQL_ERROR);
    EXPECT_EQ(FirstDiag(SQL_HANDLE_STMT, stmt.h).state, "07002");
    // Parameters are input only.
    EXPECT_EQ(SQLBindParameter(stmt.h, 1, SQL_PARAM_OUTPUT, SQL_C_CHAR, SQL_VARCHAR, 20, 0, group,
                               sizeof group, &nts),
              SQL_ERROR);
    EXPECT_EQ(FirstDiag(SQL_HANDLE_STMT, stmt.h).state, "HYC00");
}

TEST_F(DriverParameters, CountsAndOtherIntegerResultsAreIntegerColumns) {
    Stmt stmt(dbc);
    ASSERT_EQ(stmt.Exec("select count(*), count(*) * 1000000000 from tbl_DealerMaster"),
              SQL_SUCCESS);
    SQLCHAR name[64];
    SQLSMALLINT nameLen = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    ASSERT_EQ(
        SQLDescribeCol(stmt.h, 1, name, sizeof name, &nameLen, &type, &size, &digits, &nullable),
        SQL_SUCCESS);
    EXPECT_EQ(type, SQL_INTEGER);
    ASSERT_EQ(
        SQLDescribeCol(stmt.h, 2, name, sizeof name, &nameLen, &type, &size, &digits, &nullable),
        SQL_SUCCESS);
    EXPECT_EQ(type, SQL_BIGINT);
    EXPECT_EQ(size, 19u);
    ASSERT_EQ(SQLFetch(stmt.h), SQL_SUCCESS);
    SQLBIGINT big = 0;
    SQLLEN ind = 0;
    ASSERT_EQ(SQLGetData(stmt.h, 2, SQL_C_DEFAULT, &big, 0, &ind), SQL_SUCCESS);
    EXPECT_EQ(big, 45000000000LL);
    EXPECT_EQ(ind, static_cast<SQLLEN>(sizeof big));
}

// Runs tests/pyodbc_parameters.py with Debian's Python against the test's
// data source, as the program's login.
TEST(PyodbcParameters, PyodbcBindsParametersAndReadsIntegers) {
    MakeDemoDatabase("Pyodbc");
    const std::filesystem::path script =
        std::filesystem::path(EMBODBC_TEST_SOURCE_DIR) / "pyodbc_parameters.py";
    const auto out = WorkDir() / "pyodbc-out.txt";
    std::string command;
#ifdef EMBODBC_TEST_PRELOAD
    // Python is not built with the sanitizers that the driver it loads is.
    command = "env LD_PRELOAD=" EMBODBC_TEST_PRELOAD
              " ASAN_OPTIONS=detect_leaks=0:verify_asan_link_order=0 ";
#endif
    command += "/usr/bin/python3 '" + script.string() + "' '" + kDsn + "' Pyodbc '" + kLogin +
               "' '" + kPassword + "' > '" + out.string() + "' 2>&1";
    const int status = std::system(command.c_str());
    std::ostringstream text;
    text << std::ifstream(out).rdbuf();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << text.str();
    EXPECT_NE(text.str().find("all checks passed"), std::string::npos) << text.str();
}

} // namespace
} // namespace embodbc::test
