// The group and client statements, the connection text and the server line.
#include <gtest/gtest.h>

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

TEST(ConnectionText, ConcatenatesTheValuesAsTheyStand) {
    EXPECT_EQ(db::ConnectionText("10.0.0.5", "LIVE", "sa", "p;w"),
              "ODBC;SERVER=10.0.0.5;Database=LIVE;UID=sa;PWD=p;w");
    EXPECT_EQ(db::ConnectionText("S", "", "u", ""), "ODBC;SERVER=S;Database=;UID=u;PWD=");
}

TEST(ServerLine, HasOneTabThenOneBlank) {
    EXPECT_EQ(db::ServerLine("10.0.0.5", "LIVE"), "IPAddress:10.0.0.5\t DatabaseName:LIVE");
}

} // namespace
