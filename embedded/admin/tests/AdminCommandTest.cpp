// embsql-admin run as a child process: the operator and administrator
// logins that setup and login make, and the rights each one then has.
#include "ToolDatabase.h"
#include "ToolRun.h"
#include "embsql/Provision.h"

#include <gtest/gtest.h>

namespace {

using toolkit::RunTool;

class AdminCommandTest : public toolkit::ToolTest {
protected:
    // What osql answers `query` as `login` on `database`, and its status.
    toolkit::ToolOutput Osql(const std::string& database, const std::string& login,
                             const std::string& password, const std::string& query) {
        return RunTool({"osql", "-S", "127.0.0.1", "-d", database, "-U", login, "-P", password,
                        "-Q", query, "-w500"});
    }
};

TEST_F(AdminCommandTest, SetupMakesTheOperatorAndAnAdministratorWhenAsked) {
    const toolkit::ToolOutput setup =
        RunTool({"embsql-admin", "setup", "127.0.0.1", "Dealer.DB", "op", "op pass", "--admin",
                 "boss", "boss pass", "--groups", "2", "--clients", "3"});
    ASSERT_EQ(setup.status, 0) << setup.text;
    EXPECT_NE(setup.text.find("operator op, administrator boss"), std::string::npos) << setup.text;
    auto admin = embsql::Admin::Open("127.0.0.1", "Dealer.DB");
    EXPECT_EQ(admin->RoleOf("op"), embsql::Role::User);
    EXPECT_EQ(admin->PermissionsOf("op"), embsql::ProgramPermissions());
    EXPECT_EQ(admin->RoleOf("boss"), embsql::Role::Admin);

    EXPECT_EQ(Osql("Dealer.DB", "op", "op pass", "truncate table tbl_DealerMaster").status, 1);
    EXPECT_EQ(Osql("Dealer.DB", "op", "op pass", "exec stp_ConvertSolvaneToOrbelleBulk 1").status,
              0);
    const toolkit::ToolOutput history =
        Osql("Dealer.DB", "boss", "boss pass", "select count(*) from tbl_DealerConversionHistory");
    EXPECT_EQ(history.status, 0) << history.text;
    EXPECT_EQ(Osql("Dealer.DB", "boss", "boss pass", "truncate table tbl_DealerMaster").status, 0);

    // Run again, setup gives the operator exactly the program's rights again.
    admin->SetRights("op", embsql::Role::Admin, {});
    ASSERT_EQ(RunTool({"embsql-admin", "setup", "127.0.0.1", "Dealer.DB", "op", "op pass"}).status,
              0);
    EXPECT_EQ(admin->RoleOf("op"), embsql::Role::User);
    EXPECT_EQ(admin->PermissionsOf("op"), embsql::ProgramPermissions());
}

TEST_F(AdminCommandTest, LoginMakesAnOperatorUnlessARoleIsGiven) {
    const auto login = [](std::vector<std::string> more) {
        std::vector<std::string> argv = {"embsql-admin", "login", "127.0.0.1", "DB1"};
        argv.insert(argv.end(), more.begin(), more.end());
        return RunTool(argv);
    };
    EXPECT_EQ(login({"newbie", "pw1"}).status, 0);
    EXPECT_EQ(Owner().RoleOf("newbie"), embsql::Role::User);
    EXPECT_EQ(Owner().PermissionsOf("newbie"), embsql::ProgramPermissions());
    const toolkit::ToolOutput admin = login({"newbie", "pw2", "--role", "admin"});
    EXPECT_EQ(admin.text, "Login newbie is set (administrator).\n");
    EXPECT_EQ(login({"NEWBIE", "pw3"}).status, 0);
    EXPECT_EQ(Owner().RoleOf("newbie"), embsql::Role::Admin) << "a new password keeps the role";
    EXPECT_EQ(Osql("DB1", "newbie", "pw3", "truncate table tbl_DealerConversionHistory").status, 0);
    EXPECT_EQ(login({"newbie", "pw4", "--role", "operator"}).status, 0);
    EXPECT_EQ(Osql("DB1", "newbie", "pw4", "truncate table tbl_DealerConversionHistory").status, 1);

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"newbie", "pw", "--role", "owner"},
          std::vector<std::string>{"newbie", "pw", "--admin", "boss", "x"}}) {
        const toolkit::ToolOutput out = login(bad);
        EXPECT_EQ(out.status, 2) << out.text;
        EXPECT_NE(out.text.find("usage: embsql-admin"), std::string::npos);
    }
    const toolkit::ToolOutput same =
        RunTool({"embsql-admin", "setup", "127.0.0.1", "DB1", "u1", "pw", "--admin", "U1", "pw"});
    EXPECT_EQ(same.status, 2) << same.text;
    EXPECT_EQ(Owner().PermissionsOf("u1"), embsql::ProgramPermissions());
}

} // namespace
