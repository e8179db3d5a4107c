// A private ODBC configuration for the database tests: a driver list and data
// sources in a temporary folder, and SQLite files holding tbl_DealerMaster.
#pragma once

#include <gtest/gtest.h>

#include "db/Ctbl_DealerMaster.h"
#include "support/TempDir.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// The program's group query, as it sends it.
inline constexpr char kGroupQuery[] =
    "select sDealerId from tbl_DealerMaster where nDealerCategory = 7";

class OdbcTestEnvironment : public ::testing::Environment {
public:
    // The data source whose settings name DsnFile() through the SQLite driver.
    static constexpr const char* kDsn = "DealerDsn";
    // The driver names of Debian's SQLite driver and the embedded server's.
    static constexpr const char* kSqliteDriver = "SQLiteTest";
    static constexpr const char* kEmbeddedDriver = "EmbeddedTest";
    // A data source whose driver library does not exist.
    static constexpr const char* kMissingDriverDsn = "NoDriverDsn";

    void SetUp() override;
    void TearDown() override;

    // The database the data source names: one group, "A-ONLY".
    static std::string DsnFile();
    // The dealer database the tests connect to by the connect text's keys.
    static std::string DealerFile();
    // "ODBC;SERVER=...;Database=<file>;UID=u;PWD=p", as the program builds it.
    static std::string ConnectText(const std::string& file);
    // Runs `sql` on the SQLite file `file`; fails the test on error.
    static void Exec(const std::string& file, const std::string& sql);

private:
    static std::unique_ptr<testing_support::TempDir> s_tmp;
    static std::filesystem::path s_dir;
};

// Opens `rs` as a snapshot on `sql`, reads every row's m_sDealerId, closes it.
std::vector<std::string> ReadIds(Ctbl_DealerMaster& rs, const std::string& sql);
