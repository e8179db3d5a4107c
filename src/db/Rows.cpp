// ReadRows: one open, walk and close of the shared recordset.
#include "db/Rows.h"

#include "db/RecordsetGuard.h"

namespace db {

void ReadRows(Ctbl_DealerMaster& recordset, const std::string& statement,
              const std::function<void(const std::string&)>& row) {
    RecordsetGuard guard(recordset);
    recordset.Open(CRecordset::snapshot, statement.c_str(), 0);
    while (!recordset.IsEOF()) {
        row(recordset.m_sDealerId);
        recordset.MoveNext();
    }
    recordset.Close();
}

} // namespace db
