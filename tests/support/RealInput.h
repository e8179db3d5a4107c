// Real keyboard and mouse input for the dialog tests: keys and clicks go
// through the display's test extension (xdotool), so that they reach the
// program as a user's would, through the toolkit's own event path.
#pragma once

#include <wx/evtloop.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

class wxImage;
class wxPoint;
class wxTopLevelWindow;
class wxWindow;

namespace testing_support {

// An event loop made the active one for its life, as the program's main loop
// is while it runs: the display's events get handled while tests wait.
class ActiveEventLoop {
public:
    ActiveEventLoop() : m_activator(&m_loop) {}

private:
    wxGUIEventLoop m_loop;
    wxEventLoopActivator m_activator;
};

// Shows the window, gives it the display's keyboard focus and waits until the
// toolkit reports it active; false when that does not happen.
bool ActivateWindow(wxTopLevelWindow* window);
// Presses keys one after another, `delayMs` apart; xdotool's key names
// ("Tab", "shift+Tab", "alt+Down", "Escape", "Prior", "Next", ...).
void PressKeys(const std::vector<std::string>& keys, int delayMs = 20);
// Types the text, one key per character, `delayMs` apart.
void TypeText(const std::string& text, int delayMs = 20);
// A left click at a point of the window's client area (its centre when not given).
void ClickOn(wxWindow* window);
void ClickAt(wxWindow* window, const wxPoint& client);
// The window as the display shows it, read back by another program (the
// toolkit cannot read back what it drew on every display).
wxImage Snapshot(wxWindow* window);
// Pumps the toolkit's events until the condition holds or the time is up;
// returns the condition's last value.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));
// Lets every event the display has sent so far reach its handlers.
void Settle();

} // namespace testing_support
