// The single-account conversion procedures, and the transactional rules of
// every procedure call.
#include "EngineFixture.h"

namespace embsql::test {
namespace {

using ProcedureTest = EngineTest;

TEST_F(ProcedureTest, TheProgramsCallConvertsAClientAndRecordsIt) {
    const std::vector<Rows> results = Run("{call stp_ConvertSolvaneToOrbelle}'G01','C123'");
    EXPECT_EQ(results, (std::vector<Rows>{{{"Client C123 of group G01 converted from Solvane to "
                                            "Orbelle."}}}));
    EXPECT_EQ(Category("C123"), 4);
    EXPECT_EQ(Query("select sGroupId, sClientId, nFromCategory, nToCategory, sDirection, sMode, "
                    "sLogin, length(dtConverted) from tbl_DealerConversionHistory"),
              (Rows{{"G01", "C123", "2", "4", "Solvane To Orbelle", "single", "sa", "23"}}));

    EXPECT_EQ(
        Run("{call stp_ConvertOrbelleToSolvane}'g01','c123'"),
        (std::vector<Rows>{{{"Client C123 of group G01 converted from Orbelle to Solvane."}}}));
    EXPECT_EQ(Category("C123"), 2);
    EXPECT_EQ(Query("select sDirection, nFromCategory, nToCategory from "
                    "tbl_DealerConversionHistory order by nHistoryId desc limit 1"),
              (Rows{{"Orbelle To Solvane", "4", "2"}}));
}

struct Refusal {
    const char* procedure;
    const char* group;
    const char* client;
    const char* message;
};

TEST_F(ProcedureTest, EveryRefusalSaysWhyAndChangesNothing) {
    const Refusal refusals[] = {
        {"stp_ConvertSolvaneToOrbelle", "", "C123", "No group id was given: choose a group."},
        {"stp_ConvertSolvaneToOrbelle", "G01", " ", "No client id was given: choose a client."},
        {"stp_ConvertSolvaneToOrbelle", "G09", "C123", "Group 'G09' does not exist."},
        {"stp_ConvertSolvaneToOrbelle", "C125", "C123", "Group 'C125' does not exist."},
        {"stp_ConvertSolvaneToOrbelle", "G01", "C999", "Client 'C999' does not exist."},
        {"stp_ConvertSolvaneToOrbelle", "G01", "O''Brien", "Client 'O'Brien' does not exist."},
        {"stp_ConvertSolvaneToOrbelle", "G01", "G02", "'G02' is a group, not a client."},
        {"stp_ConvertSolvaneToOrbelle", "G01", "C200",
         "Client 'C200' belongs to group 'G02', not to group 'G01'."},
        {"stp_ConvertSolvaneToOrbelle", "G01", "C124", "Client 'C124' is already on Orbelle."},
        {"stp_ConvertOrbelleToSolvane", "G01", "C123", "Client 'C123' is already on Solvane."},
        {"stp_ConvertSolvaneToOrbelle", "G01", "C300",
         "Client 'C300' has category 9, which is neither Solvane (2) nor Orbelle (4)."},
        {"stp_ConvertOrbelleToSolvane", "G02", "C124",
         "Client 'C124' belongs to group 'G01', not to group 'G02'."},
    };
    const Rows before = Query("select * from tbl_DealerMaster order by sDealerId");
    for (const Refusal& refusal : refusals) {
        const std::string call = std::string("{call ") + refusal.procedure + "}'" + refusal.group +
                                 "','" + refusal.client + "'";
        SCOPED_TRACE(call);
        EXPECT_DB_ERROR(m_session->Execute(call), "42000", 50000, refusal.message);
    }
    EXPECT_EQ(Query("select * from tbl_DealerMaster order by sDealerId"), before);
    EXPECT_EQ(HistoryCount(), 0);
}

TEST_F(ProcedureTest, ARaisedErrorUndoesWhatTheBodyDidBeforeIt) {
    Owner().DefineProcedure(R"sql(
        create procedure stp_Fails @client varchar(20) as
        update tbl_DealerMaster set nDealerCategory = 4 where sDealerId = @client;
        select 'first answer' as sMessage;
        select raise_error('stopped after the update') where 1 = 1;
        select 'never' as sMessage;)sql");
    EXPECT_DB_ERROR(m_session->Execute("exec stp_Fails 'C123'"), "42000", 50000,
                    "stopped after the update");
    EXPECT_EQ(Category("C123"), 2);

    // Inside a transaction of the session only the call's own work is undone.
    m_session->Begin();
    m_session->Insert("tbl_ConvertSolvaneToOrbelle", {"G01", "C123"});
    EXPECT_THROW(m_session->Execute("exec stp_Fails 'C123'"), Error);
    EXPECT_EQ(ReadRows(*m_session->Execute("select count(*), (select nDealerCategory from "
                                           "tbl_DealerMaster where sDealerId = 'C123') from "
                                           "tbl_ConvertSolvaneToOrbelle")[0]),
              (Rows{{"1", "2"}}));
    m_session->Commit();
    EXPECT_EQ(Query("select count(*) from tbl_ConvertSolvaneToOrbelle")[0][0], "1");
}

TEST_F(ProcedureTest, AFailingStatementInABodyUndoesTheCallToo) {
    Owner().DefineProcedure("create procedure stp_Broken as "
                            "update tbl_DealerMaster set nDealerCategory = 4; "
                            "select * from tbl_Gone;");
    EXPECT_DB_ERROR(m_session->Execute("{call stp_Broken}"), "42S02", 208,
                    "Invalid object name 'tbl_Gone'.");
    EXPECT_EQ(Category("C123"), 2);
}

TEST_F(ProcedureTest, EachQueryOfABodyIsAResultSetButChecksAreNot) {
    Owner().DefineProcedure(R"sql(
        create procedure stp_Two (@n int) as
        select raise_error('never') where @n < 0;
        select @n as nFirst;
        select @n + 1 as nSecond union all select @n + 2;)sql");
    EXPECT_EQ(Run("{call stp_Two(1)}"), (std::vector<Rows>{{{"1"}}, {{"2"}, {"3"}}}));
}

TEST_F(ProcedureTest, BadDefinitionsAreRefused) {
    for (const char* definition : {
             "create procedure stp_X @a varchar(10)",       // no body
             "create procedure stp_X @a varchar(10) as ",   // empty body
             "create procedure stp_X @a blob as select 1;", // unknown type
             "create procedure stp_X @a varchar(0) as select 1;",
             "create procedure stp_X @a int, @A int as select 1;",
             "create table stp_X as select 1;",
         }) {
        SCOPED_TRACE(definition);
        EXPECT_THROW(Owner().DefineProcedure(definition), Error);
    }
    EXPECT_EQ(Owner().Procedures().size(), 3u);
}

TEST_F(ProcedureTest, ABodyNamingAnUndeclaredVariableFailsClearly) {
    Owner().DefineProcedure("create procedure stp_Y @a int as select @b as x;");
    EXPECT_DB_ERROR(m_session->Execute("exec stp_Y 1"), "42000", 137,
                    "Must declare the scalar variable \"@b\" (procedure 'stp_Y').");
}

} // namespace
} // namespace embsql::test
