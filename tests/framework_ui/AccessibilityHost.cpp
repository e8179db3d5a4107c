// Shows the drop-down lists' test dialog to a client of the desktop's
// accessibility layer: the group list holds a blank entry and G000001 up to
// the number given. Prints "ready" once the dialog has the keyboard focus,
// then runs until the dialog ends or the program is stopped.
#include "framework/WinApp.h"
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/evtloop.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "framework_ui/ListDialog.h"
#include "support/RealInput.h"

int main(int argc, char** argv) {
    const int entries = argc > 1 ? std::atoi(argv[1]) : 100;
    int toolkitArgc = 1; // the toolkit reads no arguments of ours
    wxApp::SetInstance(new wxApp);
    AfxPrepareToolkit();
    if (!wxEntryStart(toolkitArgc, argv) || !wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "the toolkit could not start: is there a display?\n");
        return 2;
    }
    int status = 0;
    {
        testing_support::ActiveEventLoop loop;
        test_dialog::ListDialog dlg;
        if (!dlg.Create()) {
            return 2;
        }
        dlg.m_groups.AddString("");
        for (int i = 1; i <= entries; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "G%06d", i);
            dlg.m_groups.AddString(name);
        }
        if (!testing_support::ActivateWindow(dlg.Window())) {
            std::fprintf(stderr, "the dialog did not get the focus\n");
            return 2;
        }
        std::cout << "ready" << std::endl;
        auto* events = wxEventLoopBase::GetActive();
        while (!dlg.HasEnded()) {
            events->DispatchTimeout(100);
            wxTheApp->ProcessPendingEvents();
            wxTheApp->ProcessIdle();
        }
        status = dlg.Result() == IDCANCEL ? 0 : 1;
        dlg.DestroyWindow();
    }
    wxTheApp->OnExit();
    wxEntryCleanup();
    return status;
}
