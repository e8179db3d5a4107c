// Recordsets through Debian's SQLite driver and the embedded server's driver,
// with and without the cursor library: results of several blocks with NULL,
// empty and cut texts; the snapshot fixed when it opens and not holding the
// database; a procedure's rows after its row counts.
#include "OdbcFixture.h"

#include "embsql/Admin.h"

#include <gmock/gmock.h>

#include <functional>

namespace {

using Env = OdbcTestEnvironment;

constexpr int kRows = 2500;

// Every row of t_Rows, as the recordset must read it: NULL as empty text,
// long text cut at 255 bytes.
std::vector<std::string> ExpectedRows() {
    std::vector<std::string> rows;
    for (int n = 1; n <= kRows; ++n) {
        if (n % 7 == 0 || n % 11 == 0) {
            rows.emplace_back();
        } else if (n % 13 == 0) {
            rows.push_back(std::string(255, '0'));
        } else {
            rows.push_back("R" + std::to_string(n));
        }
    }
    return rows;
}

constexpr const char* kSchema = R"sql(
create table t_Rows (n integer, s varchar(400));
with recursive k(n) as (select 1 union all select n + 1 from k where n < 2500)
insert into t_Rows
select n, case when n % 7 = 0 then null when n % 11 = 0 then ''
               when n % 13 = 0 then hex(zeroblob(150)) || n else 'R' || n end
  from k;
create table t_Fixed (n integer, s varchar(20));
)sql";

// One driver's database holding the tables above, and a way to change it
// behind the recordset's back.
struct Source {
    const char* name;
    std::string connect;
    std::function<void(const std::string&)> exec;
};

const Source& Sqlite() {
    static const Source source = [] {
        const std::string file =
            (std::filesystem::path(Env::DealerFile()).parent_path() / "snapshot.db").string();
        Env::Exec(file, kSchema);
        return Source{"sqlite",
                      std::string("ODBC;DRIVER={") + Env::kSqliteDriver + "};Database=" + file,
                      [file](const std::string& sql) { Env::Exec(file, sql); }};
    }();
    return source;
}

const Source& Embedded() {
    static const Source source = [] {
        auto admin = embsql::Admin::Create("fwtest", "Snapshot");
        admin->AddLogin("reader", "Read#1");
        admin->RunScript(kSchema);
        admin->SetRights("reader", embsql::Role::User,
                         {{"SELECT", "t_Rows"}, {"SELECT", "t_Fixed"}});
        return Source{"embedded",
                      std::string("ODBC;DRIVER={") + Env::kEmbeddedDriver +
                          "};SERVER=fwtest;Database=Snapshot;UID=reader;PWD=Read#1",
                      [](const std::string& sql) {
                          embsql::Admin::Open("fwtest", "Snapshot")->RunScript(sql);
                      }};
    }();
    return source;
}

const Source& SourceNamed(const std::string& name) {
    return name == "sqlite" ? Sqlite() : Embedded();
}

// A connection opened as the program opens it, with the cursor library.
class SnapshotTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_db.Open(nullptr, FALSE, FALSE, source().connect.c_str(), TRUE));
    }
    const Source& source() const { return SourceNamed(GetParam()); }

    CDatabase m_db;
    Ctbl_DealerMaster m_rs{&m_db};
};

TEST_P(SnapshotTest, RowsOfManyBlocksComeInOrderWithAndWithoutTheCursorLibrary) {
    for (const BOOL cursorLibrary : {TRUE, FALSE}) {
        CDatabase db;
        ASSERT_TRUE(db.Open(nullptr, FALSE, FALSE, source().connect.c_str(), cursorLibrary));
        Ctbl_DealerMaster rs(&db);
        for (const UINT type : {CRecordset::snapshot, CRecordset::forwardOnly}) {
            SCOPED_TRACE(std::string(cursorLibrary ? "own snapshot" : "driver's cursor") +
                         ", open type " + std::to_string(type));
            rs.Open(type, "select s from t_Rows order by n");
            if (cursorLibrary) {
                // Compact: about the texts' own bytes, far below a string a row.
                EXPECT_GT(rs.GetSnapshotBytes(), 0u);
                EXPECT_LT(rs.GetSnapshotBytes(), 300u * 1024);
            } else {
                EXPECT_EQ(rs.GetSnapshotBytes(), 0u);
            }
            std::vector<std::string> rows;
            while (!rs.IsEOF()) {
                rows.push_back(rs.m_sDealerId);
                rs.MoveNext();
            }
            EXPECT_EQ(rs.m_sDealerId, "R2500") << "the last row stays in the member";
            EXPECT_THROW(rs.MoveNext(), CDBException);
            rs.Close();
            EXPECT_EQ(rows, ExpectedRows());
        }
    }
}

TEST_P(SnapshotTest, SnapshotStaysAsItWasOpened) {
    source().exec("delete from t_Fixed; insert into t_Fixed values (1, 'one'), (2, 'two'), "
                  "(3, 'three')");
    m_rs.Open(CRecordset::snapshot, "select s from t_Fixed order by n");
    ASSERT_FALSE(m_rs.IsEOF());
    EXPECT_EQ(m_rs.m_sDealerId, "one");
    // The open snapshot holds nothing of the database: others may write.
    source().exec("update t_Fixed set s = 'changed'; delete from t_Fixed where n = 2; insert into "
                  "t_Fixed values (4, 'four')");
    std::vector<std::string> rest;
    for (m_rs.MoveNext(); !m_rs.IsEOF(); m_rs.MoveNext()) {
        rest.push_back(m_rs.m_sDealerId);
    }
    EXPECT_THAT(rest, ::testing::ElementsAre("two", "three"));
    EXPECT_THAT(ReadIds(m_rs, "select s from t_Fixed order by n"),
                ::testing::ElementsAre("changed", "changed", "four"));
}

INSTANTIATE_TEST_SUITE_P(Drivers, SnapshotTest, ::testing::Values("sqlite", "embedded"),
                         [](const auto& info) { return info.param; });

TEST(SnapshotProcedureTest, AProceduresRowsFollowItsRowCounts) {
    const Source& source = Embedded();
    CDatabase db;
    ASSERT_TRUE(db.Open(nullptr, FALSE, FALSE, source.connect.c_str(), TRUE));
    Ctbl_DealerMaster rs(&db);
    const auto admin = embsql::Admin::Open("fwtest", "Snapshot");
    admin->DefineProcedure("create procedure stp_Rows @last int as "
                           "update t_Fixed set s = 'seen'; "
                           "select s from t_Rows where n <= @last order by n");
    admin->SetRights("reader", embsql::Role::User,
                     {{"SELECT", "t_Rows"}, {"SELECT", "t_Fixed"}, {"EXECUTE", "stp_Rows"}});
    source.exec("delete from t_Fixed; insert into t_Fixed values (1, 'one')");
    const auto expected = ExpectedRows();
    EXPECT_EQ(ReadIds(rs, "{call stp_Rows(2000)}"),
              std::vector<std::string>(expected.begin(), expected.begin() + 2000));
    EXPECT_THAT(ReadIds(rs, "select s from t_Fixed"), ::testing::ElementsAre("seen"));
}

} // namespace
