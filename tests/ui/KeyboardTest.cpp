// The main dialog worked by real keys under the display, against the embedded
// server: Tab reaches both lists in the template's order, and a group chosen
// by keys refills the Client Id list as one chosen by mouse does; the lists
// as the accessibility layer names them.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <wx/dialog.h>

#include "framework/DropDownList.h"
#include "support/RealInput.h"
#include "support/ServerEnv.h"
#include "ui/DialogFixture.h"

using namespace testing_support;

namespace {

class MainDialogKeyboardTest : public MainDialogFixture {
protected:
    MainDialogKeyboardTest() : env(dir / "server") {}

    bool FocusMovesTo(const std::string& key, int id) {
        PressKeys({key});
        return WaitUntil([&] { return wxWindow::FindFocus() == dlg->GetDlgItem(id)->m_hWnd; });
    }
    bool ListIsOpen() {
        return dynamic_cast<fw::DropDownList*>(dlg->m_cboGroupId.m_hWnd)->IsPopupShown();
    }
    std::vector<std::string> ClientsOf(const std::string& group) {
        std::vector<std::string> clients;
        for (const auto& row :
             env.Query("select c.sDealerId from tbl_DealerMaster c join tbl_DealerMaster g on "
                       "c.sGroupCode = g.sDealerCode where g.sDealerId = '" +
                       group + "' and c.nDealerCategory = 2 order by c.sDealerId collate nocase")) {
            clients.push_back(row[0]);
        }
        return clients;
    }

    ActiveEventLoop loop;
    ServerEnv env;
};

TEST_F(MainDialogKeyboardTest, TabReachesBothListsAndKeysChooseAGroup) {
    Open();
    ASSERT_TRUE(ActivateWindow(dlg->Window()));
    ASSERT_GE(dlg->m_cboGroupId.GetCount(), 3);
    EXPECT_TRUE(FocusMovesTo("Tab", IDC_GROUP_ID));
    EXPECT_TRUE(FocusMovesTo("Tab", IDC_CLIENT_ID));
    EXPECT_TRUE(FocusMovesTo("Tab", IDC_CONVERT));
    EXPECT_TRUE(FocusMovesTo("shift+Tab", IDC_CLIENT_ID));
    EXPECT_TRUE(FocusMovesTo("shift+Tab", IDC_GROUP_ID));

    // Typing a group's id chooses it, and the Client Id list refills.
    const std::string second = dlg->m_cboGroupId.GetLBText(2);
    TypeText(second);
    Settle();
    EXPECT_EQ(dlg->m_cboGroupId.GetWindowText(), second);
    EXPECT_EQ(ListItems(dlg->m_cboClientId), ClientsOf(second));
    ASSERT_FALSE(ClientsOf(second).empty());
    // So does an arrow key.
    PressKeys({"Up"});
    Settle();
    const std::string first = dlg->m_cboGroupId.GetLBText(1);
    EXPECT_EQ(dlg->m_cboGroupId.GetWindowText(), first);
    EXPECT_EQ(ListItems(dlg->m_cboClientId), ClientsOf(first));

    // Esc on the open list closes the list only; on the dialog it cancels.
    PressKeys({"alt+Down"});
    ASSERT_TRUE(WaitUntil([&] { return ListIsOpen(); }));
    PressKeys({"Escape"});
    EXPECT_TRUE(WaitUntil([&] { return !ListIsOpen(); }));
    Settle();
    EXPECT_FALSE(dlg->HasEnded());
    PressKeys({"Escape"});
    EXPECT_TRUE(WaitUntil([&] { return dlg->HasEnded(); }));
    EXPECT_EQ(dlg->Result(), IDCANCEL);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(MainDialogKeyboardTest, TheListsAreComboBoxesNamedByTheirLabels) {
    Open();
    for (const auto& [id, label] :
         {std::pair{IDC_GROUP_ID, "Group Id"}, {IDC_CLIENT_ID, "Client Id"}}) {
        AtkObject* list = gtk_widget_get_accessible(
            static_cast<GtkWidget*>(dlg->GetDlgItem(id)->m_hWnd->GetHandle()));
        EXPECT_EQ(atk_object_get_role(list), ATK_ROLE_COMBO_BOX);
        EXPECT_STREQ(atk_object_get_name(list), label);
    }
}

} // namespace
