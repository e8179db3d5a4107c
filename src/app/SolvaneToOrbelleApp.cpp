// Start-up of the application and the one application object.
#include "app/SolvaneToOrbelleApp.h"

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

    CSolvaneToOrbelleDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    // No message loop follows: the application ends with its dialog.
    return FALSE;
}
