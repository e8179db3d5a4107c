// The program's dialog templates and its string and icon resources.
#pragma once

#include "framework/DialogTemplate.h"

namespace ui {

// Template 100, the About box.
const fw::DialogTemplate& AboutTemplate();
// Template 102, the main dialog.
const fw::DialogTemplate& MainTemplate();

// Makes the string table and the icon group known to the framework; calling
// it again does nothing.
void RegisterResources();

} // namespace ui
