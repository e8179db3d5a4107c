// Application object and entry point over the toolkit's application class.
#include "framework/WinApp.h"

#include <wx/app.h>
#include <wx/image.h>

#include <cstdlib>
#include <filesystem>

namespace {

CWinApp* g_app = nullptr;

class FrameworkApp : public wxApp {
public:
    bool OnInit() override {
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

BOOL CWinApp::InitInstance() {
    return TRUE;
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
    wxApp::SetInstance(new FrameworkApp);
    wxEntry(argc, argv);
    return 0;
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX*) {
    return TRUE;
}

void AfxEnableControlContainer() {}
