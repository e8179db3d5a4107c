// Start-up of the application and the one application object.
#include "app/SolvaneToOrbelleApp.h"

#include <future>
#include <system_error>

#include "ui/SolvaneToOrbelleDlg.h"

CSolvaneToOrbelleApp theApp;

// No application name: the framework names it after the executable. Help
// (ID_HELP) has no content on this platform, so no help command is routed.
CSolvaneToOrbelleApp::CSolvaneToOrbelleApp() : CWinApp(nullptr) {}

BOOL CSolvaneToOrbelleApp::InitApplication() {
    // What start-up needs no window for (the settings, the password's key
    // derivation, the login, the group list) runs on a second core while the
    // toolkit starts and the dialog is built.
    try {
        m_preparedStart = std::async(std::launch::async, db::PrepareStart);
    } catch (const std::system_error&) {
        // No thread to be had: the dialog does that work itself.
    }
    return TRUE;
}

BOOL CSolvaneToOrbelleApp::InitInstance() {
    INITCOMMONCONTROLSEX initCtrls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&initCtrls);
    CWinApp::InitInstance();
    AfxEnableControlContainer();
    SetRegistryKey("Local AppWizard-Generated Applications");

    CSolvaneToOrbelleDlg dlg;
    if (m_preparedStart.valid()) {
        dlg.UsePreparedStart(std::move(m_preparedStart));
    }
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    // No message loop follows: the application ends with its dialog.
    return FALSE;
}

int CSolvaneToOrbelleApp::ExitInstance() {
    // Its connection closes now, not among the static destructors.
    if (m_preparedStart.valid()) {
        m_preparedStart.get();
    }
    return 0;
}
