// The Client Id list: refilled for the selected group and the checked
// direction, through the embedded server's driver and through a second,
// independent ODBC driver.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "support/ServerEnv.h"
#include "ui/DialogFixture.h"

using namespace testing_support;

namespace {

class ClientListTest : public MainDialogFixture {
protected:
    ClientListTest() : env(dir / "server") {}

    std::vector<std::string> ClientsInDatabase(const std::string& group, int category) {
        std::vector<std::string> clients;
        for (const auto& row :
             env.Query("select c.sDealerId from tbl_DealerMaster c join tbl_DealerMaster g on "
                       "c.sGroupCode = g.sDealerCode where g.sDealerId = '" +
                       group + "' and c.nDealerCategory = " + std::to_string(category) +
                       " order by c.sDealerId collate nocase")) {
            clients.push_back(row[0]);
        }
        return clients;
    }

    ServerEnv env;
};

TEST_F(ClientListTest, GroupSelectionAndDirectionDecideTheClients) {
    Open();
    const std::string group = dlg->m_cboGroupId.GetLBText(1);
    const auto solvane = ClientsInDatabase(group, 2);
    const auto orbelle = ClientsInDatabase(group, 4);
    ASSERT_FALSE(solvane.empty());
    ASSERT_FALSE(orbelle.empty());

    ChooseListEntry(*dlg, IDC_GROUP_ID, 1);
    EXPECT_EQ(ListItems(dlg->m_cboClientId), solvane);
    EXPECT_EQ(dlg->m_cboClientId.GetCurSel(), CB_ERR);
    Click(*dlg, IDC_ORBELLE_TO_SOLVANE);
    EXPECT_EQ(ListItems(dlg->m_cboClientId), orbelle);
    Click(*dlg, IDC_SOLVANE_TO_ORBELLE);
    EXPECT_EQ(ListItems(dlg->m_cboClientId), solvane);
    // The blank group has no clients.
    ChooseListEntry(*dlg, IDC_GROUP_ID, 0);
    EXPECT_TRUE(ListItems(dlg->m_cboClientId).empty());
    EXPECT_TRUE(ui.boxes.empty());
    if (env.ThroughFreeTds()) {
        EXPECT_EQ(env.Requests(),
                  (std::vector<std::string>{
                      GroupListRequest(), ClientListRequest(group, 2), ClientListRequest(group, 4),
                      ClientListRequest(group, 2), ClientListRequest("", 2)}));
    }
}

TEST_F(ClientListTest, SingleUserRefillsForTheBlankGroupAfterMultipleUser) {
    Open();
    ChooseListEntry(*dlg, IDC_GROUP_ID, 1);
    ASSERT_GT(dlg->m_cboClientId.GetCount(), 0);
    Click(*dlg, IDC_MULTIPLE_USER);
    Click(*dlg, IDC_SINGLE_USER);
    EXPECT_EQ(dlg->m_cboGroupId.GetCurSel(), 0);
    EXPECT_EQ(dlg->m_cboClientId.GetCount(), 0);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ClientListTest, AnApostropheInAGroupIdFindsItsOwnClientsOnly) {
    env.Run("insert into tbl_DealerMaster(sDealerId, sDealerCode, sGroupCode, nDealerCategory) "
            "values ('O''Neil', 'ONEIL', null, 7), ('C-ON-1', 'C-ON-1', 'ONEIL', 2), "
            "(' G X ', 'GX', null, 7), ('C-GX-1', 'C-GX-1', 'GX', 2)");
    Open();
    const int oneil = ListIndexOf(dlg->m_cboGroupId, "O'Neil");
    ASSERT_GE(oneil, 0);
    ChooseListEntry(*dlg, IDC_GROUP_ID, oneil);
    EXPECT_EQ(ListItems(dlg->m_cboClientId), std::vector<std::string>{"C-ON-1"});
    EXPECT_TRUE(ui.boxes.empty());
    // Shown with blanks around it, the id is sent trimmed and so finds nothing.
    ChooseListEntry(*dlg, IDC_GROUP_ID, ListIndexOf(dlg->m_cboGroupId, " G X "));
    EXPECT_TRUE(ListItems(dlg->m_cboClientId).empty());
    if (env.ThroughFreeTds()) {
        EXPECT_EQ(env.Requests(),
                  (std::vector<std::string>{GroupListRequest(), ClientListRequest("O'Neil", 2),
                                            ClientListRequest("G X", 2)}));
    }
}

TEST_F(ClientListTest, ErrorWhileRefillingIsShownAndTheDialogGoesOn) {
    Open();
    env.Run("drop table tbl_DealerMaster");
    ChooseListEntry(*dlg, IDC_GROUP_ID, 1);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].style, static_cast<UINT>(MB_ICONSTOP));
    EXPECT_NE(ui.boxes[0].text.find("Invalid object name 'tbl_DealerMaster'."), std::string::npos)
        << ui.boxes[0].text;
    EXPECT_FALSE(dlg->m_rsDealerMaster.IsOpen());
    EXPECT_FALSE(dlg->HasEnded());
    if (env.ThroughFreeTds()) {
        EXPECT_EQ(env.Requests().back(), ClientListRequest(dlg->m_cboGroupId.GetLBText(1), 2));
    }
}

// The same program on Debian's SQLite ODBC driver and a plain SQLite file:
// nothing in the program is tied to the embedded server's driver.
class SecondDriverTest : public MainDialogFixture {};

TEST_F(SecondDriverTest, GroupAndClientListsThroughTheSqliteDriver) {
    // The SQLite driver's settings reader leaks what it parses; kept loaded,
    // the leak checker can name it (and its report is suppressed).
    const char* driver = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so";
    for (const char* library : {driver, "libodbcinst.so.2"}) {
        ASSERT_NE(dlopen(library, RTLD_NOW | RTLD_NODELETE), nullptr) << dlerror();
    }
    const auto file = dir / "dealers.sqlite";
    ASSERT_EQ(RunCommand("sqlite3 " + file.string() +
                         " \"create table tbl_DealerMaster(sDealerId text, sDealerCode text, "
                         "sGroupCode text, nDealerCategory int); insert into tbl_DealerMaster "
                         "values ('G01','GC1',null,7),('G02','GC2',null,7),('C1','C1','GC1',2),"
                         "('C2','C2','GC1',4),('C3','C3','GC2',2),('C0','C0','GC1',2);\""),
              0);
    WriteFile(dir / "odbcinst.ini", std::string("[SQLite3]\nDriver=") + driver + "\n");
    WriteFile(dir / "odbc.ini", "[Dealers]\nDriver=SQLite3\n");
    ScopedEnv sysIni("ODBCSYSINI", dir.path().string());
    ScopedEnv instIni("ODBCINSTINI", "odbcinst.ini");
    ScopedEnv odbcIni("ODBCINI", (dir / "odbc.ini").string());
    WriteFile(dir / "HKLM.reg", HiveText({{"DataBase-IPAddress", "localhost"},
                                          {"LIVEDatabase-Name", file.string()},
                                          {"Server UserID", "nobody"},
                                          {"LIVEDSN-Name", "Dealers"},
                                          {"Server PWD", SealPassword("unused"), true}}));
    ScopedEnv hivePath("SOLVANETOORBELLE_HKLM", (dir / "HKLM.reg").string());
    Open();
    EXPECT_TRUE(ui.boxes.empty()) << (ui.boxes.empty() ? "" : ui.boxes[0].text);
    EXPECT_EQ(ListItems(dlg->m_cboGroupId), (std::vector<std::string>{"", "G01", "G02"}));
    ChooseListEntry(*dlg, IDC_GROUP_ID, 1);
    EXPECT_EQ(ListItems(dlg->m_cboClientId), (std::vector<std::string>{"C0", "C1"}));
    Click(*dlg, IDC_ORBELLE_TO_SOLVANE);
    EXPECT_EQ(ListItems(dlg->m_cboClientId), (std::vector<std::string>{"C2"}));
}

} // namespace
