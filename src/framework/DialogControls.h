// Builds the controls of a dialog template as toolkit windows.
#pragma once

#include "framework/DialogTemplate.h"

class wxDialog;
class wxWindow;

namespace fw {

// The toolkit window of one template item, a child of `dlg`, placed and
// sized in the dialog's units; disabled items are left to the caller.
wxWindow* CreateControl(wxDialog* dlg, const DialogItem& item);

} // namespace fw
