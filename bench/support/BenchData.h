// Demo databases for the list benchmarks, made once and kept in the build
// tree, and an ODBC configuration in which the embedded server's driver and
// Debian's SQLite ODBC driver both reach them.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace bench {

inline constexpr long long kGroups = 1000;
// Where the databases are served and how the benchmarks log in.
inline constexpr const char* kServer = "127.0.0.1";
inline constexpr const char* kLogin = "sa";
inline constexpr const char* kPassword = "Bench#1";
// A data source in the benchmarks' ODBC files naming the embedded driver.
inline constexpr const char* kDataSource = "Dealers";
// The sizes every list benchmark runs at.
inline constexpr long long kSizes[] = {10'000, 100'000, 1'000'000};

// Points the embedded server and unixODBC at the benchmarks' folder in the
// build tree and writes the driver list and the data source there; returns the
// folder. Call before any ODBC call.
std::filesystem::path UseBenchFolder();

struct Database {
    std::string name;
    std::filesystem::path file;
    // The first group's id, and how many of its clients are on Solvane (2).
    std::string bigGroupId;
    long long bigGroupSolvane = 0;
};

// A demo database of 1,000 groups sharing `clients` clients (every third on
// Orbelle, the others on Solvane); with `bigGroup` larger than a group's share,
// the first group holds that many clients in all. Made unless a finished one
// is there already. Throws embsql::Error.
Database EnsureDatabase(long long clients, long long bigGroup = 0);

struct Driver {
    std::string name;
    // A connection text with the driver's keys, without "ODBC;".
    std::string connect;
};

// Both drivers' connections to `db`.
std::vector<Driver> Drivers(const Database& db);

// "10k", "100k", "1M".
std::string SizeName(long long rows);

} // namespace bench
