// Toolkit events standing for a user's clicks and keys.
#include "framework/Automation.h"

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/radiobut.h>

#include "framework/DropDownList.h"

namespace fw::automation {

void Click(CDialog& dialog, int id) {
    wxWindow* control = dialog.Window()->FindWindow(id);
    if (auto* radio = dynamic_cast<wxRadioButton*>(control)) {
        radio->SetValue(true);
        wxCommandEvent event(wxEVT_RADIOBUTTON, id);
        event.SetEventObject(radio);
        event.SetInt(1);
        radio->ProcessWindowEvent(event);
    } else if (auto* button = dynamic_cast<wxButton*>(control)) {
        if (!button->IsEnabled()) {
            return; // a disabled button takes no clicks
        }
        wxCommandEvent event(wxEVT_BUTTON, id);
        event.SetEventObject(button);
        button->ProcessWindowEvent(event);
    }
}

void ClickCheckedRadio(CDialog& dialog, int id) {
    wxWindow* radio = dialog.Window()->FindWindow(id);
    wxMouseEvent down(wxEVT_LEFT_DOWN);
    down.SetPosition(wxPoint(2, 2));
    down.SetEventObject(radio);
    radio->ProcessWindowEvent(down);
    wxMouseEvent up(wxEVT_LEFT_UP);
    up.SetPosition(wxPoint(2, 2));
    up.SetEventObject(radio);
    radio->ProcessWindowEvent(up);
}

void ChooseListEntry(CDialog& dialog, int id, int index) {
    if (auto* list = dynamic_cast<fw::DropDownList*>(dialog.Window()->FindWindow(id))) {
        list->ChooseByUser(index);
    }
}

namespace {
void SendKey(CDialog& dialog, int key) {
    wxKeyEvent event(wxEVT_CHAR_HOOK);
    event.m_keyCode = key;
    event.SetEventObject(dialog.Window());
    dialog.Window()->ProcessWindowEvent(event);
}
} // namespace

void PressEscape(CDialog& dialog) {
    SendKey(dialog, WXK_ESCAPE);
}

void PressEnter(CDialog& dialog) {
    // The dialog's default button takes Enter.
    if (auto* button = dynamic_cast<wxButton*>(dialog.Window()->GetDefaultItem())) {
        Click(dialog, button->GetId());
    }
}

void CloseBox(CDialog& dialog) {
    wxCloseEvent event(wxEVT_CLOSE_WINDOW, dialog.Window()->GetId());
    event.SetCanVeto(true);
    event.SetEventObject(dialog.Window());
    dialog.Window()->ProcessWindowEvent(event);
}

} // namespace fw::automation
