// Bulk uploads of 10,000, 100,000 and 1,000,000 rows through the main dialog
// against the embedded server (1,000 groups of 1,000 clients, every third
// already converted; each upload spread over all the groups). Prints for each
// the time, the program's memory (before, peak during, after) and how fast
// the window answered the desktop's ping while the tools ran.
#include <wx/dialog.h>
#include <wx/display.h>
#include <wx/utils.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "BenchApp.h"
#include "framework/Automation.h"
#include "framework/UiServices.h"
#include "platform/Process.h"
#include "support/ServerEnv.h"
#include "ui/ResourceIds.h"
#include "ui/SolvaneToOrbelleDlg.h"

namespace {

constexpr int kGroups = 1000;
constexpr int kClientsPerGroup = 1000;

// Message boxes go nowhere; the file dialog picks the upload's file.
class BenchUi : public IUiServices {
public:
    int MessageBox(const std::string&, UINT) override { return IDOK; }
    int FileDialog(const FileDialogRequest&, std::string& chosenPath) override {
        chosenPath = file;
        return IDOK;
    }
    std::string file;
};

// The program's resident memory now and at its peak, in megabytes.
double StatusMegabytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) {
            return std::stod(line.substr(std::string(field).size())) / 1024.0;
        }
    }
    return 0;
}

void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Every `stride`th client, so that the rows cover every group.
std::filesystem::path WriteUpload(const std::filesystem::path& dir, int stride) {
    const int rows = kGroups * kClientsPerGroup / stride;
    const auto path = dir / ("upload-" + std::to_string(rows) + ".csv");
    std::ofstream out(path, std::ios::binary);
    char line[32];
    for (int i = 1; i <= kGroups * kClientsPerGroup; i += stride) {
        const int n =
            std::snprintf(line, sizeof line, "G%04d,C%07d\n", (i - 1) / kClientsPerGroup + 1, i);
        out.write(line, n);
    }
    return path;
}

std::string Summary(const std::filesystem::path& pings) {
    std::ifstream in(pings);
    std::string line;
    std::string last = "no pings";
    while (std::getline(in, line)) {
        if (line.rfind("answered", 0) == 0) {
            last = line;
        }
    }
    return last;
}

} // namespace

int main(int argc, char** argv) {
    if (!StartToolkit(argc, argv)) {
        return 1;
    }
    char pattern[] = "/tmp/sto-upload-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        return 1;
    }
    const std::filesystem::path dir = pattern;
    setenv("STO_BUILD_DIR", STO_BUILD_DIR, 1);
    std::filesystem::current_path(dir);
    BenchUi ui;
    SetUiServices(&ui);
    const double started = StatusMegabytes("VmRSS:");
    const double startedAnon = StatusMegabytes("RssAnon:");
    {
        testing_support::ServerOptions options;
        options.groups = kGroups;
        options.clientsPerGroup = kClientsPerGroup;
        const testing_support::ServerEnv env(dir / "server", options);
        // Each upload starts from the same data.
        const auto database = dir / "server/data/127.0.0.1/dealerdb.sqlite";
        std::filesystem::copy_file(database, dir / "pristine.sqlite");
        std::printf("Uploads through the dialog, %d groups of %d clients, rows spread over every "
                    "group:\n",
                    kGroups, kClientsPerGroup);
        for (const int stride : {100, 10, 1}) {
            std::filesystem::copy_file(dir / "pristine.sqlite", database,
                                       std::filesystem::copy_options::overwrite_existing);
            ui.file = WriteUpload(dir, stride).string();
            const int rows = kGroups * kClientsPerGroup / stride;
            CSolvaneToOrbelleDlg dlg;
            dlg.Create();
            if (stride == 100) {
                std::printf("  resident memory (anonymous, the rest mapped files): the toolkit "
                            "started %.0f MB (%.0f MB), the dialog open on %d groups %.0f MB "
                            "(%.0f MB)\n",
                            started, startedAnon, kGroups, StatusMegabytes("VmRSS:"),
                            StatusMegabytes("RssAnon:"));
            }
            // Away from the screen's corner, where nothing else is.
            const wxRect screen = wxDisplay(0u).GetGeometry();
            dlg.Window()->Move(screen.GetRight() - dlg.Window()->GetSize().x - 16,
                               screen.GetBottom() - dlg.Window()->GetSize().y - 16);
            wxYield();
            fw::automation::Click(dlg, IDC_MULTIPLE_USER);
            const double before = StatusMegabytes("VmRSS:");
            const double beforeAnon = StatusMegabytes("RssAnon:");
            // The desktop's ping, twenty times a second, for as long as the upload runs.
            const auto stop = dir / "stop";
            const auto pings = dir / "pings";
            std::filesystem::remove(stop);
            auto prober = platform::Process::Start(
                "sh -c \"" + std::string(STO_X_PROBE) + " ping " + std::to_string(getpid()) +
                " SolvaneToOrbelle 0 50 " + stop.string() + " > " + pings.string() + "\"");
            const auto logBefore = std::filesystem::exists(dlg.m_szLogFileName)
                                       ? std::filesystem::file_size(dlg.m_szLogFileName)
                                       : 0;
            ResetPeak();
            const auto start = std::chrono::steady_clock::now();
            fw::automation::Click(dlg, IDC_UPLOAD);
            const double seconds = SecondsSince(start);
            const double peak = StatusMegabytes("VmHWM:");
            const double after = StatusMegabytes("VmRSS:");
            const double afterAnon = StatusMegabytes("RssAnon:");
            // The last ping is answered too.
            std::ofstream(stop).put('\n');
            while (prober && !prober->Poll()) {
                wxYield();
                wxMilliSleep(10);
            }
            std::printf(
                "  %7d rows: %6.1f s; resident %.0f MB before, %.0f MB peak, %.0f MB "
                "after (anonymous %.0f MB, then %.0f MB); pane %zu bytes, log file +%.1f "
                "MB; pings %s\n",
                rows, seconds, before, peak, after, beforeAnon, afterAnon, dlg.m_strOutput.size(),
                static_cast<double>(std::filesystem::file_size(dlg.m_szLogFileName) - logBefore) /
                    1e6,
                Summary(pings).c_str());
            std::fflush(stdout);
            dlg.DestroyWindow();
            wxYield();
        }
    }
    SetUiServices(nullptr);
    std::filesystem::current_path("/");
    std::filesystem::remove_all(dir);
    wxEntryCleanup();
    return 0;
}
