// Spooled rows: what comes back is what went in, in memory or through the
// temporary file, and a file that cannot be written is an error.
#include "Spool.h"
#include "EngineFixture.h"

#include <csignal>
#include <sys/resource.h>

namespace embsql::test {
namespace {

// Row i's cell of column c: NULL, empty, or text whose length cycles from
// short to longer than a file chunk.
std::optional<std::string> CellOf(std::size_t i, std::size_t c) {
    if ((i + c) % 7 == 3)
        return std::nullopt;
    if ((i + c) % 11 == 5)
        return std::string();
    const std::size_t length = i % 50 == 49 ? 70'000 + i : (i * 31 + c) % 300;
    return std::string(length, static_cast<char>('a' + (i + c) % 26));
}

TEST(SpoolTest, RowsComeBackAsTheyWentInFromMemoryAndFromTheFile) {
    for (const std::size_t memoryLimit : {std::size_t{1} << 30, std::size_t{64}}) {
        SCOPED_TRACE(memoryLimit);
        constexpr std::size_t kRows = 400;
        constexpr std::size_t kColumns = 3;
        RowSpool spool(kColumns, memoryLimit);
        for (std::size_t i = 0; i < kRows; ++i) {
            for (std::size_t c = 0; c < kColumns; ++c) {
                const std::optional<std::string> cell = CellOf(i, c);
                spool.Cell(cell ? std::optional<std::string_view>(*cell) : std::nullopt);
            }
            spool.EndRow();
        }
        EXPECT_EQ(spool.InFile(), memoryLimit == 64);
        EXPECT_EQ(spool.Value(0), std::nullopt) << "no row before the first Next()";
        std::size_t rows = 0;
        while (spool.Next()) {
            for (std::size_t c = 0; c < kColumns; ++c) {
                const std::optional<std::string> expected = CellOf(rows, c);
                const std::optional<std::string_view> cell = spool.Value(c);
                ASSERT_EQ(cell.has_value(), expected.has_value()) << rows << "," << c;
                if (expected) {
                    ASSERT_EQ(*cell, *expected) << rows << "," << c;
                }
            }
            ++rows;
        }
        EXPECT_EQ(rows, kRows);
        EXPECT_FALSE(spool.Next());
        EXPECT_EQ(spool.Value(0), std::nullopt);
    }
}

using SpoolResultTest = EngineTest;

TEST_F(SpoolResultTest, AProceduresResultAndASpooledQueryKnowTheirExtents) {
    constexpr const char* kQuery = "select sDealerId, sGroupCode, length(sDealerName) as nLength "
                                   "from tbl_DealerMaster order by sDealerId";
    Owner().DefineProcedure(std::string("create procedure p_Dealers as ") + kQuery);
    const Rows expected = Query(kQuery);
    const std::vector<ValueExtent> extents = {{4, false}, {4, true}, {2, false}};
    const auto same = [](const ValueExtent& a, const ValueExtent& b) {
        return a.longest == b.longest && a.anyNull == b.anyNull;
    };

    std::vector<std::unique_ptr<Result>> called = m_session->Execute("exec p_Dealers");
    ASSERT_EQ(called.size(), 1u);
    ASSERT_NE(called[0]->Extents(), nullptr);
    EXPECT_TRUE(std::equal(extents.begin(), extents.end(), called[0]->Extents()->begin(),
                           called[0]->Extents()->end(), same));
    EXPECT_EQ(ReadRows(*called[0]), expected);

    std::vector<std::unique_ptr<Result>> queried = m_session->Execute(kQuery);
    EXPECT_EQ(queried[0]->Extents(), nullptr) << "a query's rows are read as it runs";
    queried[0]->Next(); // the rows already read are not the spool's
    const std::unique_ptr<Result> spooled = Spool(*queried[0]);
    ASSERT_NE(spooled->Extents(), nullptr);
    EXPECT_TRUE(std::equal(extents.begin(), extents.end(), spooled->Extents()->begin(),
                           spooled->Extents()->end(), same));
    EXPECT_EQ(spooled->Columns().size(), 3u);
    EXPECT_EQ(ReadRows(*spooled), Rows(expected.begin() + 1, expected.end()));
}

TEST(SpoolTest, AFileThatCannotGrowIsAnError) {
    // A file size limit stands in for a full disk.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 256 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    RowSpool spool(1, 1024);
    const std::string value(4096, 'x');
    try {
        for (int i = 0; i < 1000; ++i) {
            spool.Cell(value);
            spool.EndRow();
        }
        ADD_FAILURE() << "4 MB went into a file limited to 256 KB";
    } catch (const Error& e) {
        EXPECT_EQ(e.SqlState(), "HY000");
        EXPECT_EQ(e.NativeError(), 1105);
        EXPECT_NE(std::string(e.what()).find("temporary file"), std::string::npos) << e.what();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
}

} // namespace
} // namespace embsql::test
