// What the desktop's accessibility layer (AT-SPI, through the toolkit's ATK
// objects) sees of a drop-down list, which the program draws itself: a combo
// box named by its label, whose one child lists the entries.
#pragma once

#include <memory>
#include <string>

class wxWindow;

namespace fw {

class DropDownList;

// The accessible objects of one drop-down list. The toolkit hands them out
// for the list's widget from the first time something asks (nothing is made
// before that), and an object per entry only when that entry is asked for, so
// that a list of 100,000 entries costs nothing until a reader walks it.
//
//   combo box (name: the label; text and selection: the chosen entry;
//   states expandable and expanded or collapsed; action "press" opens or
//   closes; events: focus, selection and text changes, expanded/collapsed)
//     menu (manages its descendants; showing while open)
//       menu item per entry (selected when chosen; focused while highlighted
//       in the open list, with the menu's active-descendant-changed)
//
// Objects that a reader still holds when the list goes, or whose entry has
// moved since, report themselves defunct.
class DropDownAccessible {
public:
    explicit DropDownAccessible(DropDownList& list);
    ~DropDownAccessible();
    DropDownAccessible(const DropDownAccessible&) = delete;
    DropDownAccessible& operator=(const DropDownAccessible&) = delete;

    // The static text that names the list (its text, without mnemonics).
    void SetLabel(wxWindow* label);
    // The window of the open list: the toolkit hands out the menu for it, so
    // that a reader following the keyboard into the open list finds the menu.
    void SetMenuWindow(wxWindow* window);

    // What the list reports: its choice (index and text) changed; the list
    // opened or closed; the open list's highlight moved to an entry (-1: none).
    void ChoiceChanged();
    void OpenChanged(bool open);
    void HighlightChanged(int index);

    // How many entry objects exist now, over all lists (for tests).
    static int LiveEntries();

    struct State;

private:
    std::unique_ptr<State> m_state;
};

} // namespace fw
