// Writes 10,000 log entries through the main dialog and prints what the
// first and the last thousand cost: an entry must not get dearer as the
// Output pane grows.
#include <cstdlib>
#include <filesystem>

#include "BenchApp.h"
#include "framework/UiServices.h"
#include "ui/SolvaneToOrbelleDlg.h"

namespace {
class SilentUi : public IUiServices {
public:
    int MessageBox(const std::string&, UINT) override { return 1; }
    int FileDialog(const FileDialogRequest&, std::string&) override { return 2; }
};
} // namespace

int main(int argc, char** argv) {
    if (!StartToolkit(argc, argv)) {
        return 1;
    }
    const auto folder = std::filesystem::temp_directory_path() / "sto-bench-log";
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);
    setenv("SOLVANETOORBELLE_HKLM", (folder / "none/HKLM.reg").c_str(), 1);
    SilentUi ui;
    SetUiServices(&ui);
    {
        CSolvaneToOrbelleDlg dlg;
        dlg.Create();
        double firstThousand = 0;
        double lastThousand = 0;
        const std::string message =
            "{call stp_ConvertSolvaneToOrbelle('G001','C000001')}: converted to Orbelle";
        for (int block = 0; block < 10; ++block) {
            const auto start = std::chrono::steady_clock::now();
            for (int i = 0; i < 1000; ++i) {
                dlg.WriteLog(message);
            }
            const double seconds = SecondsSince(start);
            firstThousand = block == 0 ? seconds : firstThousand;
            lastThousand = seconds;
        }
        std::printf("log entries: first 1,000 took %.3f s (%.1f us each), last 1,000 took "
                    "%.3f s (%.1f us each); pane holds %zu bytes\n",
                    firstThousand, firstThousand * 1000, lastThousand, lastThousand * 1000,
                    dlg.m_strOutput.size());
    }
    SetUiServices(nullptr);
    std::filesystem::remove_all(folder);
    wxEntryCleanup();
    return 0;
}
