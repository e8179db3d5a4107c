// The bulk upload through the real dialog: the open-file dialog, the dated
// tool files beside the chosen file, the three tool runs with the embedded
// server's osql and bcp (or recording stand-ins), and the operator's boxes.
#include <gtest/gtest.h>

#include <fstream>

#include "support/ServerEnv.h"
#include "support/TestClock.h"
#include "ui/DialogFixture.h"

using namespace testing_support;

namespace {

const char* const kUploaded = "File Uploaded.Please refer Logs for Details";

class BulkUploadTest : public MainDialogFixture {
protected:
    BulkUploadTest() : env(dir / "server") { clock.Set(2026, 12, 7, 10, 30, 0); }
    void SetUp() override {
        Open();
        Click(*dlg, IDC_MULTIPLE_USER);
    }

    // An operator's file made by the server's administration command.
    std::filesystem::path Sample(const std::filesystem::path& path, const std::string& kind,
                                 int rows) {
        std::filesystem::create_directories(path.parent_path());
        EXPECT_EQ(RunCommand((BuildDir() / "bin/embsql-admin").string() +
                             " sample 127.0.0.1 DealerDB \"" + path.string() + "\" --kind " + kind +
                             " --rows " + std::to_string(rows) + " --type 1"),
                  0);
        return path;
    }
    void Upload(const std::filesystem::path& file) {
        ui.AnswerFileDialog(file.string());
        Click(*dlg, IDC_UPLOAD);
    }
    int CountCategory(int category) {
        return std::stoi(
            env.Query("select count(*) from tbl_DealerMaster where nDealerCategory = " +
                      std::to_string(category))[0][0]);
    }
    std::vector<std::string> BoxTexts() {
        std::vector<std::string> texts;
        for (const auto& box : ui.boxes) {
            texts.push_back(box.text);
        }
        return texts;
    }

    // Through FreeTDS, the statements embsqld received and the rows bcp
    // sent (one prepared insert of all the file's rows), the catalogue calls
    // of the driver left out: `expected`.
    void ExpectReceived(const std::vector<std::string>& expected) const {
        if (!env.ThroughFreeTds()) {
            return;
        }
        std::vector<std::string> received;
        for (const auto& request : env.Requests()) {
            if (request.rfind("batch: ", 0) == 0 || request.rfind("rpc: sp_prepexec ", 0) == 0) {
                received.push_back(request);
            }
        }
        EXPECT_EQ(received, expected);
    }

    TestClock clock;
    ServerEnv env;
};

const char* const kTruncate = "batch: truncate table tbl_ConvertSolvaneToOrbelle ";

TEST_F(BulkUploadTest, GoodFileConvertsItsClientsAndLogsTheTools) {
    const int before = CountCategory(2);
    const auto file = Sample(dir / "upload/good.csv", "good", 3);
    Upload(file);
    ASSERT_EQ(ui.fileRequests.size(), 1u);
    EXPECT_EQ(ui.fileRequests[0].filter,
              "Txt Files (*.txt)|*.txt|CSV Files (*.CSV)|*.csv|All Files (*.*)|*.*||");
    EXPECT_EQ(ui.fileRequests[0].flags, 0x80004u);
    EXPECT_EQ(ui.fileRequests[0].defaultExtension, "*.*");
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kUploaded});
    EXPECT_EQ(CountCategory(2), before - 3);
    EXPECT_EQ(dlg->m_strFilePath, file.string());
    EXPECT_EQ(dlg->m_bInvalidFileFormat, 0);
    const std::string log = dlg->m_strOutput.str();
    EXPECT_NE(log.find("3 rows copied."), std::string::npos) << log;
    EXPECT_NE(log.find("3 converted, 0 refused"), std::string::npos) << log;
    EXPECT_TRUE(std::filesystem::exists(dir / "upload/7Dec26_ClientConversionOutput.log"));
    EXPECT_TRUE(Checked(IDC_MULTIPLE_USER));
    // osql emptied the table, bcp sent the file's rows, osql ran the procedure.
    std::string types, tuples, values;
    std::ifstream in(file);
    int marker = 0;
    for (std::string line; std::getline(in, line);) {
        const std::size_t comma = line.find(',');
        for (int k = 0; k < 2; ++k) {
            types += marker == 0 ? "@P" : ",@P";
            types += std::to_string(++marker) + " VARCHAR(20)";
        }
        tuples += (marker > 2 ? ", (@P" : "(@P") + std::to_string(marker - 1) + ", @P" +
                  std::to_string(marker) + ")";
        values += " ='" + line.substr(0, comma) + "' ='" + line.substr(comma + 1) + "'";
    }
    EXPECT_EQ(marker, 6);
    ExpectReceived({GroupListRequest(), kTruncate,
                    "rpc: sp_prepexec  out=null ='" + types +
                        "' ='insert into [tbl_ConvertSolvaneToOrbelle] ([sGroupId], [sClientId]) "
                        "values " +
                        tuples + "'" + values,
                    "batch: exec stp_ConvertSolvaneToOrbelleBulk 1"});
}

TEST_F(BulkUploadTest, BadFileStopsBeforeTheBulkProcedure) {
    const int before = CountCategory(2);
    Upload(Sample(dir / "upload/bad.csv", "bad", 12));
    EXPECT_EQ(BoxTexts(),
              (std::vector<std::string>{"Invalid File Format. Please check the logs.", kUploaded}));
    EXPECT_EQ(dlg->m_bInvalidFileFormat, 1);
    EXPECT_EQ(CountCategory(2), before);
    const std::string log = dlg->m_strOutput.str();
    EXPECT_NE(log.find("\n0 rows copied."), std::string::npos) << log;
    EXPECT_EQ(log.find("converted,"), std::string::npos) << log;
    // No row of the file reached the server, nor the call of the procedure.
    ExpectReceived({GroupListRequest(), kTruncate});
}

TEST_F(BulkUploadTest, CancelDoesNothing) {
    ui.AnswerFileDialog("");
    Click(*dlg, IDC_UPLOAD);
    EXPECT_EQ(ui.fileRequests.size(), 1u);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(dlg->m_strOutput.str().find("rows copied"), std::string::npos);
}

TEST_F(BulkUploadTest, FolderWithBlanksWorks) {
    const int before = CountCategory(2);
    Upload(Sample(dir / "my uploads/today's files/good.csv", "good", 2));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kUploaded});
    EXPECT_EQ(CountCategory(2), before - 2);
    EXPECT_TRUE(std::filesystem::exists(
                    dir / "my uploads/today's files/7Dec26_ClientConversionError.log") ||
                std::filesystem::exists(
                    dir / "my uploads/today's files/7Dec26_ClientConversionOutput.log"));
}

TEST_F(BulkUploadTest, MissingFileIsReportedAndNothingRuns) {
    Upload(dir / "upload/none.csv");
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[0].text, "File Not Found");
    EXPECT_NE(ui.boxes[1].text.find("none.csv"), std::string::npos);
    EXPECT_EQ(dlg->m_strOutput.str().find("rows copied"), std::string::npos);
}

// Stand-ins for osql and bcp that record their arguments, one per line.
class RecordingToolsTest : public BulkUploadTest {
protected:
    RecordingToolsTest()
        : path("PATH", (dir / "bin").string() + ":" + std::string(std::getenv("PATH"))) {
        std::filesystem::create_directory(dir / "bin");
        for (const char* tool : {"osql", "bcp"}) {
            WriteFile(dir / ("bin/" + std::string(tool)),
                      std::string("#!/bin/sh\n{ echo '") + tool +
                          "'; for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done; } >> \"" +
                          (dir / "calls").string() +
                          "\"\n"
                          "if [ \"$0\" != \"${0%bcp}\" ]; then\n"
                          "  while [ $# -gt 0 ]; do [ \"$1\" = -o ] && printf "
                          "'Starting copy...\\n\\n2 rows copied.\\n' > \"$2\"; shift; done\n"
                          "fi\n",
                      true);
        }
    }
    ScopedEnv path;
};

TEST_F(RecordingToolsTest, ToolsReceiveTheThreeCommandsArgumentByArgument) {
    const auto file = dir / "in box/in.csv";
    std::filesystem::create_directories(file.parent_path());
    WriteFile(file, "G001,C000001\n");
    Upload(file);
    const std::string folder = (dir / "in box").string() + "/";
    const std::string login = "[-Uoperator]\n[-Ps3cret pass]\n[-S127.0.0.1]\n";
    EXPECT_EQ(ReadFile(dir / "calls"),
              "osql\n[-Q]\n[truncate table tbl_ConvertSolvaneToOrbelle ]\n[-dDealerDB]\n" + login +
                  "bcp\n[DealerDB..tbl_ConvertSolvaneToOrbelle]\n[in]\n[" + file.string() + "]\n" +
                  login + "[-t,]\n[-c]\n[-o]\n[" + folder +
                  "7Dec26_ClientConversionOutput.log]\n[-e]\n[" + folder +
                  "7Dec26_ClientConversionError.log]\n"
                  "osql\n[-Q]\n[exec stp_ConvertSolvaneToOrbelleBulk 1]\n[-dDealerDB]\n" +
                  login + "[-w500]\n[-o]\n[" + folder + "7Dec26_ClientConversionOutput.log]\n");
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kUploaded});
}

TEST_F(RecordingToolsTest, DirectionTwoRunsTheBulkProcedureWithTwo) {
    Click(*dlg, IDC_ORBELLE_TO_SOLVANE);
    const auto file = WriteFile(dir / "in.csv", "G001,C000003\n");
    Upload(file);
    const std::string calls = ReadFile(dir / "calls");
    EXPECT_NE(calls.find("[exec stp_ConvertSolvaneToOrbelleBulk 2]"), std::string::npos) << calls;
    EXPECT_EQ(dlg->m_nConversionType, 1);
}

TEST_F(RecordingToolsTest, PathThatWouldNotFitIsRefusedBeforeAnyToolRuns) {
    auto folder = dir.path();
    while (folder.string().size() < 240) {
        folder /= "long-folder-name";
    }
    std::filesystem::create_directories(folder);
    const auto file = WriteFile(folder / "in.csv", "G001,C000001\n");
    Upload(file);
    EXPECT_FALSE(std::filesystem::exists(dir / "calls"));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text.rfind("The path of the output file is too long", 0), 0u)
        << ui.boxes[0].text;
}

TEST_F(BulkUploadTest, MissingToolsAreStartFailuresAndTheUploadGoesOn) {
    ScopedEnv noTools("PATH", (dir / "empty").string());
    std::filesystem::create_directory(dir / "empty");
    const auto file = WriteFile(dir / "in.csv", "G001,C000001\n");
    Upload(file);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kUploaded});
    EXPECT_EQ(dlg->m_bInvalidFileFormat, 0);
    EXPECT_EQ(Entries(),
              (std::vector<std::string>{"IPAddress:127.0.0.1\t DatabaseName:DealerDB",
                                        "osql could not be started.", "bcp could not be started.",
                                        "osql could not be started."}));
}

TEST_F(BulkUploadTest, WithoutAnActivityLogTheOperatorIsNotSentToTheLogs) {
    // The day's log lives on a full disk: every write fails.
    const std::string name = dlg->m_szLogFileName;
    dlg.reset();
    std::filesystem::remove(dir / name);
    std::filesystem::create_symlink("/dev/full", dir / name);
    ui.boxes.clear();
    Open();
    Click(*dlg, IDC_MULTIPLE_USER);
    Upload(Sample(dir / "upload/good.csv", "good", 2));
    const auto texts = BoxTexts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].rfind("The activity log " + name + " could not be written", 0), 0u);
    EXPECT_EQ(texts[1], "File Uploaded. The activity log could not be written: please see the "
                        "Output pane for details");
    EXPECT_NE(dlg->m_strOutput.str().find("2 converted, 0 refused"), std::string::npos);
}

TEST_F(RecordingToolsTest, TheTooLongMessageNeverHoldsThePassword) {
    // The longest password the program can store, and a folder long enough
    // that only the command lines outgrow their buffers.
    const std::string password(212, 'q');
    RunCommand((BuildDir() / "bin/embsql-admin").string() + " login 127.0.0.1 DealerDB operator " +
               password);
    auto settings = env.Settings();
    for (auto& value : settings) {
        if (value.name == "Server PWD") {
            value.text = SealPassword(password);
        }
    }
    env.WriteHive(settings);
    dlg.reset();
    Open();
    Click(*dlg, IDC_MULTIPLE_USER);
    const auto folder = dir / std::string(60, 'f');
    std::filesystem::create_directories(folder);
    Upload(WriteFile(folder / "in.csv", "G001,C000001\n"));
    EXPECT_FALSE(std::filesystem::exists(dir / "calls"));
    ASSERT_EQ(ui.boxes.size(), 1u);
    const std::string& text = ui.boxes[0].text;
    EXPECT_EQ(text.rfind("The command that loads the file is too long by ", 0), 0u) << text;
    EXPECT_EQ(text.find(password.substr(0, 8)), std::string::npos) << text;
    EXPECT_NE(text.find("-P********"), std::string::npos) << text;
    EXPECT_EQ(dlg->m_strOutput.str().find(password.substr(0, 8)), std::string::npos);
}

} // namespace
