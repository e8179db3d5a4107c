// sto-demo-drive SCREENSHOT_DIR UPLOAD_FILE
// Works the main dialog the way an operator would, where no one can: one
// single-account conversion, then one bulk upload of UPLOAD_FILE. Message
// boxes are printed instead of shown, the file dialog is answered with
// UPLOAD_FILE, and a screenshot of the dialog is saved after each step.
// The environment (registry hive, ODBC data source, tools on PATH) is the
// demo's, as scripts/run.sh sets it up.
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/image.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "framework/Automation.h"
#include "framework/UiServices.h"
#include "framework/WinApp.h"
#include "platform/Process.h"
#include "ui/ResourceIds.h"
#include "ui/SolvaneToOrbelleDlg.h"

namespace {

CWinApp g_application("SolvaneToOrbelle");

class PrintedBoxes : public IUiServices {
public:
    explicit PrintedBoxes(std::string uploadFile) : m_uploadFile(std::move(uploadFile)) {}
    int MessageBox(const std::string& text, UINT type) override {
        const char* icon = (type & MB_ICONMASK) == MB_ICONSTOP          ? " (stop)"
                           : (type & MB_ICONMASK) == MB_ICONEXCLAMATION ? " (warning)"
                                                                        : "";
        std::cout << "  message box" << icon << ": " << text << "\n";
        return IDOK;
    }
    int FileDialog(const FileDialogRequest&, std::string& chosenPath) override {
        std::cout << "  file dialog: choosing " << m_uploadFile << "\n";
        chosenPath = m_uploadFile;
        return IDOK;
    }

private:
    std::string m_uploadFile;
};

// Lets the toolkit lay out and paint what the last step changed.
void Settle() {
    for (int i = 0; i < 30; ++i) {
        wxTheApp->Yield(true);
        wxMilliSleep(10);
    }
}

// The dialog as the display shows it, cut from the screen by ImageMagick's
// import (the toolkit cannot read back what it drew on every display).
void Screenshot(CDialog& dialog, const std::filesystem::path& file) {
    wxDialog* window = dialog.Window();
    window->Raise();
    window->Refresh();
    window->Update();
    Settle();
    const wxRect r = window->GetScreenRect();
    const std::string crop = std::to_string(r.width) + "x" + std::to_string(r.height) + "+" +
                             std::to_string(r.x) + "+" + std::to_string(r.y);
    auto import = platform::Process::Start("import -window root -crop " + crop + " +repage \"" +
                                           file.string() + "\"");
    if (import && import->Wait() == 0) {
        std::cout << "  screenshot: " << file.string() << "\n";
    } else {
        std::cout << "  (no screenshot: ImageMagick's import is missing)\n";
    }
}

class DemoApp : public wxApp {
public:
    bool OnInit() override {
        wxInitAllImageHandlers();
        SetAppName("SolvaneToOrbelle");
        return true;
    }
};

int Drive(const std::filesystem::path& shots, const std::string& uploadFile) {
    using namespace fw::automation;
    std::filesystem::create_directories(shots);
    PrintedBoxes boxes(uploadFile);
    SetUiServices(&boxes);
    CSolvaneToOrbelleDlg dlg;
    std::cout << "Start-up\n";
    dlg.Create();
    Screenshot(dlg, shots / "1-start.png");

    if (dlg.m_cboGroupId.GetCount() < 2) {
        std::cout << "The demo database has no groups: nothing to convert.\n";
        return 1;
    }
    std::cout << "Single User: group " << dlg.m_cboGroupId.GetLBText(1) << "\n";
    ChooseListEntry(dlg, IDC_GROUP_ID, 1);
    if (dlg.m_cboClientId.GetCount() == 0) {
        std::cout << "The group has no Solvane clients left.\n";
        return 1;
    }
    ChooseListEntry(dlg, IDC_CLIENT_ID, 0);
    std::cout << "  client " << dlg.m_cboClientId.GetWindowText() << ", Convert\n";
    Screenshot(dlg, shots / "2-client-chosen.png");
    Click(dlg, IDC_CONVERT);
    Screenshot(dlg, shots / "3-converted.png");

    std::cout << "Multiple User: Upload\n";
    Click(dlg, IDC_MULTIPLE_USER);
    Click(dlg, IDC_UPLOAD);
    Screenshot(dlg, shots / "4-uploaded.png");

    std::cout << "\nActivity log (" << dlg.m_szLogFileName << "):\n";
    std::ifstream log(dlg.m_szLogFileName, std::ios::binary);
    std::string line;
    while (std::getline(log, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::cout << "  " << line << "\n";
    }
    SetUiServices(nullptr);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: sto-demo-drive SCREENSHOT_DIR UPLOAD_FILE\n");
        return 2;
    }
    const std::filesystem::path shots = argv[1];
    const std::string upload = argv[2];
    wxApp::SetInstance(new DemoApp);
    int one = 1;
    AfxPrepareToolkit();
    if (!wxEntryStart(one, argv) || !wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "sto-demo-drive: no display\n");
        return 2;
    }
    const int status = Drive(shots, upload);
    wxTheApp->OnExit();
    wxEntryCleanup();
    return status;
}
