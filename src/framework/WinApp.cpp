// Application object and entry point over the toolkit's application class.
#include "framework/WinApp.h"

#include <wx/app.h>
#include <wx/image.h>
#include <wx/log.h>

#include <cstdlib>
#include <filesystem>

namespace {

CWinApp* g_app = nullptr;
bool g_toolkitStarted = false; // the toolkit reached the application's start-up

class FrameworkApp : public wxApp {
public:
    bool OnInit() override {
        g_toolkitStarted = true;
        // Messages logged from now on are shown in windows, as the toolkit does.
        delete wxLog::SetActiveTarget(nullptr);
        wxInitAllImageHandlers();
        if (g_app) {
            if (g_app->m_strAppName.empty()) {
                g_app->m_strAppName = std::filesystem::path(argv[0].utf8_string()).filename();
            }
            SetAppName(wxString::FromUTF8(g_app->m_strAppName));
            g_app->InitInstance();
        }
        return false; // the modal dialog was the whole run
    }
};

} // namespace

CWinApp::CWinApp(const char* lpszAppName) : m_strAppName(lpszAppName ? lpszAppName : "") {
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this) {
        g_app = nullptr;
    }
}

BOOL CWinApp::InitApplication() {
    return TRUE;
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

int CWinApp::ExitInstance() {
    return 0;
}

HICON CWinApp::LoadIcon(UINT nIDResource) const {
    return fw::LoadResourceIcon(nIDResource);
}

void CWinApp::SetRegistryKey(const char*) {}

CWinApp* AfxGetApp() {
    return g_app;
}

void AfxPrepareToolkit() {
    setenv("GDK_GL", "disable", 0);
}

int AfxWinMain(int argc, char** argv) {
    AfxPrepareToolkit();
    if (g_app != nullptr && !g_app->InitApplication()) {
        return 0;
    }
    wxApp::SetInstance(new FrameworkApp);
    // Until the toolkit has started, what it logs (no display to be reached,
    // say) goes to standard error: a window could not show it.
    delete wxLog::SetActiveTarget(new wxLogStderr);
    wxEntry(argc, argv);
    const int status = g_app != nullptr ? g_app->ExitInstance() : 0;
    return g_toolkitStarted ? status : 1;
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX*) {
    return TRUE;
}

void AfxEnableControlContainer() {}
