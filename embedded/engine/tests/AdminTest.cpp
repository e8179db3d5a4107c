// Database creation, schema upgrades, demo data and sample files.
#include "EngineFixture.h"

#include "embsql/Provision.h"

#include <fstream>
#include <sys/stat.h>

namespace embsql::test {
namespace {

using AdminTest = EngineTest;

std::vector<std::string> Lines(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST_F(AdminTest, CreatingTwiceIsRefusedAndOpeningNeedsADatabase) {
    EXPECT_DB_ERROR(Admin::Create(kServer, "dealers"), "42000", 1801,
                    "Database 'dealers' already exists. Choose a different database name.");
    EXPECT_THROW(Admin::Open(kServer, "Nothing"), Error);
}

TEST_F(AdminTest, DatabaseFilesAndFoldersAreTheOwnersOnlyWhateverTheUmask) {
    const std::filesystem::path data = m_dir / "fresh" / "data";
    setenv("EMBSQL_DATA_DIR", data.c_str(), 1);
    const mode_t saved = umask(0);
    {
        auto admin = Admin::Create("Srv", "Db");
        admin->AddLogin("sa", "pw");
        auto session = Session::Connect("Srv", "Db", "sa", "pw"); // makes the -wal and -shm files
        const std::filesystem::path file = DatabasePath("Srv", "Db");
        using std::filesystem::perms;
        for (const auto& folder : {m_dir / "fresh", data, file.parent_path()})
            EXPECT_EQ(std::filesystem::status(folder).permissions(), perms::owner_all) << folder;
        for (const char* suffix : {"", "-wal", "-shm"}) {
            const std::filesystem::path path = file.string() + suffix;
            ASSERT_TRUE(std::filesystem::exists(path)) << path;
            EXPECT_EQ(std::filesystem::status(path).permissions(),
                      perms::owner_read | perms::owner_write)
                << path;
        }
    }
    umask(saved);
    setenv("EMBSQL_DATA_DIR", m_dir.c_str(), 1);
}

TEST_F(AdminTest, ReinstallingTheSchemaKeepsTheData) {
    Run("{call stp_ConvertSolvaneToOrbelle}'G01','C123'");
    InstallSchema(Owner());
    EXPECT_EQ(Category("C123"), 4);
    EXPECT_EQ(HistoryCount(), 1);
    EXPECT_EQ(Owner().Procedures(), (std::vector<std::string>{"stp_ConvertOrbelleToSolvane",
                                                              "stp_ConvertSolvaneToOrbelle",
                                                              "stp_ConvertSolvaneToOrbelleBulk"}));
}

TEST_F(AdminTest, DemoDataHasDeterministicIdsAndAMixOfCategories) {
    EXPECT_THROW(FillDemoData(Owner(), {3, 4}, false), Error) << "the table holds rows";
    EXPECT_THROW(FillDemoData(Owner(), {0, 4}, true), Error);
    EXPECT_EQ(FillDemoData(Owner(), {3, 4}, true), 15);
    EXPECT_EQ(Query("select nDealerCategory, count(*) from tbl_DealerMaster "
                    "group by nDealerCategory order by 1"),
              (Rows{{"2", "8"}, {"4", "4"}, {"7", "3"}}));
    EXPECT_EQ(Run("select sDealerId from tbl_DealerMaster where sGroupCode in(select sDealerCode "
                  "from tbl_DealerMaster Where sDealerId = 'G002') and  nDealerCategory = 2"),
              (std::vector<Rows>{{{"C000005"}, {"C000007"}, {"C000008"}}}));
    EXPECT_EQ(Run("{call stp_ConvertSolvaneToOrbelle}'G003','C000010'"),
              (std::vector<Rows>{{{"Client C000010 of group G003 converted from Solvane to "
                                   "Orbelle."}}}));
    // Widths grow with the size.
    FillDemoData(Owner(), {1000, 2}, true);
    EXPECT_EQ(Query("select max(sDealerId) from tbl_DealerMaster where nDealerCategory = 7")[0][0],
              "G1000");
    EXPECT_EQ(Query("select sGroupCode from tbl_DealerMaster where sDealerId = 'C002000'"),
              (Rows{{"GRP1000"}}));
}

TEST_F(AdminTest, SampleFilesMatchTheirKind) {
    FillDemoData(Owner(), {2, 6}, true);
    const auto good = m_dir / "good.csv";
    EXPECT_EQ(WriteSampleFile(Owner(), good, {SampleKind::Good, 3, 1, true}), 3u);
    EXPECT_EQ(Lines(good),
              (std::vector<std::string>{"G001,C000001\r", "G001,C000002\r", "G001,C000004\r"}));
    EXPECT_EQ(WriteSampleFile(Owner(), good, {SampleKind::Good, 100, 2, false}), 4u);
    EXPECT_EQ(Lines(good)[0], "G001,C000003");

    const auto bad = m_dir / "bad.csv";
    const std::size_t rows = WriteSampleFile(Owner(), bad, {SampleKind::Bad, 1, 1, false});
    EXPECT_GT(rows, 10u) << "more bad rows than the loader's default error limit";
    for (const std::string& line : Lines(bad)) {
        SCOPED_TRACE(line);
        const std::size_t comma = line.find(',');
        const bool twoFields =
            comma != std::string::npos && line.find(',', comma + 1) == std::string::npos;
        EXPECT_TRUE(!twoFields || comma > 20 || line.size() - comma - 1 > 20);
    }

    const auto mixed = m_dir / "mixed.csv";
    WriteSampleFile(Owner(), mixed, {SampleKind::Mixed, 5, 1, false});
    m_session->Begin();
    for (const std::string& line : Lines(mixed))
        m_session->Insert("tbl_ConvertSolvaneToOrbelle",
                          {line.substr(0, line.find(',')), line.substr(line.find(',') + 1)});
    m_session->Commit();
    const Rows answer = Run("exec stp_ConvertSolvaneToOrbelleBulk 1")[0];
    EXPECT_EQ(answer.back()[0], "5 converted, 4 refused");
}

} // namespace
} // namespace embsql::test
