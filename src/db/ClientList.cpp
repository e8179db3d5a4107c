// FillClientList: the Client Id list of the selected group, for the
// direction the radio buttons show.
#include "db/RecordsetGuard.h"
#include "db/Statements.h"
#include "ui/SolvaneToOrbelleDlg.h"

void CSolvaneToOrbelleDlg::FillClientList() {
    const int category = m_radSolvaneToOrbelle.GetCheck() == BST_CHECKED ? 2 : 4;
    m_cboClientId.ResetContent();
    const std::string groupId = db::Trim(m_cboGroupId.GetWindowText());
    const std::string statement = db::ClientListStatement(groupId, category);

    db::RecordsetGuard guard(m_rsDealerMaster);
    m_rsDealerMaster.Open(CRecordset::snapshot, statement.c_str(), 0);
    while (!m_rsDealerMaster.IsEOF()) {
        m_cboClientId.AddString(m_rsDealerMaster.m_sDealerId);
        m_rsDealerMaster.MoveNext();
    }
    m_rsDealerMaster.Close();
}
