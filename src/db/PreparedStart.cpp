// PrepareStart: the settings, the connection and the group list, in the order
// start-up needs them, with the errors kept for the dialog to meet.
#include "db/PreparedStart.h"

#include "db/Connection.h"
#include "db/Ctbl_DealerMaster.h"
#include "db/Rows.h"
#include "db/Statements.h"
#include "platform/Wipe.h"

namespace db {

PreparedStart::~PreparedStart() {
    platform::Wipe(settings.password, sizeof settings.password);
}

PreparedStart PrepareStart() {
    PreparedStart start;
    HKEY key = nullptr;
    start.read = ReadSettings(key, start.settings);
    if (start.read.outcome != StartupOutcome::Connect) {
        return start;
    }
    try {
        start.database = std::make_unique<CDatabase>();
        start.connected = Connect(*start.database, start.settings);
    } catch (...) {
        start.connectError = std::current_exception();
        return start;
    }
    if (start.connected) {
        try {
            Ctbl_DealerMaster groups(start.database.get());
            ReadRows(groups, kGroupListStatement,
                     [&start](const std::string& group) { start.groups.push_back(group); });
        } catch (...) {
            start.queryError = std::current_exception();
        }
    }
    return start;
}

} // namespace db
