// Drop-down list control: popup list, keyboard and mouse, notifications.
#include "framework/DropDownList.h"

#include <wx/dc.h>
#include <wx/renderer.h>
#include <wx/settings.h>
#include <wx/vlbox.h>

#include <algorithm>

namespace fw {

namespace {

std::optional<ListMove> MoveOf(int keyCode) {
    switch (keyCode) {
    case WXK_UP:
    case WXK_LEFT:
    case WXK_NUMPAD_UP:
    case WXK_NUMPAD_LEFT:
        return ListMove::Up;
    case WXK_DOWN:
    case WXK_RIGHT:
    case WXK_NUMPAD_DOWN:
    case WXK_NUMPAD_RIGHT:
        return ListMove::Down;
    case WXK_PAGEUP:
    case WXK_NUMPAD_PAGEUP:
        return ListMove::PageUp;
    case WXK_PAGEDOWN:
    case WXK_NUMPAD_PAGEDOWN:
        return ListMove::PageDown;
    case WXK_HOME:
    case WXK_NUMPAD_HOME:
        return ListMove::Home;
    case WXK_END:
    case WXK_NUMPAD_END:
        return ListMove::End;
    default:
        return std::nullopt;
    }
}

// Alt+Down, Alt+Up and F4 open and close the list, as on other platforms.
bool IsToggleKey(const wxKeyEvent& event) {
    const int key = event.GetKeyCode();
    if (event.GetModifiers() == wxMOD_ALT) {
        return key == WXK_DOWN || key == WXK_UP || key == WXK_NUMPAD_DOWN || key == WXK_NUMPAD_UP;
    }
    return key == WXK_F4 && event.GetModifiers() == wxMOD_NONE;
}

} // namespace

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
        // Keys that reach the open list itself are the list's keys (the
        // character hook rises to the list by itself).
        Bind(wxEVT_KEY_DOWN, [this](wxKeyEvent& e) { m_owner->OnKeyDown(e); });
        Bind(wxEVT_CHAR, [this](wxKeyEvent& e) { m_owner->OnChar(e); });
        return true;
    }
    wxWindow* GetControl() override { return this; }
    wxString GetStringValue() const override {
        return wxString::FromUTF8(m_owner->GetSelectedText());
    }
    void OnPopup() override {
        SetItemCount(static_cast<std::size_t>(m_owner->GetCount()));
        SetSelection(m_owner->GetCurSel() >= 0 ? m_owner->GetCurSel() : wxNOT_FOUND);
        // Reported once the combo control has marked the list open (or closed).
        m_owner->CallAfter(&DropDownList::OpenChanged);
    }
    void OnDismiss() override { m_owner->CallAfter(&DropDownList::OpenChanged); }
    void PaintComboControl(wxDC& dc, const wxRect& rect) override { m_owner->PaintField(dc, rect); }
    int RowHeight() const { return m_owner->GetCharHeight() + 2; }

protected:
    void OnDrawItem(wxDC& dc, const wxRect& rect, size_t n) const override {
        dc.SetFont(m_owner->GetFont());
        dc.SetTextForeground(IsSelected(n) ? wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHTTEXT)
                                           : wxSystemSettings::GetColour(wxSYS_COLOUR_LISTBOXTEXT));
        dc.DrawText(wxString::FromUTF8(m_owner->GetItemText(static_cast<int>(n))), rect.x + 2,
                    rect.y + 1);
    }
    wxCoord OnMeasureItem(size_t) const override { return RowHeight(); }

private:
    void OnMouseMove(wxMouseEvent& event) {
        const int item = VirtualHitTest(event.GetPosition().y);
        if (item != wxNOT_FOUND && item != GetSelection()) {
            SetSelection(item);
            m_owner->Highlighted(item);
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

    DropDownList* m_owner;
};

DropDownList::DropDownList(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size,
                           int popupHeight)
    : wxComboCtrl(parent, id, wxEmptyString, pos, size, wxCB_READONLY), m_popupHeight(popupHeight),
      m_popup(new DropDownPopup(this)), m_accessible(std::make_unique<DropDownAccessible>(*this)) {
    UseAltPopupWindow(false);
    SetPopupControl(m_popup);
    m_accessible->SetMenuWindow(m_popup);
    SetPopupMaxHeight(popupHeight);
    SetCanFocus(true);
    // Our handlers come before the combo control's own, which would open the
    // list on other keys and let Esc and Return through to the dialog.
    Bind(wxEVT_CHAR_HOOK, &DropDownList::OnCharHook, this);
    Bind(wxEVT_KEY_DOWN, &DropDownList::OnKeyDown, this);
    Bind(wxEVT_CHAR, &DropDownList::OnChar, this);
    // A click gives the list the focus, as well as opening it.
    Bind(wxEVT_LEFT_DOWN, [this](wxMouseEvent& e) {
        if (!HasFocus()) {
            SetFocus();
        }
        e.Skip();
    });
    for (const auto type : {wxEVT_SET_FOCUS, wxEVT_KILL_FOCUS}) {
        Bind(type, [this](wxFocusEvent& e) {
            m_focused = e.GetEventType() == wxEVT_SET_FOCUS;
            m_typeAhead.Reset();
            Refresh();
            e.Skip();
        });
    }
}

DropDownList::~DropDownList() {
    // Readers that still hold its objects find them defunct from here on.
    m_accessible.reset();
}

void DropDownList::SetAccessibleLabel(wxWindow* label) {
    m_accessible->SetLabel(label);
}

void DropDownList::SetCanFocus(bool) {
    // The toolkit treats the control as a container and gives the focus to
    // its children when it has any; its only children are its popup and
    // controls the toolkit makes for a moment to measure itself, and the
    // list takes the focus itself.
    wxComboCtrl::SetCanFocus(true);
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
    m_accessible->ChoiceChanged();
}

int DropDownList::SetCurSel(int index) {
    if (index < 0 || index >= GetCount()) {
        index = -1;
    }
    m_selection = index;
    SetText(index >= 0 ? wxString::FromUTF8(GetItemText(index)) : wxString());
    m_accessible->ChoiceChanged();
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

int DropDownList::GetHighlight() const {
    return IsPopupShown() ? m_popup->GetSelection() : -1;
}

bool DropDownList::IsEntryInView(int index) const {
    return IsPopupShown() && index >= 0 && m_popup->IsVisible(static_cast<std::size_t>(index));
}

void DropDownList::Highlighted(int index) {
    m_accessible->HighlightChanged(index);
}

void DropDownList::OpenChanged() {
    const bool open = IsPopupShown();
    if (open != m_reportedOpen) {
        m_reportedOpen = open;
        m_accessible->OpenChanged(open);
        Highlighted(GetHighlight());
    }
}

int DropDownList::PageSize() const {
    return std::max(1, m_popupHeight / m_popup->RowHeight() - 1);
}

int DropDownList::KeyOrigin() const {
    return IsPopupShown() ? m_popup->GetSelection() : m_selection;
}

void DropDownList::MoveTo(int index) {
    if (index < 0) {
        return;
    }
    if (IsPopupShown()) {
        if (index != m_popup->GetSelection()) {
            m_popup->SetSelection(index);
            Highlighted(index);
        }
    } else if (index != m_selection) {
        ChooseByUser(index);
    }
}

void DropDownList::CloseChoosing() {
    const int item = m_popup->GetSelection();
    HidePopup();
    if (item != wxNOT_FOUND) {
        ChooseByUser(item);
    }
}

void DropDownList::OnCharHook(wxKeyEvent& event) {
    if (IsToggleKey(event)) {
        m_typeAhead.Reset();
        if (IsPopupShown()) {
            CloseChoosing();
        } else {
            ShowPopup();
        }
        return;
    }
    if (IsPopupShown()) {
        switch (event.GetKeyCode()) {
        case WXK_ESCAPE:
            HidePopup();
            return;
        case WXK_RETURN:
        case WXK_NUMPAD_ENTER:
            CloseChoosing();
            return;
        case WXK_TAB:
            // The open list has the keyboard to itself: move on from here.
            // Once the list has its focus back.
            HidePopup();
            CallAfter([this, backward = event.ShiftDown()] {
                Navigate(backward ? wxNavigationKeyEvent::IsBackward
                                  : wxNavigationKeyEvent::IsForward);
            });
            return;
        default:
            break;
        }
    }
    event.Skip();
}

void DropDownList::OnKeyDown(wxKeyEvent& event) {
    const auto move = MoveOf(event.GetKeyCode());
    if (!move || event.HasAnyModifiers()) {
        event.Skip();
        return;
    }
    m_typeAhead.Reset();
    MoveTo(ListMoveTarget(*move, KeyOrigin(), GetCount(), PageSize()));
}

void DropDownList::OnChar(wxKeyEvent& event) {
    const wxChar c = event.GetUnicodeKey();
    if (c == WXK_NONE || c < WXK_SPACE || c == WXK_DELETE ||
        (event.GetModifiers() & (wxMOD_CONTROL | wxMOD_ALT))) {
        event.Skip();
        return;
    }
    m_typeAhead.Add(wxString(c).utf8_string(), static_cast<std::uint32_t>(event.GetTimestamp()));
    MoveTo(TypeAheadTarget(
        m_typeAhead, KeyOrigin(), GetCount(),
        [this](std::string_view prefix) { return m_items.FindPrefix(prefix); },
        [this](int i) -> const std::string& { return GetItemText(i); }));
}

void DropDownList::PaintField(wxDC& dc, const wxRect& rect) {
    const bool enabled = IsThisEnabled();
    const bool focused = enabled && m_focused;
    const wxColour back = wxSystemSettings::GetColour(
        focused ? wxSYS_COLOUR_HIGHLIGHT : (enabled ? wxSYS_COLOUR_WINDOW : wxSYS_COLOUR_BTNFACE));
    const wxColour text = wxSystemSettings::GetColour(
        focused ? wxSYS_COLOUR_HIGHLIGHTTEXT
                : (enabled ? wxSYS_COLOUR_WINDOWTEXT : wxSYS_COLOUR_GRAYTEXT));
    wxRect field = rect;
    field.Deflate(1);
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(back);
    dc.DrawRectangle(field);
    dc.SetFont(GetFont());
    dc.SetTextForeground(text);
    dc.DrawText(GetValue(), field.x + 2, field.y + (field.height - dc.GetCharHeight()) / 2);
    if (focused) {
        wxRendererNative::Get().DrawFocusRect(this, dc, field);
    }
}

} // namespace fw
