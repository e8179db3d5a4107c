// The statement forms a client may send, and the errors for everything else.
#include "EngineFixture.h"

namespace embsql::test {
namespace {

class StatementTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        Owner().DefineProcedure("create procedure stp_Echo @a varchar(10), @b int as "
                                "select @a as sA, @b as nB;");
    }
};

struct Form {
    const char* statement;
    Rows expected;
};

TEST_F(StatementTest, EveryCallSpellingBindsItsArguments) {
    const Form forms[] = {
        {"{call stp_Echo}'x',5", {{"x", "5"}}},
        {"{call stp_Echo('x', 5)}", {{"x", "5"}}},
        {"{CALL stp_Echo ( 'x' , 5 ) }", {{"x", "5"}}},
        {"exec stp_Echo 'x', 5", {{"x", "5"}}},
        {"execute stp_Echo N'x', -5;", {{"x", "-5"}}},
        {"EXEC dbo.stp_Echo 'it''s', +7", {{"it's", "7"}}},
        {"exec [stp_echo] 'x', ' 12 '", {{"x", "12"}}},
        {"exec stp_Echo 12, null", {{"12", "NULL"}}},
        {"exec stp_Echo '', 0 -- comment", {{"", "0"}}},
        {"/* lead */ exec stp_Echo 'a;b', 1", {{"a;b", "1"}}},
    };
    for (const Form& form : forms) {
        SCOPED_TRACE(form.statement);
        const std::vector<Rows> results = Run(form.statement);
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(results[0], form.expected);
    }
}

struct Failure {
    std::string statement;
    const char* state;
    int native;
    std::string message;
};

TEST_F(StatementTest, BadStatementsFailWithServerErrorsAndChangeNothing) {
    const std::string longName(129, 'x');
    const Failure failures[] = {
        {"", "42000", 102, "Incorrect syntax: the statement is empty."},
        {"  -- only a comment", "42000", 102, "Incorrect syntax: the statement is empty."},
        {"update tbl_DealerMaster set nDealerCategory = 4", "42000", 102,
         "Incorrect syntax near 'update'."},
        {"delete from tbl_DealerMaster", "42000", 102, "Incorrect syntax near 'delete'."},
        {"select * from tbl_Missing", "42S02", 208, "Invalid object name 'tbl_Missing'."},
        {"select nosuch from tbl_DealerMaster", "42S22", 207, "Invalid column name 'nosuch'."},
        {"select * from tbl_DealerMaster where", "42000", 102,
         "Incorrect syntax near the end of the statement."},
        {"select * from embsql_login", "42S02", 208, "Invalid object name 'embsql_login'."},
        {"select count(*) from embsql_procedure", "42S02", 208,
         "Invalid object name 'embsql_procedure'."},
        {"select name from sqlite_master", "42S02", 208, "Invalid object name 'sqlite_master'."},
        {"with x(a) as (select 1) delete from tbl_DealerMaster", "42000", 229,
         "The statement is not permitted: a plain statement may only read tables."},
        {"select 1; delete from tbl_DealerMaster", "42000", 102, "Incorrect syntax near 'delete'."},
        {"select 1 /* open", "42000", 113, "Missing end comment mark '*/'."},
        {"exec stp_Missing 'a'", "42000", 2812, "Could not find stored procedure 'stp_Missing'."},
        {"exec sys.stp_Echo 'a', 1", "42000", 2812,
         "Could not find stored procedure 'sys.stp_Echo'."},
        {"exec stp_Echo 'x'", "42000", 201,
         "Procedure or function 'stp_Echo' expects parameter '@b', which was not supplied."},
        {"{call stp_Echo}", "42000", 201,
         "Procedure or function 'stp_Echo' expects parameter '@a', which was not supplied."},
        {"exec stp_Echo 'x', 1, 2", "42000", 8144,
         "Procedure or function stp_Echo has too many arguments specified."},
        {"{call stp_Echo}'x", "42000", 105,
         "Unclosed quotation mark after the character string 'x'."},
        {"{call stp_Echo('x', 1)}'y'", "42000", 102, "Incorrect syntax near ''y''."},
        {"{call stp_Echo 'x', 1}", "42000", 102, "Incorrect syntax near ''x''."},
        {"{call stp_Echo}'x' 1", "42000", 102, "Incorrect syntax near '1'."},
        {"exec stp_Echo 'x', 'abc'", "22018", 8114,
         "Error converting data type varchar to int for parameter '@b'."},
        {"exec stp_Echo 'x', 1.5", "22018", 8114,
         "Error converting data type numeric to int for parameter '@b'."},
        {"exec stp_Echo 'x', 99999999999", "22003", 8115,
         "Arithmetic overflow error converting expression to data type int for parameter '@b'."},
        {"exec stp_Echo 'elevenchars', 1", "22001", 8152,
         "String or binary data would be truncated: the value for parameter '@a' is longer than "
         "10 characters."},
        {"exec " + longName, "42000", 103,
         "The identifier that starts with '" + std::string(128, 'x') +
             "' is too long. Maximum length is 128."},
        {"truncate table tbl_Missing", "42S02", 208, "Invalid object name 'tbl_Missing'."},
        {"truncate table embsql_login", "42S02", 208, "Invalid object name 'embsql_login'."},
        {"truncate tbl_DealerMaster", "42000", 102, "Incorrect syntax near 'tbl_DealerMaster'."},
        // The program pastes ids unquoted; a hostile id must not become SQL.
        {"{call stp_ConvertSolvaneToOrbelle}'G01','x'); delete from tbl_DealerMaster; --'", "42000",
         102, "Incorrect syntax near ')'."},
    };
    for (const Failure& failure : failures) {
        SCOPED_TRACE(failure.statement);
        EXPECT_DB_ERROR(m_session->Execute(failure.statement), failure.state, failure.native,
                        failure.message);
    }
    EXPECT_EQ(Query("select count(*) from tbl_DealerMaster")[0][0], "7");
    EXPECT_EQ(Category("C123"), 2);
}

TEST_F(StatementTest, TheProgramsGroupAndClientQueriesCharacterForCharacter) {
    EXPECT_EQ(Run("select sDealerId from tbl_DealerMaster where nDealerCategory = 7"),
              (std::vector<Rows>{{{"G01"}, {"G02"}}}));
    const std::string clients =
        "select sDealerId from tbl_DealerMaster where sGroupCode in(select sDealerCode from "
        "tbl_DealerMaster Where sDealerId = '%s') and  nDealerCategory = %d";
    auto clientQuery = [&](const std::string& group, int category) {
        std::string sql = clients;
        sql.replace(sql.find("%s"), 2, group);
        sql.replace(sql.find("%d"), 2, std::to_string(category));
        return Run(sql);
    };
    EXPECT_EQ(clientQuery("G01", 2), (std::vector<Rows>{{{"C123"}, {"C125"}}}));
    EXPECT_EQ(clientQuery("G01", 4), (std::vector<Rows>{{{"C124"}}}));
    EXPECT_EQ(clientQuery("G02", 2), (std::vector<Rows>{{{"C200"}}}));
    EXPECT_EQ(clientQuery("", 2), (std::vector<Rows>{{}}));
}

TEST_F(StatementTest, QueryColumnsCarryTypesLengthsAndNullability) {
    auto results = m_session->Execute("select sDealerId, nDealerCategory, sGroupCode, 'x' as sText "
                                      "from tbl_DealerMaster");
    ASSERT_EQ(results.size(), 1u);
    const std::vector<Column>& columns = results[0]->Columns();
    ASSERT_EQ(columns.size(), 4u);
    EXPECT_EQ(columns[0].name, "sDealerId");
    EXPECT_FALSE(columns[0].isInteger);
    EXPECT_EQ(columns[0].maxLength, 20u);
    EXPECT_FALSE(columns[0].nullable);
    EXPECT_TRUE(columns[1].isInteger);
    EXPECT_TRUE(columns[2].nullable);
    EXPECT_EQ(columns[3].name, "sText");
    EXPECT_EQ(columns[3].maxLength, 0u);
    EXPECT_EQ(results[0]->RowsAffected(), -1);
}

TEST_F(StatementTest, ParameterMarkersAreCountedOutsideTextAndComments) {
    const std::pair<const char*, std::size_t> cases[] = {
        {"select 1", 0},
        {"select ?", 1},
        {"select sDealerId from tbl_DealerMaster where sDealerId = ? and nDealerCategory = ?", 2},
        {"select '?', \"?\", [a?b], ? -- ?\n /* ? */ , ?", 2},
        {"select 'it''s ?', ?", 1},
        {"{call stp_Echo(?, ?)}", 2},
        {"exec stp_Echo ?, 1", 1},
    };
    for (const auto& [statement, markers] : cases)
        EXPECT_EQ(CountParameterMarkers(statement), markers) << statement;
    EXPECT_THROW(CountParameterMarkers("select '?"), Error);
}

TEST_F(StatementTest, MarkersTakeTheValuesGivenInOrder) {
    using Params = std::vector<ParamValue>;
    const struct {
        const char* statement;
        Params params;
        Rows expected;
    } cases[] = {
        {"select sDealerId from tbl_DealerMaster where sGroupCode = ? and nDealerCategory = ? "
         "order by 1",
         {std::string("GC01"), 2LL},
         {{"C123"}, {"C125"}}},
        {"select ?, ?, ?", {std::string("it's"), -5LL, ParamValue{}}, {{"it's", "-5", "NULL"}}},
        // A value is data, never statement text.
        {"select count(*) from tbl_DealerMaster where sDealerId = ?",
         {std::string("x' or '1'='1")},
         {{"0"}}},
        {"{call stp_Echo(?, ?)}", {std::string("a"), 7LL}, {{"a", "7"}}},
        {"exec stp_Echo ?, ?", {ParamValue{}, std::string(" 8 ")}, {{"NULL", "8"}}},
        {"{call stp_Echo}?, 9", {std::string("b")}, {{"b", "9"}}},
        {"select ?", {std::string("extra values"), 1LL}, {{"extra values"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.statement);
        auto results = m_session->Execute(c.statement, c.params);
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(ReadRows(*results[0]), c.expected);
    }
    EXPECT_DB_ERROR(
        m_session->Execute("{call stp_Echo(?, ?)}", {std::string("a"), std::string("x")}), "22018",
        8114, "Error converting data type varchar to int for parameter '@b'.");
}

TEST_F(StatementTest, InsertPutsValuesInTheirColumnsAndKeepsAllRowsOrNone) {
    using Params = std::vector<ParamValue>;
    const auto staged = [this] {
        return Query("select coalesce(sGroupId, 'NULL') || '|' || coalesce(sClientId, 'NULL') "
                     "from tbl_ConvertSolvaneToOrbelle order by rowid");
    };
    const struct {
        const char* statement;
        Params params;
    } good[] = {
        {"insert into tbl_ConvertSolvaneToOrbelle values ('G01', 'C1')", {}},
        {"INSERT dbo.[tbl_ConvertSolvaneToOrbelle] (sClientId, sGroupId) values (N'C2', 'G02');",
         {}},
        {"insert into tbl_ConvertSolvaneToOrbelle (sClientId) values (?), (?)",
         {std::string("C3"), ParamValue{}}},
        {"insert into tbl_ConvertSolvaneToOrbelle values (?, 5)", {std::string("it's")}},
    };
    for (const auto& c : good) {
        SCOPED_TRACE(c.statement);
        auto results = m_session->Execute(c.statement, c.params);
        ASSERT_EQ(results.size(), 1u);
        EXPECT_TRUE(results[0]->Columns().empty());
        EXPECT_EQ(results[0]->RowsAffected(),
                  std::string(c.statement).find("), (") == std::string::npos ? 1 : 2);
    }
    EXPECT_EQ(staged(), (Rows{{"G01|C1"}, {"G02|C2"}, {"NULL|C3"}, {"NULL|NULL"}, {"it's|5"}}));

    const Failure failures[] = {
        {"insert into tbl_ConvertSolvaneToOrbelle values ('G01')", "21S01", 213,
         "Column name or number of supplied values does not match table definition: table "
         "'tbl_ConvertSolvaneToOrbelle' has 2 columns, 1 values were given."},
        {"insert into tbl_ConvertSolvaneToOrbelle (sGroupId) values ('G01', 'C1')", "21S01", 110,
         "There are fewer columns in the INSERT statement than values specified in the VALUES "
         "clause. The number of values in the VALUES clause must match the number of columns "
         "specified in the INSERT statement."},
        {"insert into tbl_ConvertSolvaneToOrbelle (sNope) values ('x')", "42S22", 207,
         "Invalid column name 'sNope'."},
        {"insert into tbl_ConvertSolvaneToOrbelle (sGroupId, sgroupid) values ('a', 'b')", "42000",
         264,
         "The column name 'sgroupid' is specified more than once in the column list of an "
         "INSERT."},
        // The second row does not fit: the first is not kept either.
        {"insert into tbl_ConvertSolvaneToOrbelle values ('G09', 'C9'), ('G09', '" +
             std::string(21, 'C') + "')",
         "22001", 8152,
         "String data, right truncation: column 'sClientId' holds at most 20 characters."},
        {"insert into tbl_DealerMaster (sDealerCode) values ('K9')", "23000", 515,
         "Cannot insert the value NULL into column 'sDealerId', table 'tbl_DealerMaster'; column "
         "does not allow nulls. INSERT fails."},
        {"insert into tbl_Missing values (1)", "42S02", 208, "Invalid object name 'tbl_Missing'."},
        {"insert into sys.tbl_ConvertSolvaneToOrbelle values ('a', 'b')", "42S02", 208,
         "Invalid object name 'sys.tbl_ConvertSolvaneToOrbelle'."},
        {"insert into tbl_ConvertSolvaneToOrbelle values ()", "42000", 102,
         "Incorrect syntax near ')'."},
        {"insert into tbl_ConvertSolvaneToOrbelle select * from tbl_DealerMaster", "42000", 102,
         "Incorrect syntax near 'select'."},
    };
    for (const Failure& failure : failures) {
        SCOPED_TRACE(failure.statement);
        EXPECT_DB_ERROR(m_session->Execute(failure.statement), failure.state, failure.native,
                        failure.message);
    }
    EXPECT_EQ(staged().size(), 5u);
    EXPECT_EQ(Query("select count(*) from tbl_DealerMaster")[0][0], "7");
}

TEST_F(StatementTest, AMarkerWithoutAValueIsAnErrorNotANull) {
    const struct {
        const char* statement;
        std::size_t given;
    } cases[] = {
        {"select sDealerId from tbl_DealerMaster where sDealerId = ?", 0},
        {"select ?, ?", 1},
        {"{call stp_ConvertSolvaneToOrbelle(?, ?)}", 1},
        {"exec stp_ConvertSolvaneToOrbelle 'G01', ?", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.statement);
        const std::vector<ParamValue> params(c.given, ParamValue{std::string("G01")});
        try {
            m_session->Execute(c.statement, params);
            ADD_FAILURE() << "ran";
        } catch (const Error& e) {
            EXPECT_EQ(e.SqlState(), "07002");
            EXPECT_NE(std::string(e.what()).find("COUNT field incorrect"), std::string::npos)
                << e.what();
        }
    }
    EXPECT_EQ(HistoryCount(), 0);
    // Variables are not markers: an undeclared one is refused as a SQL server does.
    EXPECT_DB_ERROR(m_session->Execute("select sDealerId from tbl_DealerMaster where sDealerId = "
                                       "@id"),
                    "42000", 137, "Must declare the scalar variable \"@id\".");
    EXPECT_DB_ERROR(m_session->Execute("select :id"), "42000", 102, "Incorrect syntax near ':id'.");
}

TEST_F(StatementTest, IntegerResultsAreIntegerColumns) {
    auto results = m_session->Execute(
        "select count(*), max(nDealerCategory), 3000000000 * 2, length('abc'), 'x', "
        "sum(nDealerCategory) * 1.5, nDealerCategory from tbl_DealerMaster where 1 = 0");
    ASSERT_EQ(results.size(), 1u);
    const std::vector<Column>& columns = results[0]->Columns();
    ASSERT_EQ(columns.size(), 7u);
    EXPECT_TRUE(columns[0].isInteger && !columns[0].isBig) << "count(*)";
    EXPECT_FALSE(columns[1].isInteger) << "max() of no rows is NULL: nothing tells its type";
    EXPECT_TRUE(columns[2].isInteger && columns[2].isBig) << "beyond 32 bits";
    EXPECT_TRUE(columns[3].isInteger);
    EXPECT_FALSE(columns[4].isInteger);
    EXPECT_FALSE(columns[5].isInteger);
    EXPECT_TRUE(columns[6].isInteger && !columns[6].isBig) << "a declared int column";
    auto rows = m_session->Execute("select count(*) as n, max(nDealerCategory) from "
                                   "tbl_DealerMaster");
    EXPECT_TRUE(rows[0]->Columns()[0].isInteger);
    EXPECT_TRUE(rows[0]->Columns()[1].isInteger);
    EXPECT_EQ(ReadRows(*rows[0]), (Rows{{"7", "9"}}));
    // A procedure's result sets are typed the same way.
    Owner().DefineProcedure("create procedure stp_Count as select count(*) as n, 'x' as s "
                            "from tbl_DealerMaster");
    auto counted = m_session->Execute("exec stp_Count");
    EXPECT_TRUE(counted[0]->Columns()[0].isInteger);
    EXPECT_FALSE(counted[0]->Columns()[1].isInteger);
}

TEST_F(StatementTest, TruncateEmptiesATableWithoutACount) {
    auto session = Connect();
    session->Begin();
    session->Insert("tbl_ConvertSolvaneToOrbelle", {"G01", "C123"});
    session->Commit();
    auto results = m_session->Execute("truncate table tbl_ConvertSolvaneToOrbelle ");
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0]->Columns().empty());
    EXPECT_EQ(results[0]->RowsAffected(), -1);
    EXPECT_EQ(Query("select count(*) from tbl_ConvertSolvaneToOrbelle")[0][0], "0");
}

} // namespace
} // namespace embsql::test
