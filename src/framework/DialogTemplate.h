// Dialog templates as static tables: the dialog's frame and its controls in
// tab order, positions in dialog units, as the dialog framework builds them.
#pragma once

#include <cstddef>
#include <span>

#include "framework/WinConst.h"

namespace fw {

enum class ControlClass { Button, Edit, Static, ComboBox, IpAddress };

struct DialogItem {
    int id; // -1 for controls the program never addresses
    ControlClass cls;
    const char* text;
    unsigned long style;
    int x, y, cx, cy;
};

struct DialogTemplate {
    int id;
    const char* caption;
    unsigned long style;
    unsigned long exStyle;
    int x, y, cx, cy;
    const char* fontName;
    int pointSize;
    std::span<const DialogItem> items;
};

// The template's own text for a control class ("button", "edit", ...).
const char* ControlClassName(ControlClass cls);

// The index of the static text that labels item `index`: the nearest one that
// ends left of it on its line (a combo box's line is its closed field), else
// the nearest one just above it that it overlaps horizontally; -1 when none
// stands that close.
int LabelOf(std::span<const DialogItem> items, std::size_t index);

} // namespace fw
