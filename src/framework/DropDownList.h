// The toolkit control behind a sorted drop-down list with no edit field: a
// read-only combo control whose popup draws its entries from our own sorted
// list, worked by mouse and keyboard alike.
#pragma once

#include <wx/combo.h>

#include <memory>
#include <string>

#include "framework/DropDownListAccessible.h"
#include "framework/DropDownListKeys.h"
#include "framework/SortedStrings.h"

namespace fw {

class DropDownPopup;

// Selection changes made by the user (popup, keys, typed prefix) are reported
// as wxEVT_COMBOBOX command events with the control's id; changes made
// through the member functions are not.
//
// Keys: on the closed list the arrows, Home/End, Page Up/Down and typed
// characters choose at once; Alt+Down, Alt+Up and F4 open the list. On the
// open list the same keys move its highlight; Return (and Alt+Down, Alt+Up,
// F4) chooses the highlighted entry and closes it, Esc closes it and leaves
// the choice as it was. Keys the open list takes go no further: Return
// presses no default button and Esc cancels no dialog.
class DropDownList : public wxComboCtrl {
public:
    // popupHeight: the open list's height, in pixels.
    DropDownList(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size, int popupHeight);
    ~DropDownList() override;

    // Adds an entry at its sorted place; returns its index.
    int AddString(const std::string& text);
    void ResetContent();
    int GetCount() const { return static_cast<int>(m_items.Size()); }
    const std::string& GetItemText(int index) const {
        return m_items.At(static_cast<std::size_t>(index));
    }
    // Selects an entry (-1: none); returns the index or -1.
    int SetCurSel(int index);
    int GetCurSel() const { return m_selection; }
    // Selects the first entry that begins with the prefix; -1 when none.
    int SelectPrefix(const std::string& prefix);
    // The text of the selected entry, or empty text.
    std::string GetSelectedText() const;

    // Called by the popup and the key handling: a user's choice.
    void ChooseByUser(int index);

    // The entry highlighted in the open list, or -1 (also when closed).
    int GetHighlight() const;
    // Whether the open list shows the entry (false when closed).
    bool IsEntryInView(int index) const;
    // How many entries Page Up and Page Down move by: one less than the
    // open list shows, so that one stays in view.
    int PageSize() const;

    // Always true: the list takes the focus by Tab and by click.
    void SetCanFocus(bool canFocus) override;

    // The static text beside the list, which names it to the desktop's
    // accessibility layer.
    void SetAccessibleLabel(wxWindow* label);

private:
    friend class DropDownPopup;
    void OnCharHook(wxKeyEvent& event);
    void OnKeyDown(wxKeyEvent& event);
    void OnChar(wxKeyEvent& event);
    // The open list's highlight moved (by keys or the pointer).
    void Highlighted(int index);
    // The list opened or closed: tells the accessibility layer.
    void OpenChanged();
    // The entry the keys start from: the open list's highlight, else the choice.
    int KeyOrigin() const;
    // Highlights the entry in the open list, or chooses it on the closed one.
    void MoveTo(int index);
    // Closes the open list with its highlighted entry chosen.
    void CloseChoosing();
    // Draws the closed field: the choice, and whether the list has the focus.
    void PaintField(wxDC& dc, const wxRect& rect);

    SortedStrings m_items;
    int m_selection = -1;
    int m_popupHeight;
    bool m_focused = false;
    bool m_reportedOpen = false;
    TypeAhead m_typeAhead;
    DropDownPopup* m_popup;
    std::unique_ptr<DropDownAccessible> m_accessible;
};

} // namespace fw
