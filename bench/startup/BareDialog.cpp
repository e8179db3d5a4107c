// The yardstick of the start-up benchmark: a toolkit program that shows one
// small dialog with a button, modally, and ends when it is closed. The
// toolkit is set up as the program sets it up (without the GL driver).
#include <cstdlib>

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

wxIMPLEMENT_APP_NO_MAIN(BareDialogApp);

int main(int argc, char** argv) {
    setenv("GDK_GL", "disable", 0);
    return wxEntry(argc, argv);
}
