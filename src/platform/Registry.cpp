// The registry calls over the hive file: opening and creating keys, reading values,
// and the table of open key handles.
#include "platform/Registry.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unistd.h>

#include "platform/HiveFile.h"
#include "platform/TextCodec.h"

struct RegKey {
    std::string path; // full path as the caller spelt it, "HKEY_LOCAL_MACHINE\..."
    platform::HiveValues values;
};

namespace {

constexpr std::string_view kRootName = "HKEY_LOCAL_MACHINE";
constexpr const char* kDefaultHivePath = "/etc/solvanetoorbelle/HKLM.reg";

// Every access right that would let a caller change the key or its values.
constexpr REGSAM kWriteRights = 0x0002 /* set value */ | 0x0004 /* create subkey */ |
                                0x0020 /* create link */ | 0x00010000 /* delete */ |
                                0x00040000 /* write DAC */ | 0x00080000 /* write owner */ |
                                0x10000000 /* generic all */ | 0x40000000 /* generic write */;

RegKey g_root{std::string(kRootName), {}};

// Open handles, owned here so that a stale or doubly closed handle is recognised
// instead of being used after it was freed.
struct HandleTable {
    std::mutex mutex;
    std::map<RegKey*, std::unique_ptr<RegKey>> open;
};

HandleTable& Handles() {
    static HandleTable table;
    return table;
}

// The key path below the root or handle, checked and without a trailing backslash;
// nullopt when it is not a valid key name.
std::optional<std::string> CheckedSubKey(std::string_view sub) {
    if (!sub.empty() && sub.back() == '\\') {
        sub.remove_suffix(1);
    }
    if (sub.empty()) {
        return std::string();
    }
    if (!platform::IsValidUtf8(sub)) {
        return std::nullopt;
    }
    size_t partLength = 0;
    for (const char c : sub) {
        if (c == '\\') {
            if (partLength == 0) {
                return std::nullopt;
            }
            partLength = 0;
            continue;
        }
        // A line break or other control character would corrupt the hive file's lines.
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F || ++partLength > 255) {
            return std::nullopt;
        }
    }
    if (partLength == 0) {
        return std::nullopt;
    }
    return std::string(sub);
}

bool CanWrite(const std::string& path, bool exists) {
    if (exists) {
        return access(path.c_str(), W_OK) == 0;
    }
    const size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    return access(folder.c_str(), W_OK) == 0;
}

LONG LoadError(platform::HiveLoad load) {
    switch (load) {
    case platform::HiveLoad::Ok:
        return ERROR_SUCCESS;
    case platform::HiveLoad::Missing:
        return ERROR_FILE_NOT_FOUND;
    case platform::HiveLoad::AccessDenied:
        return ERROR_ACCESS_DENIED;
    case platform::HiveLoad::Malformed:
        break;
    }
    return ERROR_BADDB;
}

LONG CopyOut(const platform::HiveValue& value, DWORD* lpType, BYTE* lpData, DWORD* lpcbData) {
    const auto size = static_cast<DWORD>(value.data.size());
    if (lpType != nullptr) {
        *lpType = value.type;
    }
    if (lpcbData == nullptr) {
        return ERROR_SUCCESS;
    }
    if (lpData != nullptr) {
        if (*lpcbData < size) {
            *lpcbData = size;
            return ERROR_MORE_DATA;
        }
        if (size > 0) {
            std::memcpy(lpData, value.data.data(), size);
        }
    }
    *lpcbData = size;
    return ERROR_SUCCESS;
}

HKEY NewHandle(std::string path, platform::HiveValues values) {
    auto key = std::make_unique<RegKey>(RegKey{std::move(path), std::move(values)});
    HKEY handle = key.get();
    HandleTable& table = Handles();
    std::lock_guard lock(table.mutex);
    table.open.emplace(handle, std::move(key));
    return handle;
}

} // namespace

const HKEY HKEY_LOCAL_MACHINE = &g_root;

const char* HiveFilePath() {
    const char* path = std::getenv("SOLVANETOORBELLE_HKLM");
    return path != nullptr && path[0] != '\0' ? path : kDefaultHivePath;
}

LONG RegCreateKeyExA(HKEY hKey, const char* lpSubKey, DWORD Reserved, char* /*lpClass*/,
                     DWORD dwOptions, REGSAM samDesired, void* /*lpSecurityAttributes*/,
                     HKEY* phkResult, DWORD* lpdwDisposition) {
    if (phkResult == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    *phkResult = nullptr;
    if (lpSubKey == nullptr || Reserved != 0 || dwOptions != REG_OPTION_NON_VOLATILE) {
        return ERROR_INVALID_PARAMETER;
    }
    std::string base;
    if (hKey == HKEY_LOCAL_MACHINE) {
        base = kRootName;
    } else {
        HandleTable& table = Handles();
        std::lock_guard lock(table.mutex);
        const auto it = table.open.find(hKey);
        if (it == table.open.end()) {
            return ERROR_INVALID_PARAMETER;
        }
        base = it->second->path;
    }
    const std::optional<std::string> sub = CheckedSubKey(lpSubKey);
    if (!sub) {
        return ERROR_INVALID_PARAMETER;
    }
    const std::string full = sub->empty() ? base : base + "\\" + *sub;

    const std::string path = HiveFilePath();
    // Only the key asked for is kept from the file.
    const std::string lower = platform::LowerName(full);
    platform::HiveFile file;
    const platform::HiveLoad load = platform::LoadHiveFile(path, file, lower);
    if (load != platform::HiveLoad::Ok && load != platform::HiveLoad::Missing) {
        return LoadError(load);
    }
    const bool exists = load == platform::HiveLoad::Ok;
    const bool writable = CanWrite(path, exists);
    if ((samDesired & kWriteRights) != 0 && !writable) {
        return ERROR_ACCESS_DENIED;
    }

    const platform::HiveValues* found = exists ? file.hive.Find(lower) : nullptr;
    DWORD disposition = REG_OPENED_EXISTING_KEY;
    platform::HiveValues values;
    if (found != nullptr) {
        values = *found;
    } else if (lower != platform::LowerName(kRootName)) {
        if (!writable) {
            return ERROR_ACCESS_DENIED;
        }
        switch (platform::AppendHiveKey(path, exists ? &file : nullptr, full)) {
        case platform::HiveWrite::Ok:
            break;
        case platform::HiveWrite::Unrepresentable:
            return ERROR_INVALID_PARAMETER;
        case platform::HiveWrite::AccessDenied:
            return ERROR_ACCESS_DENIED;
        case platform::HiveWrite::Failed:
            return ERROR_WRITE_FAULT;
        }
        disposition = REG_CREATED_NEW_KEY;
    }
    *phkResult = NewHandle(full, std::move(values));
    if (lpdwDisposition != nullptr) {
        *lpdwDisposition = disposition;
    }
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY hKey, const char* lpValueName, DWORD* lpReserved, DWORD* lpType,
                      BYTE* lpData, DWORD* lpcbData) {
    const std::string name = platform::LowerName(lpValueName != nullptr ? lpValueName : "");
    if (hKey == HKEY_LOCAL_MACHINE) {
        if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr)) {
            return ERROR_INVALID_PARAMETER;
        }
        platform::HiveFile file;
        const std::string rootKey = platform::LowerName(kRootName);
        const platform::HiveLoad load = platform::LoadHiveFile(HiveFilePath(), file, rootKey);
        if (load != platform::HiveLoad::Ok) {
            return LoadError(load);
        }
        const platform::HiveValues* root = file.hive.Find(rootKey);
        if (root == nullptr || root->count(name) == 0) {
            return ERROR_FILE_NOT_FOUND;
        }
        return CopyOut(root->at(name), lpType, lpData, lpcbData);
    }
    HandleTable& table = Handles();
    std::lock_guard lock(table.mutex);
    const auto it = table.open.find(hKey);
    if (it == table.open.end()) {
        return ERROR_INVALID_HANDLE;
    }
    if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr)) {
        return ERROR_INVALID_PARAMETER;
    }
    const auto value = it->second->values.find(name);
    if (value == it->second->values.end()) {
        return ERROR_FILE_NOT_FOUND;
    }
    return CopyOut(value->second, lpType, lpData, lpcbData);
}

LONG RegCloseKey(HKEY hKey) {
    if (hKey == HKEY_LOCAL_MACHINE) {
        return ERROR_SUCCESS;
    }
    HandleTable& table = Handles();
    std::unique_ptr<RegKey> closing;
    std::lock_guard lock(table.mutex);
    const auto it = table.open.find(hKey);
    if (it == table.open.end()) {
        return ERROR_INVALID_HANDLE;
    }
    closing = std::move(it->second);
    table.open.erase(it);
    return ERROR_SUCCESS;
}
