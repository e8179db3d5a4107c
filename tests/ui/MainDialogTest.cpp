// The main dialog's screen states, commands, system menu and About box.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/dialog.h>

#include "ui/DialogFixture.h"
#include "ui/IconPaint.h"

using namespace testing_support;

namespace {

class MainDialogTest : public MainDialogFixture {
protected:
    void SetUp() override { Open(); }
};

TEST_F(MainDialogTest, StartsInSingleUserStateWithoutSettings) {
    EXPECT_EQ(dlg->GetWindowText(), "SolvaneToOrbelle");
    EXPECT_TRUE(Checked(IDC_SINGLE_USER));
    EXPECT_FALSE(Checked(IDC_MULTIPLE_USER));
    EXPECT_TRUE(Checked(IDC_SOLVANE_TO_ORBELLE));
    EXPECT_FALSE(Checked(IDC_ORBELLE_TO_SOLVANE));
    EXPECT_FALSE(Enabled(IDC_UPLOAD));
    EXPECT_TRUE(Enabled(IDC_CONVERT));
    EXPECT_TRUE(Enabled(IDC_GROUP_ID));
    EXPECT_FALSE(Enabled(IDC_SERVER_ADDRESS));
    EXPECT_EQ(dlg->m_cboGroupId.GetCount(), 0);
    EXPECT_EQ(dlg->m_cboClientId.GetCount(), 0);
    EXPECT_EQ(dlg->GetDlgItemText(IDC_SERVER_ADDRESS), "");
    EXPECT_EQ(dlg->GetDlgItemText(IDC_DATABASE_NAME), "");
    EXPECT_EQ(dlg->GetDlgItemText(IDC_OUTPUT), "");
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(dlg->m_nCriteria, 0);
    EXPECT_EQ(dlg->m_nConversionType, 0);
}

TEST_F(MainDialogTest, MultipleUserThenSingleUserSwitchesTheControls) {
    dlg->m_cboGroupId.AddString("");
    dlg->m_cboGroupId.AddString("G01");
    dlg->m_cboGroupId.SetCurSel(1);

    Click(*dlg, IDC_MULTIPLE_USER);
    EXPECT_EQ(dlg->m_nCriteria, 1);
    EXPECT_TRUE(Checked(IDC_MULTIPLE_USER));
    EXPECT_TRUE(Enabled(IDC_UPLOAD));
    EXPECT_FALSE(Enabled(IDC_CONVERT));
    EXPECT_FALSE(Enabled(IDC_GROUP_ID));
    EXPECT_FALSE(Enabled(IDC_CLIENT_ID));
    EXPECT_EQ(dlg->m_cboGroupId.GetCurSel(), 0); // the blank entry
    EXPECT_EQ(dlg->m_cboClientId.GetCount(), 0);

    Click(*dlg, IDC_SINGLE_USER);
    EXPECT_EQ(dlg->m_nCriteria, 0);
    EXPECT_TRUE(Checked(IDC_SINGLE_USER));
    EXPECT_FALSE(Enabled(IDC_UPLOAD));
    EXPECT_TRUE(Enabled(IDC_CONVERT));
    EXPECT_TRUE(Enabled(IDC_GROUP_ID));
    EXPECT_TRUE(Enabled(IDC_CLIENT_ID));
    EXPECT_EQ(dlg->m_cboGroupId.GetLBText(dlg->m_cboGroupId.GetCurSel()), "");
}

TEST_F(MainDialogTest, MultipleUserOnAnEmptyGroupListSelectsNothing) {
    Click(*dlg, IDC_MULTIPLE_USER);
    EXPECT_EQ(dlg->m_cboGroupId.GetCurSel(), CB_ERR);
    EXPECT_TRUE(Enabled(IDC_UPLOAD));
}

TEST_F(MainDialogTest, DirectionClicksChangeTheCaptionButNotTheIndex) {
    Click(*dlg, IDC_ORBELLE_TO_SOLVANE);
    EXPECT_EQ(dlg->GetWindowText(), "Orbelle To Solvane");
    EXPECT_EQ(dlg->m_nConversionType, 0);
    Click(*dlg, IDC_SOLVANE_TO_ORBELLE);
    EXPECT_EQ(dlg->GetWindowText(), "Solvane To Orbelle");

    // In the Multiple User state the refilled list stays disabled.
    Click(*dlg, IDC_MULTIPLE_USER);
    Click(*dlg, IDC_ORBELLE_TO_SOLVANE);
    EXPECT_EQ(dlg->GetWindowText(), "Orbelle To Solvane");
    EXPECT_FALSE(Enabled(IDC_CLIENT_ID));
    EXPECT_TRUE(Checked(IDC_MULTIPLE_USER));
}

TEST_F(MainDialogTest, ClickOnTheCheckedRadioButtonRunsItsHandlerAgain) {
    Click(*dlg, IDC_MULTIPLE_USER);
    dlg->m_btnConvert.EnableWindow(TRUE);
    ClickCheckedRadio(*dlg, IDC_MULTIPLE_USER);
    EXPECT_FALSE(Enabled(IDC_CONVERT));
}

TEST_F(MainDialogTest, LogEntriesKeepTheButtonsAndTheGroupTheUserChose) {
    dlg->m_cboGroupId.AddString("");
    dlg->m_cboGroupId.AddString("G02");
    dlg->m_cboGroupId.AddString("G01");
    dlg->m_cboGroupId.SetCurSel(2);
    Click(*dlg, IDC_ORBELLE_TO_SOLVANE);
    dlg->m_nConversionType = 1; // as the next command would set it
    Click(*dlg, IDC_MULTIPLE_USER);
    Click(*dlg, IDC_SINGLE_USER);
    ChooseListEntry(*dlg, IDC_GROUP_ID, 2);
    dlg->WriteLog("one");
    dlg->WriteLog("two");
    EXPECT_TRUE(Checked(IDC_SINGLE_USER));
    EXPECT_TRUE(Checked(IDC_ORBELLE_TO_SOLVANE));
    EXPECT_EQ(dlg->m_cboGroupId.GetWindowText(), "G02");
}

TEST_F(MainDialogTest, OkNeverClosesButCancelDoes) {
    dlg->SendCommand(IDOK);
    PressEnter(*dlg); // Enter goes to the default button, Convert
    EXPECT_FALSE(dlg->HasEnded());
    PressEscape(*dlg);
    EXPECT_TRUE(dlg->HasEnded());
    EXPECT_EQ(dlg->Result(), IDCANCEL);
}

TEST_F(MainDialogTest, TheCloseBoxAndTheMenusCloseEndTheDialogAsCancel) {
    CloseBox(*dlg);
    EXPECT_TRUE(dlg->HasEnded());
    EXPECT_EQ(dlg->Result(), IDCANCEL);

    dlg.reset();
    Open();
    const auto& items = dlg->GetSystemMenu(FALSE)->Items();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].id, SC_CLOSE);
    dlg->ChooseSystemMenuItem(0);
    EXPECT_TRUE(dlg->HasEnded());
}

TEST_F(MainDialogTest, SystemMenuEndsWithSeparatorAndAboutItem) {
    const auto& items = dlg->GetSystemMenu(FALSE)->Items();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[1].flags, MF_SEPARATOR);
    EXPECT_EQ(items[2].flags, MF_STRING);
    EXPECT_EQ(items[2].id, IDM_ABOUTBOX);
    EXPECT_EQ(items[2].text, "&About SolvaneToOrbelle...");
}

// Closes the About box, once it is up, through one of its own controls.
int g_aboutShown = 0;
void CloseAboutBoxWhenUp(bool withEscape) {
    wxTheApp->CallAfter([withEscape] {
        for (wxWindow* top : wxTopLevelWindows) {
            auto* box = dynamic_cast<wxDialog*>(top);
            if (!box || !box->IsModal() || box->GetTitle() != "About SolvaneToOrbelle") {
                continue;
            }
            ++g_aboutShown;
            if (withEscape) {
                wxKeyEvent key(wxEVT_CHAR_HOOK);
                key.m_keyCode = WXK_ESCAPE;
                box->ProcessWindowEvent(key);
            } else {
                wxCommandEvent ok(wxEVT_BUTTON, IDOK);
                box->FindWindow(IDOK)->ProcessWindowEvent(ok);
            }
            return;
        }
    });
}

TEST_F(MainDialogTest, SystemCommandsOfTheAboutRangeOpenTheAboutBox) {
    g_aboutShown = 0;
    for (unsigned id = 0x0010; id <= 0x001F; ++id) {
        CloseAboutBoxWhenUp(id % 2 == 0);
        dlg->Dispatch(WM_SYSCOMMAND, id, 0);
    }
    EXPECT_EQ(g_aboutShown, 16);
    EXPECT_FALSE(dlg->HasEnded());
    dlg->Dispatch(WM_SYSCOMMAND, 0x0020, 0); // neither About nor Close
    EXPECT_FALSE(dlg->HasEnded());
    dlg->Dispatch(WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(dlg->HasEnded());
}

TEST_F(MainDialogTest, AboutItemOfTheMenuOpensTheAboutBox) {
    g_aboutShown = 0;
    CloseAboutBoxWhenUp(false);
    dlg->ChooseSystemMenuItem(2);
    EXPECT_EQ(g_aboutShown, 1);
}

TEST(IconOrigin, IsCentredAndRoundsTowardsZero) {
    struct Case {
        int width, height, cx, cy;
        int x, y;
    } cases[] = {
        {36, 36, 32, 32, 2, 2}, {0, 0, 32, 32, -15, -15},  {33, 40, 32, 32, 1, 4},
        {32, 31, 32, 32, 0, 0}, {48, 16, 16, 48, 16, -15},
    };
    for (const auto& c : cases) {
        const IconOrigin origin = CentredIconOrigin(c.width, c.height, c.cx, c.cy);
        EXPECT_EQ(origin.x, c.x) << c.width;
        EXPECT_EQ(origin.y, c.y) << c.height;
    }
}

TEST_F(MainDialogTest, DragIconIsTheProgramIconAndTheCaptionIconsAreSet) {
    ASSERT_NE(dlg->m_hIcon, nullptr);
    EXPECT_EQ(dlg->GetIcon(TRUE), dlg->m_hIcon);
    EXPECT_EQ(dlg->GetIcon(FALSE), dlg->m_hIcon);
    EXPECT_EQ(reinterpret_cast<HICON>(dlg->Dispatch(WM_QUERYDRAGICON, 0, 0)), dlg->m_hIcon);
}

} // namespace
