// OnInitDialog: the main dialog's start-up with its settings from the
// registry, the one ODBC connection and the group list.
#include "db/Connection.h"
#include "db/Rows.h"
#include "db/Startup.h"
#include "db/Statements.h"
#include "framework/UiServices.h"
#include "ui/ResourceIds.h"
#include "ui/SolvaneToOrbelleDlg.h"

BOOL CSolvaneToOrbelleDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_cboGroupId.ResetContent();
    m_nCriteria = kSingleUser;
    m_nConversionType = kSolvaneToOrbelle;
    UpdateData(FALSE);
    OpenLogFile();

    const db::StartupRead read = db::ReadSettings(m_hSettingsKey, m_settings);
    if (read.outcome == db::StartupOutcome::End) {
        // A present but empty setting, or a password that cannot be decoded,
        // ends the program: shown, then logged, then no later step runs.
        m_strMessage = read.endMessage;
        AfxMessageBox(m_strMessage, MB_OK, 0);
        WriteLog(m_strMessage);
        EndDialog(IDCANCEL);
        return FALSE;
    }
    if (read.outcome == db::StartupOutcome::Connect) {
        ConnectAndListGroups();
    }
    SetDlgItemText(IDC_SERVER_ADDRESS, m_strServerAddress);
    SetDlgItemText(IDC_DATABASE_NAME, m_strDatabaseName);
    AddAboutItemAndIcons();
    return TRUE;
}

void CSolvaneToOrbelleDlg::ConnectAndListGroups() {
    // A refused connection or query is not caught here: the framework shows
    // it, and the steps after it do not run.
    if (!db::Connect(m_database, m_settings)) {
        return;
    }
    m_btnConvert.EnableWindow(TRUE);
    m_cboGroupId.AddString("");
    db::ReadRows(m_rsDealerMaster, db::kGroupListStatement,
                 [this](const std::string& group) { m_cboGroupId.AddString(group); });
    m_strMessage = db::ServerLine(m_strServerAddress, m_strDatabaseName);
    WriteLog(m_strMessage);
}
