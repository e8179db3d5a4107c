// main() of the dialog tests: starts the toolkit on the (virtual) display,
// runs the tests, and shuts the toolkit down.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/image.h>

#include <clocale>
#include <cstdio>

#include "framework/WinApp.h"

namespace {
// The application object the dialogs load their icons through.
CWinApp g_application("SolvaneToOrbelle");

class TestApp : public wxApp {
public:
    bool OnInit() override {
        wxInitAllImageHandlers();
        SetAppName("SolvaneToOrbelle");
        return true;
    }
};
} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // A death test's child starts afresh, with its own toolkit and display.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS(); // listing needs no display
    }
    wxApp::SetInstance(new TestApp);
    AfxPrepareToolkit();
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "the toolkit could not start: is there a display?\n");
        return 2;
    }
    // The toolkit sets the user's locale; the program's text rules are the C ones.
    std::setlocale(LC_NUMERIC, "C");
    const int result = RUN_ALL_TESTS();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
