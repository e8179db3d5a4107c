// The temporary database and data folder of the tools' tests.
#include "ToolDatabase.h"

#include "embsql/Provision.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace toolkit {

void ToolTest::SetUp() {
    const char* build = std::getenv("STO_BUILD_DIR");
    ASSERT_NE(build, nullptr) << "STO_BUILD_DIR must name the build tree";
    const char* path = std::getenv("PATH");
    m_savedPath = path ? path : "";
    const std::string tools = std::string(build) + "/bin";
    setenv("PATH", (tools + ":" + m_savedPath).c_str(), 1);

    std::string pattern = (std::filesystem::temp_directory_path() / "embsql-tools-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
    m_files = m_dir + "/my files";
    std::filesystem::create_directories(m_files);
    setenv("EMBSQL_DATA_DIR", m_dir.c_str(), 1);

    m_admin = embsql::Admin::Create("SRV1", "DB1");
    embsql::InstallSchema(*m_admin);
    AddOperator("u1", "pw");
    embsql::FillDemoData(*m_admin, embsql::DemoSize{}, false);
}

void ToolTest::TearDown() {
    m_admin.reset();
    if (!m_dir.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    unsetenv("EMBSQL_DATA_DIR");
    setenv("PATH", m_savedPath.c_str(), 1);
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
