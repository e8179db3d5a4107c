// The criteria and direction handlers that switch the main dialog between
// its "Single User" and "Multiple User" states and its two directions.
#include "ui/ResourceIds.h"
#include "ui/SolvaneToOrbelleDlg.h"

void CSolvaneToOrbelleDlg::OnSingleUser() {
    m_btnUpload.EnableWindow(FALSE);
    m_nCriteria = kSingleUser;
    m_cboClientId.EnableWindow(TRUE);
    m_cboGroupId.EnableWindow(TRUE);
    m_btnConvert.EnableWindow(TRUE);
    m_cboClientId.ResetContent();
    m_cboGroupId.SetFocus();
    FillClientList();
}

void CSolvaneToOrbelleDlg::OnMultipleUser() {
    m_btnUpload.EnableWindow(TRUE);
    m_nCriteria = kMultipleUser;
    m_cboClientId.EnableWindow(FALSE);
    m_cboGroupId.SetCurSel(0);
    m_cboClientId.ResetContent();
    m_cboGroupId.EnableWindow(FALSE);
    m_btnConvert.EnableWindow(FALSE);
}

void CSolvaneToOrbelleDlg::OnConversionTypeSolvaneToOrbelle() {
    SetWindowText("Solvane To Orbelle");
    m_cboClientId.ResetContent();
    FillClientList();
}

void CSolvaneToOrbelleDlg::OnConversionTypeOrbelleToSolvane() {
    SetWindowText("Orbelle To Solvane");
    m_cboClientId.ResetContent();
    FillClientList();
}
