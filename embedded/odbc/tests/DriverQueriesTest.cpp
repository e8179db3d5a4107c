// The program's statements through the driver manager, with and without
// its cursor library: the group list, the client list and the conversion
// call, exactly as the program sends them.
#include "OdbcTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace embodbc::test {
namespace {

const std::string kGroupQuery = "select sDealerId from tbl_DealerMaster where nDealerCategory = 7";

std::string ClientQuery(const std::string& group, int category) {
    return "select sDealerId from tbl_DealerMaster where sGroupCode in(select sDealerCode from "
           "tbl_DealerMaster Where sDealerId = '" +
           group + "') and  nDealerCategory = " + std::to_string(category);
}

// Runs `sql` on a fresh statement of `dbc` as the program's snapshot
// recordset does (a static, read-only cursor, which the cursor library
// provides and the driver alone replaces by its forward-only one) and
// returns its first column.
std::vector<std::string> Rows(Dbc& dbc, const std::string& sql, FetchCall call = FetchCall::Fetch) {
    Stmt stmt(dbc);
    EXPECT_TRUE(SQL_SUCCEEDED(SQLSetStmtAttr(stmt.h, SQL_ATTR_CURSOR_TYPE,
                                             reinterpret_cast<SQLPOINTER>(SQL_CURSOR_STATIC), 0)));
    EXPECT_TRUE(SQL_SUCCEEDED(SQLSetStmtAttr(
        stmt.h, SQL_ATTR_CONCURRENCY, reinterpret_cast<SQLPOINTER>(SQL_CONCUR_READ_ONLY), 0)));
    const SQLRETURN rc = stmt.Exec(sql);
    EXPECT_TRUE(SQL_SUCCEEDED(rc)) << sql << ": " << FirstDiag(SQL_HANDLE_STMT, stmt.h).message;
    return FetchFirstColumn(stmt.h, call);
}

// Each case: whether the cursor library sits between the driver manager
// and the driver, and which fetch call the application uses.
class ProgramStatements : public ::testing::TestWithParam<std::tuple<bool, FetchCall>> {
protected:
    bool CursorLibrary() const { return std::get<0>(GetParam()); }
    FetchCall Call() const { return std::get<1>(GetParam()); }
};

TEST_P(ProgramStatements, GroupQueryListsEveryGroup) {
    Env env;
    Dbc dbc(env, CursorLibrary());
    ASSERT_TRUE(SQL_SUCCEEDED(dbc.Connect(ProgramConnectionString())))
        << FirstDiag(SQL_HANDLE_DBC, dbc.h).message;
    EXPECT_EQ(Rows(dbc, kGroupQuery, Call()),
              (std::vector<std::string>{"G001", "G002", "G003", "G004", "G005"}));
}

TEST_P(ProgramStatements, ClientQueryListsTheGroupsClientsOfOneCategory) {
    Env env;
    Dbc dbc(env, CursorLibrary());
    ASSERT_TRUE(SQL_SUCCEEDED(dbc.Connect(ProgramConnectionString())));
    // Group G002 holds clients 9 to 16; every third client is on Orbelle.
    EXPECT_EQ(Rows(dbc, ClientQuery("G002", 2), Call()),
              (std::vector<std::string>{"C000010", "C000011", "C000013", "C000014", "C000016"}));
    EXPECT_EQ(Rows(dbc, ClientQuery("G002", 4), Call()),
              (std::vector<std::string>{"C000009", "C000012", "C000015"}));
    EXPECT_TRUE(Rows(dbc, ClientQuery("", 2), Call()).empty());
}

TEST_P(ProgramStatements, CallFormConvertsTheClientAndAnswersWithText) {
    const std::string db = std::string("Convert") + (CursorLibrary() ? "Cl" : "") +
                           std::to_string(static_cast<int>(Call()));
    MakeDemoDatabase(db);
    Env env;
    Dbc dbc(env, CursorLibrary());
    ASSERT_TRUE(SQL_SUCCEEDED(dbc.Connect(ProgramConnectionString(db))));

    const std::vector<std::string> answer =
        Rows(dbc, "{call stp_ConvertSolvaneToOrbelle}'G001','C000002'", Call());
    ASSERT_EQ(answer.size(), 1u);
    EXPECT_NE(answer[0].find("C000002"), std::string::npos) << answer[0];
    EXPECT_NE(answer[0].find("Orbelle"), std::string::npos) << answer[0];

    EXPECT_EQ(Rows(dbc, ClientQuery("G001", 4), Call()),
              (std::vector<std::string>{"C000002", "C000003", "C000006"}));
    // Back again with the other procedure.
    EXPECT_EQ(Rows(dbc, "{call stp_ConvertOrbelleToSolvane}'G001','C000002'", Call()).size(), 1u);
    EXPECT_EQ(Rows(dbc, ClientQuery("G001", 4), Call()),
              (std::vector<std::string>{"C000003", "C000006"}));
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<bool, FetchCall>>& info) {
    static const char* const kCalls[] = {"Fetch", "FetchScroll", "ExtendedFetch"};
    return std::string(std::get<0>(info.param) ? "CursorLibrary" : "Driver") +
           kCalls[static_cast<int>(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(, ProgramStatements,
                         ::testing::Values(std::make_tuple(false, FetchCall::Fetch),
                                           std::make_tuple(false, FetchCall::FetchScroll),
                                           std::make_tuple(true, FetchCall::Fetch),
                                           std::make_tuple(true, FetchCall::ExtendedFetch),
                                           std::make_tuple(true, FetchCall::FetchScroll)),
                         CaseName);

class DriverResults : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SQL_SUCCEEDED(dbc.Connect(ProgramConnectionString())))
            << FirstDiag(SQL_HANDLE_DBC, dbc.h).message;
    }
    Env env;
    Dbc dbc{env};
};

TEST_F(DriverResults, DescribesTextAsVarcharAndNumbersAsInteger) {
    Stmt stmt(dbc);
    ASSERT_EQ(stmt.Exec("select sDealerId, nDealerCategory from tbl_DealerMaster"), SQL_SUCCESS);
    SQLSMALLINT count = 0;
    ASSERT_EQ(SQLNumResultCols(stmt.h, &count), SQL_SUCCESS);
    ASSERT_EQ(count, 2);
    SQLCHAR name[64];
    SQLSMALLINT nameLen = 0, type = 0, digits = -1, nullable = -1;
    SQLULEN size = 0;
    ASSERT_EQ(
        SQLDescribeCol(stmt.h, 1, name, sizeof name, &nameLen, &type, &size, &digits, &nullable),
        SQL_SUCCESS);
    EXPECT_STREQ(reinterpret_cast<char*>(name), "sDealerId");
    EXPECT_EQ(type, SQL_VARCHAR);
    EXPECT_GT(size, 0u);
    EXPECT_LE(size, 255u);
    ASSERT_EQ(
        SQLDescribeCol(stmt.h, 2, name, sizeof name, &nameLen, &type, &size, &digits, &nullable),
        SQL_SUCCESS);
    EXPECT_EQ(type, SQL_INTEGER);
    SQLLEN display = 0;
    ASSERT_EQ(SQLColAttribute(stmt.h, 2, SQL_DESC_DISPLAY_SIZE, nullptr, 0, nullptr, &display),
              SQL_SUCCESS);
    EXPECT_EQ(display, 11);
    EXPECT_EQ(
        SQLDescribeCol(stmt.h, 3, name, sizeof name, &nameLen, &type, &size, &digits, &nullable),
        SQL_ERROR);
    EXPECT_EQ(FirstDiag(SQL_HANDLE_STMT, stmt.h).state, "07009");
}

TEST_F(DriverResults, IntegersConvertToTextAndToNumbers) {
    Stmt stmt(dbc);
    ASSERT_EQ(stmt.Exec("select nDealerCategory, nDealerCategory, sDealerId "
                        "from tbl_DealerMaster where sDealerId = 'G003'"),
              SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt.h), SQL_SUCCESS);
    char text[8] = {};
    SQLLEN ind = 0;
    ASSERT_EQ(SQLGetData(stmt.h, 1, SQL_C_CHAR, text, sizeof text, &ind), SQL_SUCCESS);
    EXPECT_STREQ(text, "7");
    EXPECT_EQ(ind, 1);
    // A column read completely has nothing more to give.
    EXPECT_EQ(SQLGetData(stmt.h, 1, SQL_C_CHAR, text, sizeof text, &ind), SQL_NO_DATA);
    SQLINTEGER number = 0;
    ASSERT_EQ(SQLGetData(stmt.h, 2, SQL_C_LONG, &number, 0, &ind), SQL_SUCCESS);
    EXPECT_EQ(number, 7);
    // Text that is no number cannot become one.
    EXPECT_EQ(SQLGetData(stmt.h, 3, SQL_C_LONG, &number, 0, &ind), SQL_ERROR);
    EXPECT_EQ(FirstDiag(SQL_HANDLE_STMT, stmt.h).state, "22018");
}

TEST_F(DriverResults, LongTextIsTruncatedWithWarningAndReadInPieces) {
    Stmt stmt(dbc);
    ASSERT_EQ(stmt.Exec("select sDealerId from tbl_DealerMaster where sDealerId = 'C000017'"),
              SQL_SUCCESS);
    char small[5] = {};
    SQLLEN ind = 0;
    ASSERT_EQ(SQLBindCol(stmt.h, 1, SQL_C_CHAR, small, sizeof small, &ind), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt.h), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(FirstDiag(SQL_HANDLE_STMT, stmt.h).state, "01004");
    EXPECT_STREQ(small, "C000");
    EXPECT_EQ(ind, 7); // the whole length, not what fitted

    // The same value through SQLGetData, three bytes (two characters) at a time.
    std::string pieces;
    char piece[3];
    SQLRETURN rc;
    while ((rc = SQLGetData(stmt.h, 1, SQL_C_CHAR, piece, sizeof piece, &ind)) != SQL_NO_DATA) {
        ASSERT_TRUE(SQL_SUCCEEDED(rc));
        pieces += piece;
    }
    EXPECT_EQ(pieces, "C000017");
}

TEST_F(DriverResults, BlockFetchFillsRowArraysAndStatus) {
    Stmt stmt(dbc);
    char ids[3][16] = {};
    SQLLEN inds[3] = {};
    SQLUSMALLINT status[3] = {};
    SQLULEN fetched = 0;
    ASSERT_EQ(SQLSetStmtAttr(stmt.h, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(3), 0),
              SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(stmt.h, SQL_ATTR_ROW_STATUS_PTR, status, 0), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(stmt.h, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0), SQL_SUCCESS);
    ASSERT_EQ(stmt.Exec(kGroupQuery), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(stmt.h, 1, SQL_C_CHAR, ids, sizeof ids[0], inds), SQL_SUCCESS);

    ASSERT_EQ(SQLFetch(stmt.h), SQL_SUCCESS);
    EXPECT_EQ(fetched, 3u);
    EXPECT_STREQ(ids[0], "G001");
    EXPECT_STREQ(ids[2], "G003");
    ASSERT_EQ(SQLFetch(stmt.h), SQL_SUCCESS);
    EXPECT_EQ(fetched, 2u);
    EXPECT_STREQ(ids[1], "G005");
    EXPECT_EQ(status[1], SQL_ROW_SUCCESS);
    EXPECT_EQ(status[2], SQL_ROW_NOROW);
    EXPECT_EQ(SQLFetch(stmt.h), SQL_NO_DATA);
}

TEST_F(DriverResults, OneResultThenNoMoreAndTheCursorCloses) {
    Stmt stmt(dbc);
    ASSERT_EQ(stmt.Exec(kGroupQuery), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt.h), SQL_SUCCESS);
    EXPECT_EQ(SQLMoreResults(stmt.h), SQL_NO_DATA);
    // A closed statement takes the next statement at once.
    ASSERT_EQ(stmt.Exec(ClientQuery("G001", 2)), SQL_SUCCESS);
    ASSERT_EQ(SQLCloseCursor(stmt.h), SQL_SUCCESS);
    EXPECT_EQ(SQLFetch(stmt.h), SQL_ERROR);
    EXPECT_EQ(SQLCloseCursor(stmt.h), SQL_ERROR);
}

TEST(DriverConnections, TwoConnectionsWorkAtOnce) {
    MakeDemoDatabase("Shared");
    Env env;
    Dbc reader(env, true);
    Dbc writer(env);
    ASSERT_TRUE(SQL_SUCCEEDED(reader.Connect(ProgramConnectionString("Shared"))));
    ASSERT_TRUE(SQL_SUCCEEDED(writer.Connect(ProgramConnectionString("Shared"))));

    // The reader stands in the middle of the client list while the writer
    // converts a client of that list.
    Stmt reading(reader);
    ASSERT_EQ(reading.Exec(ClientQuery("G001", 2)), SQL_SUCCESS);
    char id[16] = {};
    SQLLEN ind = 0;
    ASSERT_EQ(SQLBindCol(reading.h, 1, SQL_C_CHAR, id, sizeof id, &ind), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(reading.h), SQL_SUCCESS);
    EXPECT_STREQ(id, "C000001");

    Stmt converting(writer);
    ASSERT_EQ(converting.Exec("{call stp_ConvertSolvaneToOrbelle}'G001','C000004'"), SQL_SUCCESS)
        << FirstDiag(SQL_HANDLE_STMT, converting.h).message;
    EXPECT_EQ(FetchFirstColumn(converting.h).size(), 1u);

    ASSERT_EQ(SQLFetch(reading.h), SQL_SUCCESS);
    EXPECT_STREQ(id, "C000002");
    ASSERT_EQ(SQLFreeStmt(reading.h, SQL_CLOSE), SQL_SUCCESS);
    ASSERT_EQ(SQLFreeStmt(reading.h, SQL_UNBIND), SQL_SUCCESS);

    // A new query of the reader sees the writer's change.
    ASSERT_EQ(reading.Exec(ClientQuery("G001", 2)), SQL_SUCCESS);
    EXPECT_EQ(FetchFirstColumn(reading.h),
              (std::vector<std::string>{"C000001", "C000002", "C000005", "C000007", "C000008"}));
}

} // namespace
} // namespace embodbc::test
