// The driver side of the tools without a driver: the connection string made
// of the tools' options, and how the driver's diagnostics are read.
#include "toolargs/Driver.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using tooldriver::Diagnostic;
using tooldriver::DriverError;

TEST(ToolsDriver, ConnectStringCarriesTheOptionsWhole) {
    unsetenv("EMBSQL_TOOLS_CONNECT");
    const struct {
        const char* server;
        const char* database;
        const char* password;
        std::string expected;
    } cases[] = {
        {"127.0.0.1", "DB1", "pw", "SERVER=127.0.0.1,1433;DATABASE=DB1;UID=u1;PWD=pw"},
        {"db.example,5000", "DB1", "pw", "SERVER=db.example,5000;DATABASE=DB1;UID=u1;PWD=pw"},
        {"host\\SQLEXPRESS", "DB1", "pw", "SERVER=host\\SQLEXPRESS;DATABASE=DB1;UID=u1;PWD=pw"},
        {"(local)", "Dealer DB", "", "SERVER=localhost,1433;DATABASE=Dealer DB;UID=u1;PWD="},
        {".", "DB1", "a;PWD=b", "SERVER=localhost,1433;DATABASE=DB1;UID=u1;PWD={a;PWD=b}"},
        {"h", " padded ", "}{", "SERVER=h,1433;DATABASE={ padded };UID=u1;PWD=}{"},
        {"h", "DB1", "{a};b", "SERVER=h,1433;DATABASE=DB1;UID=u1;PWD={{a}};b}"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(tooldriver::ConnectString("FreeTDS", c.server, c.database, "u1", c.password),
                  "DRIVER=FreeTDS;" + c.expected + ";")
            << c.server;
    setenv("EMBSQL_TOOLS_CONNECT", "Port=1500;TDS_Version=7.4", 1);
    EXPECT_EQ(tooldriver::ConnectString("ODBC Driver 18 for SQL Server", "h", "D", "u", "p"),
              "DRIVER=ODBC Driver 18 for SQL Server;SERVER=h,1433;DATABASE=D;UID=u;PWD=p;"
              "Port=1500;TDS_Version=7.4;");
    unsetenv("EMBSQL_TOOLS_CONNECT");
}

TEST(ToolsDriver, TheDriverIsNamedByTheEnvironment) {
    setenv("EMBSQL_TOOLS_DRIVER", "FreeTDS", 1);
    EXPECT_EQ(tooldriver::DriverFromEnvironment(), "FreeTDS");
    setenv("EMBSQL_TOOLS_DRIVER", "", 1);
    EXPECT_EQ(tooldriver::DriverFromEnvironment(), std::nullopt);
    unsetenv("EMBSQL_TOOLS_DRIVER");
    EXPECT_EQ(tooldriver::DriverFromEnvironment(), std::nullopt);
}

TEST(ToolsDriver, TheServersMessagesAreToldFromTheDriversOwn) {
    const struct {
        Diagnostic d;
        bool fromServer;
        std::string serverText;
        int level;
    } cases[] = {
        {{"42S02", 208, "[FreeTDS][SQL Server]Invalid object name 'x'."},
         true,
         "Invalid object name 'x'.",
         16},
        {{"42000", 229, "[Microsoft][ODBC Driver 18 for SQL Server][SQL Server]The SELECT"},
         true,
         "The SELECT",
         14},
        {{"08001", 0, "[FreeTDS][SQL Server]Unable to connect to data source"}, false, "", 16},
        {{"08S01", 20009, "[FreeTDS][SQL Server]Unable to connect: Adaptive Server"},
         false,
         "",
         16},
        {{"01000", 20013, "[FreeTDS][SQL Server]Unknown host machine name."}, false, "", 16},
        {{"HY000", 20003, "[FreeTDS][SQL Server]Read from the server failed"}, false, "", 16},
        {{"01000", 5701, "[FreeTDS][SQL Server]Changed database context to 'DB1'."}, false, "", 16},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.d.FromServer(), c.fromServer) << c.d.text;
        if (c.fromServer) {
            EXPECT_EQ(c.d.ServerText(), c.serverText);
        }
        EXPECT_EQ(c.d.Level(), c.level) << c.d.text;
    }
}

TEST(ToolsDriver, AFailureLeadsWithTheServersCauseInTheServersWords) {
    // FreeTDS ranks the failed login (level 14) above its cause (level 11).
    const DriverError error({
        {"01000", 0, "[FreeTDS][SQL Server]a warning"},
        {"08001", 0, "[FreeTDS][SQL Server]Unable to connect to data source"},
        {"42000", 18456, "[FreeTDS][SQL Server]Login failed for user 'u1'."},
        {"42000", 4060, "[FreeTDS][SQL Server]Cannot open database \"DB9\"."},
    });
    std::vector<std::string> order;
    for (const Diagnostic& d : error.Records())
        order.push_back(d.sqlState + " " + std::to_string(d.nativeError));
    EXPECT_EQ(order, (std::vector<std::string>{"42000 4060", "28000 18456", "08001 0", "01000 0"}));
    EXPECT_TRUE(error.FromServer());
    EXPECT_EQ(error.SqlState(), "42000");
    EXPECT_EQ(error.NativeError(), 4060);
    EXPECT_STREQ(error.what(), "Cannot open database \"DB9\".");

    const DriverError unreachable({{"08001", 0, "[FreeTDS][SQL Server]Unable to connect"}});
    EXPECT_FALSE(unreachable.FromServer());
    EXPECT_STREQ(unreachable.what(), "[FreeTDS][SQL Server]Unable to connect");
}

} // namespace
