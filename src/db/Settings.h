// The connection settings: what start-up reads from the registry and the
// decoded password, kept together as one value by whoever connects.
#pragma once

#include <string>

#include "db/PasswordEncrypt.h"

namespace db {

struct Settings {
    std::string serverAddress;  // "DataBase-IPAddress": the server, SERVER and -S
    std::string databaseName;   // "LIVEDatabase-Name": Database and -d
    std::string userId;         // "Server UserID": UID and -U
    std::string dataSourceName; // "LIVEDSN-Name": the ODBC data source
    // "Server PWD" decoded: zero-terminated text, zero-filled past its end.
    char password[kPasswordBufferSize] = {};
};

} // namespace db
