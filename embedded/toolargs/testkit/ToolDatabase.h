// A test fixture for the server tools: a temporary data folder holding
// server SRV1's database DB1 with the dealer schema, demo dealers and the
// operator login u1 (password "pw") with the program's rights and no more,
// and the build's tools first on PATH.
#pragma once

#include "embsql/Admin.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace toolkit {

using Rows = std::vector<std::vector<std::string>>;

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

    std::string m_dir;   // the data folder
    std::string m_files; // "<dir>/my files"

private:
    std::unique_ptr<embsql::Admin> m_admin;
    std::string m_savedPath;
};

} // namespace toolkit
