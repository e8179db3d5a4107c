// CDatabase against the SQLite ODBC driver: connect text, data source versus
// connect keys, the cursor library's snapshots, refused connections, closing.
#include "OdbcFixture.h"

#include "framework/Database.h"

#include <gmock/gmock.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
using Env = OdbcTestEnvironment;

bool CursorLibraryLoaded() {
    std::ifstream maps("/proc/self/maps");
    std::stringstream text;
    text << maps.rdbuf();
    return text.str().find("libodbccr") != std::string::npos;
}

SQLULEN ConnectionAttribute(const CDatabase& db, SQLINTEGER attribute) {
    SQLULEN value = 0;
    OdbcCheck(SQLGetConnectAttr(db.GetHandle(), attribute, &value, SQL_IS_UINTEGER, nullptr),
              SQL_HANDLE_DBC, db.GetHandle());
    return value;
}

TEST(CDatabaseConnectTest, CombinesDataSourceAndConnectKeys) {
    struct Case {
        const char* dsn;
        const char* connect;
        std::string expected;
    };
    const std::string file = Env::DsnFile();
    const Case cases[] = {
        // A data source the configuration does not define goes by name.
        {"Live", "ODBC;SERVER=s;Database=d;UID=u;PWD=p",
         "DSN=Live;SERVER=s;Database=d;UID=u;PWD=p;"},
        {"Live", "ODBC;", "DSN=Live;"},
        {"Live", "odbc;UID=u", "DSN=Live;UID=u;"},
        {"", "ODBC;DSN=Other;UID=u", "DSN=Other;UID=u;"},
        {nullptr, nullptr, ""},
        // A data source name cannot smuggle in keys of its own.
        {"a;UID=sa", "ODBC;UID=u", "DSN={a;UID=sa};UID=u;"},
        {"{x}y", "ODBC;", "DSN={{x}}y};"},
        {"Live", "ODBC;PWD={a;b}", "DSN=Live;PWD={a;b};"},
        // One it defines goes as its settings, the connect text's keys in
        // place of its own.
        {Env::kDsn, "ODBC;", "DRIVER=SQLiteTest;Database=" + file + ";"},
        {Env::kDsn, "ODBC;UID=u", "DRIVER=SQLiteTest;Database=" + file + ";UID=u;"},
        {Env::kDsn, "ODBC;SERVER=s; database =d", "DRIVER=SQLiteTest;SERVER=s; database =d;"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CDatabase::BuildConnectString(c.dsn, c.connect), c.expected)
            << (c.dsn ? c.dsn : "(null)");
    }
}

TEST(CDatabaseConnectTest, RejectsConnectTextWithoutOdbcPrefix) {
    for (const char* connect : {"", "ODBC", "DSN=x;ODBC;", "SERVER=s;Database=d"}) {
        CDatabase db;
        try {
            db.Open(Env::kDsn, FALSE, FALSE, connect);
            ADD_FAILURE() << "opened with \"" << connect << "\"";
        } catch (const CDBException& e) {
            EXPECT_THAT(e.m_strError, HasSubstr("ODBC;")) << connect;
        }
        EXPECT_FALSE(db.IsOpen());
    }
}

class CDatabaseCursorTest : public ::testing::TestWithParam<BOOL> {};

TEST_P(CDatabaseCursorTest, ConnectKeysWinOverTheDataSource) {
    CDatabase db;
    ASSERT_TRUE(
        db.Open(Env::kDsn, FALSE, FALSE, Env::ConnectText(Env::DealerFile()).c_str(), GetParam()));
    ASSERT_TRUE(db.IsOpen());
    EXPECT_THAT(db.GetConnect(), StartsWith("ODBC;"));

    Ctbl_DealerMaster rs(&db);
    EXPECT_THAT(ReadIds(rs, kGroupQuery), ElementsAre("G01", "G02", "G'03"));
    // With or without the cursor library asked for, the driver manager's own
    // stays unloaded: recordsets keep snapshots of their own instead.
    EXPECT_EQ(ConnectionAttribute(db, SQL_ATTR_ODBC_CURSORS), SQL_CUR_USE_DRIVER);
    EXPECT_FALSE(CursorLibraryLoaded());
    rs.Open(CRecordset::snapshot, kGroupQuery);
    EXPECT_EQ(rs.GetSnapshotBytes() > 0, GetParam() == TRUE);
}

TEST_P(CDatabaseCursorTest, DataSourceAloneReachesItsOwnDatabase) {
    CDatabase db;
    ASSERT_TRUE(db.Open(Env::kDsn, FALSE, FALSE, "ODBC;", GetParam()));
    Ctbl_DealerMaster rs(&db);
    EXPECT_THAT(ReadIds(rs, kGroupQuery), ElementsAre("A-ONLY"));
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutCursorLibrary, CDatabaseCursorTest,
                         ::testing::Values(TRUE, FALSE));

TEST(CDatabaseRefusedTest, RefusedConnectionsThrowTheDriverManagersDiagnostics) {
    struct Case {
        const char* dsn;
        const char* state;
    };
    const Case cases[] = {
        {Env::kMissingDriverDsn, "01000"},
        {"NoSuchDataSource", "IM002"},
    };
    for (const auto& c : cases) {
        CDatabase db;
        try {
            db.Open(c.dsn, FALSE, FALSE, "ODBC;UID=u;PWD=p");
            ADD_FAILURE() << c.dsn << " opened";
        } catch (const CDBException& e) {
            EXPECT_EQ(e.GetSQLState(), c.state) << e.m_strStateNativeOrigin;
            EXPECT_EQ(e.m_nRetCode, SQL_ERROR);
            EXPECT_THAT(e.m_strError, Not(StartsWith("["))) << e.m_strError;
            EXPECT_THAT(e.m_strError, Not(HasSubstr("\n["))) << e.m_strError;
            EXPECT_THAT(e.m_strStateNativeOrigin, HasSubstr("Origin:[unixODBC]"));
            EXPECT_EQ(e.m_strError.back(), '\n');
        }
        EXPECT_FALSE(db.IsOpen());
        EXPECT_EQ(db.GetHandle(), nullptr);
    }
}

TEST(CDatabaseStateTest, SecondOpenAndExclusiveAccessAreRefused) {
    CDatabase db;
    ASSERT_TRUE(db.Open(Env::kDsn, FALSE, FALSE, Env::ConnectText(Env::DealerFile()).c_str()));
    try {
        db.Open(Env::kDsn, FALSE, FALSE, Env::ConnectText(Env::DsnFile()).c_str());
        ADD_FAILURE() << "opened twice";
    } catch (const CDBException& e) {
        EXPECT_EQ(e.GetSQLState(), "08002");
    }
    // The first connection is untouched.
    Ctbl_DealerMaster rs(&db);
    EXPECT_EQ(ReadIds(rs, kGroupQuery).size(), 3u);

    CDatabase exclusive;
    EXPECT_THROW(exclusive.Open(Env::kDsn, TRUE), CDBException);
    EXPECT_FALSE(exclusive.IsOpen());
}

TEST(CDatabaseStateTest, CloseEndsOpenRecordsetsAndMayRepeat) {
    CDatabase db;
    ASSERT_TRUE(db.Open(Env::kDsn, FALSE, FALSE, Env::ConnectText(Env::DealerFile()).c_str()));
    Ctbl_DealerMaster rs(&db);
    rs.Open(CRecordset::snapshot, kGroupQuery);
    ASSERT_TRUE(rs.IsOpen());

    db.Close();
    EXPECT_FALSE(db.IsOpen());
    EXPECT_FALSE(rs.IsOpen());
    EXPECT_TRUE(rs.IsEOF());
    EXPECT_TRUE(db.GetConnect().empty());
    db.Close();
    rs.Close();

    // Reopened, the same objects work again.
    ASSERT_TRUE(db.Open(Env::kDsn, FALSE, FALSE, Env::ConnectText(Env::DealerFile()).c_str()));
    EXPECT_EQ(ReadIds(rs, kGroupQuery).size(), 3u);
}

TEST(CDatabaseStateTest, RecordsetMayOutliveItsDatabase) {
    auto db = std::make_unique<CDatabase>();
    ASSERT_TRUE(db->Open(Env::kDsn, FALSE, FALSE, Env::ConnectText(Env::DealerFile()).c_str()));
    Ctbl_DealerMaster rs(db.get());
    rs.Open(CRecordset::snapshot, kGroupQuery);
    db.reset();
    EXPECT_FALSE(rs.IsOpen());
    // Closing again, and the destructor, must not reach the destroyed database.
    rs.Close();
}

TEST(CDatabaseStateTest, AConnectionOpenedOnAnotherThreadChangesHands) {
    CDatabase opened;
    std::thread([&] {
        opened.Open(Env::kDsn, FALSE, FALSE, Env::ConnectText(Env::DealerFile()).c_str(), TRUE);
    }).join();
    ASSERT_TRUE(opened.IsOpen());
    const std::string connect = opened.GetConnect();

    CDatabase db;
    db.Adopt(opened);
    EXPECT_FALSE(opened.IsOpen());
    EXPECT_TRUE(opened.GetConnect().empty());
    EXPECT_TRUE(db.IsOpen());
    EXPECT_EQ(db.GetConnect(), connect);
    Ctbl_DealerMaster rs(&db);
    EXPECT_THAT(ReadIds(rs, kGroupQuery), ElementsAre("G01", "G02", "G'03"));
    // The snapshots asked for at the open came along.
    rs.Open(CRecordset::snapshot, kGroupQuery);
    EXPECT_GT(rs.GetSnapshotBytes(), 0u);

    // Neither an open database nor a connection with a recordset open moves.
    CDatabase other;
    ASSERT_TRUE(other.Open(Env::kDsn, FALSE, FALSE, Env::ConnectText(Env::DealerFile()).c_str()));
    const struct {
        CDatabase* to;
        CDatabase* from;
        const char* state;
    } refusals[] = {{&db, &other, "08002"}, {&opened, &db, "HY010"}};
    for (const auto& r : refusals) {
        try {
            r.to->Adopt(*r.from);
            ADD_FAILURE() << r.state << " case moved";
        } catch (const CDBException& e) {
            EXPECT_EQ(e.GetSQLState(), r.state);
        }
        EXPECT_TRUE(r.from->IsOpen()) << r.state;
    }
    EXPECT_TRUE(rs.IsOpen());
}

} // namespace
