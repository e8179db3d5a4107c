// Reading the first column of a statement's rows through the one recordset
// that start-up, the client list and the single conversion share.
#pragma once

#include <functional>
#include <string>

#include "db/Ctbl_DealerMaster.h"

namespace db {

// Opens `recordset` as a snapshot on `statement`, hands each row's
// m_sDealerId to `row` in order, and closes the recordset, also when a
// database error (CDBException, thrown on) or `row` leaves early.
void ReadRows(Ctbl_DealerMaster& recordset, const std::string& statement,
              const std::function<void(const std::string&)>& row);

} // namespace db
