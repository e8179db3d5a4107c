// Fuzzing the registry hive reader: a file's bytes in any of its encodings, decoded and
// parsed as start-up reads them, then the settings key looked up. Only HiveFormatError may
// come out.
#include <cstdint>
#include <string>

#include "platform/HiveFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const platform::HiveFile file =
            platform::DecodeHiveFile(std::string(reinterpret_cast<const char*>(data), size));
        for (const char* key :
             {"hkey_local_machine", "hkey_local_machine\\software",
              "hkey_local_machine\\software\\zeva\\integrated\\zeva manager\\odbc"}) {
            if (const platform::HiveValues* values = file.hive.Find(key)) {
                for (const auto& [name, value] : *values) {
                    // Text values always end in their terminating zero.
                    if ((value.type == 1 || value.type == 2 || value.type == 7) &&
                        (value.data.empty() || value.data.back() != '\0')) {
                        __builtin_trap();
                    }
                }
            }
        }
    } catch (const platform::HiveFormatError&) {
    }
    return 0;
}
