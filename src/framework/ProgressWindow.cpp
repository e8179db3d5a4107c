// ProgressWindow: the window over its owner, and the nested event loop that
// keeps the program alive while the owner waits with its input disabled.
#include "framework/ProgressWindow.h"

#include <wx/dialog.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/gauge.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/timer.h>
#include <wx/utils.h>

#include "framework/Dialog.h"

namespace fw {
namespace {

// Calls its function on every tick.
class Ticker : public wxTimer {
public:
    explicit Ticker(std::function<void()> tick) : m_tick(std::move(tick)) {}
    void Notify() override { m_tick(); }

private:
    std::function<void()> m_tick;
};

} // namespace

ProgressWindow::ProgressWindow(CDialog& owner, const std::string& caption) {
    wxWindow* parent = owner.Window();
    m_frame =
        new wxFrame(parent, wxID_ANY, wxString::FromUTF8(caption), wxDefaultPosition, wxDefaultSize,
                    wxCAPTION | wxFRAME_NO_TASKBAR | (parent ? wxFRAME_FLOAT_ON_PARENT : 0));
    // Only the operation ends it.
    m_frame->Bind(wxEVT_CLOSE_WINDOW, [](wxCloseEvent& e) {
        if (e.CanVeto()) {
            e.Veto();
        }
    });
    auto* panel = new wxPanel(m_frame);
    m_step = new wxStaticText(panel, wxID_ANY, wxEmptyString);
    m_detail = new wxStaticText(panel, wxID_ANY, wxEmptyString);
    m_gauge = new wxGauge(panel, wxID_ANY, 100);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_step, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxTOP, 12));
    sizer->Add(m_detail, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxTOP, 12));
    sizer->Add(m_gauge, wxSizerFlags().Expand().Border(wxALL, 12));
    sizer->SetMinSize(wxSize(m_frame->FromDIP(340), -1));
    panel->SetSizer(sizer);
    m_frame->SetClientSize(panel->GetBestSize());
    if (parent) {
        m_frame->CentreOnParent();
    }
}

ProgressWindow::~ProgressWindow() {
    m_frame->Hide();
    m_frame->Destroy();
}

void ProgressWindow::SetText(const std::string& step, const std::string& detail) {
    m_step->SetLabelText(wxString::FromUTF8(step));
    m_detail->SetLabelText(wxString::FromUTF8(detail));
    m_step->GetParent()->Layout();
}

std::string ProgressWindow::Step() const {
    return m_step->GetLabelText().utf8_string();
}

std::string ProgressWindow::Detail() const {
    return m_detail->GetLabelText().utf8_string();
}

void ProgressWindow::WaitUntil(const std::function<bool()>& done,
                               std::chrono::milliseconds interval) {
    if (done()) {
        return;
    }
    m_frame->Show();
    const wxWindowDisabler disabler(m_frame);
    const wxBusyCursor busy;
    wxGUIEventLoop loop;
    Ticker ticker([&] {
        m_gauge->Pulse();
        if (loop.IsRunning() && done()) {
            loop.Exit();
        }
    });
    ticker.Start(static_cast<int>(interval.count()));
    loop.Run();
}

void ProgressWindow::Hide() {
    m_frame->Hide();
}

bool ProgressWindow::IsShown() const {
    return m_frame->IsShown();
}

} // namespace fw
