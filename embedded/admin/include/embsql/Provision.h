// Setting up a database of the embedded server for the program: the dealer
// schema and its procedures, demo data, and operators' sample files.
#pragma once

#include "embsql/Admin.h"

#include <cstddef>
#include <filesystem>
#include <vector>

namespace embsql {

// Installs the dealer tables, indexes and the three conversion procedures,
// or brings an older installation up to date (procedures are replaced, data
// is kept). Throws Error.
void InstallSchema(Admin& admin);

// The rights the program needs and no more, for its operator's login: read
// the dealer master, execute the three conversion procedures, empty
// (ALTER) and load (INSERT) the staging table.
std::vector<Permission> ProgramPermissions();

struct DemoSize {
    long long groups = 5;
    long long clientsPerGroup = 8;
};

// Fills tbl_DealerMaster with `size.groups` groups G001, G002, ... (code
// GRP001, ...) and their clients C000001, C000002, ..., numbered across
// groups; every third client is on Orbelle (4), the others on Solvane (2).
// Widths grow with the size. One transaction. Returns the rows written.
// Throws Error 42000/50000 when the table holds rows and `replace` is false,
// or when a size is not positive or the total is over 100,000,000.
long long FillDemoData(Admin& admin, DemoSize size, bool replace);

enum class SampleKind {
    Good,  // existing clients of the right category with their groups
    Bad,   // only rows the loader must reject (field counts, lengths)
    Mixed, // loadable rows, some of which the bulk procedure refuses
};

struct SampleOptions {
    SampleKind kind = SampleKind::Good;
    std::size_t rows = 10;
    int conversionType = 1; // 1 Solvane to Orbelle, 2 Orbelle to Solvane
    bool crlf = false;      // Windows line ends
};

// Writes an operator's comma-separated file "group,client" per line from the
// database's clients. Returns the rows written (fewer than asked when the
// database has fewer clients). Throws Error when the file cannot be written.
std::size_t WriteSampleFile(Admin& admin, const std::filesystem::path& file,
                            const SampleOptions& options);

} // namespace embsql
