// The bulk conversion procedure over the staging table.
#include "EngineFixture.h"

namespace embsql::test {
namespace {

class BulkProcedureTest : public EngineTest {
protected:
    void Stage(const std::vector<std::pair<std::string, std::string>>& rows) {
        m_session->Begin();
        for (const auto& [group, client] : rows)
            m_session->Insert("tbl_ConvertSolvaneToOrbelle", {group, client});
        m_session->Commit();
    }
};

TEST_F(BulkProcedureTest, ConvertsWhatItCanAndExplainsTheRest) {
    Stage({{"G01", "C123"},
           {" g01 ", "c125 "},
           {"G01", "C123"},
           {"G01", "C124"},
           {"G01", "C200"},
           {"G09", "C200"},
           {"G01", "C999"},
           {"G01", ""},
           {"G01", "G02"},
           {"G01", "C300"}});
    const std::vector<Rows> results = Run("exec stp_ConvertSolvaneToOrbelleBulk 1");
    EXPECT_EQ(results,
              (std::vector<Rows>{{
                  {"Client 'C123' of group 'G01' not converted: listed more than once; converted "
                   "once."},
                  {"Client 'C124' of group 'G01' not converted: already on Orbelle."},
                  {"Client 'C200' of group 'G01' not converted: the client belongs to group "
                   "'G02'."},
                  {"Client 'C200' of group 'G09' not converted: the group does not exist."},
                  {"Client 'C999' of group 'G01' not converted: the client does not exist."},
                  {"Client '' of group 'G01' not converted: no client id."},
                  {"Client 'G02' of group 'G01' not converted: it is a group, not a client."},
                  {"Client 'C300' of group 'G01' not converted: category 9 is neither Solvane (2) "
                   "nor Orbelle (4)."},
                  {"2 converted, 8 refused"},
              }}));
    EXPECT_EQ(Category("C123"), 4);
    EXPECT_EQ(Category("C125"), 4);
    EXPECT_EQ(Category("C200"), 2);
    EXPECT_EQ(Query("select sGroupId, sClientId, sMode, sDirection from "
                    "tbl_DealerConversionHistory order by nHistoryId"),
              (Rows{{"G01", "C123", "bulk", "Solvane To Orbelle"},
                    {"G01", "C125", "bulk", "Solvane To Orbelle"}}));

    // The other way, on the same staged rows.
    EXPECT_EQ(Run("exec stp_ConvertSolvaneToOrbelleBulk 2").back().back(),
              std::vector<std::string>{"3 converted, 7 refused"});
    EXPECT_EQ(Category("C124"), 2);
}

TEST_F(BulkProcedureTest, TwoGroupsSharingACodeDoNotBreakTheProcedure) {
    Owner().RunScript("insert into tbl_DealerMaster(sDealerId, sDealerCode, sGroupCode, "
                      "nDealerCategory) values ('G01B', (select sDealerCode from "
                      "tbl_DealerMaster where sDealerId = 'G01'), null, 7)");
    Stage({{"G01", "C123"}});
    EXPECT_EQ(Run("exec stp_ConvertSolvaneToOrbelleBulk 1"),
              (std::vector<Rows>{{{"1 converted, 0 refused"}}}));
    EXPECT_EQ(Category("C123"), 4);
}

TEST_F(BulkProcedureTest, AnEmptyStagingTableConvertsNothing) {
    EXPECT_EQ(Run("exec stp_ConvertSolvaneToOrbelleBulk 1"),
              (std::vector<Rows>{{{"0 converted, 0 refused"}}}));
}

TEST_F(BulkProcedureTest, OnlyTypesOneAndTwoAreAccepted) {
    Stage({{"G01", "C123"}});
    EXPECT_DB_ERROR(m_session->Execute("exec stp_ConvertSolvaneToOrbelleBulk 3"), "42000", 50000,
                    "Conversion type 3 is not valid: use 1 (Solvane to Orbelle) or 2 (Orbelle to "
                    "Solvane).");
    EXPECT_DB_ERROR(m_session->Execute("exec stp_ConvertSolvaneToOrbelleBulk null"), "42000", 50000,
                    "Conversion type NULL is not valid: use 1 (Solvane to Orbelle) or 2 (Orbelle "
                    "to Solvane).");
    EXPECT_THROW(m_session->Execute("exec stp_ConvertSolvaneToOrbelleBulk 'one'"), Error);
    EXPECT_THROW(m_session->Execute("exec stp_ConvertSolvaneToOrbelleBulk"), Error);
    EXPECT_EQ(Category("C123"), 2);
    EXPECT_EQ(HistoryCount(), 0);
}

TEST_F(BulkProcedureTest, AFailureHalfwayLeavesEveryClientAsItWas) {
    Stage({{"G01", "C123"}, {"G01", "C125"}});
    // Without the history table the conversion fails after the update.
    Owner().RunScript("drop table tbl_DealerConversionHistory");
    EXPECT_DB_ERROR(m_session->Execute("exec stp_ConvertSolvaneToOrbelleBulk 1"), "42S02", 208,
                    "Invalid object name 'tbl_DealerConversionHistory'.");
    EXPECT_EQ(Category("C123"), 2);
    EXPECT_EQ(Category("C125"), 2);
}

} // namespace
} // namespace embsql::test
