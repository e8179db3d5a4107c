// Drop-down list control: popup list, keyboard selection, notifications.
#include "framework/DropDownList.h"

#include <wx/dc.h>
#include <wx/settings.h>
#include <wx/vlbox.h>

namespace fw {

class DropDownPopup : public wxVListBox, public wxComboPopup {
public:
    explicit DropDownPopup(DropDownList* owner) : m_owner(owner) {}

    bool Create(wxWindow* parent) override {
        if (!wxVListBox::Create(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                wxBORDER_SIMPLE)) {
            return false;
        }
        Bind(wxEVT_LEFT_UP, &DropDownPopup::OnMouseUp, this);
        Bind(wxEVT_MOTION, &DropDownPopup::OnMouseMove, this);
        Bind(wxEVT_KEY_DOWN, &DropDownPopup::OnKey, this);
        return true;
    }
    wxWindow* GetControl() override { return this; }
    wxString GetStringValue() const override {
        return wxString::FromUTF8(m_owner->GetSelectedText());
    }
    void OnPopup() override {
        SetItemCount(static_cast<std::size_t>(m_owner->GetCount()));
        if (m_owner->GetCurSel() >= 0) {
            SetSelection(m_owner->GetCurSel());
        }
    }
    void OnComboKeyEvent(wxKeyEvent& event) override {
        const int count = m_owner->GetCount();
        const int sel = m_owner->GetCurSel();
        int next = sel;
        switch (event.GetKeyCode()) {
        case WXK_DOWN:
        case WXK_RIGHT:
            next = sel + 1 < count ? sel + 1 : sel;
            break;
        case WXK_UP:
        case WXK_LEFT:
            next = sel > 0 ? sel - 1 : (count > 0 ? 0 : -1);
            break;
        case WXK_HOME:
            next = count > 0 ? 0 : -1;
            break;
        case WXK_END:
            next = count - 1;
            break;
        default:
            event.Skip();
            return;
        }
        if (next != sel && next >= 0) {
            m_owner->ChooseByUser(next);
        }
    }

protected:
    void OnDrawItem(wxDC& dc, const wxRect& rect, size_t n) const override {
        dc.SetFont(m_owner->GetFont());
        dc.SetTextForeground(IsSelected(n) ? wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHTTEXT)
                                           : wxSystemSettings::GetColour(wxSYS_COLOUR_LISTBOXTEXT));
        dc.DrawText(wxString::FromUTF8(m_owner->GetItemText(static_cast<int>(n))), rect.x + 2,
                    rect.y + 1);
    }
    wxCoord OnMeasureItem(size_t) const override { return m_owner->GetCharHeight() + 2; }

private:
    void OnMouseMove(wxMouseEvent& event) {
        const int item = VirtualHitTest(event.GetPosition().y);
        if (item != wxNOT_FOUND) {
            SetSelection(item);
        }
        event.Skip();
    }
    void OnMouseUp(wxMouseEvent& event) {
        const int item = VirtualHitTest(event.GetPosition().y);
        Dismiss();
        if (item != wxNOT_FOUND) {
            m_owner->ChooseByUser(item);
        }
        event.Skip();
    }
    void OnKey(wxKeyEvent& event) {
        if (event.GetKeyCode() == WXK_RETURN || event.GetKeyCode() == WXK_NUMPAD_ENTER) {
            const int item = GetSelection();
            Dismiss();
            if (item != wxNOT_FOUND) {
                m_owner->ChooseByUser(item);
            }
            return;
        }
        event.Skip();
    }

    DropDownList* m_owner;
};

DropDownList::DropDownList(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size,
                           int popupHeight)
    : wxComboCtrl(parent, id, wxEmptyString, pos, size, wxCB_READONLY),
      m_popup(new DropDownPopup(this)) {
    UseAltPopupWindow(false);
    SetPopupControl(m_popup);
    SetPopupMaxHeight(popupHeight);
}

int DropDownList::AddString(const std::string& text) {
    const int index = static_cast<int>(m_items.Insert(text));
    if (m_selection >= index) {
        ++m_selection;
    }
    if (IsPopupShown()) {
        m_popup->SetItemCount(static_cast<std::size_t>(GetCount()));
    }
    return index;
}

void DropDownList::ResetContent() {
    m_items.Clear();
    m_selection = -1;
    SetText(wxEmptyString);
}

int DropDownList::SetCurSel(int index) {
    if (index < 0 || index >= GetCount()) {
        m_selection = -1;
        SetText(wxEmptyString);
        return -1;
    }
    m_selection = index;
    SetText(wxString::FromUTF8(GetItemText(index)));
    return index;
}

int DropDownList::SelectPrefix(const std::string& prefix) {
    const auto found = m_items.FindPrefix(prefix);
    return found ? SetCurSel(static_cast<int>(*found)) : -1;
}

std::string DropDownList::GetSelectedText() const {
    return m_selection >= 0 ? GetItemText(m_selection) : std::string();
}

void DropDownList::ChooseByUser(int index) {
    SetCurSel(index);
    wxCommandEvent event(wxEVT_COMBOBOX, GetId());
    event.SetEventObject(this);
    event.SetInt(index);
    ProcessWindowEvent(event);
}

} // namespace fw
