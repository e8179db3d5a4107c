// Drives a dialog through the toolkit's own events, as a user's clicks and
// keys would: the dialog's event bindings and message tables do the rest.
// The demo and the tests use it to work the dialog without a person.
#pragma once

#include "framework/Dialog.h"

namespace fw::automation {

// A click on a push button or radio button (a radio button gets checked first,
// as the toolkit does before it reports the click).
void Click(CDialog& dialog, int id);
// A click on a radio button that is already checked (mouse down, mouse up).
void ClickCheckedRadio(CDialog& dialog, int id);
// The user picks entry `index` of a drop-down list.
void ChooseListEntry(CDialog& dialog, int id, int index);
void PressEscape(CDialog& dialog);
void PressEnter(CDialog& dialog);
// The window manager's close box.
void CloseBox(CDialog& dialog);

} // namespace fw::automation
