// unixODBC's isql as a second, independent client of the driver: a child
// process that reads statements from its standard input.
#include "OdbcTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace embodbc::test {
namespace {

struct IsqlRun {
    int exitCode = -1;
    std::string output;
};

// Runs "isql -b -v DSN UID PWD" with `input` on its standard input.
IsqlRun RunIsql(const std::string& password, const std::string& input) {
    const auto in = WorkDir() / "isql-in.sql";
    const auto out = WorkDir() / "isql-out.txt";
    std::ofstream(in) << input;
    std::string command;
#ifdef EMBODBC_TEST_PRELOAD
    // isql is not built with the sanitizers that the driver it loads is;
    // its own leaks are not this driver's to report.
    command = "env LD_PRELOAD=" EMBODBC_TEST_PRELOAD
              " ASAN_OPTIONS=detect_leaks=0:verify_asan_link_order=0 ";
#endif
    command += std::string("isql -b -v ") + kIsqlDsn + " " + kLogin + " '" + password + "' < '" +
               in.string() + "' > '" + out.string() + "' 2>&1";
    IsqlRun run;
    const int status = std::system(command.c_str());
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ostringstream text;
    text << std::ifstream(out).rdbuf();
    run.output = text.str();
    return run;
}

TEST(Isql, RunsTheProgramsStatementsBesideAConnectionOfOurs) {
    // Our own connection stays open while isql works on the same database.
    Env env;
    Dbc ours(env, true);
    ASSERT_TRUE(SQL_SUCCEEDED(
        ours.Connect(std::string("DSN=") + kIsqlDsn + ";UID=" + kLogin + ";PWD=" + kPassword)));

    const IsqlRun run = RunIsql(
        kPassword,
        "select sDealerId from tbl_DealerMaster where nDealerCategory = 7\n"
        "select sDealerId from tbl_DealerMaster where sGroupCode in(select sDealerCode from "
        "tbl_DealerMaster Where sDealerId = 'G001') and  nDealerCategory = 2\n"
        "{call stp_ConvertSolvaneToOrbelle}'G001','C000007'\n");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    for (const char* expected :
         {"| G001", "| G005", "5 rows fetched", "| C000007", "6 rows fetched",
          "Client C000007 of group G001 converted from Solvane to Orbelle."}) {
        EXPECT_NE(run.output.find(expected), std::string::npos) << expected << "\n" << run.output;
    }

    Stmt stmt(ours);
    ASSERT_EQ(stmt.Exec("select nDealerCategory from tbl_DealerMaster where sDealerId = 'C000007'"),
              SQL_SUCCESS);
    EXPECT_EQ(FetchFirstColumn(stmt.h), std::vector<std::string>{"4"});
}

TEST(Isql, ReportsARefusedLoginAndFails) {
    const IsqlRun run = RunIsql("not-the-password", "");
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.output.find("[28000]"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("[Embedded][SQL Server]Login failed for user 'operator'."),
              std::string::npos)
        << run.output;
}

TEST(Isql, ReportsAStatementErrorWithItsText) {
    const IsqlRun run = RunIsql(kPassword, "{call stp_Missing}'G001','C000001'\n");
    EXPECT_NE(run.output.find("[Embedded][SQL Server]Could not find stored procedure "
                              "'stp_Missing'."),
              std::string::npos)
        << run.output;
}

} // namespace
} // namespace embodbc::test
