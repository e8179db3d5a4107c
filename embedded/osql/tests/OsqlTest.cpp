// osql run as a child process against a temporary database: the program's
// two osql command lines character for character, logins, failing
// statements, the -w cut, scripts on standard input, and usage errors.
#include "ToolDatabase.h"
#include "ToolRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace {

using toolkit::ReadText;
using toolkit::RunCommandLine;
using toolkit::RunTool;

// The lines of a text with their trailing blanks dropped.
std::vector<std::string> TrimmedLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        line.erase(line.find_last_not_of(' ') + 1);
        lines.push_back(line);
    }
    return lines;
}

class OsqlTest : public toolkit::ToolTest {
protected:
    void Stage(const std::string& values) {
        Owner().RunScript("insert into tbl_ConvertSolvaneToOrbelle values " + values);
    }
    std::string Category(const std::string& id) {
        return Query("select nDealerCategory from tbl_DealerMaster where sDealerId = '" + id + "'")
            .at(0)
            .at(0);
    }
};

TEST_F(OsqlTest, TruncateCommandLineEmptiesTheStagingTable) {
    Stage("('G001', 'C000001'), ('G001', 'C000002')");
    ASSERT_EQ(Count("tbl_ConvertSolvaneToOrbelle"), 2);
    EXPECT_EQ(RunCommandLine("osql -Q \"truncate table tbl_ConvertSolvaneToOrbelle \"  -dDB1 "
                             "-Uu1 -Ppw -S127.0.0.1"),
              0);
    EXPECT_EQ(Count("tbl_ConvertSolvaneToOrbelle"), 0);
}

TEST_F(OsqlTest, EmptyPasswordOnTheProgramsCommandLine) {
    // The program writes -P right before -S when the password is empty.
    AddOperator("u2", "");
    Stage("('G001', 'C000001')");
    EXPECT_EQ(RunCommandLine("osql -Q \"truncate table tbl_ConvertSolvaneToOrbelle \"  -dDB1 "
                             "-Uu2 -P -S127.0.0.1"),
              0);
    EXPECT_EQ(Count("tbl_ConvertSolvaneToOrbelle"), 0);
}

TEST_F(OsqlTest, BulkCommandLineWritesTheAnswerToTheOutputFile) {
    ASSERT_EQ(Category("C000001"), "2");
    ASSERT_EQ(Category("C000003"), "4");
    Stage("('G001', 'C000001'), ('G001', 'NOPE'), ('G001', 'C000003')");
    // The bulk copy wrote this file a moment before; osql empties it.
    const std::string out = WriteFile("7Dec26_ClientConversionOutput.log",
                                      "Starting copy...\n\n3 rows copied.\nmore of the copy\n");
    EXPECT_EQ(RunCommandLine("osql -Q \"exec stp_ConvertSolvaneToOrbelleBulk 1\"  -dDB1 -Uu1 "
                             "-Ppw -S127.0.0.1 -w500 -o \"" +
                             out + "\""),
              0);
    const std::string widest =
        "Client 'NOPE' of group 'G001' not converted: the client does not exist.";
    EXPECT_EQ(TrimmedLines(ReadText(out)),
              (std::vector<std::string>{
                  " sMessage",
                  " " + std::string(widest.size(), '-'),
                  " " + widest,
                  " Client 'C000003' of group 'G001' not converted: already on Orbelle.",
                  " 1 converted, 2 refused",
                  "",
                  "(3 rows affected)",
              }));
    EXPECT_EQ(Category("C000001"), "4");
}

TEST_F(OsqlTest, FailedLoginPrintsTheServersMessageAndRunsNothing) {
    Stage("('G001', 'C000001')");
    for (const char* login : {"-Uu1", "-Unobody"}) {
        const toolkit::ToolOutput out =
            RunTool({"osql", "-Q", "truncate table tbl_ConvertSolvaneToOrbelle", "-dDB1", login,
                     "-Pwrong", "-S127.0.0.1"});
        EXPECT_EQ(out.status, 1);
        EXPECT_EQ(out.text, "Msg 18456, Level 14, State 1, Server 127.0.0.1, Line 1\n"
                            "Login failed for user '" +
                                std::string(login + 2) + "'.\n");
    }
    EXPECT_EQ(Count("tbl_ConvertSolvaneToOrbelle"), 1);
}

TEST_F(OsqlTest, FailedStatementsPrintAMsgBlockAndExitNonZero) {
    const struct {
        std::vector<std::string> args;
        std::string text;
    } cases[] = {
        {{"-Q", "select * from tbl_Nope"},
         "Msg 208, Level 16, State 1, Server 127.0.0.1, Line 1\nInvalid object name 'tbl_Nope'.\n"},
        {{"-Q", "exec stp_Nope"},
         "Msg 2812, Level 16, State 1, Server 127.0.0.1, Line 1\nCould not "
         "find stored procedure 'stp_Nope'.\n"},
        {{"-Q", "exec stp_ConvertSolvaneToOrbelleBulk 3", "-w", "500"},
         "Msg 50000, Level 16, State 1, Server 127.0.0.1, Line 1\nConversion type 3 is not valid: "
         "use 1 "
         "(Solvane to Orbelle) or 2 (Orbelle to Solvane).\n"},
        {{"-Q", "select 1", "-dNoSuchDb"}, "Msg 4060"},
        {{"-Q", "select 1", "-SNoSuchServer"},
         toolkit::ThroughFreeTds() ? "[FreeTDS][SQL Server]Unable to connect: Adaptive Server "
                                     "is unavailable"
                                   : "[Embedded]Server 'NoSuchServer' was not found"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> argv = {"osql", "-Uu1", "-Ppw"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        if (std::find(c.args.begin(), c.args.end(), "-dNoSuchDb") == c.args.end())
            argv.push_back("-dDB1");
        if (std::find(c.args.begin(), c.args.end(), "-SNoSuchServer") == c.args.end())
            argv.push_back("-S127.0.0.1");
        const toolkit::ToolOutput out = RunTool(argv);
        EXPECT_EQ(out.status, 1) << c.args[1];
        EXPECT_EQ(out.text.substr(0, c.text.size()), c.text) << out.text;
    }
}

TEST_F(OsqlTest, TheProgramsLoginIsRefusedWhatTheProgramDoesNotDo) {
    const struct {
        const char* query;
        std::string text;
    } cases[] = {
        {"truncate table tbl_DealerMaster",
         "Msg 1088, Level 16, State 1, Server 127.0.0.1, Line 1\nCannot find the object "
         "\"tbl_DealerMaster\" because it does not exist or you do not have permissions.\n"},
        {"select count(*) from tbl_DealerConversionHistory",
         "Msg 229, Level 14, State 1, Server 127.0.0.1, Line 1\nThe SELECT permission was denied "
         "on "
         "the object 'tbl_DealerConversionHistory', database 'DB1', schema 'dbo'.\n"},
    };
    for (const auto& c : cases) {
        const toolkit::ToolOutput out =
            RunTool({"osql", "-Q", c.query, "-dDB1", "-Uu1", "-Ppw", "-S127.0.0.1", "-w500"});
        EXPECT_EQ(out.status, 1) << c.query;
        EXPECT_EQ(out.text, c.text);
    }
    EXPECT_EQ(Count("tbl_DealerMaster"), 45);
}

TEST_F(OsqlTest, LinesAreCutAtTheWidth) {
    const std::vector<std::string> query = {
        "osql",
        "-dDB1",
        "-Uu1",
        "-Ppw",
        "-S127.0.0.1",
        "-Q",
        "select sDealerName, sDealerId from tbl_DealerMaster where sDealerId = 'G001'"};
    std::vector<std::string> narrow = query;
    narrow.push_back("-w20");
    const toolkit::ToolOutput cut = RunTool(narrow);
    ASSERT_EQ(cut.status, 0) << cut.text;
    for (const std::string& line : TrimmedLines(cut.text))
        EXPECT_LE(line.size(), 20u) << line;
    EXPECT_EQ(cut.text.find("G001"), std::string::npos);
    EXPECT_NE(cut.text.find("(1 row affected)"), std::string::npos);

    std::vector<std::string> wide500 = query;
    wide500.push_back("-w500"); // the name's column is 100 wide: the id follows it
    const toolkit::ToolOutput wide = RunTool(wide500);
    EXPECT_NE(wide.text.find("G001"), std::string::npos) << wide.text;
}

TEST_F(OsqlTest, ScriptOnStandardInputAfterThePasswordWithEcho) {
    const toolkit::ToolOutput out =
        RunTool({"osql", "-dDB1", "-Uu1", "-S127.0.0.1", "-e"},
                "pw\n"
                "select sDealerId from tbl_DealerMaster where sDealerId = 'G002'\ngo\n"
                "select count(*) as nGroups from tbl_DealerMaster where nDealerCategory = 7\n");
    EXPECT_EQ(out.status, 0) << out.text;
    const std::vector<std::string> lines = TrimmedLines(out.text);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "select sDealerId from tbl_DealerMaster where sDealerId = 'G002'",
                         " sDealerId",
                         " --------------------",
                         " G002",
                         "",
                         "(1 row affected)",
                         "select count(*) as nGroups from tbl_DealerMaster where nDealerCategory "
                         "= 7",
                         // A count is a whole number: right-aligned, 11 wide.
                         " nGroups",
                         " -----------",
                         "           5",
                         "",
                         "(1 row affected)",
                     }));
}

TEST_F(OsqlTest, BadCommandLinesPrintUsageAndRunNothing) {
    const std::string out = PathOf("never.log");
    const std::vector<std::string> cases[] = {
        {"osql", "-X", "-dDB1", "-Uu1", "-Ppw", "-o", out},
        {"osql", "-Qselect 1", "-Uu1", "-Ppw", "-o", out},
        {"osql", "-Qselect 1", "-dDB1", "-Ppw", "-o", out},
        {"osql", "-Qselect 1", "-iscript.sql", "-dDB1", "-Uu1", "-o", out},
        {"osql", "-Qselect 1", "-dDB1", "-Uu1", "-w", "5", "-o", out},
        {"osql", "-Qselect 1", "-dDB1", "-Uu1", "stray", "-o", out},
    };
    for (const auto& argv : cases) {
        WriteFile("never.log", "an earlier run's output\n");
        const toolkit::ToolOutput result = RunTool(argv);
        EXPECT_EQ(result.status, 1) << argv[1];
        EXPECT_EQ(result.text.rfind("osql: ", 0), 0u) << result.text;
        EXPECT_NE(result.text.find("usage: osql"), std::string::npos);
        // The output file holds the message, as it would any other failure.
        const std::string message = result.text.substr(0, result.text.find('\n') + 1);
        EXPECT_EQ(ReadText(out), message);
    }
    EXPECT_EQ(Count("tbl_DealerConversionHistory"), 0);
}

TEST_F(OsqlTest, MissingInputFileIsReported) {
    const std::string script = PathOf("missing.sql");
    const toolkit::ToolOutput out =
        RunTool({"osql", "-i", script, "-dDB1", "-Uu1", "-Ppw", "-S127.0.0.1"});
    EXPECT_EQ(out.status, 1);
    EXPECT_EQ(out.text, "Cannot open input file - " + script + "\n");
}

TEST_F(OsqlTest, ASymbolicLinkAtTheOutputFilesNameIsNotFollowed) {
    const std::string victim = WriteFile("victim.txt", "precious\n");
    const std::string out = PathOf("7Dec26_ClientConversionOutput.log");
    std::filesystem::create_symlink(victim, out);
    const toolkit::ToolOutput run =
        RunTool({"osql", "-Q", "exec stp_ConvertSolvaneToOrbelleBulk 1", "-dDB1", "-Uu1", "-Ppw",
                 "-S127.0.0.1", "-w500", "-o", out});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.text.find(out + "\": it is a symbolic link"), std::string::npos) << run.text;
    EXPECT_EQ(ReadText(victim), "precious\n");
}

} // namespace
