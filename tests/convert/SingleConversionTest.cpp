// Converting one client from the two lists, through the real dialog, the
// embedded server's driver and its procedures.
#include <gtest/gtest.h>

#include "support/ServerEnv.h"
#include "ui/DialogFixture.h"

using namespace testing_support;

namespace {

class SingleConversionTest : public MainDialogFixture {
protected:
    SingleConversionTest() : env(dir / "server") {}
    void SetUp() override { Open(); }

    int Category(const std::string& client) {
        return std::stoi(
            env.Query("select nDealerCategory from tbl_DealerMaster where sDealerId = '" + client +
                      "'")[0][0]);
    }
    // Chooses a group, then the first client listed for it.
    std::string ChooseFirstClient(int groupIndex) {
        ChooseListEntry(*dlg, IDC_GROUP_ID, groupIndex);
        group = dlg->m_cboGroupId.GetLBText(groupIndex);
        EXPECT_GT(dlg->m_cboClientId.GetCount(), 0);
        ChooseListEntry(*dlg, IDC_CLIENT_ID, 0);
        return dlg->m_cboClientId.GetWindowText();
    }

    // The call of a conversion procedure as embsqld receives it through
    // FreeTDS: an RPC of the procedure with the two ids as its arguments.
    std::string Call(const std::string& procedure, const std::string& client) const {
        return "rpc: " + procedure + " ='" + group + "' ='" + client + "'";
    }
    // The procedure calls embsqld received; empty in-process.
    std::vector<std::string> Calls() const {
        std::vector<std::string> calls;
        for (const auto& request : env.Requests()) {
            if (request.rfind("rpc: stp_", 0) == 0) {
                calls.push_back(request);
            }
        }
        return calls;
    }
    // Through FreeTDS, the procedure calls embsqld received are `expected`.
    void ExpectCalls(const std::vector<std::string>& expected) const {
        if (env.ThroughFreeTds()) {
            EXPECT_EQ(Calls(), expected);
        }
    }

    ServerEnv env;
    std::string group;
};

TEST_F(SingleConversionTest, ClientMovesFromOneListToTheOtherAndBack) {
    const std::string client = ChooseFirstClient(1);
    ASSERT_EQ(Category(client), 2);
    const std::size_t entriesBefore = Entries().size();
    Click(*dlg, IDC_CONVERT);
    EXPECT_EQ(Category(client), 4);
    ASSERT_FALSE(ui.boxes.empty());
    EXPECT_EQ(ui.boxes.back().style, 0u);
    // Each answer row was logged, and shown with the same text.
    const auto entries = Entries();
    ASSERT_EQ(entries.size(), entriesBefore + ui.boxes.size());
    for (std::size_t i = 0; i < ui.boxes.size(); ++i) {
        EXPECT_EQ(entries[entriesBefore + i], ui.boxes[i].text);
    }
    // The list was refilled for the group still selected: the client is gone.
    EXPECT_EQ(ListIndexOf(dlg->m_cboClientId, client), -1);
    EXPECT_EQ(dlg->m_cboGroupId.GetCurSel(), 1);
    EXPECT_EQ(dlg->m_nCriteria, 0);
    EXPECT_EQ(dlg->m_nConversionType, 0);

    Click(*dlg, IDC_ORBELLE_TO_SOLVANE);
    const int index = ListIndexOf(dlg->m_cboClientId, client);
    ASSERT_GE(index, 0);
    ChooseListEntry(*dlg, IDC_CLIENT_ID, index);
    Click(*dlg, IDC_CONVERT);
    EXPECT_EQ(Category(client), 2);
    EXPECT_EQ(dlg->m_nConversionType, 1);
    EXPECT_TRUE(Checked(IDC_ORBELLE_TO_SOLVANE));
    EXPECT_EQ(env.Query("select count(*) from tbl_DealerConversionHistory where sClientId = '" +
                        client + "'")[0][0],
              "2");
    // Through FreeTDS: each list and each call, in the order sent.
    if (env.ThroughFreeTds()) {
        EXPECT_EQ(env.Requests(),
                  (std::vector<std::string>{
                      GroupListRequest(), ClientListRequest(group, 2),
                      Call("stp_ConvertSolvaneToOrbelle", client), ClientListRequest(group, 2),
                      ClientListRequest(group, 4), Call("stp_ConvertOrbelleToSolvane", client),
                      ClientListRequest(group, 4)}));
    }
}

TEST_F(SingleConversionTest, MissingIdsAreRefusedBeforeAnythingIsSent) {
    Click(*dlg, IDC_CONVERT);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Please Select GroupCode");
    EXPECT_EQ(ui.boxes[0].style, 0u);
    ChooseListEntry(*dlg, IDC_GROUP_ID, 1);
    Click(*dlg, IDC_CONVERT);
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[1].text, "Please Enter Solvane Id");
    // Nothing logged beyond start-up, and the list was refilled for the group.
    EXPECT_EQ(Entries().size(), 1u);
    EXPECT_GT(dlg->m_cboClientId.GetCount(), 0);
    EXPECT_EQ(env.Query("select count(*) from tbl_DealerConversionHistory")[0][0], "0");
    // Only the lists went to the server: for the blank group, then the chosen one twice.
    if (env.ThroughFreeTds()) {
        const std::string chosen = dlg->m_cboGroupId.GetLBText(1);
        EXPECT_EQ(env.Requests(), (std::vector<std::string>{
                                      GroupListRequest(), ClientListRequest("", 2),
                                      ClientListRequest(chosen, 2), ClientListRequest(chosen, 2)}));
    }
}

TEST_F(SingleConversionTest, SeveralAnswerRowsAlternateEntryAndBox) {
    env.DefineProcedure("create procedure stp_ConvertSolvaneToOrbelle @group_id varchar(20), "
                        "@client_id varchar(20) as select 'one ' || @client_id union all "
                        "select 'two' union all select 'three'");
    const std::string client = ChooseFirstClient(1);
    std::vector<std::size_t> entriesAtBox;
    ui.onBox = [&](const Box&) { entriesAtBox.push_back(Entries().size()); };
    Click(*dlg, IDC_CONVERT);
    ASSERT_EQ(ui.boxes.size(), 3u);
    EXPECT_EQ(ui.boxes[0].text, "one " + client);
    EXPECT_EQ(ui.boxes[1].text, "two");
    EXPECT_EQ(ui.boxes[2].text, "three");
    EXPECT_EQ(entriesAtBox, (std::vector<std::size_t>{2, 3, 4}));
    const auto entries = Entries();
    EXPECT_EQ(std::vector<std::string>(entries.begin() + 1, entries.end()),
              (std::vector<std::string>{"one " + client, "two", "three"}));
    ExpectCalls({Call("stp_ConvertSolvaneToOrbelle", client)});
}

TEST_F(SingleConversionTest, ProcedureErrorIsShownWithTheWarningIconThenLogged) {
    env.DefineProcedure("create procedure stp_ConvertSolvaneToOrbelle @group_id varchar(20), "
                        "@client_id varchar(20) as select raise_error('Client ' || @client_id || "
                        "' is locked.')");
    const std::string client = ChooseFirstClient(1);
    std::size_t entriesAtBox = 0;
    ui.onBox = [&](const Box&) { entriesAtBox = Entries().size(); };
    Click(*dlg, IDC_CONVERT);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].style, static_cast<UINT>(MB_ICONEXCLAMATION));
    EXPECT_EQ(ui.boxes[0].text, "Client " + client + " is locked.");
    EXPECT_EQ(entriesAtBox, 1u);
    EXPECT_EQ(Entries().back(), "Client " + client + " is locked.");
    EXPECT_EQ(Category(client), 2);
    EXPECT_FALSE(dlg->m_rsDealerMaster.IsOpen());
    // The dialog goes on: the list is refilled and another command works.
    EXPECT_GT(dlg->m_cboClientId.GetCount(), 0);
    ExpectCalls({Call("stp_ConvertSolvaneToOrbelle", client)});
}

TEST_F(SingleConversionTest, MissingProcedureIsADatabaseError) {
    env.Run("delete from embsql_procedure");
    const std::string client = ChooseFirstClient(1);
    Click(*dlg, IDC_CONVERT);
    ExpectCalls({Call("stp_ConvertSolvaneToOrbelle", client)});
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].style, static_cast<UINT>(MB_ICONEXCLAMATION));
    EXPECT_NE(
        ui.boxes[0].text.find("Could not find stored procedure 'stp_ConvertSolvaneToOrbelle'."),
        std::string::npos)
        << ui.boxes[0].text;
}

TEST_F(SingleConversionTest, TheRadioButtonsDecideNotTheButtonPressed) {
    // The Upload command while Single User is checked converts one client.
    const std::string client = ChooseFirstClient(1);
    dlg->SendCommand(IDC_UPLOAD);
    EXPECT_EQ(Category(client), 4);
    EXPECT_TRUE(ui.fileRequests.empty());
    // The Convert command while Multiple User is checked uploads a file.
    Click(*dlg, IDC_MULTIPLE_USER);
    ui.AnswerFileDialog("");
    dlg->SendCommand(IDC_CONVERT);
    EXPECT_EQ(ui.fileRequests.size(), 1u);
    EXPECT_EQ(dlg->m_nCriteria, 1);
    ExpectCalls({Call("stp_ConvertSolvaneToOrbelle", client)});
}

} // namespace
