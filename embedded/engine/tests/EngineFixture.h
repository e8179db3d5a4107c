// A temporary data folder holding one database with the dealer schema, a
// login and a few hand-made dealers, for the engine's tests.
#pragma once

#include "embsql/Admin.h"
#include "embsql/Engine.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace embsql::test {

using Rows = std::vector<std::vector<std::string>>;

// All rows of a result; NULL reads as "NULL".
Rows ReadRows(Result& result);

// Groups G01 (code GC01) and G02 (GC02); in G01 clients C123 (Solvane),
// C124 (Orbelle), C125 (Solvane) and C300 (category 9); in G02 C200
// (Solvane). Login "sa", an administrator, with password "Secret1".
class EngineTest : public ::testing::Test {
protected:
    static constexpr const char* kServer = "TestSrv";
    static constexpr const char* kDatabase = "Dealers";

    void SetUp() override;
    void TearDown() override;

    std::unique_ptr<Session> Connect();
    Admin& Owner() { return *m_admin; }

    // Runs a statement on the fixture's session and reads every result.
    std::vector<Rows> Run(const std::string& statement);
    // The rows of one owner query.
    Rows Query(const std::string& sql);
    int Category(const std::string& dealerId);
    long long HistoryCount();

    std::unique_ptr<testing_support::TempDir> m_tmp;
    std::filesystem::path m_dir; // the temporary data folder
    std::unique_ptr<Admin> m_admin;
    std::unique_ptr<Session> m_session;
};

// Expects `call` to throw Error with this SQLSTATE, native error and message.
#define EXPECT_DB_ERROR(call, state, native, message)                                              \
    do {                                                                                           \
        try {                                                                                      \
            call;                                                                                  \
            ADD_FAILURE() << "no error from " #call;                                               \
        } catch (const ::embsql::Error& e) {                                                       \
            EXPECT_EQ(e.SqlState(), state);                                                        \
            EXPECT_EQ(e.NativeError(), native);                                                    \
            EXPECT_EQ(std::string(e.what()), message);                                             \
        }                                                                                          \
    } while (0)

} // namespace embsql::test
