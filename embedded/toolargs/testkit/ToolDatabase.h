// A test fixture for the server tools: a temporary data folder holding
// server 127.0.0.1's database DB1 with the dealer schema, demo dealers and the
// operator login u1 (password "pw") with the program's rights and no more,
// and the build's tools first on PATH. With STO_TEST_FREETDS set, the tools
// reach that database through FreeTDS's ODBC driver and embsqld, which runs
// on a free port over the same data folder.
#pragma once

#include "EmbsqldProcess.h"
#include "embsql/Admin.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace toolkit {

using Rows = std::vector<std::vector<std::string>>;

// Whether the tools' tests go through FreeTDS and embsqld.
inline bool ThroughFreeTds() {
    return embsqld_testkit::TestsThroughFreeTds();
}

class ToolTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Adds a login with the program's rights.
    void AddOperator(const std::string& login, const std::string& password);
    // Rows of a query run as the database's owner; NULL reads as "NULL".
    Rows Query(const std::string& sql);
    long long Count(const std::string& table);
    // Writes `text` to `name` in a folder whose name holds a blank, and
    // returns the full path.
    std::string WriteFile(const std::string& name, const std::string& text);
    // A path in that same folder.
    std::string PathOf(const std::string& name) const;
    embsql::Admin& Owner() { return *m_admin; }
    // What embsqld received so far (see EmbsqldProcess::Requests); empty
    // when the tools run in-process.
    std::vector<std::string> Requests() const;

    std::string m_dir;   // the data folder
    std::string m_files; // "<dir>/my files"

private:
    void SetEnv(const std::string& name, const std::string& value);

    std::unique_ptr<testing_support::TempDir> m_temp;
    std::unique_ptr<embsql::Admin> m_admin;
    std::unique_ptr<embsqld_testkit::EmbsqldProcess> m_server;
    std::vector<std::unique_ptr<testing_support::ScopedEnv>> m_env; // undone last first
};

} // namespace toolkit
