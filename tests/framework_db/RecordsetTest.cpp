// CRecordset and Ctbl_DealerMaster against the SQLite ODBC driver: the
// program's group and client queries, binding by position, truncation, NULL,
// errors, closing and reopening.
#include "OdbcFixture.h"

#include "framework/Recordset.h"

#include <gmock/gmock.h>

#include <cstdio>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
using Env = OdbcTestEnvironment;

std::string ClientQuery(const char* groupId, int category) {
    char sql[512];
    std::snprintf(sql, sizeof sql,
                  "select sDealerId from tbl_DealerMaster where sGroupCode in(select sDealerCode "
                  "from tbl_DealerMaster Where sDealerId = '%s') and  nDealerCategory = %d",
                  groupId, category);
    return sql;
}

// The connection the program makes: data source, connect keys, cursor library.
class RecordsetTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(
            m_db.Open(Env::kDsn, FALSE, FALSE, Env::ConnectText(Env::DealerFile()).c_str(), TRUE));
    }

    CDatabase m_db;
    Ctbl_DealerMaster m_rs{&m_db};
};

TEST_F(RecordsetTest, GroupAndClientQueriesRunAsTheyStand) {
    EXPECT_THAT(ReadIds(m_rs, kGroupQuery), ElementsAre("G01", "G02", "G'03"));
    EXPECT_EQ(m_rs.GetSQL(), kGroupQuery);

    struct Case {
        const char* group;
        int category;
        std::vector<std::string> clients;
    };
    const Case cases[] = {
        {"G01", 2, {"C101", "C102"}}, {"G01", 4, {"C401"}}, {"G02", 2, {"C201"}},
        {"G02", 4, {"C402"}},         {"", 2, {}},          {"G9", 2, {}},
    };
    for (const auto& c : cases) {
        const std::string sql = ClientQuery(c.group, c.category);
        EXPECT_EQ(ReadIds(m_rs, sql), c.clients) << sql;
        EXPECT_EQ(m_rs.GetSQL(), sql);
    }
}

TEST_F(RecordsetTest, FirstColumnArrivesWhateverItsName) {
    EXPECT_THAT(ReadIds(m_rs, "select sDealerCode, sDealerId, nDealerCategory from "
                              "tbl_DealerMaster where sDealerId = 'C101'"),
                ElementsAre("D101"));
    EXPECT_THAT(ReadIds(m_rs, "SELECT nDealerCategory AS msg FROM tbl_DealerMaster WHERE "
                              "sDealerId = 'C401'"),
                ElementsAre("4"));
}

TEST_F(RecordsetTest, NullGivesEmptyTextAndEmptyResultIsAtEnd) {
    EXPECT_THAT(ReadIds(m_rs, "select sDealerId from tbl_DealerMaster where nDealerCategory = 9"),
                ElementsAre(""));
    m_rs.Open(CRecordset::snapshot, "select sDealerId from tbl_DealerMaster where 1 = 0");
    EXPECT_TRUE(m_rs.IsOpen());
    EXPECT_TRUE(m_rs.IsEOF());
    EXPECT_THROW(m_rs.MoveNext(), CDBException);
}

TEST_F(RecordsetTest, LongTextIsCutAt255BytesOnACharacterBoundary) {
    const std::string e = "\xC3\xA9"; // a two-byte character
    struct Case {
        std::string stored;
        std::string read;
    };
    const Case cases[] = {
        {std::string(300, 'x'), std::string(255, 'x')},
        {std::string(255, 'y'), std::string(255, 'y')},
        {std::string(253, 'z') + e + "tail", std::string(253, 'z') + e},
        // The cut would split the character: it is left out whole.
        {std::string(254, 'w') + e + "tail", std::string(254, 'w')},
    };
    Env::Exec(Env::DealerFile(), "create table if not exists t_Long (id integer, s text)");
    int id = 0;
    for (const auto& c : cases) {
        Env::Exec(Env::DealerFile(), "delete from t_Long; insert into t_Long values (" +
                                         std::to_string(++id) + ", '" + c.stored + "')");
        EXPECT_THAT(ReadIds(m_rs, "select s from t_Long"), ElementsAre(c.read)) << id;
    }
}

TEST_F(RecordsetTest, DriverErrorsThrowWithStateAndPlainMessage) {
    const char* statements[] = {
        "select sDealerId frm tbl_DealerMaster",
        "select sDealerId from tbl_Missing",
    };
    for (const char* sql : statements) {
        try {
            m_rs.Open(CRecordset::snapshot, sql);
            ADD_FAILURE() << sql << " opened";
        } catch (const CDBException& e) {
            EXPECT_EQ(e.GetSQLState().size(), 5u) << sql;
            EXPECT_EQ(e.m_nRetCode, SQL_ERROR);
            EXPECT_THAT(e.m_strError, Not(StartsWith("["))) << e.m_strError;
            EXPECT_THAT(e.m_strStateNativeOrigin, StartsWith("State:" + e.GetSQLState()));
            // The driver's "[SQLite]" prefix is the origin, not part of the message.
            EXPECT_THAT(e.m_strStateNativeOrigin, HasSubstr("Origin:[SQLite]"));
        }
        EXPECT_FALSE(m_rs.IsOpen()) << sql;
    }
    try {
        m_rs.Open(CRecordset::snapshot, "select sDealerId from tbl_Missing");
    } catch (const CDBException& e) {
        EXPECT_THAT(e.GetErrorMessage(), HasSubstr("tbl_Missing"));
    }
    // The failures leave the recordset usable.
    EXPECT_EQ(ReadIds(m_rs, kGroupQuery).size(), 3u);
}

TEST(RecordsetConnectionTest, QueryWithoutOpenConnectionFailsAtOnce) {
    CDatabase never;
    CDatabase closed;
    ASSERT_TRUE(closed.Open(Env::kDsn, FALSE, FALSE, Env::ConnectText(Env::DealerFile()).c_str()));
    closed.Close();
    for (CDatabase* db : {&never, &closed, static_cast<CDatabase*>(nullptr)}) {
        Ctbl_DealerMaster rs(db);
        try {
            rs.Open(CRecordset::snapshot, kGroupQuery);
            ADD_FAILURE() << "opened without a connection";
        } catch (const CDBException& e) {
            EXPECT_EQ(e.GetSQLState(), "08003");
        }
        EXPECT_FALSE(rs.IsOpen());
        EXPECT_TRUE(rs.IsEOF());
        if (db != nullptr) {
            // No connection of its own was made from the default connect text.
            EXPECT_FALSE(db->IsOpen());
        }
    }
}

TEST_F(RecordsetTest, ClosingTwiceAndReopeningWithAnotherStatement) {
    m_rs.Open(CRecordset::snapshot, kGroupQuery);
    ASSERT_FALSE(m_rs.IsEOF());
    EXPECT_EQ(m_rs.m_sDealerId, "G01");
    m_rs.Close();
    m_rs.Close();
    EXPECT_FALSE(m_rs.IsOpen());
    EXPECT_THROW(m_rs.MoveNext(), CDBException);

    m_rs.Open(CRecordset::snapshot, ClientQuery("G01", 4).c_str());
    ASSERT_FALSE(m_rs.IsEOF());
    EXPECT_EQ(m_rs.m_sDealerId, "C401");
    // An open recordset opened again starts on the new statement's first row.
    m_rs.Open(CRecordset::forwardOnly, ClientQuery("G02", 2).c_str());
    ASSERT_FALSE(m_rs.IsEOF());
    EXPECT_EQ(m_rs.m_sDealerId, "C201");
    m_rs.MoveNext();
    EXPECT_TRUE(m_rs.IsEOF());
    // The last row's text stays until the next use.
    EXPECT_EQ(m_rs.m_sDealerId, "C201");
}

// A recordset over a named table, declaring as many fields as asked.
class TableSet : public CRecordset {
public:
    TableSet(CDatabase* db, int declared, int exchanged, int fieldType)
        : CRecordset(db), m_exchanged(exchanged), m_fieldType(fieldType) {
        m_nFields = declared;
    }
    std::string GetDefaultSQL() override { return "tbl_DealerMaster"; }
    void DoFieldExchange(CFieldExchange* pFX) override {
        pFX->SetFieldType(m_fieldType);
        for (int i = 0; i < m_exchanged; ++i) {
            RFX_Text(pFX, i == 0 ? "[sDealerId]" : "[sDealerCode]", m_values[i]);
        }
    }
    std::string m_values[2];

private:
    int m_exchanged;
    int m_fieldType;
};

TEST_F(RecordsetTest, TableNameIsReadThroughTheBoundColumns) {
    TableSet rs(&m_db, 2, 2, CFieldExchange::outputColumn);
    rs.Open(CRecordset::snapshot, nullptr);
    EXPECT_EQ(rs.GetSQL(), "SELECT [sDealerId],[sDealerCode] FROM tbl_DealerMaster");
    ASSERT_FALSE(rs.IsEOF());
    EXPECT_EQ(rs.m_values[0], "G01");
    EXPECT_EQ(rs.m_values[1], "GC1");
}

TEST_F(RecordsetTest, BadRecordsetDeclarationsAreRefused) {
    struct Case {
        int declared;
        int exchanged;
        int fieldType;
        UINT openType;
        const char* sql;
        const char* state;
    };
    const Case cases[] = {
        {2, 1, CFieldExchange::outputColumn, CRecordset::snapshot, kGroupQuery, "HY000"},
        {1, 1, CFieldExchange::param, CRecordset::snapshot, kGroupQuery, "HYC00"},
        {1, 1, CFieldExchange::noFieldType, CRecordset::snapshot, kGroupQuery, "HY000"},
        {1, 1, CFieldExchange::outputColumn, 7, kGroupQuery, "HY024"},
        {2, 2, CFieldExchange::outputColumn, CRecordset::snapshot, kGroupQuery, "07009"},
        {1, 1, CFieldExchange::outputColumn, CRecordset::snapshot, "  ", "42000"},
    };
    for (const auto& c : cases) {
        TableSet rs(&m_db, c.declared, c.exchanged, c.fieldType);
        try {
            rs.Open(c.openType, c.sql);
            ADD_FAILURE() << c.state << " case opened";
        } catch (const CDBException& e) {
            EXPECT_EQ(e.GetSQLState(), c.state);
        }
        EXPECT_FALSE(rs.IsOpen());
    }
}

TEST(RecordsetStatementTest, SelectAndCallRunAsTheyStand) {
    for (const char* sql : {"select x", "  SELECT\tx", "Select(1)", "select", "{call p}",
                            "{CALL p('a','b')}", "{?=call p}"}) {
        EXPECT_TRUE(CRecordset::IsDirectStatement(sql)) << sql;
    }
    for (const char* sql :
         {"selection", "tbl_DealerMaster", "[dbo].[select x]", "exec p", "", "select_me"}) {
        EXPECT_FALSE(CRecordset::IsDirectStatement(sql)) << sql;
    }
}

} // namespace
