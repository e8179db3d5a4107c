// The call statement, the dated tool-file paths and the three tool command
// lines, and what a tool receives of them.
#include <gtest/gtest.h>

#include "convert/Commands.h"
#include "embsql/Admin.h"
#include "platform/CommandLine.h"
#include "support/TempDir.h"

namespace {

using Args = std::vector<std::string>;
using server::ConversionType;
using namespace testing_support;

db::Settings MakeSettings(const std::string& server, const std::string& database,
                          const std::string& userId, const std::string& password) {
    db::Settings settings{server, database, userId, "DSN1"};
    password.copy(settings.password, sizeof settings.password - 1);
    return settings;
}

TEST(CallStatement, IsTheStandardCallEscapeWithTheIdsAsLiterals) {
    EXPECT_EQ(convert::CallStatement(ConversionType::SolvaneToOrbelle, "G01", "C123"),
              "{call stp_ConvertSolvaneToOrbelle('G01','C123')}");
    EXPECT_EQ(convert::CallStatement(ConversionType::OrbelleToSolvane, "G01", "C123"),
              "{call stp_ConvertOrbelleToSolvane('G01','C123')}");
}

// The call statement run by the embedded server against procedures that
// answer with the two values they received.
TEST(CallStatement, TheProcedureReceivesBothIdsWhole) {
    TempDir dir;
    ScopedEnv data("EMBSQL_DATA_DIR", dir.path().string());
    {
        auto admin = embsql::Admin::Create("Srv", "Db");
        admin->AddLogin("op", "pw");
        std::vector<embsql::Permission> execute;
        for (const char* name : {"stp_ConvertSolvaneToOrbelle", "stp_ConvertOrbelleToSolvane"}) {
            admin->DefineProcedure(std::string("create procedure ") + name +
                                   " @group_id varchar(40), @client_id varchar(40) as select '" +
                                   name + "|' || @group_id || '|' || @client_id as sMessage;");
            execute.push_back({"EXECUTE", name});
        }
        admin->SetRights("op", embsql::Role::User, execute);
    }
    const auto session = embsql::Session::Connect("Srv", "Db", "op", "pw");
    const std::pair<const char*, const char*> ids[] = {
        {"G01", "C123"},      {"G 1", "C'1"}, {"x','y", ""},         {"O'Neil", "a)b"},
        {"{call x}", "}'--"}, {"G,1", "C;1"}, {"''", "' or '1'='1"},
    };
    for (const auto type : {ConversionType::SolvaneToOrbelle, ConversionType::OrbelleToSolvane}) {
        for (const auto& [group, client] : ids) {
            const std::string statement = convert::CallStatement(type, group, client);
            SCOPED_TRACE(statement);
            auto results = session->Execute(statement);
            ASSERT_EQ(results.size(), 1u);
            ASSERT_TRUE(results[0]->Next());
            const std::string procedure = type == ConversionType::SolvaneToOrbelle
                                              ? "stp_ConvertSolvaneToOrbelle"
                                              : "stp_ConvertOrbelleToSolvane";
            EXPECT_EQ(std::string(*results[0]->Value(0)), procedure + "|" + group + "|" + client);
            EXPECT_FALSE(results[0]->Next());
        }
    }
}

TEST(FolderOf, IsThePathUpToItsLastSlash) {
    EXPECT_EQ(convert::FolderOf("/data/in.csv"), "/data/");
    EXPECT_EQ(convert::FolderOf("/home/op/my files/in.csv"), "/home/op/my files/");
    EXPECT_EQ(convert::FolderOf("/in.csv"), "/");
    EXPECT_EQ(convert::FolderOf("in.csv"), "");
}

const db::Settings kSettings = MakeSettings("SRV1", "DB1", "u1", "pw");

TEST(PlanUpload, BuildsTheDatedPathsAndTheThreeCommands) {
    const auto plan =
        convert::PlanUpload("/data/in.csv", "7Dec26_", ConversionType::SolvaneToOrbelle, kSettings);
    EXPECT_EQ(plan.errorPath, "/data/7Dec26_ClientConversionError.log");
    EXPECT_EQ(plan.outputPath, "/data/7Dec26_ClientConversionOutput.log");
    EXPECT_EQ(plan.truncateCommand,
              "osql -Q \"truncate table tbl_ConvertSolvaneToOrbelle \"  -dDB1 -Uu1 -Ppw -SSRV1");
    EXPECT_EQ(plan.bulkCopyCommand,
              "bcp DB1..tbl_ConvertSolvaneToOrbelle in \"/data/in.csv\" -Uu1 -Ppw -SSRV1 -t, -c "
              "-o \"/data/7Dec26_ClientConversionOutput.log\" -e "
              "\"/data/7Dec26_ClientConversionError.log\"");
    EXPECT_EQ(plan.bulkProcedureCommand,
              "osql -Q \"exec stp_ConvertSolvaneToOrbelleBulk 1\"  -dDB1 -Uu1 -Ppw -SSRV1 -w500 "
              "-o \"/data/7Dec26_ClientConversionOutput.log\"");
    const auto other =
        convert::PlanUpload("/data/in.csv", "1Mar11_", ConversionType::OrbelleToSolvane, kSettings);
    EXPECT_EQ(other.bulkProcedureCommand,
              "osql -Q \"exec stp_ConvertSolvaneToOrbelleBulk 2\"  -dDB1 -Uu1 -Ppw -SSRV1 -w500 "
              "-o \"/data/1Mar11_ClientConversionOutput.log\"");
    EXPECT_EQ(other.errorPath, "/data/1Mar11_ClientConversionError.log");
    // No date (the clock failed) and no folder.
    const auto bare =
        convert::PlanUpload("in.csv", "", ConversionType::SolvaneToOrbelle, kSettings);
    EXPECT_EQ(bare.outputPath, "ClientConversionOutput.log");
}

TEST(PlanUpload, ToolsReceiveEveryValueWhole) {
    struct Case {
        db::Settings settings;
        std::string file;
    } cases[] = {
        {MakeSettings("SRV1", "DB1", "u1", "pw"), "/home/op/my files/in.csv"},
        {MakeSettings("SRV 1", "my db", "op user", "p w\"q\\"), "/data/in.csv"},
        {MakeSettings("SRV1", "DB1", "u1", ""), "/a \"quoted\" folder\\/in.csv"},
        {MakeSettings("SRV1", "DB1", "u1", "trailing\\"), "/data/in.csv"},
        {MakeSettings("SRV1", "Dealer.DB", "u1", "pw"), "/data/in.csv"},
        {MakeSettings("SRV1", "[odd] db]", "u1", "pw"), "/data/in.csv"},
    };
    for (const auto& c : cases) {
        const auto plan =
            convert::PlanUpload(c.file, "7Dec26_", ConversionType::SolvaneToOrbelle, c.settings);
        const std::string folder = convert::FolderOf(c.file);
        const std::string login[] = {"-U" + c.settings.userId,
                                     "-P" + std::string(c.settings.password),
                                     "-S" + c.settings.serverAddress};
        EXPECT_EQ(platform::SplitCommandLine(plan.truncateCommand),
                  (Args{"osql", "-Q", "truncate table tbl_ConvertSolvaneToOrbelle ",
                        "-d" + c.settings.databaseName, login[0], login[1], login[2]}));
        EXPECT_EQ(platform::SplitCommandLine(plan.bulkCopyCommand),
                  (Args{"bcp",
                        convert::TargetDatabase(c.settings.databaseName) +
                            "..tbl_ConvertSolvaneToOrbelle",
                        "in", c.file, login[0], login[1], login[2], "-t,", "-c", "-o",
                        folder + "7Dec26_ClientConversionOutput.log", "-e",
                        folder + "7Dec26_ClientConversionError.log"}));
        EXPECT_EQ(platform::SplitCommandLine(plan.bulkProcedureCommand),
                  (Args{"osql", "-Q", "exec stp_ConvertSolvaneToOrbelleBulk 1",
                        "-d" + c.settings.databaseName, login[0], login[1], login[2], "-w500", "-o",
                        folder + "7Dec26_ClientConversionOutput.log"}));
    }
}

TEST(FindTooLong, RefusesWhatWouldNotFitItsBuffer) {
    convert::UploadPlan plan;
    plan.errorPath = std::string(511, 'e');
    plan.outputPath = std::string(255, 'o');
    plan.truncateCommand = plan.bulkCopyCommand = plan.bulkProcedureCommand = std::string(511, 'c');
    EXPECT_EQ(convert::FindTooLong(plan, "pw"), std::nullopt);

    const struct {
        std::string convert::UploadPlan::*field;
        const char* message;
    } cases[] = {
        {&convert::UploadPlan::errorPath, "The path of the error file is too long"},
        {&convert::UploadPlan::outputPath, "The path of the output file is too long"},
        {&convert::UploadPlan::truncateCommand,
         "The command that empties the staging table is too long"},
        {&convert::UploadPlan::bulkCopyCommand, "The command that loads the file is too long"},
        {&convert::UploadPlan::bulkProcedureCommand,
         "The command that converts the loaded clients is too long"},
    };
    for (const auto& c : cases) {
        convert::UploadPlan over = plan;
        over.*c.field += "x";
        const auto message = convert::FindTooLong(over, "pw");
        ASSERT_TRUE(message.has_value()) << c.message;
        EXPECT_EQ(message->rfind(std::string(c.message) + " by 1 characters", 0), 0u) << *message;
        EXPECT_NE(message->find(over.*c.field), std::string::npos);
    }
}

TEST(FindTooLong, ALongFolderMakesTheBulkCopyCommandTooLongFirst) {
    // Three paths share the folder, so the command outgrows its buffer
    // before any path does.
    const std::string folder = "/" + std::string(120, 'd') + "/";
    const auto plan = convert::PlanUpload(folder + "in.csv", "7Dec26_",
                                          ConversionType::SolvaneToOrbelle, kSettings);
    ASSERT_LT(plan.outputPath.size(), 255u);
    const auto message = convert::FindTooLong(plan, "pw");
    ASSERT_TRUE(message.has_value());
    EXPECT_EQ(message->rfind("The command that loads the file is too long", 0), 0u) << *message;
}

TEST(TargetDatabase, BracketsANameTheToolWouldSplit) {
    const std::pair<const char*, const char*> cases[] = {
        {"DealerDB", "DealerDB"}, {"Dealer.DB", "[Dealer.DB]"},
        {"my db", "[my db]"},     {"a]b", "[a]]b]"},
        {"[x]", "[[x]]]"},        {"", ""},
    };
    for (const auto& [name, target] : cases) {
        EXPECT_EQ(convert::TargetDatabase(name), target) << name;
    }
}

TEST(MaskPassword, HidesThePasswordArgumentAndNothingElse) {
    for (const std::string password : {"pw", "p w\"q\\", "-Ppw", "", "trailing\\"}) {
        SCOPED_TRACE(password);
        const auto plan = convert::PlanUpload("/data/my files/in.csv", "7Dec26_",
                                              ConversionType::SolvaneToOrbelle,
                                              MakeSettings("SRV 1", "DB1", "u1", password));
        for (const std::string* command :
             {&plan.truncateCommand, &plan.bulkCopyCommand, &plan.bulkProcedureCommand}) {
            Args expected = platform::SplitCommandLine(*command);
            for (auto& arg : expected) {
                if (arg == "-P" + password) {
                    arg = "-P********";
                }
            }
            EXPECT_EQ(platform::SplitCommandLine(convert::MaskPassword(*command, password)),
                      expected);
        }
    }
}

} // namespace
