// Rights as a SQL server grants them: an operator login that may do what
// the program does and nothing more, logins without grants, administrators,
// procedures that run with their owner's rights, and the grants' checks.
#include "EngineFixture.h"

#include "embsql/BulkInsert.h"
#include "embsql/Provision.h"

namespace embsql::test {
namespace {

class PermissionTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        Owner().AddLogin("op", "Op-pass1");
        Owner().SetRights("op", Role::User, ProgramPermissions());
        m_op = Session::Connect(kServer, kDatabase, "op", "Op-pass1");
    }
    std::vector<Rows> RunAsOperator(const std::string& statement) {
        std::vector<Rows> all;
        for (auto& result : m_op->Execute(statement))
            all.push_back(ReadRows(*result));
        return all;
    }
    static std::string Denied(const std::string& permission, const std::string& object) {
        return "The " + permission + " permission was denied on the object '" + object +
               "', database '" + kDatabase + "', schema 'dbo'.";
    }
    long long Count(const std::string& table) {
        return std::stoll(Query("select count(*) from " + table)[0][0]);
    }

    std::unique_ptr<Session> m_op;
};

TEST_F(PermissionTest, AnOperatorDoesWhatTheProgramDoes) {
    EXPECT_EQ(RunAsOperator("select sDealerId from tbl_DealerMaster where nDealerCategory = 7"),
              (std::vector<Rows>{{{"G01"}, {"G02"}}}));
    EXPECT_EQ(RunAsOperator("select sDealerId from tbl_DealerMaster where sGroupCode "
                            "in(select sDealerCode from tbl_DealerMaster Where sDealerId = "
                            "'G01') and  nDealerCategory = 2"),
              (std::vector<Rows>{{{"C123"}, {"C125"}}}));
    // The procedures write the history the operator may not touch itself.
    RunAsOperator("{call stp_ConvertSolvaneToOrbelle}'G01','C123'");
    RunAsOperator("{call stp_ConvertOrbelleToSolvane}'G01','C124'");
    EXPECT_EQ(Category("C123"), 4);
    EXPECT_EQ(Category("C124"), 2);
    EXPECT_EQ(Query("select sLogin from tbl_DealerConversionHistory"), (Rows{{"op"}, {"op"}}));

    Owner().RunScript("insert into tbl_ConvertSolvaneToOrbelle values ('G09', 'C999')");
    RunAsOperator("truncate table tbl_ConvertSolvaneToOrbelle");
    EXPECT_EQ(Count("tbl_ConvertSolvaneToOrbelle"), 0);
    auto load =
        BulkInsert::Open(kServer, kDatabase, "op", "Op-pass1", "tbl_ConvertSolvaneToOrbelle");
    load->Begin();
    load->Insert({"G01", "C125"});
    load->Commit();
    m_op->Begin();
    m_op->Insert("tbl_ConvertSolvaneToOrbelle", {"G02", "C200"});
    m_op->Commit();
    RunAsOperator("insert into tbl_ConvertSolvaneToOrbelle values ('G01', 'NOPE')");
    const std::vector<Rows> answer = RunAsOperator("exec stp_ConvertSolvaneToOrbelleBulk 1");
    EXPECT_EQ(answer.at(0).back(), (std::vector<std::string>{"2 converted, 1 refused"}));
    EXPECT_EQ(Category("C200"), 4);
}

TEST_F(PermissionTest, AnOperatorIsRefusedEverythingElseAndNothingChanges) {
    Owner().DefineProcedure("create procedure stp_Purge as delete from tbl_DealerMaster");
    const struct {
        std::string statement;
        std::string state;
        int native;
        std::string message;
    } cases[] = {
        {"select * from tbl_DealerConversionHistory", "42000", 229,
         Denied("SELECT", "tbl_DealerConversionHistory")},
        {"select count(*) from tbl_ConvertSolvaneToOrbelle", "42000", 229,
         Denied("SELECT", "tbl_ConvertSolvaneToOrbelle")},
        {"select sDealerId from tbl_DealerMaster where sDealerId in "
         "(select sClientId from TBL_DealerConversionHistory)",
         "42000", 229, Denied("SELECT", "tbl_DealerConversionHistory")},
        {"truncate table tbl_DealerMaster", "42000", 1088,
         "Cannot find the object \"tbl_DealerMaster\" because it does not exist or you do not "
         "have permissions."},
        {"truncate table dbo.tbl_DealerConversionHistory", "42000", 1088,
         "Cannot find the object \"tbl_DealerConversionHistory\" because it does not exist or "
         "you do not have permissions."},
        {"exec stp_Purge", "42000", 229, Denied("EXECUTE", "stp_Purge")},
        {"insert into tbl_DealerMaster (sDealerId, sDealerCode) values ('C9', 'K9')", "42000", 229,
         Denied("INSERT", "tbl_DealerMaster")},
        // What does not exist is reported as missing, whatever the rights.
        {"select * from tbl_Nope", "42S02", 208, "Invalid object name 'tbl_Nope'."},
        {"exec stp_Nope", "42000", 2812, "Could not find stored procedure 'stp_Nope'."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.statement);
        EXPECT_DB_ERROR(m_op->Execute(c.statement), c.state, c.native, c.message);
    }
    EXPECT_DB_ERROR(m_op->Insert("tbl_DealerMaster", {"C9", "K9", "GC01", "n", "2"}), "42000", 229,
                    Denied("INSERT", "tbl_DealerMaster"));
    EXPECT_DB_ERROR(
        BulkInsert::Open(kServer, kDatabase, "op", "Op-pass1", "tbl_DealerConversionHistory"),
        "42000", 229, Denied("INSERT", "tbl_DealerConversionHistory"));
    EXPECT_EQ(Count("tbl_DealerMaster"), 7);
}

TEST_F(PermissionTest, ALoginWithoutGrantsMayOnlyLogIn) {
    Owner().AddLogin("guest", "Guest-1");
    auto guest = Session::Connect(kServer, kDatabase, "guest", "Guest-1");
    EXPECT_DB_ERROR(guest->Execute("select sDealerId from tbl_DealerMaster"), "42000", 229,
                    Denied("SELECT", "tbl_DealerMaster"));
    EXPECT_DB_ERROR(guest->Execute("{call stp_ConvertSolvaneToOrbelle}'G01','C123'"), "42000", 229,
                    Denied("EXECUTE", "stp_ConvertSolvaneToOrbelle"));
    EXPECT_DB_ERROR(guest->Execute("truncate table tbl_ConvertSolvaneToOrbelle"), "42000", 1088,
                    "Cannot find the object \"tbl_ConvertSolvaneToOrbelle\" because it does not "
                    "exist or you do not have permissions.");
    EXPECT_EQ(Category("C123"), 2);
    EXPECT_EQ(Owner().RoleOf("guest"), Role::User);
    EXPECT_TRUE(Owner().PermissionsOf("guest").empty());
}

TEST_F(PermissionTest, AnAdministratorMayDoEverything) {
    EXPECT_EQ(Owner().RoleOf("sa"), Role::Admin);
    EXPECT_EQ(Run("select count(*) from tbl_DealerConversionHistory"),
              (std::vector<Rows>{{{"0"}}}));
    Run("truncate table tbl_DealerMaster");
    EXPECT_EQ(Count("tbl_DealerMaster"), 0);
}

TEST_F(PermissionTest, ChangedRightsApplyToTheNextStatementOfAnOpenSession) {
    Owner().SetRights("op", Role::User, {{"EXECUTE", "stp_ConvertSolvaneToOrbelle"}});
    EXPECT_DB_ERROR(m_op->Execute("select sDealerId from tbl_DealerMaster"), "42000", 229,
                    Denied("SELECT", "tbl_DealerMaster"));
    EXPECT_EQ(Owner().PermissionsOf("op"),
              (std::vector<Permission>{{"EXECUTE", "stp_ConvertSolvaneToOrbelle"}}));
    Owner().SetRights("op", Role::Admin, {});
    EXPECT_NO_THROW(m_op->Execute("select * from tbl_DealerConversionHistory"));
    // A password change keeps the rights; removing the login removes them.
    Owner().AddLogin("op", "Op-pass2");
    EXPECT_EQ(Owner().RoleOf("op"), Role::Admin);
    Owner().SetRights("op", Role::User, ProgramPermissions());
    EXPECT_TRUE(Owner().RemoveLogin("op"));
    Owner().AddLogin("op", "Op-pass3");
    EXPECT_TRUE(Owner().PermissionsOf("op").empty());
}

TEST_F(PermissionTest, GrantsNameExistingLoginsObjectsAndPermissions) {
    const struct {
        std::string login;
        Permission permission;
        int native;
        std::string message;
    } cases[] = {
        {"nobody",
         {"SELECT", "tbl_DealerMaster"},
         15151,
         "Cannot find the user 'nobody', because it does not exist or you do not have "
         "permission."},
        {"op",
         {"SELECT", "tbl_Nope"},
         15151,
         "Cannot find the object 'tbl_Nope', because it does not exist or you do not have "
         "permission."},
        {"op",
         {"SELECT", "embsql_login"},
         15151,
         "Cannot find the object 'embsql_login', because it does not exist or you do not have "
         "permission."},
        {"op",
         {"EXECUTE", "tbl_DealerMaster"},
         4606,
         "Granted or revoked privilege EXECUTE is not compatible with object."},
        {"op",
         {"SELECT", "stp_ConvertSolvaneToOrbelle"},
         4606,
         "Granted or revoked privilege SELECT is not compatible with object."},
        {"op",
         {"DROP", "tbl_DealerMaster"},
         102,
         "Incorrect syntax near 'DROP': the permissions are SELECT, INSERT and ALTER on a "
         "table, EXECUTE on a procedure."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_DB_ERROR(Owner().SetRights(c.login, Role::User, {c.permission}), "42000", c.native,
                        c.message);
    }
    EXPECT_EQ(Owner().PermissionsOf("op").size(), ProgramPermissions().size())
        << "a refused change changes nothing";
    Owner().SetRights("op", Role::User, {{"select", "TBL_DEALERMASTER"}});
    EXPECT_EQ(Owner().PermissionsOf("op"),
              (std::vector<Permission>{{"SELECT", "tbl_DealerMaster"}}));
}

TEST_F(PermissionTest, LoginsOfADatabaseMadeBeforeRightsKeepTheRightsTheyHad) {
    m_op.reset();
    m_session.reset();
    Owner().RunScript("drop table embsql_permission; alter table embsql_login drop column sRole");
    m_admin.reset();
    auto old = Session::Connect(kServer, kDatabase, "op", "Op-pass1");
    EXPECT_NO_THROW(old->Execute("select * from tbl_DealerConversionHistory"));
    m_admin = Admin::Open(kServer, kDatabase);
    EXPECT_EQ(Owner().RoleOf("op"), Role::Admin);
    EXPECT_EQ(Owner().RoleOf("sa"), Role::Admin);
}

} // namespace
} // namespace embsql::test
