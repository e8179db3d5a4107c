// Start-up of the application and the one application object.
#include "app/SolvaneToOrbelleApp.h"

#include <future>
#include <system_error>

#include "ui/SolvaneToOrbelleDlg.h"

CSolvaneToOrbelleApp theApp;

// No application name: the framework names it after the executable. Help
// (ID_HELP) has no content on this platform, so no help command is routed.
CSolvaneToOrbelleApp::CSolvaneToOrbelleApp() : CWinApp(nullptr) {}

BOOL CSolvaneToOrbelleApp::InitInstance() {
    INITCOMMONCONTROLSEX initCtrls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&initCtrls);
    CWinApp::InitInstance();
    AfxEnableControlContainer();
    SetRegistryKey("Local AppWizard-Generated Applications");

    // What start-up needs no window for (the password's key derivation, the
    // login, the group list) runs on a second core while the dialog is built.
    std::future<db::PreparedStart> start;
    try {
        start = std::async(std::launch::async, db::PrepareStart);
    } catch (const std::system_error&) {
        // No thread to be had: the dialog does that work itself.
    }
    CSolvaneToOrbelleDlg dlg;
    if (start.valid()) {
        dlg.UsePreparedStart(std::move(start));
    }
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    // No message loop follows: the application ends with its dialog.
    return FALSE;
}
