// Start-up's reading of the settings key: the four texts, the stored
// password and its decoding, with the messages that end the program.
#pragma once

#include <string>

#include "db/Settings.h"
#include "platform/Registry.h"

namespace db {

// "SOFTWARE\ZEVA\INTEGRATED\ZEVA Manager\ODBC" under HKEY_LOCAL_MACHINE.
extern const char* const kSettingsKey;

enum class StartupOutcome {
    NotRead,    // the key was absent (now created, empty) or cannot be opened
    NoPassword, // "Server PWD" is absent or unreadable: no connection is tried
    Connect,    // every present value read and the password decoded
    End,        // a present but empty value, or a password that does not decode
};

struct StartupRead {
    StartupOutcome outcome = StartupOutcome::NotRead;
    std::string endMessage; // what to show and log when outcome is End
};

// Opens the settings key into `key` (creating it when absent), reads the
// values in their fixed order into `settings`, an absent or over-long value
// leaving its part empty, and decodes the password into settings.password.
// Reading stops at the first present but empty value. Closes `key` and sets
// it to null before returning. Never throws for what the registry holds.
StartupRead ReadSettings(HKEY& key, Settings& settings);

} // namespace db
