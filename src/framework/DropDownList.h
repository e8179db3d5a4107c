// The toolkit control behind a sorted drop-down list with no edit field: a
// read-only combo control whose popup draws its entries from our own sorted list.
#pragma once

#include <wx/combo.h>

#include <string>

#include "framework/SortedStrings.h"

namespace fw {

class DropDownPopup;

// Selection changes made by the user (popup or arrow keys) are reported as
// wxEVT_COMBOBOX command events with the control's id; changes made through
// the member functions are not.
class DropDownList : public wxComboCtrl {
public:
    // popupHeight: the open list's height, in pixels.
    DropDownList(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size, int popupHeight);

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

private:
    SortedStrings m_items;
    int m_selection = -1;
    DropDownPopup* m_popup;
};

} // namespace fw
