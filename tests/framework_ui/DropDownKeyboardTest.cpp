// The drop-down lists worked with real keys and clicks under the display:
// focus by Tab and click, choosing by keys and type-ahead, the open list's
// Esc, Return, Alt+Down and F4, and a click elsewhere.
#include <gtest/gtest.h>
#include <wx/dialog.h>
#include <wx/image.h>
#include <wx/radiobut.h>

#include <thread>

#include "framework/DropDownList.h"
#include "framework_ui/ListDialog.h"
#include "support/RealInput.h"
#include "support/RecordingUi.h"

namespace {

using namespace test_dialog;
using namespace testing_support;
using namespace std::chrono_literals;

// Blank first, as the program's group list has it; G001..G030 for paging.
std::vector<std::string> Groups() {
    std::vector<std::string> groups = {"", "Alpha", "G100", "G200", "Gamma", "H1", "Zulu"};
    for (int i = 1; i <= 30; ++i) {
        char name[8];
        std::snprintf(name, sizeof name, "G%03d", i);
        groups.push_back(name);
    }
    return groups;
}

class DropDownKeyboard : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dlg.Create());
        dlg.FillGroups(Groups());
        ASSERT_TRUE(ActivateWindow(dlg.Window()));
    }
    void TearDown() override {
        dlg.DestroyWindow();
        PumpEvents();
    }
    fw::DropDownList* List(int id) { return dynamic_cast<fw::DropDownList*>(dlg.Control(id)); }
    fw::DropDownList* GroupList() { return List(IDC_GROUPS); }
    bool HasFocus(int id) { return wxWindow::FindFocus() == dlg.Control(id); }
    bool FocusMovesTo(const std::string& key, int id) {
        PressKeys({key});
        return WaitUntil([&] { return HasFocus(id); });
    }
    int IndexOf(const std::string& text) {
        for (int i = 0; i < GroupList()->GetCount(); ++i) {
            if (GroupList()->GetItemText(i) == text) {
                return i;
            }
        }
        return -1;
    }
    bool Opened() {
        return WaitUntil([&] { return GroupList()->IsPopupShown(); });
    }
    bool Closed() {
        return WaitUntil([&] { return !GroupList()->IsPopupShown(); });
    }
    // Gives the group list the focus by keyboard, from the first control.
    void FocusGroups() {
        dlg.Control(IDC_SINGLE)->SetFocus();
        ASSERT_TRUE(WaitUntil([&] { return HasFocus(IDC_SINGLE); }));
        ASSERT_TRUE(FocusMovesTo("Tab", IDC_GROUPS));
    }
    std::string Chosen() { return GroupList()->GetSelectedText(); }

    ActiveEventLoop loop;
    RecordingUi ui;
    ListDialog dlg;
};

TEST_F(DropDownKeyboard, TabVisitsBothListsInTemplateOrder) {
    ASSERT_TRUE(HasFocus(IDC_SINGLE)); // the first tab stop, as the dialog starts
    EXPECT_TRUE(FocusMovesTo("Tab", IDC_GROUPS));
    EXPECT_TRUE(FocusMovesTo("Tab", IDC_CLIENTS)); // empty, still a stop
    EXPECT_TRUE(FocusMovesTo("Tab", IDC_GO));
    EXPECT_TRUE(FocusMovesTo("shift+Tab", IDC_CLIENTS));
    EXPECT_TRUE(FocusMovesTo("shift+Tab", IDC_GROUPS));
    EXPECT_TRUE(FocusMovesTo("shift+Tab", IDC_SINGLE));
}

TEST_F(DropDownKeyboard, DisabledListIsNoTabStop) {
    dlg.m_groups.EnableWindow(FALSE);
    ASSERT_TRUE(HasFocus(IDC_SINGLE));
    EXPECT_TRUE(FocusMovesTo("Tab", IDC_CLIENTS));
}

TEST_F(DropDownKeyboard, ClickOpensTheListAndGivesItTheFocus) {
    for (const int id : {IDC_GROUPS, IDC_CLIENTS}) {
        SCOPED_TRACE(id);
        ClickOn(List(id));
        EXPECT_TRUE(WaitUntil([&] { return List(id)->IsPopupShown(); }));
        PressKeys({"Escape"});
        EXPECT_TRUE(WaitUntil([&] { return !List(id)->IsPopupShown(); }));
        EXPECT_TRUE(WaitUntil([&] { return HasFocus(id); }));
        EXPECT_FALSE(dlg.HasEnded());
    }
}

bool SamePixels(const wxImage& a, const wxImage& b) {
    return a.GetSize() == b.GetSize() &&
           std::equal(a.GetData(), a.GetData() + a.GetWidth() * a.GetHeight() * 3, b.GetData());
}

TEST_F(DropDownKeyboard, FocusedListLooksFocused) {
    for (const char* selected : {"", "G002"}) {
        SCOPED_TRACE(selected);
        GroupList()->SetCurSel(IndexOf(selected));
        FocusGroups();
        const wxImage focused = Snapshot(GroupList());
        ASSERT_TRUE(FocusMovesTo("shift+Tab", IDC_SINGLE));
        const wxImage unfocused = Snapshot(GroupList());
        EXPECT_FALSE(SamePixels(focused, unfocused));
    }
}

struct KeyCase {
    const char* start; // selected entry before the key ("-" for none)
    const char* key;
    const char* chosen;
};

TEST_F(DropDownKeyboard, KeysOnTheClosedListChooseAsAClickWould) {
    const KeyCase cases[] = {
        {"-", "Down", ""},         {"", "Down", "Alpha"},    {"Alpha", "Right", "G001"},
        {"G002", "Up", "G001"},    {"G002", "Left", "G001"}, {"", "Up", ""},
        {"Zulu", "Down", "Zulu"},  {"G010", "Home", ""},     {"G010", "End", "Zulu"},
        {"Zulu", "End", "Zulu"},   {"-", "End", "Zulu"},     {"-", "Home", ""},
        {"Gamma", "Next", "Zulu"}, {"Alpha", "Prior", ""},
    };
    FocusGroups();
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(std::string(c.start) + " " + c.key);
        GroupList()->SetCurSel(std::string(c.start) == "-" ? -1 : IndexOf(c.start));
        dlg.refills.clear();
        PressKeys({c.key});
        Settle();
        EXPECT_EQ(Chosen(), c.chosen);
        EXPECT_EQ(GroupList()->GetCurSel(), IndexOf(c.chosen));
        EXPECT_FALSE(GroupList()->IsPopupShown());
        // A change reaches the dialog's handler once, as a click's does.
        if (std::string(c.start) == c.chosen) {
            EXPECT_TRUE(dlg.refills.empty());
        } else {
            EXPECT_EQ(dlg.refills, std::vector<std::string>{c.chosen});
            EXPECT_EQ(dlg.m_clients.GetCount(), 3);
        }
    }
    EXPECT_EQ(dlg.goClicks, 0);
}

TEST_F(DropDownKeyboard, PageKeysMoveByWhatTheOpenListShows) {
    FocusGroups();
    GroupList()->SetCurSel(IndexOf("Alpha"));
    PressKeys({"Next"});
    Settle();
    const int page = GroupList()->GetCurSel() - IndexOf("Alpha");
    EXPECT_GT(page, 1);
    EXPECT_LT(page, 20); // the open list shows a few entries, not all
    PressKeys({"Prior"});
    Settle();
    EXPECT_EQ(Chosen(), "Alpha");
    // The open list pages its highlight by the same amount.
    PressKeys({"F4"});
    ASSERT_TRUE(Opened());
    PressKeys({"Next", "Return"});
    ASSERT_TRUE(Closed());
    EXPECT_EQ(GroupList()->GetCurSel(), IndexOf("Alpha") + page);
}

TEST_F(DropDownKeyboard, TypingChoosesTheFirstEntryThatBeginsWithWhatWasTyped) {
    // Home, like any move, ends one search before the next.
    FocusGroups();
    TypeText("g1"); // several keys make one prefix
    Settle();
    EXPECT_EQ(Chosen(), "G100");
    EXPECT_EQ(dlg.refills, (std::vector<std::string>{"G001", "G100"}));
    PressKeys({"Home"});
    TypeText("GA"); // case does not matter
    Settle();
    EXPECT_EQ(Chosen(), "Gamma");
    PressKeys({"Home"});
    TypeText("gx"); // no entry begins with it: the choice stays where "g" led
    Settle();
    EXPECT_EQ(Chosen(), "G001");
    PressKeys({"Home"});
    TypeText("q");
    Settle();
    EXPECT_EQ(Chosen(), "");
}

TEST_F(DropDownKeyboard, APauseStartsTheTypedPrefixAfresh) {
    FocusGroups();
    TypeText("g");
    Settle();
    EXPECT_EQ(Chosen(), "G001");
    std::this_thread::sleep_for(1500ms);
    TypeText("h");
    Settle();
    EXPECT_EQ(Chosen(), "H1");
}

TEST_F(DropDownKeyboard, RepeatingOneLetterStepsThroughTheEntriesWithIt) {
    FocusGroups();
    TypeText("hhh");
    Settle();
    EXPECT_EQ(Chosen(), "H1"); // the only one: it stays
    PressKeys({"Home"});
    TypeText("gGg");
    Settle();
    EXPECT_EQ(Chosen(), "G003");
    EXPECT_EQ(dlg.refills, (std::vector<std::string>{"H1", "", "G001", "G002", "G003"}));
}

TEST_F(DropDownKeyboard, OpenListKeysMoveTheHighlightAndReturnChooses) {
    for (const char* opener : {"alt+Down", "F4", "alt+Up"}) {
        SCOPED_TRACE(opener);
        FocusGroups();
        GroupList()->SetCurSel(IndexOf("G002"));
        dlg.refills.clear();
        PressKeys({opener});
        ASSERT_TRUE(Opened());
        PressKeys({"Down", "Down", "Up"});
        TypeText("g1");
        PressKeys({"Home", "End", "Up"});
        Settle();
        EXPECT_TRUE(GroupList()->IsPopupShown());
        EXPECT_EQ(Chosen(), "G002"); // nothing chosen while the list is open
        EXPECT_TRUE(dlg.refills.empty());
        PressKeys({"Return"});
        ASSERT_TRUE(Closed());
        Settle();
        EXPECT_EQ(Chosen(), "H1");
        EXPECT_EQ(dlg.refills, std::vector<std::string>{"H1"});
        EXPECT_EQ(dlg.goClicks, 0); // Return did not also press the default button
        EXPECT_FALSE(dlg.HasEnded());
        EXPECT_TRUE(HasFocus(IDC_GROUPS));
    }
}

TEST_F(DropDownKeyboard, EscapeClosesTheOpenListOnlyThenCancelsTheDialog) {
    FocusGroups();
    GroupList()->SetCurSel(IndexOf("G002"));
    PressKeys({"alt+Down"});
    ASSERT_TRUE(Opened());
    PressKeys({"Down", "Escape"});
    ASSERT_TRUE(Closed());
    Settle();
    EXPECT_FALSE(dlg.HasEnded());
    EXPECT_EQ(Chosen(), "G002"); // the highlight was not chosen
    EXPECT_TRUE(dlg.refills.empty());
    EXPECT_TRUE(HasFocus(IDC_GROUPS));
    PressKeys({"Escape"});
    EXPECT_TRUE(WaitUntil([&] { return dlg.HasEnded(); }));
    EXPECT_EQ(dlg.Result(), IDCANCEL);
}

TEST_F(DropDownKeyboard, TabClosesTheOpenListAndMovesOn) {
    FocusGroups();
    PressKeys({"F4"});
    ASSERT_TRUE(Opened());
    PressKeys({"Down", "Tab"});
    EXPECT_TRUE(Closed());

    EXPECT_TRUE(WaitUntil([&] { return HasFocus(IDC_CLIENTS); }));
    EXPECT_EQ(GroupList()->GetCurSel(), -1); // the highlight was not chosen
    EXPECT_TRUE(dlg.refills.empty());
}

TEST_F(DropDownKeyboard, ReturnOnTheClosedListPressesTheDefaultButton) {
    FocusGroups();
    PressKeys({"Return"});
    EXPECT_TRUE(WaitUntil([&] { return dlg.goClicks == 1; }));
    EXPECT_FALSE(GroupList()->IsPopupShown());
}

TEST_F(DropDownKeyboard, ClickElsewhereClosesTheOpenListOnly) {
    FocusGroups();
    PressKeys({"F4"});
    ASSERT_TRUE(Opened());
    auto* multiple = dynamic_cast<wxRadioButton*>(dlg.Control(IDC_MULTIPLE));
    ClickOn(multiple);
    EXPECT_TRUE(Closed());
    Settle();
    EXPECT_FALSE(multiple->GetValue());
    EXPECT_FALSE(dlg.HasEnded());
    EXPECT_TRUE(dlg.refills.empty());
}

TEST_F(DropDownKeyboard, ClickOnAnEntryChoosesItAsReturnDoes) {
    ClickOn(GroupList());
    ASSERT_TRUE(Opened());
    wxWindow* popup = GroupList()->GetPopupControl()->GetControl();
    // The second row of the open list.
    const int row = GroupList()->GetCharHeight() + 2;
    ClickAt(popup, wxPoint(popup->GetClientSize().x / 2, row + row / 2));
    ASSERT_TRUE(Closed());
    Settle();
    EXPECT_EQ(Chosen(), "Alpha");
    EXPECT_EQ(dlg.refills, std::vector<std::string>{"Alpha"});
    EXPECT_TRUE(HasFocus(IDC_GROUPS));
}

} // namespace
