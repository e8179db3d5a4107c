// ProgressWindow: a small window owned by a dialog that says what a long
// operation is doing, and the waits of that operation, during which the
// dialog stays alive but takes no input.
#pragma once

#include <chrono>
#include <functional>
#include <string>

class CDialog;
class wxFrame;
class wxGauge;
class wxStaticText;

namespace fw {

class ProgressWindow {
public:
    // Makes the window, hidden, owned by `owner` (placed over it, never in
    // the task bar, without a close box).
    ProgressWindow(CDialog& owner, const std::string& caption);
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    // The two lines it shows: what is being done, and how far it has come
    // (may be empty).
    void SetText(const std::string& step, const std::string& detail = std::string());
    std::string Step() const;
    std::string Detail() const;

    // Shows the window, then handles the toolkit's events until `done`
    // returns true, asking it every `interval` (no busy loop). Meanwhile every
    // other window of the program is disabled, so that no click, key, menu or
    // close reaches the owner, and shows the busy cursor; the owner goes on
    // repainting and answering the desktop. Returns at once when `done` is
    // already true.
    void WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds interval);
    // Hides the window until the next wait (while a message box is up).
    void Hide();
    bool IsShown() const;

    // The toolkit window (tests find it on the screen).
    wxFrame* Window() const { return m_frame; }

private:
    wxFrame* m_frame;
    wxStaticText* m_step;
    wxStaticText* m_detail;
    wxGauge* m_gauge;
};

} // namespace fw
