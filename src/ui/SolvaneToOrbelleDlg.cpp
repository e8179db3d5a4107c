// The main dialog's construction, message table and data exchange.
#include "ui/SolvaneToOrbelleDlg.h"

#include "framework/WinApp.h"
#include "ui/ResourceIds.h"
#include "ui/Templates.h"

namespace {
const fw::MessageEntry kEntries[] = {
    fw::OnWmSysCommand(&CSolvaneToOrbelleDlg::OnSysCommand),
    fw::OnWmPaint(&CSolvaneToOrbelleDlg::OnPaint),
    fw::OnWmQueryDragIcon(&CSolvaneToOrbelleDlg::OnQueryDragIcon),
    fw::OnBnClicked(IDC_CONVERT, &CSolvaneToOrbelleDlg::OnConvert),
    fw::OnBnClicked(IDOK, &CSolvaneToOrbelleDlg::OnOkCommand),
    fw::OnBnClicked(IDC_MULTIPLE_USER, &CSolvaneToOrbelleDlg::OnMultipleUser),
    fw::OnBnClicked(IDC_SINGLE_USER, &CSolvaneToOrbelleDlg::OnSingleUser),
    fw::OnBnClicked(IDC_SOLVANE_TO_ORBELLE,
                    &CSolvaneToOrbelleDlg::OnConversionTypeSolvaneToOrbelle),
    fw::OnBnClicked(IDC_ORBELLE_TO_SOLVANE,
                    &CSolvaneToOrbelleDlg::OnConversionTypeOrbelleToSolvane),
    fw::OnBnClicked(IDC_UPLOAD, &CSolvaneToOrbelleDlg::OnConvert),
    fw::OnCbnSelchange(IDC_GROUP_ID, &CSolvaneToOrbelleDlg::FillClientList),
};
} // namespace

const fw::MessageMap CSolvaneToOrbelleDlg::messageMap{&CDialog::messageMap, kEntries};

const fw::MessageMap* CSolvaneToOrbelleDlg::GetMessageMap() const {
    return &messageMap;
}

CSolvaneToOrbelleDlg::CSolvaneToOrbelleDlg(CWnd* pParent)
    : CDialog(ui::MainTemplate(), pParent), m_rsDealerMaster(&m_database) {
    ui::RegisterResources();
    if (CWinApp* app = AfxGetApp()) {
        m_hIcon = app->LoadIcon(IDR_MAINFRAME);
    }
}

CSolvaneToOrbelleDlg::~CSolvaneToOrbelleDlg() {
    if (m_hSettingsKey) {
        RegCloseKey(m_hSettingsKey);
    }
}

void CSolvaneToOrbelleDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_OUTPUT, m_strOutput);
    DDX_Control(pDX, IDC_GROUP_ID, m_cboGroupId);
    DDX_Control(pDX, IDC_CLIENT_ID, m_cboClientId);
    DDX_CBString(pDX, IDC_GROUP_ID, m_strGroupId);
    DDX_Control(pDX, IDC_SINGLE_USER, m_radSingleUser);
    DDX_Radio(pDX, IDC_SINGLE_USER, m_nCriteria);
    DDX_Control(pDX, IDC_SOLVANE_TO_ORBELLE, m_radSolvaneToOrbelle);
    DDX_Radio(pDX, IDC_SOLVANE_TO_ORBELLE, m_nConversionType);
    DDX_Control(pDX, IDC_UPLOAD, m_btnUpload);
    DDX_Control(pDX, IDC_CONVERT, m_btnConvert);
}

void CSolvaneToOrbelleDlg::OnOK() {
    // The OK command never ends this dialog; only Cancel does.
}

void CSolvaneToOrbelleDlg::OnOkCommand() {
    OnOK();
}
