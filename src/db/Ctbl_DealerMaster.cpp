// Ctbl_DealerMaster: default texts and the field exchange of the dealer id.
#include "db/Ctbl_DealerMaster.h"

Ctbl_DealerMaster::Ctbl_DealerMaster(CDatabase* pDatabase) : CRecordset(pDatabase) {
    m_nFields = 1;
    m_nDefaultType = snapshot;
}

std::string Ctbl_DealerMaster::GetDefaultConnect() {
    return "ODBC;DSN=DealerMaster;Description=Dealer master;UID=operator;PWD=;"
           "APP=SolvaneToOrbelle;WSID=WORKSTATION01;DATABASE=DealerDb;Network=DBMSSOCN;"
           "Address=192.0.2.10,1433;UseProcForPrepare=0";
}

std::string Ctbl_DealerMaster::GetDefaultSQL() {
    return "[dbo].[select sDealerId from tbl_DealerMaster where nDealerCategory=7]";
}

void Ctbl_DealerMaster::DoFieldExchange(CFieldExchange* pFX) {
    pFX->SetFieldType(CFieldExchange::outputColumn);
    RFX_Text(pFX, "[sDealerId]", m_sDealerId, 255, SQL_VARCHAR, 0);
}
