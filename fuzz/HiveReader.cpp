// Fuzzing the registry hive reader: a file's bytes in any of its encodings, decoded and
// parsed as start-up reads them, then the settings key looked up. Only HiveFormatError may
// come out, and a hive that keeps one key must answer for it as the whole hive does.
#include <cstdint>
#include <string>

#include "platform/HiveFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const std::string raw(reinterpret_cast<const char*>(data), size);
        const platform::HiveFile file = platform::DecodeHiveFile(raw);
        for (const char* key :
             {"hkey_local_machine", "hkey_local_machine\\software",
              "hkey_local_machine\\software\\zeva\\integrated\\zeva manager\\odbc"}) {
            const platform::HiveFile one = platform::DecodeHiveFile(raw, key);
            const platform::HiveValues* kept = one.hive.Find(key);
            const platform::HiveValues* values = file.hive.Find(key);
            if ((kept == nullptr) != (values == nullptr) ||
                (kept != nullptr && kept->size() != values->size())) {
                __builtin_trap();
            }
            if (values != nullptr) {
                for (const auto& [name, value] : *values) {
                    // Text values always end in their terminating zero.
                    if ((value.type == 1 || value.type == 2 || value.type == 7) &&
                        (value.data.empty() || value.data.back() != '\0')) {
                        __builtin_trap();
                    }
                    const auto same = kept->find(name);
                    if (same == kept->end() || same->second.type != value.type ||
                        same->second.data != value.data) {
                        __builtin_trap();
                    }
                }
            }
        }
    } catch (const platform::HiveFormatError&) {
    }
    return 0;
}
