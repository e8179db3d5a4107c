// The dialog's activity log: the dated file, the entries' bytes, the Output
// pane, runs that append, a run past midnight and an unwritable folder.
#include <gtest/gtest.h>

#include <ctime>

#include "support/TestClock.h"
#include "ui/DialogFixture.h"

using testing_support::ReadFile;
using testing_support::ScopedEnv;

namespace {

class ActivityLogTest : public MainDialogFixture {
protected:
    testing_support::TestClock clock;
};

TEST_F(ActivityLogTest, EntriesGoToTheDatedFileAndThePane) {
    clock.Set(2026, 12, 7, 9, 5, 3);
    Open();
    EXPECT_STREQ(dlg->m_szLogFileName, "7122026SolvaneToOrbelle.log");
    dlg->WriteLog("abc");
    clock.Set(2026, 12, 7, 0, 10, 5);
    dlg->WriteLog("");
    dlg->WriteLog("50% of %s\r\nsecond line");
    const std::string expectedFile = "9:05:03: abc \r\n"
                                     "0:10:05:  \r\n"
                                     "0:10:05: 50% of %s\r\r\nsecond line \r\n";
    EXPECT_EQ(ReadFile(dir / "7122026SolvaneToOrbelle.log"), expectedFile);
    const std::string expectedPane =
        "9:05:03: abc \r\n0:10:05:  \r\n0:10:05: 50% of %s\r\nsecond line \r\n";
    EXPECT_EQ(dlg->m_strOutput.str(), expectedPane);
    // The pane shows the whole text, whatever the toolkit does with line ends.
    std::string shown = dlg->GetDlgItemText(IDC_OUTPUT);
    std::string expectedShown = expectedPane;
    std::erase(shown, '\r');
    std::erase(expectedShown, '\r');
    EXPECT_EQ(shown, expectedShown);
}

TEST_F(ActivityLogTest, EveryEntryIsOnDiskAtOnce) {
    clock.Set(2026, 3, 25, 8, 0, 0);
    Open();
    dlg->WriteLog("first");
    EXPECT_EQ(ReadFile(dir / "25032026SolvaneToOrbelle.log"), "8:00:00: first \r\n");
}

TEST_F(ActivityLogTest, SecondRunOfTheDayAppendsAndANewDayStartsANewFile) {
    clock.Set(2026, 10, 1, 7, 0, 0);
    Open();
    dlg->WriteLog("run one");
    dlg.reset();
    Open();
    dlg->WriteLog("run two");
    dlg.reset();
    EXPECT_EQ(ReadFile(dir / "1102026SolvaneToOrbelle.log"),
              "7:00:00: run one \r\n7:00:00: run two \r\n");
    clock.Set(2026, 10, 2, 7, 0, 0);
    Open();
    dlg->WriteLog("next day");
    EXPECT_EQ(ReadFile(dir / "2102026SolvaneToOrbelle.log"), "7:00:00: next day \r\n");
}

TEST_F(ActivityLogTest, RunPastMidnightKeepsTheFileOfItsFirstDay) {
    clock.Set(2026, 12, 7, 23, 59, 0);
    Open();
    clock.Set(2026, 12, 8, 0, 1, 30);
    dlg->WriteLog("after midnight");
    EXPECT_EQ(ReadFile(dir / "7122026SolvaneToOrbelle.log"), "0:01:30: after midnight \r\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "8122026SolvaneToOrbelle.log"));
}

TEST_F(ActivityLogTest, WithoutAWritableFolderEntriesStillReachThePane) {
    clock.Set(2026, 12, 7, 10, 0, 0);
    // A working folder that no longer exists cannot take a file, even for root.
    const auto gone = dir / "gone";
    std::filesystem::create_directory(gone);
    testing_support::ScopedCwd inGone(gone);
    std::filesystem::remove(gone);
    Open();
    EXPECT_EQ(dlg->m_pLogFile, nullptr);
    dlg->WriteLog("still shown");
    dlg->WriteLog("and this");
    EXPECT_EQ(dlg->m_strOutput.str(), "10:00:00: still shown \r\n10:00:00: and this \r\n");
    // Said once, after the first entry reached the pane.
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "The activity log 7122026SolvaneToOrbelle.log could not be "
                                "written (No such file or directory): entries are shown in the "
                                "Output pane only.");
}

TEST_F(ActivityLogTest, AFullDiskIsSaidOnceAndEntriesStillReachThePane) {
    clock.Set(2026, 12, 7, 10, 0, 0);
    // Every write to /dev/full fails as on a full disk.
    std::filesystem::create_symlink("/dev/full", dir / "7122026SolvaneToOrbelle.log");
    std::vector<std::string> entriesAtBox;
    ui.onBox = [&](const testing_support::Box&) { entriesAtBox = Entries(); };
    Open();
    ASSERT_NE(dlg->m_pLogFile, nullptr);
    dlg->WriteLog("first");
    dlg->WriteLog("second");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(entriesAtBox, std::vector<std::string>{"first"});
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "The activity log 7122026SolvaneToOrbelle.log could not be "
                                "written (No space left on device): entries are shown in the "
                                "Output pane only.");
    EXPECT_EQ(ui.boxes[0].style, static_cast<UINT>(MB_ICONEXCLAMATION));
}

TEST_F(ActivityLogTest, PaneTextIsReplacedWhenTheMemberIsReplaced) {
    clock.Set(2026, 12, 7, 10, 0, 0);
    Open();
    dlg->WriteLog("old");
    dlg->m_strOutput = std::string("fresh\r\n");
    dlg->WriteLog("new");
    std::string shown = dlg->GetDlgItemText(IDC_OUTPUT);
    std::erase(shown, '\r');
    EXPECT_EQ(shown, "fresh\n10:00:00: new \n");
}

} // namespace
