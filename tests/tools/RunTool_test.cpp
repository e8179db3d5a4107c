// RunTool against small tools that the tests write into a folder put first
// on PATH: waiting, the files read back, the order of the entries and the
// bulk-copy verdict, and tools that cannot be started.
#include <gtest/gtest.h>

#include <cstdlib>

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

    // A tool that writes the given texts to the output and error files named
    // on its command line after -o and -e.
    void Tool(const std::string& name, const std::string& outputText,
              const std::string& errorText = "") {
        WriteFile(dir / ("bin/" + name),
                  "#!/bin/sh\n"
                  "out=''; err=''\n"
                  "while [ $# -gt 0 ]; do\n"
                  "  case \"$1\" in -o) out=$2; shift;; -e) err=$2; shift;; esac; shift\n"
                  "done\n"
                  "sleep 0.2\n"
                  "[ -n \"$err\" ] && printf '%s' '" +
                      errorText +
                      "' > \"$err\"\n"
                      "[ -n \"$out\" ] && printf '%s' '" +
                      outputText +
                      "' > \"$out\"\n"
                      "exit 3\n",
                  true);
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

const std::string kNothingCopied = "Starting copy...\n\n0 rows copied.\n";

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

TEST_F(RunToolTest, PhraseAtTheStartOrAfterACarriageReturnIsNotJudged) {
    for (const std::string text : {"0 rows copied.\n", "Starting copy...\r0 rows copied.\n"}) {
        Tool("bcp", text);
        Run("bcp");
        EXPECT_EQ(dlg->m_bInvalidFileFormat, 0) << text;
    }
    EXPECT_TRUE(ui.boxes.empty());
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

TEST_F(RunToolTest, EmptyOrMissingFilesLogNothing) {
    Tool("bcp", "", "");
    Run("bcp");
    EXPECT_TRUE(dlg->m_strOutput.empty());
    WriteFile(dir / "bin/bcp", "#!/bin/sh\nexit 0\n", true);
    std::filesystem::remove(output);
    std::filesystem::remove(errors);
    Run("bcp");
    EXPECT_TRUE(dlg->m_strOutput.empty());
    EXPECT_EQ(dlg->m_bInvalidFileFormat, 0);
}

TEST_F(RunToolTest, ToolThatCannotStartLogsOnlyTheErrorFile) {
    // Files an earlier run of the day left behind.
    WriteFile(errors, "left from an earlier upload");
    WriteFile(output, kNothingCopied);
    Run("bcp"); // there is no bcp on PATH
    EXPECT_EQ(dlg->m_bInvalidFileFormat, 0);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(Entries(), (std::vector<std::string>{"left from an earlier upload"}));

    WriteFile(dir / "bin/osql", "#!/bin/sh\nexit 0\n", false); // not executable
    Run("osql");
    EXPECT_EQ(Entries().size(), 2u);
    EXPECT_EQ(dlg->m_bInvalidFileFormat, 0);
}

TEST_F(RunToolTest, ArgumentsReachTheToolWholeAndUninterpreted) {
    WriteFile(dir / "bin/bcp",
              "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"" +
                  (dir / "args").string() + "\"\n",
              true);
    const std::string folder = (dir / "my files").string();
    std::string command = "bcp DB1..tbl_ConvertSolvaneToOrbelle in \"" + folder +
                          "/in.csv\" -Uu1 \"-P$(touch pwned);x\" -SSRV1 -t, -c";
    dlg->RunTool(command.data(), "bcp", nullptr, nullptr);
    EXPECT_EQ(ReadFile(dir / "args"), "[DB1..tbl_ConvertSolvaneToOrbelle]\n[in]\n[" + folder +
                                          "/in.csv]\n[-Uu1]\n[-P$(touch pwned);x]\n[-SSRV1]\n"
                                          "[-t,]\n[-c]\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "pwned"));
}

} // namespace
