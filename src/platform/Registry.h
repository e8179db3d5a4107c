// HKEY_LOCAL_MACHINE kept as a hive file in the registry editor's text format, with the
// ANSI registry calls the program makes and the results Windows gives for them.
// The file is $SOLVANETOORBELLE_HKLM, by default /etc/solvanetoorbelle/HKLM.reg.
#pragma once

#include <cstdint>

using LONG = long;
using DWORD = std::uint32_t;
using BYTE = unsigned char;
using REGSAM = DWORD;

struct RegKey;
using HKEY = RegKey*;

// The one root supported; any other root handle is refused with ERROR_INVALID_PARAMETER.
extern const HKEY HKEY_LOCAL_MACHINE;

constexpr LONG ERROR_SUCCESS = 0, ERROR_FILE_NOT_FOUND = 2, ERROR_ACCESS_DENIED = 5,
               ERROR_INVALID_HANDLE = 6, ERROR_WRITE_FAULT = 29, ERROR_INVALID_PARAMETER = 87,
               ERROR_MORE_DATA = 234, ERROR_BADDB = 1009;
constexpr DWORD REG_NONE = 0, REG_SZ = 1, REG_EXPAND_SZ = 2, REG_BINARY = 3, REG_DWORD = 4,
                REG_MULTI_SZ = 7;
constexpr DWORD REG_OPTION_NON_VOLATILE = 0, REG_CREATED_NEW_KEY = 1, REG_OPENED_EXISTING_KEY = 2;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F, KEY_READ = 0x20019;

// The path of the hive file: $SOLVANETOORBELLE_HKLM when set and non-empty, otherwise
// /etc/solvanetoorbelle/HKLM.reg.
const char* HiveFilePath();

// Opens the key lpSubKey (backslash-separated, case-insensitive; "" is hKey itself) under
// HKEY_LOCAL_MACHINE or an open key, reading the hive file afresh. An existing key is
// opened (*lpdwDisposition = REG_OPENED_EXISTING_KEY); a missing one is added to the file
// (REG_CREATED_NEW_KEY), the file being created when missing. lpClass and
// lpSecurityAttributes are ignored; lpdwDisposition may be null. On success *phkResult is a
// handle for RegQueryValueExA and RegCloseKey, holding the key's values as read now.
// Results: ERROR_INVALID_PARAMETER (unknown root or handle, null phkResult or lpSubKey,
// Reserved or dwOptions not 0, a malformed key name: empty part, leading backslash,
// control character, invalid UTF-8, a part longer than 255 bytes, more than 512 levels,
// or one the file's encoding cannot hold); ERROR_ACCESS_DENIED (write access asked for,
// as KEY_ALL_ACCESS does, or a key to be created, while the file, or its folder when it is
// missing, cannot be written; or the file cannot be read); ERROR_BADDB (the file is not a
// well-formed hive, is larger than 32 MiB or nests keys deeper than 512 levels);
// ERROR_WRITE_FAULT (the new file could not be written, or would grow beyond 32 MiB). On
// failure *phkResult is null and the file is unchanged.
LONG RegCreateKeyExA(HKEY hKey, const char* lpSubKey, DWORD Reserved, char* lpClass,
                     DWORD dwOptions, REGSAM samDesired, void* lpSecurityAttributes,
                     HKEY* phkResult, DWORD* lpdwDisposition);

// Reads value lpValueName (null or "" for the default value; case-insensitive). Text values
// come as UTF-8 with their terminating zero, counted in the size. lpType, when not null,
// receives the type (also with ERROR_MORE_DATA). With lpData null only the size goes to
// *lpcbData. If *lpcbData is smaller than the value, ERROR_MORE_DATA, the size needed in
// *lpcbData and lpData untouched. ERROR_FILE_NOT_FOUND for a missing value;
// ERROR_INVALID_PARAMETER for a non-null lpReserved or lpData without lpcbData;
// ERROR_INVALID_HANDLE for a handle that is not open. On HKEY_LOCAL_MACHINE itself the
// file is read now (with the results of RegCreateKeyExA for an unreadable file).
LONG RegQueryValueExA(HKEY hKey, const char* lpValueName, DWORD* lpReserved, DWORD* lpType,
                      BYTE* lpData, DWORD* lpcbData);

// Releases a handle. ERROR_SUCCESS, also for HKEY_LOCAL_MACHINE; ERROR_INVALID_HANDLE for
// null or a handle that is not open (closing twice is safe).
LONG RegCloseKey(HKEY hKey);
