// Start-up's work that needs no window, done ahead of the dialog: the settings
// read and the password decoded, the connection opened and the group list
// read, so that it can run on a second core while the dialog is being built.
#pragma once

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "db/Settings.h"
#include "db/Startup.h"
#include "framework/Database.h"

namespace db {

struct PreparedStart {
    PreparedStart() = default;
    PreparedStart(PreparedStart&&) noexcept = default;
    PreparedStart& operator=(PreparedStart&&) noexcept = default;
    // Wipes the password it still holds.
    ~PreparedStart();

    StartupRead read;
    Settings settings;
    // Made when read.outcome is Connect; open when `connected`.
    std::unique_ptr<CDatabase> database;
    BOOL connected = FALSE; // what the open returned
    // The group ids in the order the query gave them.
    std::vector<std::string> groups;
    // What stopped the work, to be thrown where start-up meets it: the open of
    // the connection, or the group query after the groups read before it.
    std::exception_ptr connectError;
    std::exception_ptr queryError;
};

// Reads the settings (see ReadSettings); when they are complete, connects (see
// Connect) and reads the group list. Database errors and any other exception
// of the connection or the query are kept in the result, not thrown.
PreparedStart PrepareStart();

} // namespace db
