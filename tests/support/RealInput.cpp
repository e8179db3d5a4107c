// Keys and clicks through xdotool, and waiting for the toolkit to handle them.
#include "support/RealInput.h"

#include <gdk/gdk.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <spawn.h>
#include <sys/wait.h>
#include <wx/image.h>
#include <wx/toplevel.h>
#include <wx/window.h>

#include <stdexcept>
#include <thread>

#include "support/RecordingUi.h"
#include "support/TempDir.h"

extern char** environ;

namespace testing_support {

namespace {

// Runs a program and pumps the toolkit's events while it runs: some of
// xdotool's requests wait for the program to answer the display.
void RunTool(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        throw std::runtime_error(args[0] + " cannot be started");
    }
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        PumpEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error(args[0] + " " + args[1] + " failed");
    }
}

void XDoTool(std::vector<std::string> args) {
    args.insert(args.begin(), "xdotool");
    RunTool(args);
    Settle();
}

std::string XidOf(wxWindow* window) {
    GdkWindow* gdk = gtk_widget_get_window(static_cast<GtkWidget*>(window->GetHandle()));
    return std::to_string(gdk ? GDK_WINDOW_XID(gdk) : 0);
}

} // namespace

bool ActivateWindow(wxTopLevelWindow* window) {
    window->Show();
    if (!WaitUntil([&] { return window->IsShownOnScreen(); })) {
        return false;
    }

    // Without a window manager the focus follows the pointer unless set.
    const wxPoint centre = window->ClientToScreen(wxPoint(window->GetClientSize().x / 2, 2));
    // (No --sync for the move: it waits for a move that does not happen when
    // the pointer is there already.)
    XDoTool({"mousemove", std::to_string(centre.x), std::to_string(centre.y), "windowfocus",
             "--sync", XidOf(window)});
    return WaitUntil([&] { return window->IsActive(); });
}

void PressKeys(const std::vector<std::string>& keys, int delayMs) {
    std::vector<std::string> args = {"key", "--delay", std::to_string(delayMs)};
    args.insert(args.end(), keys.begin(), keys.end());
    XDoTool(args);
}

void TypeText(const std::string& text, int delayMs) {
    XDoTool({"type", "--delay", std::to_string(delayMs), text});
}

void ClickOn(wxWindow* window) {
    ClickAt(window, wxPoint(window->GetClientSize().x / 2, window->GetClientSize().y / 2));
}

void ClickAt(wxWindow* window, const wxPoint& client) {
    const wxPoint at = window->ClientToScreen(client);
    XDoTool({"mousemove", std::to_string(at.x), std::to_string(at.y), "click", "1"});
}

wxImage Snapshot(wxWindow* window) {
    window->Refresh();
    window->Update();
    Settle();
    const wxRect r = window->GetScreenRect();
    TempDir dir;
    const std::string file = (dir / "snapshot.png").string();
    RunTool({"import", "-window", "root", "-crop",
             std::to_string(r.width) + "x" + std::to_string(r.height) + "+" + std::to_string(r.x) +
                 "+" + std::to_string(r.y),
             "+repage", file});
    return wxImage(file, wxBITMAP_TYPE_PNG);
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        PumpEvents();
        if (condition()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return condition();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void Settle() {
    // A round trip to the display brings in every event it has queued for
    // us; handling one may queue more work, hence a few rounds.
    for (int i = 0; i < 3; ++i) {
        gdk_display_sync(gdk_display_get_default());
        PumpEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    PumpEvents();
}

} // namespace testing_support
