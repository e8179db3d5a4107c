// The table bcp copies into: a table of the embedded engine in this process,
// or one of any server reached through the ODBC driver named by
// $EMBSQL_TOOLS_DRIVER.
#pragma once

#include "BcpSettings.h"
#include "embsql/Engine.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace bcp {

class CopyTarget {
public:
    virtual ~CopyTarget() = default; // rolls back an open batch

    // The table's columns, in order.
    virtual const std::vector<embsql::Column>& Columns() const = 0;
    // The check a value of column `column` (0-based) must pass to be
    // inserted: nullopt when it fits, otherwise the error the server gives.
    virtual std::optional<embsql::Error>
    CheckValue(std::size_t column, const std::optional<std::string>& value) const = 0;

    // A batch: its rows are kept by Commit, dropped by Rollback. Insert may
    // hold rows back and send them in groups, so what the server refuses
    // may surface at a later Insert or at Commit; the batch must then be
    // rolled back. All throw embsql::Error.
    virtual void Begin() = 0;
    virtual void Insert(const std::vector<std::optional<std::string>>& values) = 0;
    virtual void Commit() = 0;
    virtual void Rollback() = 0;
};

// Logs in and finds the table of `settings`: through the driver named by
// $EMBSQL_TOOLS_DRIVER when it is set, otherwise in the embedded engine.
// Throws embsql::Error: the server's refusal of the login, 42S02/208
// "Invalid object name 'T'." for a table it does not show, a failure to
// reach it (SQLSTATE 08...).
std::unique_ptr<CopyTarget> OpenTarget(const Settings& settings, const std::string& password);

// Whether an error of a copy is the server's message (printed after
// "[SQL Server]") rather than the client's.
bool FromServer(const embsql::Error& error);

} // namespace bcp
