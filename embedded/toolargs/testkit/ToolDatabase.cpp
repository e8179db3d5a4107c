// The temporary database and data folder of the tools' tests.
#include "ToolDatabase.h"

#include "embsql/Provision.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace toolkit {

void ToolTest::SetEnv(const std::string& name, const std::string& value) {
    m_env.push_back(std::make_unique<testing_support::ScopedEnv>(name, value));
}

void ToolTest::SetUp() {
    const char* build = std::getenv("STO_BUILD_DIR");
    ASSERT_NE(build, nullptr) << "STO_BUILD_DIR must name the build tree";
    const char* path = std::getenv("PATH");
    SetEnv("PATH", std::string(build) + "/bin:" + (path ? path : ""));

    m_temp = std::make_unique<testing_support::TempDir>();
    m_dir = m_temp->path().string();
    m_files = m_dir + "/my files";
    std::filesystem::create_directories(m_files);
    SetEnv("EMBSQL_DATA_DIR", m_dir);

    m_admin = embsql::Admin::Create("127.0.0.1", "DB1");
    embsql::InstallSchema(*m_admin);
    AddOperator("u1", "pw");
    embsql::FillDemoData(*m_admin, embsql::DemoSize{}, false);

    if (ThroughFreeTds()) {
        const std::filesystem::path odbc = m_dir + "/odbc";
        std::filesystem::create_directories(odbc);
        m_server = std::make_unique<embsqld_testkit::EmbsqldProcess>(
            std::filesystem::path(build) / "bin/embsqld", m_dir, odbc / "embsqld.log");
        for (const auto& [name, value] :
             embsqld_testkit::FreeTdsEnvironment(odbc, m_server->Port()))
            SetEnv(name, value);
    }
}

void ToolTest::TearDown() {
    m_server.reset();
    m_admin.reset();
    m_temp.reset();
    while (!m_env.empty())
        m_env.pop_back();
}

std::vector<std::string> ToolTest::Requests() const {
    return m_server ? m_server->Requests() : std::vector<std::string>{};
}

void ToolTest::AddOperator(const std::string& login, const std::string& password) {
    m_admin->AddLogin(login, password);
    m_admin->SetRights(login, embsql::Role::User, embsql::ProgramPermissions());
}

Rows ToolTest::Query(const std::string& sql) {
    std::unique_ptr<embsql::Result> result = m_admin->Query(sql);
    Rows rows;
    while (result->Next()) {
        std::vector<std::string> row;
        for (std::size_t i = 0; i < result->Columns().size(); ++i)
            row.emplace_back(result->Value(i).value_or("NULL"));
        rows.push_back(std::move(row));
    }
    return rows;
}

long long ToolTest::Count(const std::string& table) {
    return std::stoll(Query("select count(*) from " + table).at(0).at(0));
}

std::string ToolTest::WriteFile(const std::string& name, const std::string& text) {
    const std::string path = PathOf(name);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return path;
}

std::string ToolTest::PathOf(const std::string& name) const {
    return m_files + "/" + name;
}

} // namespace toolkit
