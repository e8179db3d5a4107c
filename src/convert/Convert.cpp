// OnConvert: the one command of the main dialog.
#include "ui/SolvaneToOrbelleDlg.h"

void CSolvaneToOrbelleDlg::OnConvert() {}
