// The application object of the dialog framework and its entry point.
#pragma once

#include <string>

#include "framework/Resources.h"
#include "framework/Win32Types.h"

class CWnd;

class CWinApp {
public:
    // Without a name the application is named after its executable.
    explicit CWinApp(const char* lpszAppName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Process start-up before the toolkit starts (no window may be made yet);
    // the entry point ends at once when it returns FALSE.
    virtual BOOL InitApplication();
    // Start-up; the entry point runs no message loop of its own when it
    // returns FALSE.
    virtual BOOL InitInstance();
    // Process end, after the toolkit has stopped (or failed to start); returns
    // the exit code.
    virtual int ExitInstance();
    // The icon group with this resource id, or null.
    HICON LoadIcon(UINT nIDResource) const;
    // Names the per-user profile key. Nothing here keeps such a profile.
    void SetRegistryKey(const char* lpszRegistryKey);

    CWnd* m_pMainWnd = nullptr;
    std::string m_strAppName;
};

// The one application object, or null before it is constructed.
CWinApp* AfxGetApp();

// Prepares the process for the toolkit, before it starts: the program draws
// nothing with OpenGL, so the toolkit is told not to load the system's GL
// driver (tens of megabytes, and time at start-up). A choice already made in
// the environment stands.
void AfxPrepareToolkit();

// Entry point: calls the application's InitApplication, starts the toolkit,
// calls InitInstance, and returns what ExitInstance returns as the process's
// exit status; 1 when the toolkit could not start (no display), which it says
// on standard error.
int AfxWinMain(int argc, char** argv);

// Common controls need no initialisation here; kept so start-up reads as it runs.
struct INITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
};
constexpr DWORD ICC_WIN95_CLASSES = 0xFF;
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce);
// Dialogs here host no embedded controls of other programs; a no-op.
void AfxEnableControlContainer();
