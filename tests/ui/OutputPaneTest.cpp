// The main dialog's Output pane: it keeps the newest entry in view, holds a
// bounded amount under a line that names the log file, and shows a tool's
// long answer by its end while the log file gets every byte.
#include <gtest/gtest.h>
#include <wx/dialog.h>
#include <wx/textctrl.h>

#include <algorithm>

#include "support/RealInput.h"
#include "support/TestClock.h"
#include "tools/LogFormat.h"
#include "ui/DialogFixture.h"

using namespace testing_support;

namespace {

std::size_t Lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

class OutputPaneTest : public MainDialogFixture {
protected:
    void SetUp() override {
        clock.Set(2026, 12, 8, 9, 30, 0);
        Open();
    }
    wxTextCtrl* Pane() { return static_cast<wxTextCtrl*>(dlg->Window()->FindWindow(IDC_OUTPUT)); }
    std::string Shown() {
        std::string shown = dlg->GetDlgItemText(IDC_OUTPUT);
        std::erase(shown, '\r');
        return shown;
    }
    std::string Expected() {
        std::string text = dlg->m_strOutput.str();
        std::erase(text, '\r');
        return text;
    }
    // The pane's line at the bottom of its view.
    long BottomLineInView() {
        long column = 0;
        long row = -1;
        Pane()->HitTest(wxPoint(4, Pane()->GetClientSize().y - 4), &column, &row);
        return row;
    }
    // Whether the view has come to the text's end, once the toolkit has laid it
    // out (on its frame clock, not at once).
    bool ShowsTheEnd() {
        return WaitUntil([&] { return BottomLineInView() == EndRow(); });
    }
    // The empty row after the text's last line end: at the bottom of the view,
    // the newest entry stands right above it.
    long EndRow() { return static_cast<long>(Lines(Expected())); }

    TestClock clock;
    ActiveEventLoop loop; // the display's events are handled while the test waits
};

TEST_F(OutputPaneTest, TheNewestEntryComesIntoViewAsEntriesArrive) {
    for (int i = 0; i < 200; ++i) {
        dlg->WriteLog("entry " + std::to_string(i));
    }
    EXPECT_EQ(Shown(), Expected());
    EXPECT_TRUE(ShowsTheEnd());
    // Scrolled back by the reader, the view stays while nothing new arrives...
    Pane()->ShowPosition(0);
    ASSERT_TRUE(WaitUntil([&] { return BottomLineInView() < 100; }));
    dlg->UpdateData(FALSE);
    Settle();
    EXPECT_LT(BottomLineInView(), 100);
    // ...and the next entry brings the end back.
    dlg->WriteLog("entry 200");
    EXPECT_TRUE(ShowsTheEnd());
}

TEST_F(OutputPaneTest, ThePaneHoldsTheNewestLinesUnderALineThatNamesTheLogFile) {
    for (int i = 0; i < 12000; ++i) {
        dlg->WriteLog("entry " + std::to_string(i));
    }
    const std::string& text = dlg->m_strOutput.str();
    EXPECT_EQ(text.rfind("Earlier entries are in the log file 8122026SolvaneToOrbelle.log.\r\n", 0),
              0u);
    EXPECT_LE(Lines(text), 10001u);
    EXPECT_GE(Lines(text), 7501u);
    EXPECT_TRUE(text.ends_with("9:30:00: entry 11999 \r\n"));
    EXPECT_EQ(Shown(), Expected());
    EXPECT_TRUE(ShowsTheEnd());
    // The log file has every entry.
    const std::string log = ReadFile(dir / "8122026SolvaneToOrbelle.log");
    EXPECT_EQ(Lines(log), 12000u);
    EXPECT_EQ(log.rfind("9:30:00: entry 0 \r\n", 0), 0u);
}

TEST_F(OutputPaneTest, ALongAnswerReachesTheLogFileWholeAndThePaneByItsEnd) {
    dlg->WriteLog("before");
    std::string answer;
    for (int i = 0; i < 60000; ++i) {
        answer += "Client C" + std::to_string(1000000 + i) + " of group G0001 was refused.\n";
    }
    answer += "40000 converted, 60000 refused\n";
    dlg->WriteLog(answer);
    EXPECT_EQ(ReadFile(dir / "8122026SolvaneToOrbelle.log"),
              tools::LogFileBytes("9:30:00: before ") +
                  tools::LogFileBytes("9:30:00: " + answer + " "));
    const std::string& text = dlg->m_strOutput.str();
    EXPECT_EQ(text.rfind("Earlier entries are in the log file", 0), 0u);
    EXPECT_EQ(text.find("before"), std::string::npos);
    EXPECT_TRUE(text.ends_with("C1059999 of group G0001 was refused.\n"
                               "40000 converted, 60000 refused\n \r\n"));
    EXPECT_LE(Lines(text), 10001u);
    EXPECT_EQ(Shown(), Expected());
    EXPECT_TRUE(ShowsTheEnd());
}

TEST_F(OutputPaneTest, WithoutALogFileTheTopLineSaysTheEarlierEntriesAreNotKept) {
    // Every write to /dev/full fails as on a full disk.
    dlg.reset();
    std::filesystem::remove(dir / "8122026SolvaneToOrbelle.log");
    std::filesystem::create_symlink("/dev/full", dir / "8122026SolvaneToOrbelle.log");
    Open();
    for (int i = 0; i < 10001; ++i) {
        dlg->WriteLog("entry " + std::to_string(i));
    }
    EXPECT_EQ(dlg->m_strOutput.str().rfind("Earlier entries are not shown: the log file "
                                           "8122026SolvaneToOrbelle.log could not be written.\r\n",
                                           0),
              0u);
    EXPECT_EQ(ui.boxes.size(), 1u);
}

TEST_F(OutputPaneTest, AnEntryInTheWindowsCodePageIsShownNotDropped) {
    dlg->WriteLog("first");
    dlg->WriteLog("caf\xE9 \xE2\x82\xAC"); // é in Windows-1252, then € in UTF-8
    std::string shown = Shown();
    EXPECT_EQ(shown, "9:30:00: first \n9:30:00: caf\xC3\xA9 \xE2\x82\xAC \n");
}

} // namespace
