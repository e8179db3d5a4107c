// OnInitDialog: the main dialog's start-up with its settings from the
// registry, the one ODBC connection and the group list.
#include <exception>

#include "db/PreparedStart.h"
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

    // The work that needs no window may already be under way on another core.
    db::PreparedStart start = m_preparedStart.valid() ? m_preparedStart.get() : db::PrepareStart();
    m_settings = start.settings;
    const db::StartupRead& read = start.read;
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
        ConnectAndListGroups(start);
    }
    SetDlgItemText(IDC_SERVER_ADDRESS, m_strServerAddress);
    SetDlgItemText(IDC_DATABASE_NAME, m_strDatabaseName);
    AddAboutItemAndIcons();
    return TRUE;
}

void CSolvaneToOrbelleDlg::ConnectAndListGroups(db::PreparedStart& start) {
    // A refused connection or query is not caught here: the framework shows
    // it, and the steps after it do not run.
    if (start.connectError) {
        std::rethrow_exception(start.connectError);
    }
    if (!start.connected) {
        return;
    }
    m_database.Adopt(*start.database);
    m_btnConvert.EnableWindow(TRUE);
    m_cboGroupId.AddString("");
    for (const std::string& group : start.groups) {
        m_cboGroupId.AddString(group);
    }
    if (start.queryError) {
        std::rethrow_exception(start.queryError);
    }
    m_strMessage = db::ServerLine(m_strServerAddress, m_strDatabaseName);
    WriteLog(m_strMessage);
}
