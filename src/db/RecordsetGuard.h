// Closes a recordset when a database error leaves its user early, so that
// the next user of the one shared recordset finds it closed.
#pragma once

#include "framework/Recordset.h"

namespace db {

class RecordsetGuard {
public:
    explicit RecordsetGuard(CRecordset& recordset) : m_recordset(recordset) {}
    ~RecordsetGuard() { m_recordset.Close(); }
    RecordsetGuard(const RecordsetGuard&) = delete;
    RecordsetGuard& operator=(const RecordsetGuard&) = delete;

private:
    CRecordset& m_recordset;
};

} // namespace db
