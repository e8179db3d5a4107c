// Names of the dialog template's control classes, and which text labels a control.
#include "framework/DialogTemplate.h"

#include <algorithm>

namespace fw {

const char* ControlClassName(ControlClass cls) {
    switch (cls) {
    case ControlClass::Button:
        return "button";
    case ControlClass::Edit:
        return "edit";
    case ControlClass::Static:
        return "static";
    case ControlClass::ComboBox:
        return "combo box";
    case ControlClass::IpAddress:
        return "SysIPAddress32";
    }
    return "";
}

int LabelOf(std::span<const DialogItem> items, std::size_t index) {
    if (index >= items.size()) {
        return -1;
    }
    const DialogItem& item = items[index];
    // A combo box's height is that of its open list; its line is the closed
    // field, as tall as a one-line edit.
    const int height = item.cls == ControlClass::ComboBox ? std::min(item.cy, 14) : item.cy;
    // How far a label may stand from what it names, in dialog units.
    constexpr int kBesideGap = 40;
    constexpr int kAboveGap = 12;
    int beside = -1;
    int above = -1;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const DialogItem& label = items[i];
        if (label.cls != ControlClass::Static || (label.style & 0x1F) == SS_ICON) {
            continue;
        }
        const bool sameLine = label.y < item.y + height && item.y < label.y + label.cy;
        const bool overlapsAcross = label.x < item.x + item.cx && item.x < label.x + label.cx;
        if (sameLine && label.x + label.cx <= item.x &&
            item.x - (label.x + label.cx) <= kBesideGap) {
            if (beside < 0 || label.x + label.cx > items[beside].x + items[beside].cx) {
                beside = static_cast<int>(i);
            }
        } else if (overlapsAcross && label.y + label.cy <= item.y &&
                   item.y - (label.y + label.cy) <= kAboveGap) {
            if (above < 0 || label.y + label.cy > items[above].y + items[above].cy) {
                above = static_cast<int>(i);
            }
        }
    }
    return beside >= 0 ? beside : above;
}

} // namespace fw
