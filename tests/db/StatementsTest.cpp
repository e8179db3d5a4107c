// The group and client statements, the connection text and the server line.
#include <gtest/gtest.h>

#include "ConnectKeys.h"
#include "db/Statements.h"

namespace {

TEST(ClientListStatement, KeepsItsExactFormForEitherDirection) {
    EXPECT_EQ(db::ClientListStatement("G01", server::DealerCategory::SolvaneClient),
              "select sDealerId from tbl_DealerMaster where sGroupCode in(select sDealerCode "
              "from tbl_DealerMaster Where sDealerId = 'G01') and  nDealerCategory = 2");
    EXPECT_EQ(db::ClientListStatement("G 01", server::DealerCategory::OrbelleClient),
              "select sDealerId from tbl_DealerMaster where sGroupCode in(select sDealerCode "
              "from tbl_DealerMaster Where sDealerId = 'G 01') and  nDealerCategory = 4");
    EXPECT_EQ(db::ClientListStatement("", server::DealerCategory::SolvaneClient),
              "select sDealerId from tbl_DealerMaster where sGroupCode in(select sDealerCode "
              "from tbl_DealerMaster Where sDealerId = '') and  nDealerCategory = 2");
}

TEST(ClientListStatement, AnApostropheStaysInsideTheLiteral) {
    const std::string statement =
        db::ClientListStatement("O'Brien') or ('1'='1", server::DealerCategory::SolvaneClient);
    EXPECT_NE(statement.find("Where sDealerId = 'O''Brien'') or (''1''=''1') and"),
              std::string::npos)
        << statement;
}

TEST(Trim, RemovesWhiteSpaceAroundOnly) {
    EXPECT_EQ(db::Trim("  G 01\t\r\n"), "G 01");
    EXPECT_EQ(db::Trim(" \t "), "");
    EXPECT_EQ(db::Trim(""), "");
    EXPECT_EQ(db::Trim("x"), "x");
}

TEST(ConnectionText, PlainValuesStandAsTheyAre) {
    EXPECT_EQ(db::ConnectionText("10.0.0.5", "LIVE", "sa", "s3cret pass"),
              "ODBC;SERVER=10.0.0.5;Database=LIVE;UID=sa;PWD=s3cret pass");
    EXPECT_EQ(db::ConnectionText("S", "", "u", ""), "ODBC;SERVER=S;Database=;UID=u;PWD=");
}

TEST(ConnectionText, EveryValueReachesTheDriverWholeAndAddsNoKey) {
    const struct {
        std::string server, database, user, password;
    } cases[] = {
        {"10.0.0.5", "LIVE", "sa", "p;w"},
        {"127.0.0.1;DataDir=/x", "DB;UID=root", "op}", "{pw}"},
        {"S", "", "u", "}}{;"},
        {" S ", "\tDB", "u ", " pw"},
        {"S", "D", "U", "x;PWD=y"},
    };
    for (const auto& c : cases) {
        const std::string text = db::ConnectionText(c.server, c.database, c.user, c.password);
        SCOPED_TRACE(text);
        const auto keys = embodbc::ConnectKeys::Parse(text);
        EXPECT_EQ(keys.Pairs(),
                  (std::vector<std::pair<std::string, std::string>>{{"SERVER", c.server},
                                                                    {"Database", c.database},
                                                                    {"UID", c.user},
                                                                    {"PWD", c.password}}));
    }
}

TEST(ServerLine, HasOneTabThenOneBlank) {
    EXPECT_EQ(db::ServerLine("10.0.0.5", "LIVE"), "IPAddress:10.0.0.5\t DatabaseName:LIVE");
}

} // namespace
