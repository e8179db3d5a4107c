// The bulk conversion procedure over the staging table.
#include "EngineFixture.h"

#include <sqlite3.h>

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

TEST_F(BulkProcedureTest, AClientRefusedAtItsFirstListingConvertsAtALaterGoodOne) {
    // Only a listing that could convert counts as the client's first.
    Stage({{"G02", "C123"}, {"G01", "C123"}, {"G01", "C123"}, {"G01", "C124"}, {"g01", "c124"}});
    EXPECT_EQ(Run("exec stp_ConvertSolvaneToOrbelleBulk 1"),
              (std::vector<Rows>{{
                  {"Client 'C123' of group 'G02' not converted: the client belongs to group "
                   "'G01'."},
                  {"Client 'C123' of group 'G01' not converted: listed more than once; converted "
                   "once."},
                  {"Client 'C124' of group 'G01' not converted: already on Orbelle."},
                  {"Client 'c124' of group 'g01' not converted: already on Orbelle."},
                  {"1 converted, 4 refused"},
              }}));
    EXPECT_EQ(Category("C123"), 4);
    EXPECT_EQ(Query("select sGroupId, sClientId from tbl_DealerConversionHistory"),
              (Rows{{"G01", "C123"}}));
}

TEST_F(BulkProcedureTest, AClientOfAnotherGroupIsToldTheLeastGroupOfItsCode) {
    Owner().RunScript("insert into tbl_DealerMaster(sDealerId, sDealerCode, sGroupCode, "
                      "nDealerCategory) values ('G00', 'gc02', null, 7), ('G03', 'GC02', null, 7), "
                      "('C400', 'K400', 'GC09', 2), ('C401', 'K401', null, 2)");
    Stage({{"G01", "C200"}, {"G01", "C400"}, {"G01", "C401"}});
    EXPECT_EQ(Run("exec stp_ConvertSolvaneToOrbelleBulk 1"),
              (std::vector<Rows>{{
                  {"Client 'C200' of group 'G01' not converted: the client belongs to group "
                   "'G00'."},
                  {"Client 'C400' of group 'G01' not converted: the client belongs to group "
                   "'GC09'."},
                  {"Client 'C401' of group 'G01' not converted: the client belongs to group "
                   "'none'."},
                  {"0 converted, 3 refused"},
              }}));
}

// The statements of a procedure's body, split where SQLite sees a whole one.
std::vector<std::string> BodyStatements(const std::string& definition) {
    const std::size_t as = definition.find("\nas\n");
    std::vector<std::string> statements;
    std::string statement;
    for (char c : definition.substr(as + 4)) {
        statement += c;
        if (c == ';' && sqlite3_complete(statement.c_str()) != 0) {
            statements.push_back(statement.substr(statement.find_first_not_of(" \n")));
            statement.clear();
        }
    }
    return statements;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// A staged row must cost a few seeks however many groups and clients there
// are: where a statement reads the staged rows, it scans nothing else and
// searches the other tables only by a key that names one row.
TEST_F(BulkProcedureTest, EachStagedRowIsLookedUpByKey) {
    const std::string definition = Query("select sDefinition from embsql_procedure where sName = "
                                         "'stp_ConvertSolvaneToOrbelleBulk'")
                                       .at(0)
                                       .at(0);
    const std::vector<std::string> statements = BodyStatements(definition);
    ASSERT_GT(statements.size(), 5u);
    // Planned without statistics, then with those of 1,000 groups of 1,000
    // clients taken before an upload filled the staging table.
    for (const bool analyzed : {false, true}) {
        if (analyzed)
            Owner().RunScript(R"sql(
                analyze;
                delete from sqlite_stat1;
                insert into sqlite_stat1(tbl, idx, stat) values
                    ('tbl_DealerMaster', 'sqlite_autoindex_tbl_DealerMaster_1', '1001000 1'),
                    ('tbl_DealerMaster', 'ix_DealerMaster_Category', '1001000 333667 1'),
                    ('tbl_DealerMaster', 'ix_DealerMaster_Group', '1001000 1000 501'),
                    ('tbl_DealerMaster', 'ix_DealerMaster_GroupCode', '1000 1'),
                    ('tbl_ConvertSolvaneToOrbelle', null, '1');
                analyze sqlite_schema;)sql");
        int perRowStatements = 0;
        for (const std::string& statement : statements) {
            if (StartsWith(statement, "create") || StartsWith(statement, "drop")) {
                Owner().RunScript(statement);
                continue;
            }
            if (statement.find("tbl_ConvertSolvaneToOrbelle") == std::string::npos &&
                statement.find("from temp.bulk_conversion") == std::string::npos)
                continue;
            ++perRowStatements;
            // The one parameter, @conversion_type, is bound by position.
            for (const std::vector<std::string>& row :
                 ReadRows(*Owner().Query("explain query plan " + statement, {1LL}))) {
                const std::string& step = row.at(3);
                SCOPED_TRACE(statement + "\n" + step);
                if (StartsWith(step, "SCAN ")) {
                    EXPECT_TRUE(step == "SCAN tbl_ConvertSolvaneToOrbelle" ||
                                step == "SCAN temp.bulk_conversion" ||
                                StartsWith(step, "SCAN (subquery-"));
                } else if (StartsWith(step, "SEARCH ")) {
                    EXPECT_TRUE(step.find("PRIMARY KEY") != std::string::npos ||
                                step.find("(sDealerId=?)") != std::string::npos ||
                                step.find(" AND sDealerId=?)") != std::string::npos);
                }
            }
        }
        EXPECT_GE(perRowStatements, 5);
    }
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
