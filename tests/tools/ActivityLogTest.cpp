// tools::ActivityLog without a window: the file appended to, each entry's
// bytes on disk at once, and a file that cannot be opened.
#include <gtest/gtest.h>

#include "support/TempDir.h"
#include "tools/ActivityLog.h"
#include "tools/LogFormat.h"

using namespace testing_support;

namespace {

TEST(ActivityLog, AppendsEachEntryWithItsLineEndAtOnce) {
    TempDir dir;
    const std::string name = (dir / "7122026SolvaneToOrbelle.log").string();
    WriteFile(name, "0:00:01: from an earlier run \r\n");
    {
        const auto log = tools::ActivityLog::Open(name);
        ASSERT_NE(log, nullptr);
        EXPECT_EQ(log->FileName(), name);
        EXPECT_TRUE(log->Append("9:05:03: abc "));
        EXPECT_EQ(ReadFile(name), "0:00:01: from an earlier run \r\n9:05:03: abc \r\n");
        // A CR LF inside an entry becomes CR CR LF: each line feed is stored as CR LF.
        EXPECT_TRUE(log->Append("9:05:04: 50% of %s\r\nsecond line "));
    }
    EXPECT_EQ(ReadFile(name), "0:00:01: from an earlier run \r\n9:05:03: abc \r\n"
                              "9:05:04: 50% of %s\r\r\nsecond line \r\n");
}

TEST(ActivityLog, AnEntryInPartsIsWrittenAsTheWholeEntryWouldBe) {
    TempDir dir;
    const std::string name = (dir / "log").string();
    // A long message, with line feeds on both sides of the writer's chunk size.
    std::string message;
    for (int i = 0; message.size() < 300000; ++i) {
        message += "line " + std::to_string(i) + (i % 7 ? "\n" : "\r\n");
    }
    {
        const auto log = tools::ActivityLog::Open(name);
        ASSERT_NE(log, nullptr);
        EXPECT_TRUE(log->Append({"9:05:03: ", message, " "}));
        EXPECT_TRUE(log->Append({"9:05:04: ", "", " "}));
    }
    EXPECT_EQ(ReadFile(name),
              tools::LogFileBytes("9:05:03: " + message + " ") + tools::LogFileBytes("9:05:04:  "));
}

TEST(ActivityLog, AFileThatCannotBeOpenedGivesNoLog) {
    TempDir dir;
    EXPECT_EQ(tools::ActivityLog::Open((dir / "no-such-folder/x.log").string()), nullptr);
    std::filesystem::create_directory(dir / "a folder.log");
    EXPECT_EQ(tools::ActivityLog::Open((dir / "a folder.log").string()), nullptr);
}

} // namespace
