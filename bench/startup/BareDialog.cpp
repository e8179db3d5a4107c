// The yardstick of the start-up benchmark: a toolkit program that shows one
// small dialog with a button, modally, and ends when it is closed.
#include <wx/app.h>
#include <wx/button.h>
#include <wx/dialog.h>

class BareDialogApp : public wxApp {
public:
    bool OnInit() override {
        wxDialog dialog(nullptr, wxID_ANY, "Bare dialog");
        new wxButton(&dialog, wxID_OK, "OK");
        dialog.ShowModal();
        return false;
    }
};

wxIMPLEMENT_APP(BareDialogApp);
