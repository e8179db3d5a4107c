// Fuzzing the ODBC driver's connection-string parser: any text parses or fails with the
// driver's error, and the keys it gives, written back as a connection string, parse to the
// same keys. A difference aborts.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "ConnectKeys.h"
#include "Diagnostics.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const embodbc::ConnectKeys keys = embodbc::ConnectKeys::Parse(text);
        const std::string written = keys.ToString();
        if (embodbc::ConnectKeys::Parse(written).Pairs() != keys.Pairs()) {
            std::fprintf(stderr, "written back as \"%s\", the keys read differently\n",
                         written.c_str());
            std::abort();
        }
    } catch (const embodbc::DriverError&) {
    }
    return 0;
}
