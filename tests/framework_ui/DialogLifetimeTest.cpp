// A dialog's window outlives DestroyWindow for a moment (the toolkit deletes
// top-level windows when idle) and can still get events then: they must not
// reach the dialog, which may be gone by then.
#include <gtest/gtest.h>
#include <wx/dialog.h>

#include "framework_ui/ListDialog.h"
#include "support/RealInput.h"

namespace {

using namespace testing_support;

// Paints and closes the window through the display, as its last moments may.
void PaintAndClose(wxDialog* window) {
    window->Refresh();
    window->Update();
    wxCloseEvent close(wxEVT_CLOSE_WINDOW, window->GetId());
    close.SetEventObject(window);
    window->ProcessWindowEvent(close);
    Settle();
}

TEST(DialogLifetime, EventsAfterDestroyWindowReachNoHandler) {
    ActiveEventLoop loop;
    test_dialog::ListDialog dlg;
    ASSERT_TRUE(dlg.Create());
    Settle();
    wxDialog* window = dlg.Window();
    dlg.DestroyWindow();
    PaintAndClose(window);
    EXPECT_FALSE(dlg.HasEnded()); // the close did not reach the dialog
}

TEST(DialogLifetime, EventsAfterTheDialogIsGoneReachNoHandler) {
    ActiveEventLoop loop;
    wxDialog* window = nullptr;
    {
        test_dialog::ListDialog dlg;
        ASSERT_TRUE(dlg.Create());
        Settle();
        window = dlg.Window();
    }
    PaintAndClose(window); // no use of the dialog object that is gone
    SUCCEED();
}

} // namespace
