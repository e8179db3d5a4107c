// The paint context of a dialog's WM_PAINT handler, and the system metrics
// that painting asks for.
#include <wx/dcclient.h>
#include <wx/dialog.h>
#include <wx/iconbndl.h>

#include "framework/Dialog.h"

CPaintDC::CPaintDC(CDialog* pWnd) : m_dc(pWnd->m_paintDC) {
    if (!m_dc && pWnd->m_pDialog) {
        m_owned = std::make_unique<wxClientDC>(pWnd->m_pDialog);
        m_dc = m_owned.get();
    }
}

CPaintDC::~CPaintDC() = default;

BOOL CPaintDC::DrawIcon(int x, int y, HICON hIcon) {
    if (!m_dc || !hIcon) {
        return FALSE;
    }
    const int edge = GetSystemMetrics(SM_CXICON);
    m_dc->DrawIcon(hIcon->GetIcon(wxSize(edge, edge)), x, y);
    return TRUE;
}

int GetSystemMetrics(int nIndex) {
    switch (nIndex) {
    case SM_CXICON:
    case SM_CYICON:
        return 32;
    default:
        return 0;
    }
}
