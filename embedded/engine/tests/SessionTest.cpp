// Connecting, logins, addressing, two sessions on one database, and the
// bulk-loading calls.
#include "EngineFixture.h"

#include <chrono>

namespace embsql::test {
namespace {

using SessionTest = EngineTest;

TEST_F(SessionTest, DatabaseNamesMapToOneFolderCaseInsensitively) {
    EXPECT_EQ(DatabasePath("TestSrv", "DEALERS"), m_dir / "testsrv" / "dealers.sqlite");
    EXPECT_TRUE(std::filesystem::exists(DatabasePath("testsrv", "dealers")));
    for (const char* bad : {"", "..", ".", "a/b", "tab\there"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(DatabasePath(bad, "db"), Error);
        EXPECT_THROW(DatabasePath("srv", bad), Error);
    }
    EXPECT_THROW(DatabasePath(std::string(129, 's'), "db"), Error);
}

struct Attempt {
    const char* server;
    const char* database;
    const char* login;
    const char* password;
    const char* state;
    int native;
    std::string message;
};

TEST_F(SessionTest, LoginsAreCheckedAgainstSaltedHashes) {
    EXPECT_EQ(Session::Connect("TESTSRV", "dealers", "SA", "Secret1")->Login(), "sa");
    const Attempt attempts[] = {
        {kServer, kDatabase, "sa", "secret1", "28000", 18456, "Login failed for user 'sa'."},
        {kServer, kDatabase, "sa", "", "28000", 18456, "Login failed for user 'sa'."},
        {kServer, kDatabase, "nobody", "Secret1", "28000", 18456,
         "Login failed for user 'nobody'."},
        {kServer, "Other", "sa", "Secret1", "42000", 4060,
         "Cannot open database \"Other\" requested by the login. The login failed."},
        {"NoSuchServer", kDatabase, "sa", "Secret1", "08001", 53,
         "Server 'NoSuchServer' was not found: there is no folder " +
             (m_dir / "nosuchserver").string() + "."},
    };
    for (const Attempt& attempt : attempts) {
        SCOPED_TRACE(attempt.message);
        EXPECT_DB_ERROR(
            Session::Connect(attempt.server, attempt.database, attempt.login, attempt.password),
            attempt.state, attempt.native, attempt.message);
    }
    const std::string hash = Query("select sHash from embsql_login")[0][0];
    EXPECT_EQ(hash.find("Secret1"), std::string::npos);
    Owner().AddLogin("sa", "Changed2");
    EXPECT_NE(Query("select sHash from embsql_login")[0][0], hash);
    EXPECT_THROW(Connect(), Error);
    EXPECT_NO_THROW(Session::Connect(kServer, kDatabase, "sa", "Changed2"));
}

TEST_F(SessionTest, AFileThatIsNotOneOfOurDatabasesIsRefused) {
    const auto path = DatabasePath(kServer, "Foreign");
    FILE* file = fopen(path.c_str(), "w");
    ASSERT_NE(file, nullptr);
    fputs("not a database at all, just text", file);
    fclose(file);
    try {
        Session::Connect(kServer, "Foreign", "sa", "Secret1");
        ADD_FAILURE() << "connected to a text file";
    } catch (const Error& e) {
        EXPECT_EQ(e.NativeError(), 4060);
    }
}

TEST_F(SessionTest, TwoSessionsShareOneDatabase) {
    auto reader = Connect();
    auto results = reader->Execute("select sDealerId from tbl_DealerMaster where "
                                   "nDealerCategory = 2 order by sDealerId");
    ASSERT_TRUE(results[0]->Next());
    EXPECT_EQ(results[0]->Value(0), "C123");
    // The reader is halfway through its rows while the other session writes.
    m_session->Execute("{call stp_ConvertSolvaneToOrbelle}'G01','C125'");
    EXPECT_EQ(ReadRows(*results[0]), (Rows{{"C125"}, {"C200"}}));
    EXPECT_EQ(ReadRows(*reader->Execute("select nDealerCategory from tbl_DealerMaster "
                                        "where sDealerId = 'C125'")[0]),
              (Rows{{"4"}}));
}

TEST_F(SessionTest, ACallMayRunWhileAQueryOfTheSameSessionIsHalfRead) {
    auto results = m_session->Execute("select sDealerId from tbl_DealerMaster where "
                                      "nDealerCategory = 2 order by sDealerId");
    ASSERT_TRUE(results[0]->Next());
    EXPECT_EQ(Run("{call stp_ConvertSolvaneToOrbelle}'G01','C125'").size(), 1u);
    EXPECT_EQ(ReadRows(*results[0]).size(), 2u);
    auto other = Connect();
    EXPECT_EQ(ReadRows(*other->Execute("select nDealerCategory from tbl_DealerMaster "
                                       "where sDealerId = 'C125'")[0]),
              (Rows{{"4"}}));
}

TEST_F(SessionTest, ABusyDatabaseIsWaitedForThenReported) {
    auto holder = Connect();
    holder->Begin();
    holder->Insert("tbl_ConvertSolvaneToOrbelle", {"G01", "C123"});
    m_session->SetBusyTimeout(std::chrono::milliseconds(50));
    try {
        m_session->Execute("{call stp_ConvertSolvaneToOrbelle}'G01','C123'");
        ADD_FAILURE() << "ran while another session held the database";
    } catch (const Error& e) {
        EXPECT_EQ(e.SqlState(), "HYT00");
    }
    holder->Rollback();
    EXPECT_EQ(Run("{call stp_ConvertSolvaneToOrbelle}'G01','C123'").size(), 1u);
    EXPECT_EQ(Category("C123"), 4);
}

TEST_F(SessionTest, InsertChecksEveryValueAgainstItsColumn) {
    const std::vector<Column> staging = m_session->DescribeTable("TBL_ConvertSolvaneToOrbelle");
    ASSERT_EQ(staging.size(), 2u);
    EXPECT_EQ(staging[0].name, "sGroupId");
    EXPECT_EQ(staging[1].maxLength, 20u);
    EXPECT_DB_ERROR(m_session->DescribeTable("embsql_login"), "42S02", 208,
                    "Invalid object name 'embsql_login'.");

    struct Bad {
        const char* table;
        std::vector<std::optional<std::string>> values;
        const char* state;
        int native;
    };
    const Bad bad[] = {
        {"tbl_ConvertSolvaneToOrbelle", {"G01"}, "21S01", 213},
        {"tbl_ConvertSolvaneToOrbelle", {"G01", "C1", "x"}, "21S01", 213},
        {"tbl_ConvertSolvaneToOrbelle", {"G01", std::string(21, 'C')}, "22001", 8152},
        {"tbl_DealerMaster", {"C9", "K9", "GC01", "n", "two"}, "22018", 245},
        {"tbl_DealerMaster", {std::nullopt, "K9", "GC01", "n", "2"}, "23000", 515},
        {"tbl_DealerMaster", {"c123", "K9", "GC01", "n", "2"}, "23000", 2627},
        {"tbl_Missing", {"x"}, "42S02", 208},
        {"embsql_login", {"x", "y"}, "42S02", 208},
    };
    m_session->Begin();
    m_session->Insert("tbl_ConvertSolvaneToOrbelle", {std::string(20, 'G'), std::nullopt});
    m_session->Insert("tbl_DealerMaster", {"C9", "K9", "GC01", "n", " 2 "});
    for (const Bad& row : bad) {
        SCOPED_TRACE(row.native);
        try {
            m_session->Insert(row.table, row.values);
            ADD_FAILURE() << "accepted";
        } catch (const Error& e) {
            EXPECT_EQ(e.SqlState(), row.state);
            EXPECT_EQ(e.NativeError(), row.native);
        }
    }
    EXPECT_EQ(Category("C9"), -1) << "uncommitted rows are not visible to others";
    m_session->Commit();
    EXPECT_EQ(Category("C9"), 2);
    EXPECT_EQ(Query("select count(*) from tbl_ConvertSolvaneToOrbelle")[0][0], "1");

    m_session->Begin();
    m_session->Insert("tbl_ConvertSolvaneToOrbelle", {"G01", "C123"});
    m_session->Rollback();
    EXPECT_EQ(Query("select count(*) from tbl_ConvertSolvaneToOrbelle")[0][0], "1");
}

TEST_F(SessionTest, TransactionCallsOutOfOrderAreErrors) {
    EXPECT_DB_ERROR(m_session->Commit(), "25000", 3902,
                    "The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION.");
    EXPECT_DB_ERROR(m_session->Rollback(), "25000", 3903,
                    "The ROLLBACK TRANSACTION request has no corresponding BEGIN TRANSACTION.");
    m_session->Begin();
    EXPECT_THROW(m_session->Begin(), Error);
    m_session->Insert("tbl_ConvertSolvaneToOrbelle", {"G01", "C123"});
    m_session.reset(); // an open transaction dies with its session
    EXPECT_EQ(Query("select count(*) from tbl_ConvertSolvaneToOrbelle")[0][0], "0");
}

TEST_F(SessionTest, AResultOutlivesItsSession) {
    auto results = m_session->Execute("select sDealerId from tbl_DealerMaster "
                                      "where nDealerCategory = 7 order by sDealerId");
    m_session.reset();
    EXPECT_EQ(ReadRows(*results[0]), (Rows{{"G01"}, {"G02"}}));
    EXPECT_FALSE(results[0]->Next());
}

} // namespace
} // namespace embsql::test
