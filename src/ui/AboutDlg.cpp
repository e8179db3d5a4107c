// The About box: the base dialog's OK and Esc close it.
#include "ui/AboutDlg.h"

#include "ui/Templates.h"

CAboutDlg::CAboutDlg() : CDialog(ui::AboutTemplate()) {
    ui::RegisterResources();
}

void CAboutDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
}
