// The engine's bulk-loading path that bcp stands on: rows held back and sent
// in groups, whole numbers, NULLs, the value checks, and transactions that
// keep or drop the held rows.
#include "embsql/BulkInsert.h"
#include "ToolDatabase.h"

#include <gtest/gtest.h>

namespace {

using Values = std::vector<std::optional<std::string>>;

class BulkInsertTest : public toolkit::ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        Owner().RunScript("create table tbl_Load (sName varchar(5) not null, nCount int)");
        Owner().SetRights("u1", embsql::Role::User, {{"INSERT", "tbl_Load"}});
        m_load = embsql::BulkInsert::Open("127.0.0.1", "DB1", "u1", "pw", "tbl_Load");
    }
    void Insert(long long rows) {
        for (long long i = 0; i < rows; ++i)
            m_load->Insert({"n" + std::to_string(i % 1000), std::to_string(i)});
    }
    std::unique_ptr<embsql::BulkInsert> m_load;
};

TEST_F(BulkInsertTest, GroupsAndTheirRemainderAllArrive) {
    // 64 rows go in one statement: 130 rows make two groups and two single rows.
    m_load->Begin();
    Insert(130);
    m_load->Insert({"null", std::nullopt});
    m_load->Insert({"sign", " -12 "});
    m_load->Commit();
    EXPECT_EQ(Query("select count(*), sum(nCount), count(distinct sName) from tbl_Load "
                    "where sName glob 'n[0-9]*'"),
              (toolkit::Rows{{"130", std::to_string(129 * 130 / 2), "130"}}));
    EXPECT_EQ(Query("select coalesce(nCount, 'NULL'), typeof(nCount) from tbl_Load "
                    "where sName in ('null', 'sign') order by sName"),
              (toolkit::Rows{{"NULL", "null"}, {"-12", "integer"}}));
}

TEST_F(BulkInsertTest, RollbackDropsHeldAndSentRows) {
    m_load->Begin();
    Insert(100); // one group sent, 36 rows held
    m_load->Rollback();
    EXPECT_EQ(Count("tbl_Load"), 0);
    m_load->Begin();
    Insert(3);
    m_load->Commit();
    EXPECT_EQ(Count("tbl_Load"), 3) << "rows held before the rollback stay dropped";
}

TEST_F(BulkInsertTest, OutsideATransactionEachRowLandsAtOnce) {
    m_load->Insert({"one", "1"});
    EXPECT_EQ(Count("tbl_Load"), 1);
}

TEST_F(BulkInsertTest, ValuesThatDoNotFitAreRefusedAndNotKept) {
    const struct {
        Values values;
        const char* state;
        std::size_t column;
    } cases[] = {
        {{"toolong", "1"}, "22001", 0},
        {{std::nullopt, "1"}, "23000", 0},
        {{"x", "1.5"}, "22018", 1},
        {{"x", "12abc"}, "22018", 1},
    };
    m_load->Begin();
    for (const auto& c : cases) {
        const std::optional<embsql::Error> check = m_load->CheckValue(c.column, c.values[c.column]);
        ASSERT_TRUE(check);
        EXPECT_EQ(check->SqlState(), c.state);
        try {
            m_load->Insert(c.values);
            ADD_FAILURE() << "inserted a value that does not fit";
        } catch (const embsql::Error& e) {
            EXPECT_EQ(e.SqlState(), c.state);
        }
    }
    EXPECT_THROW(m_load->Insert({"x"}), embsql::Error);
    EXPECT_FALSE(m_load->CheckValue(0, std::string("five5")));
    m_load->Insert({"ok", "2"});
    m_load->Commit();
    EXPECT_EQ(Query("select sName, nCount from tbl_Load"), (toolkit::Rows{{"ok", "2"}}));
}

TEST_F(BulkInsertTest, OpenRefusesAMissingTableOrABadLogin) {
    EXPECT_THROW(embsql::BulkInsert::Open("127.0.0.1", "DB1", "u1", "pw", "tbl_None"),
                 embsql::Error);
    EXPECT_THROW(embsql::BulkInsert::Open("127.0.0.1", "DB1", "u1", "bad", "tbl_Load"),
                 embsql::Error);
}

// A session's own bulk insert: its login's rights as they are now, its own
// transaction, and what it commits seen by the session.
TEST_F(BulkInsertTest, ASessionOpensOneForItsLoginWithItsRightsOfNow) {
    Owner().SetRights("u1", embsql::Role::User, {{"INSERT", "tbl_Load"}, {"SELECT", "tbl_Load"}});
    auto session = embsql::Session::Connect("127.0.0.1", "DB1", "u1", "pw");
    auto load = session->OpenBulkInsert("tbl_Load");
    const auto count = [&]() -> std::string {
        auto results = session->Execute("select count(*) from tbl_Load", {});
        return results.at(0)->Next() ? std::string(results[0]->Value(0).value_or("NULL"))
                                     : "no row";
    };
    load->Begin();
    load->Insert({"mine", "7"});
    EXPECT_EQ(count(), "0") << "the load's transaction is its own";
    load->Commit();
    EXPECT_EQ(count(), "1");
    EXPECT_EQ(Query("select sName, nCount from tbl_Load"), (toolkit::Rows{{"mine", "7"}}));
    const auto refusal = [&](const std::string& table) {
        try {
            session->OpenBulkInsert(table);
        } catch (const embsql::Error& e) {
            return e.NativeError();
        }
        return 0;
    };
    EXPECT_EQ(refusal("tbl_None"), 208);
    Owner().SetRights("u1", embsql::Role::User, {});
    EXPECT_EQ(refusal("tbl_Load"), 229) << "rights are read when it opens";
}

} // namespace
