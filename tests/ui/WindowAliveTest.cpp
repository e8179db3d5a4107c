// The main dialog while a tool runs, seen from outside as the desktop and the
// user see it: it repaints what another window uncovered, answers the ping,
// takes no click, key, menu or close, and shows its steps and the rows loaded
// so far without logging them.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/display.h>
#include <wx/timer.h>
#include <wx/utils.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>
#include <unistd.h>

#include "framework/ProgressWindow.h"
#include "support/RealInput.h"
#include "support/ServerEnv.h"
#include "ui/DialogFixture.h"

using namespace testing_support;

namespace {

// Calls its function every few milliseconds while any event loop runs.
class Sampler : public wxTimer {
public:
    explicit Sampler(std::function<void()> sample) : m_sample(std::move(sample)) { Start(10); }
    void Notify() override { m_sample(); }

private:
    std::function<void()> m_sample;
};

class WindowAliveTest : public MainDialogFixture {
protected:
    WindowAliveTest()
        : path("PATH", (dir / "bin").string() + ":" + std::string(std::getenv("PATH"))) {}

    void SetUp() override {
        std::filesystem::create_directory(dir / "bin");
        OpenPlaced();
    }

    void OpenPlaced() {
        Open();
        Place();
    }
    // The dialog in the screen's bottom right corner, where the other tests'
    // windows (at the top left) do not cover it, drawn and on top.
    void Place() {
        wxDialog* window = dlg->Window();
        const wxRect screen = wxDisplay(0u).GetGeometry();
        window->Move(screen.GetRight() - window->GetSize().x - 16,
                     screen.GetBottom() - window->GetSize().y - 16);
        window->Raise();
        Settle();
    }

    // A shell tool on PATH that runs `body` and then exits.
    void Tool(const std::string& name, const std::string& body) {
        WriteFile(dir / ("bin/" + name), "#!/bin/sh\n" + body + "\n", true);
    }
    void RunOsql() {
        std::string command = "osql -Q \"truncate table tbl_ConvertSolvaneToOrbelle \"";
        dlg->RunTool(command.data(), "osql", nullptr, nullptr);
    }

    // The probe's command line for this dialog, and xdotool's for a point of it.
    std::string Probe(const std::string& what) const {
        return std::string(STO_X_PROBE) + " " + what + " " + std::to_string(getpid()) +
               " SolvaneToOrbelle";
    }
    wxPoint ClientPoint(int id) const {
        return wxPoint(6, dlg->Window()->FindWindow(id)->GetClientSize().y / 2);
    }
    std::string PointAt(int id) const {
        const wxPoint at = dlg->Window()->FindWindow(id)->ClientToScreen(ClientPoint(id));
        return std::to_string(at.x) + " " + std::to_string(at.y);
    }
    void ClickSingleUser() {
        ClickAt(dlg->Window()->FindWindow(IDC_SINGLE_USER), ClientPoint(IDC_SINGLE_USER));
    }

    // A click on "Single User", Esc, the close request, the Upload key, the
    // system menu by key and by right click; then time for the program to
    // take them, and an Esc that would close a menu left open.
    std::string InputScript() const {
        return "xdotool mousemove " + PointAt(IDC_SINGLE_USER) +
               " click 1\n"
               "xdotool key Escape alt+u shift+F10 Return\n" +
               Probe("close") + " > /dev/null\nxdotool mousemove " + PointAt(IDC_OUTPUT) +
               " click 3\nsleep 0.5\nxdotool key Escape\nsleep 0.3";
    }

    ScopedEnv path;
    ActiveEventLoop loop; // the display's events are handled while the test waits
};

TEST_F(WindowAliveTest, RepaintsAndAnswersThePingWhileAToolRuns) {
    // The top left of the dialog, clear of the progress window in its middle.
    Tool("osql", Probe("repaint") + " 8 8 160 60 > \"" + (dir / "repaint").string() + "\"\n" +
                     Probe("ping") + " 3 100 > \"" + (dir / "ping").string() + "\"");
    RunOsql();
    const std::string repaint = ReadFile(dir / "repaint");
    EXPECT_EQ(repaint.rfind("repainted in ", 0), 0u) << repaint;
    const std::string ping = ReadFile(dir / "ping");
    EXPECT_NE(ping.find("answered 3 of 3;"), std::string::npos) << ping;
    EXPECT_EQ(ping.find("none"), std::string::npos) << ping;
}

TEST_F(WindowAliveTest, NoClickKeyMenuOrCloseReachesTheDialogWhileAToolRuns) {
    Click(*dlg, IDC_MULTIPLE_USER);
    int menusOpened = 0;
    dlg->Window()->Bind(wxEVT_MENU_OPEN, [&](wxMenuEvent& e) {
        ++menusOpened;
        e.Skip();
    });
    Tool("osql", InputScript());
    RunOsql();
    Settle();
    EXPECT_TRUE(Checked(IDC_MULTIPLE_USER));
    EXPECT_FALSE(Checked(IDC_SINGLE_USER));
    EXPECT_FALSE(dlg->HasEnded());
    EXPECT_TRUE(ui.fileRequests.empty());
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(menusOpened, 0);

    // Once the tool has ended, the same events reach it.
    ClickSingleUser();
    EXPECT_TRUE(WaitUntil([&] { return Checked(IDC_SINGLE_USER); }));
    PressKeys({"Escape"});
    EXPECT_TRUE(WaitUntil([&] { return dlg->HasEnded(); }));
    dlg.reset();
    OpenPlaced();
    RunCommand(Probe("close"));
    EXPECT_TRUE(WaitUntil([&] { return dlg->HasEnded(); }));
}

TEST_F(WindowAliveTest, RunModallyAsTheProgramDoesItTakesNoInputWhileAToolRunsEither) {
    dlg = std::make_unique<CSolvaneToOrbelleDlg>();
    bool ranInside = false;
    bool singleUserWhileBusy = true;
    bool endedWhileBusy = true;
    bool singleUserAfter = false;
    // Inside the dialog's own modal loop, as an operator's click would be.
    wxTheApp->CallAfter([&] {
        Place();
        Click(*dlg, IDC_MULTIPLE_USER);
        Tool("osql", InputScript());
        RunOsql();
        Settle();
        singleUserWhileBusy = Checked(IDC_SINGLE_USER);
        endedWhileBusy = dlg->HasEnded();
        ClickSingleUser();
        singleUserAfter = WaitUntil([&] { return Checked(IDC_SINGLE_USER); });
        ranInside = true;
        dlg->EndDialog(IDOK + 100);
    });
    EXPECT_EQ(dlg->DoModal(), IDOK + 100);
    EXPECT_TRUE(ranInside);
    EXPECT_FALSE(singleUserWhileBusy);
    EXPECT_FALSE(endedWhileBusy);
    EXPECT_TRUE(ui.fileRequests.empty());
    EXPECT_TRUE(singleUserAfter);
}

TEST_F(WindowAliveTest, StepsAndRowsLoadedAreShownAndNeverLogged) {
    Tool("osql", "case \"$*\" in *truncate*) sleep 0.3;; *)\n"
                 "  while [ $# -gt 0 ]; do [ \"$1\" = -o ] && out=$2; shift; done\n"
                 "  sleep 0.3; printf '3 converted, 0 refused\\n' > \"$out\";; esac");
    const std::string bcpOutput = "Starting copy...\n"
                                  "1000 rows sent to SQL Server. Total sent: 1000\n"
                                  "1000 rows sent to SQL Server. Total sent: 2000\n"
                                  "1000 rows sent to SQL Server. Total sent: 3000\n"
                                  "\n3000 rows copied.\n";
    Tool("bcp", "while [ $# -gt 0 ]; do [ \"$1\" = -o ] && out=$2; shift; done\n"
                "printf 'Starting copy...\\n' > \"$out\"\n"
                "for n in 1 2 3; do sleep 0.3\n"
                "  printf '1000 rows sent to SQL Server. Total sent: %d000\\n' $n >> \"$out\"\n"
                "done\nsleep 0.3; printf '\\n3000 rows copied.\\n' >> \"$out\"");
    Click(*dlg, IDC_MULTIPLE_USER);
    const auto file = WriteFile(dir / "in.csv", "G001,C000001\n");
    ui.AnswerFileDialog(file.string());

    // What the progress window shows, each change once, and whether the
    // busy cursor was on meanwhile.
    std::vector<std::string> shown;
    bool busyThroughout = true;
    Sampler sampler([&] {
        if (!dlg->m_pProgress || !dlg->m_pProgress->IsShown()) {
            return;
        }
        busyThroughout = busyThroughout && wxIsBusy();
        const std::string now = dlg->m_pProgress->Step() + " | " + dlg->m_pProgress->Detail();
        if (shown.empty() || shown.back() != now) {
            shown.push_back(now);
        }
    });
    Click(*dlg, IDC_UPLOAD);
    sampler.Stop();

    const std::string loading = "Step 2 of 3: loading the file | ";
    std::vector<std::string> expected = {"Step 1 of 3: emptying the staging table | ",
                                         loading,
                                         loading + "1,000 rows loaded so far",
                                         loading + "2,000 rows loaded so far",
                                         loading + "3,000 rows loaded so far",
                                         "Step 3 of 3: converting the loaded clients | "};
    // A sample may miss a state that lasted less than one tick, never reorder.
    std::size_t next = 0;
    for (const std::string& s : shown) {
        while (next < expected.size() && expected[next] != s) {
            ++next;
        }
        ASSERT_LT(next, expected.size()) << "unexpected or out of order: " << s;
    }
    EXPECT_GE(shown.size(), 4u);
    EXPECT_EQ(shown.front(), expected.front());
    EXPECT_EQ(shown.back(), expected.back());
    EXPECT_TRUE(busyThroughout);
    EXPECT_EQ(dlg->m_pProgress, nullptr);
    EXPECT_FALSE(wxIsBusy());

    // Logged exactly as without progress: the tools' files and nothing else.
    EXPECT_EQ(Entries(), (std::vector<std::string>{bcpOutput, "3 converted, 0 refused\n"}));
    const std::string log = ReadFile(dir / dlg->m_szLogFileName);
    for (const char* text : {"Step ", "rows loaded"}) {
        EXPECT_EQ(log.find(text), std::string::npos) << text;
        EXPECT_EQ(dlg->m_strOutput.str().find(text), std::string::npos) << text;
    }
    EXPECT_EQ(ui.boxes.size(), 1u);
}

} // namespace
