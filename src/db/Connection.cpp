// Connect: the connection text from the settings, and the open.
#include "db/Connection.h"

#include "db/Statements.h"
#include "platform/Wipe.h"

namespace db {

BOOL Connect(CDatabase& database, const Settings& settings) {
    std::string connect = ConnectionText(settings.serverAddress, settings.databaseName,
                                         settings.userId, settings.password);
    const platform::WipeOnExit wipe(connect);
    return database.Open(settings.dataSourceName.c_str(), FALSE, FALSE, connect.c_str(), TRUE);
}

} // namespace db
