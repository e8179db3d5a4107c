// bcp run as a child process against a temporary database: the program's
// command line character for character, good, empty and bad files, the
// error limit, batches, row windows, failures before the copy, a copy
// killed halfway, and the whole upload of the program's three commands.
#include "ToolDatabase.h"
#include "ToolRun.h"
#include "embsql/Provision.h"
#include "platform/Process.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

using toolkit::ReadText;
using toolkit::RunCommandLine;
using toolkit::RunTool;

// The closing clock line: "Clock Time (ms.) Total     : 15     Average :
// (200.00 rows per sec.)", the milliseconds padded to six places.
bool IsClockLine(std::string_view line) {
    constexpr std::string_view head = "Clock Time (ms.) Total     : ";
    constexpr std::string_view tail = " rows per sec.)";
    if (!line.starts_with(head) || !line.ends_with(tail))
        return false;
    line = line.substr(head.size(), line.size() - head.size() - tail.size());
    const std::size_t average = line.find(" Average : (");
    if (average == std::string_view::npos || average < 6)
        return false;
    const std::string_view ms = line.substr(0, line.find(' '));
    const std::string_view rate = line.substr(average + 12);
    const auto digits = [](std::string_view text) {
        return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
    };
    const std::size_t point = rate.find('.');
    return digits(ms) && point != std::string_view::npos && digits(rate.substr(0, point)) &&
           rate.size() == point + 3 && digits(rate.substr(point + 1));
}

// What the program concludes from an output file: "0 rows copied." found
// first right after a line feed means that nothing was copied.
bool ProgramSeesNothingCopied(const std::string& text) {
    const std::size_t at = text.find("0 rows copied.");
    return at != std::string::npos && at > 0 && text[at - 1] == '\n';
}

std::string Rows(long long first, long long count, const char* end = "\n") {
    std::string text;
    for (long long i = first; i < first + count; ++i) {
        char line[40];
        std::snprintf(line, sizeof line, "G001,C%06lld%s", i, end);
        text += line;
    }
    return text;
}

class BcpTest : public toolkit::ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        m_out = PathOf("7Dec26_ClientConversionOutput.log");
        m_err = PathOf("7Dec26_ClientConversionError.log");
        // Files of an earlier upload on the same day.
        WriteFile("7Dec26_ClientConversionOutput.log", "an earlier upload's output\n");
        WriteFile("7Dec26_ClientConversionError.log", "an earlier upload's errors\n");
    }

    // Runs the program's bulk-copy command line on `input`.
    int Bcp(const std::string& input) {
        return RunCommandLine("bcp DB1..tbl_ConvertSolvaneToOrbelle in \"" + input +
                              "\" -Uu1 -Ppw -S127.0.0.1 -t, -c -o \"" + m_out + "\" -e \"" + m_err +
                              "\"");
    }
    // Runs bcp on `input` with the program's options and `more`.
    toolkit::ToolOutput BcpWith(const std::string& input, std::vector<std::string> more) {
        std::vector<std::string> argv = {"bcp",         "DB1..tbl_ConvertSolvaneToOrbelle",
                                         "in",          input,
                                         "-Uu1",        "-Ppw",
                                         "-S127.0.0.1", "-t,",
                                         "-c",          "-o",
                                         m_out,         "-e",
                                         m_err};
        argv.insert(argv.end(), more.begin(), more.end());
        return RunTool(argv);
    }
    long long Staged() { return Count("tbl_ConvertSolvaneToOrbelle"); }
    // The report with its last two lines checked and cut off.
    std::string Report() {
        const std::string text = ReadText(m_out);
        const std::string packet = "Network packet size (bytes): 4096\n";
        const std::size_t at = text.rfind(packet);
        if (at == std::string::npos || !text.ends_with("\n") ||
            !IsClockLine(std::string_view(text).substr(at + packet.size(),
                                                       text.size() - at - packet.size() - 1))) {
            ADD_FAILURE() << "no packet size and clock lines at the end of:\n" << text;
            return text;
        }
        return text.substr(0, at);
    }

    std::string m_out, m_err;
};

TEST_F(BcpTest, GoodWindowsFileLoadsWithTheProgramsCommandLine) {
    const std::string input =
        WriteFile("in.csv", "G001,C000001\r\nG001,C000002\r\nG002,C000009\r\n");
    EXPECT_EQ(Bcp(input), 0);
    EXPECT_EQ(Report(), "Starting copy...\n\n3 rows copied.\n");
    EXPECT_FALSE(ProgramSeesNothingCopied(ReadText(m_out)));
    EXPECT_EQ(ReadText(m_err), "") << "the error file of the earlier upload is emptied";
    EXPECT_EQ(Query("select sGroupId || '|' || sClientId from tbl_ConvertSolvaneToOrbelle "
                    "order by rowid"),
              (toolkit::Rows{{"G001|C000001"}, {"G001|C000002"}, {"G002|C000009"}}));
}

TEST_F(BcpTest, AByteOrderMarkBeforeTheFirstRowIsNotPartOfIt) {
    // A spreadsheet's "CSV UTF-8" export starts with the mark.
    const std::string input = WriteFile("in.csv", "\xEF\xBB\xBFG001,C000001\r\nG001,C000002\r\n");
    EXPECT_EQ(Bcp(input), 0);
    EXPECT_EQ(Report(), "Starting copy...\n\n2 rows copied.\n");
    EXPECT_EQ(Query("select sGroupId, length(sGroupId) from tbl_ConvertSolvaneToOrbelle "
                    "order by rowid limit 1"),
              (toolkit::Rows{{"G001", "4"}}));
    const toolkit::ToolOutput out = RunTool({"osql", "-Q", "exec stp_ConvertSolvaneToOrbelleBulk 1",
                                             "-dDB1", "-Uu1", "-Ppw", "-S127.0.0.1", "-w500"});
    EXPECT_NE(out.text.find(" 2 converted, 0 refused"), std::string::npos) << out.text;
}

TEST_F(BcpTest, ProgressEveryThousandRows) {
    EXPECT_EQ(Bcp(WriteFile("in.csv", Rows(1, 2500))), 0);
    EXPECT_EQ(Report(), "Starting copy...\n"
                        "1000 rows sent to SQL Server. Total sent: 1000\n"
                        "1000 rows sent to SQL Server. Total sent: 2000\n"
                        "\n2500 rows copied.\n");
    EXPECT_EQ(Staged(), 2500);
    EXPECT_FALSE(ProgramSeesNothingCopied(ReadText(m_out)));
}

TEST_F(BcpTest, EmptyFileCopiesNothingAndSaysSo) {
    EXPECT_EQ(Bcp(WriteFile("in.csv", "")), 0);
    EXPECT_EQ(Report(), "Starting copy...\n\n0 rows copied.\n");
    EXPECT_TRUE(ProgramSeesNothingCopied(ReadText(m_out)));
    EXPECT_EQ(Staged(), 0);
}

TEST_F(BcpTest, BadRowsWithinTheLimitAreRejectedAndTheRestCopied) {
    const std::string tooLong = "G001,C" + std::string(20, '9');
    const std::string input = WriteFile("in.csv", "G001,C000001\nG001,C000002,x\nG001,C000003\n" +
                                                      tooLong + "\nG001,C000004\r\n,C000005\n");
    EXPECT_EQ(Bcp(input), 0);
    EXPECT_EQ(Report(),
              "Starting copy...\n"
              "SQLState = S1000, NativeError = 0\n"
              "Error = [Embedded]The row has 3 fields; the table has 2 columns.\n"
              "SQLState = 22001, NativeError = 0\n"
              "Error = [Embedded]String data, right truncation: column 'sClientId' holds at most "
              "20 characters.\n"
              "\n4 rows copied.\n");
    EXPECT_EQ(ReadText(m_err), "#@ Row 2, Column 3: The row has 3 fields; the table has 2 "
                               "columns. @#\nG001,C000002,x\n"
                               "#@ Row 4, Column 2: String data, right truncation: column "
                               "'sClientId' holds at most 20 characters. @#\n" +
                                   tooLong + "\n");
    EXPECT_EQ(Query("select coalesce(sGroupId, 'NULL') from tbl_ConvertSolvaneToOrbelle "
                    "where sClientId = 'C000005'"),
              toolkit::Rows{{"NULL"}})
        << "an empty field is NULL";
}

TEST_F(BcpTest, BadRowsAboveTheLimitCopyNothing) {
    Owner().RunScript("insert into tbl_ConvertSolvaneToOrbelle values ('G009', 'C999999')");
    std::string text = Rows(1, 5);
    for (int i = 0; i < 11; ++i)
        text += "G001;C00000" + std::to_string(i) + "\n";
    const std::string input = WriteFile("in.csv", text);
    EXPECT_EQ(Bcp(input), 1);
    const std::string report = ReadText(m_out);
    EXPECT_TRUE(ProgramSeesNothingCopied(report)) << report;
    EXPECT_NE(report.find("BCP copy in failed: more than 10 rows were rejected"),
              std::string::npos);
    EXPECT_EQ(Staged(), 1) << "the five good rows went back with their batch";
    const std::string errors = ReadText(m_err);
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '#'), 2 * 11) << "11 \"#@ ... @#\" lines";
    EXPECT_NE(errors.find("#@ Row 16, Column 2: "), std::string::npos);

    // A higher limit lets the same file through.
    const toolkit::ToolOutput out = BcpWith(input, {"-m", "11"});
    EXPECT_EQ(out.status, 0) << out.text;
    EXPECT_NE(ReadText(m_out).find("\n5 rows copied.\n"), std::string::npos);
    EXPECT_EQ(Staged(), 6);
}

TEST_F(BcpTest, BatchesCommitWholeOrNotAtAll) {
    std::string text = Rows(1, 7);
    for (int i = 0; i < 3; ++i)
        text += "bad\n";
    const toolkit::ToolOutput out = BcpWith(WriteFile("in.csv", text), {"-b3", "-m2"});
    EXPECT_EQ(out.status, 1);
    EXPECT_TRUE(Report().ends_with("\n6 rows copied.\n")) << ReadText(m_out);
    EXPECT_EQ(Staged(), 6) << "rows 1-6 in two committed batches; row 7's batch rolled back";
}

TEST_F(BcpTest, FirstAndLastRowChooseTheRowsRead) {
    const std::string input = WriteFile("in.csv", Rows(1, 4) + "bad row\n");
    const toolkit::ToolOutput out = BcpWith(input, {"-F", "2", "-L3"});
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(Report(), "Starting copy...\n\n2 rows copied.\n");
    EXPECT_EQ(Query("select sClientId from tbl_ConvertSolvaneToOrbelle order by rowid"),
              (toolkit::Rows{{"C000002"}, {"C000003"}}));
    EXPECT_EQ(ReadText(m_err), "");
}

TEST_F(BcpTest, FailuresBeforeTheCopyReportAndCopyNothing) {
    Owner().RunScript("insert into tbl_ConvertSolvaneToOrbelle values ('G009', 'C999999')");
    const std::string good = WriteFile("in.csv", Rows(1, 3));
    const struct {
        std::vector<std::string> argv;
        std::string lines;
    } cases[] = {
        {{"bcp", "DB1..tbl_ConvertSolvaneToOrbelle", "in", PathOf("missing.csv"), "-Uu1", "-Ppw",
          "-S127.0.0.1"},
         "SQLState = S1000, NativeError = 0\nError = [Embedded]Unable to open BCP host data-file "
         "\"" +
             PathOf("missing.csv") + "\": No such file or directory\n"},
        {{"bcp", "DB1..tbl_Missing", "in", good, "-Uu1", "-Ppw", "-S127.0.0.1"},
         "SQLState = 42S02, NativeError = 208\n"
         "Error = [Embedded][SQL Server]Invalid object name 'tbl_Missing'.\n"},
        {{"bcp", "DB1..tbl_ConvertSolvaneToOrbelle", "in", good, "-Uu1", "-Pwrong", "-S127.0.0.1"},
         "SQLState = 28000, NativeError = 18456\n"
         "Error = [Embedded][SQL Server]Login failed for user 'u1'.\n"},
        {{"bcp", "DB9..tbl_ConvertSolvaneToOrbelle", "in", good, "-Uu1", "-Ppw", "-S127.0.0.1"},
         "SQLState = 42000, NativeError = 4060\n"
         "Error = [Embedded][SQL Server]Cannot open database \"DB9\" requested by the login. "
         "The login failed.\n"},
        // A server that cannot be reached: the client says so, in its words.
        {{"bcp", "DB1..tbl_ConvertSolvaneToOrbelle", "in", good, "-Uu1", "-Ppw", "-SNOSRV"},
         toolkit::ThroughFreeTds() ? "SQLState = 08S01, NativeError = 20009\nError = "
                                     "[Embedded][FreeTDS][SQL Server]Unable to connect: Adaptive "
                                     "Server is unavailable or does not exist\n"
                                   : "SQLState = 08001, NativeError = 53\nError = "
                                     "[Embedded]Server 'NOSRV' was not found"},
        // The program's login may load the staging table only. Through a
        // driver the refusal comes with the first rows sent.
        {{"bcp", "DB1..tbl_DealerMaster", "in", WriteFile("dealers.csv", "C9,K9,GC9,Ninth,2\n"),
          "-Uu1", "-Ppw", "-S127.0.0.1"},
         std::string(toolkit::ThroughFreeTds() ? "Starting copy...\n" : "") +
             "SQLState = 42000, NativeError = 229\n"
             "Error = [Embedded][SQL Server]The INSERT permission was denied on the object "
             "'tbl_DealerMaster', database 'DB1', schema 'dbo'.\n"},
    };
    for (const auto& c : cases) {
        WriteFile("7Dec26_ClientConversionError.log", "stale\n");
        std::vector<std::string> argv = c.argv;
        argv.insert(argv.end(), {"-t,", "-c", "-o", m_out, "-e", m_err});
        const toolkit::ToolOutput out = RunTool(argv);
        EXPECT_EQ(out.status, 1) << argv[1];
        const std::string report = ReadText(m_out);
        EXPECT_EQ(report.substr(0, c.lines.size()), c.lines);
        EXPECT_TRUE(Report().ends_with("\n\n0 rows copied.\n")) << report;
        EXPECT_TRUE(ProgramSeesNothingCopied(report));
        EXPECT_EQ(ReadText(m_err), "");
    }
    EXPECT_EQ(Staged(), 1);
    EXPECT_EQ(Count("tbl_DealerMaster"), 45);
}

TEST_F(BcpTest, ARefusedCommandLineIsReportedInTheOutputFile) {
    const std::string input = WriteFile("in.csv", Rows(1, 2));
    const struct {
        std::vector<std::string> argv;
        std::string message;
    } cases[] = {
        {{"bcp", "a.b.c.tbl_ConvertSolvaneToOrbelle", "in", input, "-Uu1", "-Ppw", "-o", m_out},
         "bcp: 'a.b.c.tbl_ConvertSolvaneToOrbelle' is not a table name: use DATABASE..TABLE"},
        {{"bcp", "DB1..tbl_ConvertSolvaneToOrbelle", "in", input, "-Uu1", "-X", "-o" + m_out},
         "bcp: unknown option -X"},
        {{"bcp", "DB1..tbl_ConvertSolvaneToOrbelle", "in", input, "-o", m_out, "-e", m_err},
         "bcp: a login is needed: name it with -U"},
    };
    for (const auto& c : cases) {
        WriteFile("7Dec26_ClientConversionOutput.log", "an earlier upload's output\n");
        const toolkit::ToolOutput out = RunTool(c.argv);
        EXPECT_EQ(out.status, 1);
        EXPECT_NE(out.text.find(c.message), std::string::npos) << out.text;
        EXPECT_NE(out.text.find("usage: bcp"), std::string::npos) << out.text;
        EXPECT_EQ(Report(), c.message + "\n\n0 rows copied.\n");
        EXPECT_TRUE(ProgramSeesNothingCopied(ReadText(m_out)));
    }
    EXPECT_EQ(Staged(), 0);
}

TEST_F(BcpTest, DatabaseNamesWithADotOrABlankAreReached) {
    for (const char* name : {"Dealer.DB", "Dealer DB"}) {
        auto admin = embsql::Admin::Create("127.0.0.1", name);
        embsql::InstallSchema(*admin);
        admin->AddLogin("u1", "pw");
        admin->SetRights("u1", embsql::Role::User, embsql::ProgramPermissions());
    }
    const std::string input = WriteFile("in.csv", Rows(1, 3));
    const std::string rest =
        " in \"" + input + "\" -Uu1 -Ppw -S127.0.0.1 -t, -c -o \"" + m_out + "\"";
    for (const std::string& target :
         {std::string("Dealer.DB..tbl_ConvertSolvaneToOrbelle"),
          std::string("[Dealer.DB]..tbl_ConvertSolvaneToOrbelle"),
          std::string("\"Dealer DB..tbl_ConvertSolvaneToOrbelle\""),
          std::string("\"[Dealer DB]..tbl_ConvertSolvaneToOrbelle\"")}) {
        EXPECT_EQ(RunCommandLine("bcp " + target + rest), 0) << target;
        EXPECT_EQ(Report(), "Starting copy...\n\n3 rows copied.\n") << target;
    }
    for (const char* name : {"Dealer.DB", "Dealer DB"}) {
        auto rows = embsql::Admin::Open("127.0.0.1", name)
                        ->Query("select count(*) from tbl_ConvertSolvaneToOrbelle");
        ASSERT_TRUE(rows->Next());
        EXPECT_EQ(rows->Value(0), "6") << name;
    }
    EXPECT_EQ(Staged(), 0) << "DB1 was not touched";
}

TEST_F(BcpTest, AnErrorFileThatCannotBeWrittenStopsTheCopy) {
    const toolkit::ToolOutput out = RunTool(
        {"bcp", "DB1..tbl_ConvertSolvaneToOrbelle", "in", WriteFile("in.csv", Rows(1, 2)), "-Uu1",
         "-Ppw", "-S127.0.0.1", "-t,", "-o", m_out, "-e", m_dir + "/no/such/err.log"});
    EXPECT_EQ(out.status, 1);
    EXPECT_EQ(ReadText(m_out).rfind("SQLState = S1000, NativeError = 0\nError = "
                                    "[Embedded]Unable to open BCP error-file",
                                    0),
              0u);
    EXPECT_TRUE(ProgramSeesNothingCopied(ReadText(m_out)));
    EXPECT_EQ(Staged(), 0);
}

TEST_F(BcpTest, SymbolicLinksAtTheToolsFileNamesAreNotFollowed) {
    const std::string victim = WriteFile("victim.txt", "precious\n");
    const std::string input = WriteFile("in.csv", Rows(1, 2));
    // A link at the output file's name: nothing can be reported there.
    std::filesystem::remove(m_out);
    std::filesystem::create_symlink(victim, m_out);
    toolkit::ToolOutput out = BcpWith(input, {});
    EXPECT_EQ(out.status, 1);
    EXPECT_NE(out.text.find(m_out + "\": it is a symbolic link"), std::string::npos) << out.text;
    EXPECT_EQ(ReadText(victim), "precious\n");
    EXPECT_EQ(Staged(), 0);

    // A link at the error file's name: the report says so, and copies nothing.
    std::filesystem::remove(m_out);
    std::filesystem::remove(m_err);
    std::filesystem::create_symlink(victim, m_err);
    out = BcpWith(input, {});
    EXPECT_EQ(out.status, 1);
    const std::string report = ReadText(m_out);
    EXPECT_NE(report.find("Unable to open BCP error-file \"" + m_err + "\": it is a symbolic link"),
              std::string::npos)
        << report;
    EXPECT_TRUE(ProgramSeesNothingCopied(report)) << report;
    EXPECT_EQ(ReadText(victim), "precious\n");
    EXPECT_EQ(Staged(), 0);
}

TEST_F(BcpTest, KilledHalfwayKeepsOnlyWholeBatches) {
    constexpr long long kBatch = 100000;
    {
        std::ofstream big(PathOf("big.csv"), std::ios::binary);
        for (long long start = 0; start < 3000000; start += kBatch)
            big << Rows(start, kBatch);
    }
    std::optional<platform::Process> bcp =
        platform::Process::Start("bcp DB1..tbl_ConvertSolvaneToOrbelle in \"" + PathOf("big.csv") +
                                 "\" -Uu1 -Ppw -S127.0.0.1 -t, -c -b 100000 -o \"" + m_out + "\"");
    ASSERT_TRUE(bcp);
    // Kill it once the first batch is under way and before it is done.
    std::string report;
    for (int wait = 0; wait < 60000; ++wait) {
        report = ReadText(m_out);
        if (report.find("Total sent: 150000\n") != std::string::npos)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    kill(bcp->Pid(), SIGKILL);
    EXPECT_EQ(bcp->Wait(), 128 + SIGKILL);
    ASSERT_EQ(report.find("rows copied."), std::string::npos) << "bcp ended before it was killed";
    const long long staged = Staged();
    EXPECT_EQ(staged % kBatch, 0) << staged << " rows: a batch was kept in part";
    EXPECT_GE(staged, kBatch);
    EXPECT_LT(staged, 3000000);

    // The database is whole: another copy goes through.
    EXPECT_EQ(Bcp(WriteFile("in.csv", Rows(1, 2))), 0);
    EXPECT_EQ(Staged(), staged + 2);
}

TEST_F(BcpTest, TheProgramsThreeCommandsUploadAFile) {
    const auto command = [this](const std::string& kind) {
        return "osql -Q \"" + kind + "\"  -dDB1 -Uu1 -Ppw -S127.0.0.1";
    };
    Owner().RunScript("insert into tbl_ConvertSolvaneToOrbelle values ('G009', 'C999999')");
    const std::string input = WriteFile("in.csv", "G001,C000001\r\nG001,C000002\r\nG001,NOPE\r\n");
    ASSERT_EQ(RunCommandLine(command("truncate table tbl_ConvertSolvaneToOrbelle ")), 0);
    ASSERT_EQ(Bcp(input), 0);
    ASSERT_FALSE(ProgramSeesNothingCopied(ReadText(m_out)));
    ASSERT_EQ(Staged(), 3);
    ASSERT_EQ(RunCommandLine(command("exec stp_ConvertSolvaneToOrbelleBulk 1") + " -w500 -o \"" +
                             m_out + "\""),
              0);
    const std::string answer = ReadText(m_out);
    EXPECT_EQ(answer.find("Starting copy"), std::string::npos) << "osql empties the file";
    EXPECT_NE(answer.find(" Client 'NOPE' of group 'G001' not converted: the client does not "
                          "exist."),
              std::string::npos)
        << answer;
    EXPECT_NE(answer.find(" 2 converted, 1 refused"), std::string::npos) << answer;
    EXPECT_TRUE(answer.ends_with("\n(2 rows affected)\n")) << answer;
    EXPECT_EQ(Query("select group_concat(nDealerCategory) from tbl_DealerMaster where sDealerId "
                    "in ('C000001', 'C000002')"),
              toolkit::Rows{{"4,4"}});

    // A bad file: the output tells the program that nothing was copied.
    ASSERT_EQ(RunCommandLine(command("truncate table tbl_ConvertSolvaneToOrbelle ")), 0);
    EXPECT_EQ(Bcp(WriteFile("bad.csv", std::string(12 * 5, ';'))), 0);
    EXPECT_TRUE(ProgramSeesNothingCopied(ReadText(m_out))) << ReadText(m_out);

    // Through FreeTDS the server received each command as a SQL server
    // would: the batches as written, the rows as one insert of three rows.
    if (toolkit::ThroughFreeTds()) {
        const std::string insert =
            "rpc: sp_prepexec  out=null ='@P1 VARCHAR(20),@P2 VARCHAR(20),@P3 VARCHAR(20),@P4 "
            "VARCHAR(20),@P5 VARCHAR(20),@P6 VARCHAR(20)' ='insert into "
            "[tbl_ConvertSolvaneToOrbelle] ([sGroupId], [sClientId]) values (@P1, @P2), (@P3, "
            "@P4), (@P5, @P6)' ='G001' ='C000001' ='G001' ='C000002' ='G001' ='NOPE'";
        EXPECT_EQ(Requests(), (std::vector<std::string>{
                                  "batch: truncate table tbl_ConvertSolvaneToOrbelle ",
                                  "rpc: sp_columns @table_name='tbl_ConvertSolvaneToOrbelle' "
                                  "@ODBCVer=3",
                                  insert,
                                  "rpc: sp_unprepare =1",
                                  "batch: exec stp_ConvertSolvaneToOrbelleBulk 1",
                                  "batch: truncate table tbl_ConvertSolvaneToOrbelle ",
                                  // No row was fit to send.
                                  "rpc: sp_columns @table_name='tbl_ConvertSolvaneToOrbelle' "
                                  "@ODBCVer=3",
                              }));
    }
}

TEST_F(BcpTest, TextOfAnyLengthReachesAColumnWithoutALimit) {
    Owner().RunScript("create table tbl_Notes (sNote text, nNumber int not null)");
    Owner().SetRights("u1", embsql::Role::User, {{"INSERT", "tbl_Notes"}});
    const std::string longer(5000, 'x');
    const std::string input = WriteFile("notes.csv", "short|1\n" + std::string(100, 'm') + "|2\n" +
                                                         longer + "| -3 \n|4\n");
    const toolkit::ToolOutput out = RunTool({"bcp", "DB1..tbl_Notes", "in", input, "-Uu1", "-Ppw",
                                             "-S127.0.0.1", "-t|", "-o", m_out, "-e", m_err});
    EXPECT_EQ(out.status, 0) << ReadText(m_out);
    EXPECT_EQ(Report(), "Starting copy...\n\n4 rows copied.\n");
    EXPECT_EQ(Query("select length(sNote), nNumber from tbl_Notes order by nNumber"),
              (toolkit::Rows{{"5000", "-3"}, {"5", "1"}, {"100", "2"}, {"NULL", "4"}}));
    EXPECT_EQ(Query("select count(*) from tbl_Notes where sNote = '" + longer + "'"),
              toolkit::Rows{{"1"}});
}

} // namespace
