// FillClientList: the Client Id list of the selected group, for the
// direction the radio buttons show.
#include "db/Rows.h"
#include "db/Statements.h"
#include "ui/SolvaneToOrbelleDlg.h"

void CSolvaneToOrbelleDlg::FillClientList() {
    // The button itself decides, not the exchanged radio index.
    const server::DealerCategory category = m_radSolvaneToOrbelle.GetCheck() == BST_CHECKED
                                                ? server::DealerCategory::SolvaneClient
                                                : server::DealerCategory::OrbelleClient;
    m_cboClientId.ResetContent();
    const std::string groupId = db::Trim(m_cboGroupId.GetWindowText());
    db::ReadRows(m_rsDealerMaster, db::ClientListStatement(groupId, category),
                 [this](const std::string& client) { m_cboClientId.AddString(client); });
}
