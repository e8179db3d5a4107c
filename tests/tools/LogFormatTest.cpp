// Log file names, entry texts, the file's line ends and the bulk-copy check.
#include <gtest/gtest.h>

#include "tools/LogFormat.h"

namespace {

SYSTEMTIME At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    SYSTEMTIME st{};
    st.wYear = static_cast<std::uint16_t>(year);
    st.wMonth = static_cast<std::uint16_t>(month);
    st.wDay = static_cast<std::uint16_t>(day);
    st.wHour = static_cast<std::uint16_t>(hour);
    st.wMinute = static_cast<std::uint16_t>(minute);
    st.wSecond = static_cast<std::uint16_t>(second);
    return st;
}

TEST(LogFileName, DayWithoutZeroMonthTwoDigitsYearFour) {
    EXPECT_EQ(tools::LogFileName(At(2026, 12, 7)), "7122026SolvaneToOrbelle.log");
    EXPECT_EQ(tools::LogFileName(At(2011, 3, 25)), "25032011SolvaneToOrbelle.log");
    EXPECT_EQ(tools::LogFileName(At(2026, 10, 1)), "1102026SolvaneToOrbelle.log");
    EXPECT_EQ(tools::LogFileName(At(2026, 2, 11)), "11022026SolvaneToOrbelle.log");
}

TEST(LogEntry, StampMessageAndOneTrailingBlank) {
    struct Case {
        SYSTEMTIME time;
        std::string message;
        std::string entry;
    } cases[] = {
        {At(2026, 12, 7, 9, 5, 3), "abc", "9:05:03: abc "},
        {At(2026, 12, 7, 0, 10, 5), "x", "0:10:05: x "},
        {At(2026, 12, 7, 23, 59, 59), "", "23:59:59:  "},
        {At(2026, 12, 7, 12, 0, 0), "100% %s %n done", "12:00:00: 100% %s %n done "},
        {At(2026, 12, 7, 1, 2, 3), "line one\r\nline two\n", "1:02:03: line one\r\nline two\n "},
        {At(2026, 12, 7, 1, 2, 3), std::string("cut\0here", 8), "1:02:03: cut "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tools::FormatLogEntry(c.time, c.message), c.entry);
    }
}

TEST(LogFileBytes, EveryLineFeedIsStoredAsCarriageReturnLineFeed) {
    EXPECT_EQ(tools::LogFileBytes("9:05:03: abc "), "9:05:03: abc \r\n");
    EXPECT_EQ(tools::LogFileBytes("1: a\r\nb\nc "), "1: a\r\r\nb\r\nc \r\n");
    EXPECT_EQ(tools::LogFileBytes(""), "\r\n");
}

TEST(EarlierEntriesLine, NamesTheLogFileOrSaysItCouldNotBeWritten) {
    EXPECT_EQ(tools::EarlierEntriesLine("8122026SolvaneToOrbelle.log", true),
              "Earlier entries are in the log file 8122026SolvaneToOrbelle.log.");
    EXPECT_EQ(tools::EarlierEntriesLine("8122026SolvaneToOrbelle.log", false),
              "Earlier entries are not shown: the log file 8122026SolvaneToOrbelle.log could not "
              "be written.");
}

TEST(BulkCopyProgress, TheLastCompleteTotalSentLine) {
    const struct {
        const char* output;
        std::optional<long long> rows;
    } cases[] = {
        {"", std::nullopt},
        {"Starting copy...\n", std::nullopt},
        {"Starting copy...\n1000 rows sent to SQL Server. Total sent: 1000\n", 1000},
        {"1000 rows sent to SQL Server. Total sent: 1000\r\n"
         "1000 rows sent to SQL Server. Total sent: 2000\r\n",
         2000},
        // A line still being written counts only once its line end is there.
        {"1000 rows sent to SQL Server. Total sent: 1000\n1000 rows sent to SQL Server. Total "
         "sent: 20",
         1000},
        // Error lines after the last count leave it as it was.
        {"Total sent: 5000\nSQLState = 22001, NativeError = 0\nError = [Embedded]x\n", 5000},
        {"Total sent: \n", std::nullopt},
        {"Total sent: 12x\n", std::nullopt},
        {"\n1000000 rows copied.\nTotal sent: 1000000\n", 1000000},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tools::LastRowsSent(c.output), c.rows) << c.output;
    }
}

TEST(BulkCopyCheck, OnlyABulkCopyLineThatStartsWithZeroRowsCopied) {
    struct Case {
        const char* output;
        const char* tool;
        bool nothingCopied;
    } cases[] = {
        {"Starting copy...\n\n0 rows copied.\nNetwork packet size (bytes): 4096\n", "bcp", true},
        {"Starting copy...\r\n\r\n0 rows copied.\r\n", "bcp", true},
        {"Starting copy...\n\n12 rows copied.\n", "bcp", false},
        {"Starting copy...\n\n10 rows copied.\n", "bcp", false},
        {"Starting copy...\n\n100 rows copied.\n", "bcp", false},
        {"0 rows copied.\n", "bcp", false},
        {"Starting copy...\r0 rows copied.\n", "bcp", false},
        {"Starting copy...\n\n0 rows copied.\n", "osql", false},
        {"Starting copy...\n\n0 rows copied.\n", "BCP", false},
        {"Starting copy...\n\n0 rows copied\n", "bcp", false},
        // Only the first occurrence is judged.
        {"x 10 rows copied.\n0 rows copied.\n", "bcp", false},
        {"", "bcp", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tools::BulkCopyCopiedNothing(c.output, c.tool), c.nothingCopied)
            << c.tool << ": " << c.output;
    }
}

} // namespace
