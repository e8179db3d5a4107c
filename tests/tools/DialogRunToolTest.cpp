// The main dialog's RunTool: what it logs of a tool's files, in which order
// with the invalid-format box, and the flag that stops an upload.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tools/FakeTool.h"
#include "tools/LogFormat.h"
#include "ui/DialogFixture.h"

using testing_support::ReadFile;
using testing_support::ScopedEnv;
using testing_support::WriteFile;

namespace {

class RunToolTest : public MainDialogFixture {
protected:
    RunToolTest() : path("PATH", (dir / "bin").string() + ":" + std::string(std::getenv("PATH"))) {}

    void SetUp() override {
        std::filesystem::create_directory(dir / "bin");
        Open();
        output = (dir / "out.log").string();
        errors = (dir / "err.log").string();
    }

    void Tool(const std::string& name, const std::string& outputText,
              const std::string& errorText = "") {
        testing_support::WriteFakeTool(dir / ("bin/" + name), outputText, errorText);
    }

    void Run(const std::string& tool, bool withFiles = true) {
        std::string command = tool + " -x";
        if (withFiles) {
            command += " -o \"" + output + "\" -e \"" + errors + "\"";
        }
        dlg->RunTool(command.data(), tool.c_str(), withFiles ? output.c_str() : nullptr,
                     withFiles ? errors.c_str() : nullptr);
    }

    ScopedEnv path;
    std::string output, errors;
};

using testing_support::kNothingCopied;

TEST_F(RunToolTest, BulkCopyThatCopiedNothingStopsTheUpload) {
    Tool("bcp", kNothingCopied, "#@ Row 1, Column 2: bad @#\nx,y\n");
    std::vector<std::string> entriesAtBox;
    ui.onBox = [&](const testing_support::Box&) { entriesAtBox = Entries(); };
    Run("bcp");
    EXPECT_EQ(dlg->m_bInvalidFileFormat, 1);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Invalid File Format. Please check the logs.");
    EXPECT_EQ(ui.boxes[0].style, 0u);
    // The error file's entry came before the box; the message, then the output, after it.
    EXPECT_EQ(entriesAtBox, (std::vector<std::string>{"#@ Row 1, Column 2: bad @#\nx,y\n"}));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"#@ Row 1, Column 2: bad @#\nx,y\n",
                                                   tools::kInvalidFileFormat, kNothingCopied}));
}

TEST_F(RunToolTest, BulkCopyThatCopiedRowsGoesOn) {
    Tool("bcp", "Starting copy...\n\n12 rows copied.\n");
    Run("bcp");
    EXPECT_EQ(dlg->m_bInvalidFileFormat, 0);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(Entries(), (std::vector<std::string>{"Starting copy...\n\n12 rows copied.\n"}));
}

TEST_F(RunToolTest, OnlyABulkCopyIsJudgedAndOnlyItsErrorFileRead) {
    Tool("osql", kNothingCopied, "errors of osql are not read");
    Run("osql");
    EXPECT_EQ(dlg->m_bInvalidFileFormat, 0);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(Entries(), (std::vector<std::string>{kNothingCopied}));
}

TEST_F(RunToolTest, EveryCallStartsWithTheFlagClear) {
    Tool("bcp", kNothingCopied);
    Run("bcp");
    ASSERT_EQ(dlg->m_bInvalidFileFormat, 1);
    Tool("bcp", "Starting copy...\n\n3 rows copied.\n");
    Run("bcp");
    EXPECT_EQ(dlg->m_bInvalidFileFormat, 0);
}

TEST_F(RunToolTest, ToolWithoutFilesIsWaitedForAndNothingIsLogged) {
    WriteFile(dir / "bin/osql",
              "#!/bin/sh\nsleep 0.3\necho \"$@\" > \"" + (dir / "ran").string() + "\"\n", true);
    std::string command = "osql -Q \"truncate table tbl_ConvertSolvaneToOrbelle \"  -dDB1";
    dlg->RunTool(command.data(), "osql", nullptr, nullptr);
    // Waited for: the tool's last act is already done.
    EXPECT_EQ(ReadFile(dir / "ran"), "-Q truncate table tbl_ConvertSolvaneToOrbelle  -dDB1\n");
    EXPECT_TRUE(dlg->m_strOutput.empty());
}

TEST_F(RunToolTest, EmptyFilesLogNothing) {
    Tool("bcp", "", "");
    Run("bcp");
    EXPECT_TRUE(dlg->m_strOutput.empty());
    EXPECT_EQ(dlg->m_bInvalidFileFormat, 0);
}

TEST_F(RunToolTest, ToolThatCannotStartIsLoggedAndNoStaleFileIs) {
    // Files an earlier run of the day left behind.
    WriteFile(errors, "left from an earlier upload");
    WriteFile(output, kNothingCopied);
    Run("bcp"); // there is no bcp on PATH
    EXPECT_EQ(dlg->m_bInvalidFileFormat, 0);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(Entries(), (std::vector<std::string>{"bcp could not be started."}));

    WriteFile(dir / "bin/osql", "#!/bin/sh\nexit 0\n", false); // not executable
    ScopedEnv onlyOurs("PATH", (dir / "bin").string());        // the machine may have an osql
    std::string command = "osql -Q \"truncate table tbl_ConvertSolvaneToOrbelle \"";
    dlg->RunTool(command.data(), "osql", nullptr, nullptr);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"bcp could not be started.",
                                                   "osql could not be started."}));
}

TEST_F(RunToolTest, ToolThatWritesNoOutputFileIsSaidToHaveWrittenNone) {
    WriteFile(output, "Starting copy...\n\n7 rows copied.\n"); // an earlier run's
    WriteFile(dir / "bin/bcp", "#!/bin/sh\nexit 1\n", true);
    Run("bcp");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"bcp wrote no output file: " + output}));
    EXPECT_EQ(dlg->m_bInvalidFileFormat, 0);
}

} // namespace
