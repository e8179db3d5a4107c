// Reading the settings key at start-up: one shared read buffer, the values in
// their fixed order, the blank-value messages and the password's decoding.
#include "db/Startup.h"

#include <cassert>
#include <cstring>
#include <utility>

#include "db/PasswordEncrypt.h"

namespace db {

const char* const kSettingsKey = "SOFTWARE\\ZEVA\\INTEGRATED\\ZEVA Manager\\ODBC";

namespace {

constexpr DWORD kReadCapacity = 255;

struct Setting {
    const char* valueName;
    const char* blankMessage;
};

const Setting kServerAddress{"DataBase-IPAddress", "DataBase-IPAddress is blank in Registry."};
const Setting kDatabaseName{"LIVEDatabase-Name", "DataBase-Name is blank in Registry"};
const Setting kUserId{"Server UserID", "Server UserID is blank in Registry"};
const Setting kDataSourceName{"LIVEDSN-Name", "LIVEDSN-Name is blank in Registry"};
const Setting kPassword{"Server PWD", "Server PWD is blank in Registry"};

constexpr const char* kPasswordFailure = "Error in Processing Password.";

// One read into the shared 256-byte buffer. The buffer and the capacity are
// reset before every read: a read that fails for lack of room reports the
// size it would need, which must never become the next read's capacity.
bool ReadValue(HKEY key, const char* name, unsigned char (&buffer)[256], DWORD& byteCount) {
    std::memset(buffer, 0, kReadCapacity);
    byteCount = kReadCapacity;
    return RegQueryValueExA(key, name, nullptr, nullptr, buffer, &byteCount) == ERROR_SUCCESS;
}

StartupRead Ending(const char* message) {
    return {StartupOutcome::End, message};
}

StartupRead ReadValues(HKEY key, Settings& settings) {
    unsigned char buffer[256] = {};
    DWORD byteCount = 0;
    const std::pair<const Setting*, std::string*> textSettings[] = {
        {&kServerAddress, &settings.serverAddress},
        {&kDatabaseName, &settings.databaseName},
        {&kUserId, &settings.userId},
        {&kDataSourceName, &settings.dataSourceName},
    };
    for (const auto& [setting, destination] : textSettings) {
        if (ReadValue(key, setting->valueName, buffer, byteCount)) {
            *destination = reinterpret_cast<const char*>(buffer);
            if (destination->empty()) {
                return Ending(setting->blankMessage);
            }
        }
    }
    if (!ReadValue(key, kPassword.valueName, buffer, byteCount)) {
        return {StartupOutcome::NoPassword, {}};
    }
    if (buffer[0] == 0) {
        return Ending(kPassword.blankMessage);
    }
    assert(byteCount <= kReadCapacity);
    CPasswordEncrypt decoder;
    unsigned char input[kReadCapacity] = {};
    std::memcpy(input, buffer, byteCount);
    std::memset(settings.password, 0, sizeof settings.password);
    unsigned int outputLength = 0;
    if (decoder.Decrypt(input, byteCount, reinterpret_cast<unsigned char*>(settings.password),
                        &outputLength) == 0) {
        return Ending(kPasswordFailure);
    }
    return {StartupOutcome::Connect, {}};
}

} // namespace

StartupRead ReadSettings(HKEY& key, Settings& settings) {
    DWORD disposition = 0;
    char noClass[] = "";
    const LONG opened =
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, noClass, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, &disposition);
    StartupRead read;
    if (opened == ERROR_SUCCESS && disposition == REG_OPENED_EXISTING_KEY) {
        read = ReadValues(key, settings);
    }
    if (key) {
        RegCloseKey(key); // not needed after start-up
        key = nullptr;
    }
    return read;
}

} // namespace db
