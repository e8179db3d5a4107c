// The copy loop of bcp: rows read, checked, inserted in transactional
// batches, rejected rows counted against the error limit.
#pragma once

#include "BcpSettings.h"
#include "CopyReport.h"
#include "CopyTarget.h"
#include "RowReader.h"

#include <vector>

namespace bcp {

struct CopyOutcome {
    long long copied = 0;   // rows in committed batches
    bool completed = false; // false when the copy was cancelled or failed
};

// Copies rows settings.firstRow..settings.lastRow of `reader` into the
// table. Each batch (settings.batchSize rows, or all of them) is one
// transaction. A rejected row goes to the report and the error file; more
// than settings.maxErrors of them cancel the copy. Cancelling, a failed
// insert, a failed commit or a failed read roll the open batch back and end
// the copy; batches committed before it stay. Never throws.
CopyOutcome CopyRows(CopyTarget& table, const Settings& settings, RowReader& reader,
                     CopyReport& report);

} // namespace bcp
