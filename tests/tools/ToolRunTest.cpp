// tools::RunTool without a window: waiting for the tool, which of its files
// are read back, the bulk-copy verdict, tools that cannot be started, and
// arguments that reach the tool whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

#include "tools/FakeTool.h"
#include "tools/ToolRun.h"

using namespace testing_support;

namespace {

class ToolRunTest : public ::testing::Test {
protected:
    ToolRunTest()
        : path("PATH", (dir / "bin").string() + ":" + std::string(std::getenv("PATH"))),
          output((dir / "out.log").string()), errors((dir / "err.log").string()) {
        std::filesystem::create_directory(dir / "bin");
    }

    tools::ToolRun Run(const std::string& tool) {
        const std::string command = tool + " -x -o \"" + output + "\" -e \"" + errors + "\"";
        return tools::RunTool(command, tool, output.c_str(), errors.c_str());
    }

    TempDir dir;
    ScopedEnv path;
    std::string output, errors;
};

TEST_F(ToolRunTest, BulkCopyGivesBothFilesAndItsVerdict) {
    const struct {
        std::string output;
        bool copiedNothing;
    } cases[] = {
        {kNothingCopied, true},
        {"Starting copy...\n\n12 rows copied.\n", false},
        {"Starting copy...\n\n10 rows copied.\n", false},
        // The phrase counts only after a line feed, not at the start or after a CR.
        {"0 rows copied.\n", false},
        {"Starting copy...\r0 rows copied.\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.output);
        WriteFakeTool(dir / "bin/bcp", c.output, "#@ Row 1, Column 2: bad @#\nx,y\n");
        const tools::ToolRun run = Run("bcp");
        EXPECT_TRUE(run.started);
        EXPECT_EQ(run.output, c.output);
        EXPECT_EQ(run.errors, "#@ Row 1, Column 2: bad @#\nx,y\n");
        EXPECT_EQ(run.copiedNothing, c.copiedNothing);
        EXPECT_TRUE(run.outputWritten);
    }
}

TEST_F(ToolRunTest, OnlyABulkCopyIsJudgedAndOnlyItsErrorFileRead) {
    WriteFakeTool(dir / "bin/osql", kNothingCopied, "errors of osql are not read");
    const tools::ToolRun run = Run("osql");
    EXPECT_EQ(run.output, kNothingCopied);
    EXPECT_EQ(run.errors, "");
    EXPECT_FALSE(run.copiedNothing);
}

TEST_F(ToolRunTest, ToolWithoutFilesIsWaitedForAndNothingIsRead) {
    WriteFile(dir / "bin/osql",
              "#!/bin/sh\nsleep 0.3\necho \"$@\" > \"" + (dir / "ran").string() + "\"\n", true);
    WriteFile(output, "not to be read");
    const tools::ToolRun run = tools::RunTool(
        "osql -Q \"truncate table tbl_ConvertSolvaneToOrbelle \"  -dDB1", "osql", nullptr, nullptr);
    // Waited for: the tool's last act is already done.
    EXPECT_EQ(ReadFile(dir / "ran"), "-Q truncate table tbl_ConvertSolvaneToOrbelle  -dDB1\n");
    EXPECT_TRUE(run.started);
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(run.errors, "");
}

TEST_F(ToolRunTest, FilesLeftByAnEarlierRunAreNeverTakenForThisRunsOwn) {
    // What an earlier upload of the day left in the two dated files.
    WriteFile(errors, "left from an earlier upload");
    WriteFile(output, kNothingCopied);
    // A tool that cannot start (first missing, then not executable), and one
    // that runs but writes neither file.
    for (const char* body : {"", "#!/bin/sh\nexit 0\n"}) {
        if (*body) {
            WriteFile(dir / "bin/bcp", body, false);
        }
        const tools::ToolRun run = Run("bcp");
        EXPECT_FALSE(run.started);
        EXPECT_EQ(run.errors, "");
        EXPECT_EQ(run.output, "");
        EXPECT_FALSE(run.outputWritten);
        EXPECT_FALSE(run.copiedNothing);
    }
    WriteFile(dir / "bin/bcp", "#!/bin/sh\nexit 1\n", true);
    const tools::ToolRun silent = Run("bcp");
    EXPECT_TRUE(silent.started);
    EXPECT_EQ(silent.errors, "");
    EXPECT_EQ(silent.output, "");
    EXPECT_FALSE(silent.outputWritten);
    EXPECT_FALSE(silent.copiedNothing);
}

TEST_F(ToolRunTest, AFileRewrittenWithTheSameTextCountsAsWritten) {
    WriteFile(output, kNothingCopied);
    WriteFile(errors, "x,y\n");
    WriteFakeTool(dir / "bin/bcp", kNothingCopied, "x,y\n");
    const tools::ToolRun run = Run("bcp");
    EXPECT_TRUE(run.outputWritten);
    EXPECT_EQ(run.output, kNothingCopied);
    EXPECT_EQ(run.errors, "x,y\n");
    EXPECT_TRUE(run.copiedNothing);
}

TEST_F(ToolRunTest, ArgumentsReachTheToolWholeAndUninterpreted) {
    WriteFile(dir / "bin/bcp",
              "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"" +
                  (dir / "args").string() + "\"\n",
              true);
    const std::string folder = (dir / "my files").string();
    const std::string command = "bcp DB1..tbl_ConvertSolvaneToOrbelle in \"" + folder +
                                "/in.csv\" -Uu1 \"-P$(touch pwned);x\" -SSRV1 -t, -c";
    EXPECT_TRUE(tools::RunTool(command, "bcp", nullptr, nullptr).started);
    EXPECT_EQ(ReadFile(dir / "args"), "[DB1..tbl_ConvertSolvaneToOrbelle]\n[in]\n[" + folder +
                                          "/in.csv]\n[-Uu1]\n[-P$(touch pwned);x]\n[-SSRV1]\n"
                                          "[-t,]\n[-c]\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "pwned"));
}

// A watch that asks every 10 ms, and records what it was told.
class RecordingWatch : public tools::ToolWatch {
public:
    void WaitUntil(const std::function<bool()>& ended) override {
        ++waits;
        while (!ended()) {
            ++asked;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    void RowsSent(long long rows) override { rows_.push_back(rows); }

    int waits = 0;
    int asked = 0;
    std::vector<long long> rows_;
};

// A bulk copy that reports its rows as it goes, the way bcp does.
void WriteProgressTool(const std::filesystem::path& path, const std::string& final) {
    WriteFile(path,
              "#!/bin/sh\nwhile [ $# -gt 0 ]; do [ \"$1\" = -o ] && out=$2; shift; done\n"
              "sleep 0.2; printf 'Starting copy...\\n' > \"$out\"\n"
              "for n in 1 2 3; do sleep 0.2\n"
              "  printf '1000 rows sent to SQL Server. Total sent: %d000\\n' $n >> \"$out\"\n"
              "done\nsleep 0.2; printf '" +
                  final + "' >> \"$out\"\n",
              true);
}

TEST_F(ToolRunTest, AWatchedRunWaitsThroughTheWatchAndHearsTheRowsSentAsTheyGrow) {
    WriteProgressTool(dir / "bin/bcp", "\\n3000 rows copied.\\n");
    // An earlier upload's file must not count as this run's progress.
    WriteFile(output, "1000 rows sent to SQL Server. Total sent: 9000\n\n9000 rows copied.\n");
    RecordingWatch watch;
    const std::string command = "bcp x -o \"" + output + "\" -e \"" + errors + "\"";
    const tools::ToolRun run =
        tools::RunTool(command, "bcp", output.c_str(), errors.c_str(), &watch);
    EXPECT_EQ(watch.waits, 1);
    EXPECT_GT(watch.asked, 20); // asked again and again while the tool ran
    // Some of the counts, each larger than the last, and nothing of the old file.
    ASSERT_GE(watch.rows_.size(), 2u);
    EXPECT_EQ(std::adjacent_find(watch.rows_.begin(), watch.rows_.end(), std::greater_equal<>()),
              watch.rows_.end());
    for (long long rows : watch.rows_) {
        EXPECT_TRUE(rows == 1000 || rows == 2000 || rows == 3000) << rows;
    }
    // The result is what an unwatched run gives: the whole file, once the tool ended.
    EXPECT_EQ(run.output, "Starting copy...\n"
                          "1000 rows sent to SQL Server. Total sent: 1000\n"
                          "1000 rows sent to SQL Server. Total sent: 2000\n"
                          "1000 rows sent to SQL Server. Total sent: 3000\n"
                          "\n3000 rows copied.\n");
    EXPECT_FALSE(run.copiedNothing);
}

TEST_F(ToolRunTest, OnlyABulkCopysProgressIsWatched) {
    WriteProgressTool(dir / "bin/osql", "done\\n");
    RecordingWatch watch;
    const std::string command = "osql -o \"" + output + "\"";
    const tools::ToolRun run =
        tools::RunTool(command, "osql", output.c_str(), errors.c_str(), &watch);
    EXPECT_EQ(watch.waits, 1);
    EXPECT_TRUE(watch.rows_.empty());
    EXPECT_NE(run.output.find("Total sent: 3000\ndone\n"), std::string::npos) << run.output;
}

TEST_F(ToolRunTest, AWatchIsNotAskedToWaitForAToolThatDidNotStart) {
    RecordingWatch watch;
    EXPECT_FALSE(tools::RunTool("bcp x", "bcp", output.c_str(), errors.c_str(), &watch).started);
    EXPECT_EQ(watch.waits, 0);
}

} // namespace
