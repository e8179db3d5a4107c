// The main dialog's shell: the About item of the system menu, the caption
// icons, painting while minimised and the drag icon.
#include "ui/AboutDlg.h"
#include "ui/IconPaint.h"
#include "ui/ResourceIds.h"
#include "ui/SolvaneToOrbelleDlg.h"

void CSolvaneToOrbelleDlg::AddAboutItemAndIcons() {
    if (CMenu* pSysMenu = GetSystemMenu(FALSE)) {
        const std::string strAboutMenu = fw::LoadResourceString(IDS_ABOUTBOX);
        if (!strAboutMenu.empty()) {
            pSysMenu->AppendMenu(MF_SEPARATOR);
            pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu.c_str());
        }
    }
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
}

void CSolvaneToOrbelleDlg::OnSysCommand(UINT nID, win::LPARAM lParam) {
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    } else {
        CDialog::OnSysCommand(nID, lParam);
    }
}

void CSolvaneToOrbelleDlg::OnPaint() {
    if (IsIconic()) {
        CPaintDC dc(this);
        Dispatch(WM_ICONERASEBKGND, dc.GetSafeHdc(), 0);
        const int cxIcon = GetSystemMetrics(SM_CXICON);
        const int cyIcon = GetSystemMetrics(SM_CYICON);
        CRect rect;
        GetClientRect(&rect);
        const IconOrigin origin = CentredIconOrigin(rect.Width(), rect.Height(), cxIcon, cyIcon);
        dc.DrawIcon(origin.x, origin.y, m_hIcon);
    } else {
        CDialog::OnPaint();
    }
}

HCURSOR CSolvaneToOrbelleDlg::OnQueryDragIcon() {
    return m_hIcon;
}
