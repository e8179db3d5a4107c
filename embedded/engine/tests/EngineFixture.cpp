// The engine tests' temporary database.
#include "EngineFixture.h"

#include "embsql/Provision.h"

#include <cstdlib>

namespace embsql::test {

Rows ReadRows(Result& result) {
    Rows rows;
    while (result.Next()) {
        std::vector<std::string> row;
        for (std::size_t i = 0; i < result.Columns().size(); ++i)
            row.emplace_back(result.Value(i).value_or("NULL"));
        rows.push_back(std::move(row));
    }
    return rows;
}

void EngineTest::SetUp() {
    m_tmp = std::make_unique<testing_support::TempDir>();
    m_dir = m_tmp->path();
    setenv("EMBSQL_DATA_DIR", m_dir.c_str(), 1);
    m_admin = Admin::Create(kServer, kDatabase);
    m_admin->AddLogin("sa", "Secret1");
    m_admin->SetRights("sa", Role::Admin, {});
    InstallSchema(*m_admin);
    m_admin->RunScript(R"sql(
        insert into tbl_DealerMaster(sDealerId, sDealerCode, sGroupCode, sDealerName, nDealerCategory)
        values ('G01', 'GC01', null, 'Group one', 7),
               ('G02', 'GC02', null, 'Group two', 7),
               ('C123', 'K123', 'GC01', 'Client 123', 2),
               ('C124', 'K124', 'GC01', 'Client 124', 4),
               ('C125', 'K125', 'GC01', 'Client 125', 2),
               ('C300', 'K300', 'GC01', 'Client 300', 9),
               ('C200', 'K200', 'GC02', 'Client 200', 2);)sql");
    m_session = Connect();
}

void EngineTest::TearDown() {
    m_session.reset();
    m_admin.reset();
    m_tmp.reset();
    unsetenv("EMBSQL_DATA_DIR");
}

std::unique_ptr<Session> EngineTest::Connect() {
    return Session::Connect(kServer, kDatabase, "sa", "Secret1");
}

std::vector<Rows> EngineTest::Run(const std::string& statement) {
    std::vector<Rows> all;
    for (auto& result : m_session->Execute(statement))
        all.push_back(ReadRows(*result));
    return all;
}

Rows EngineTest::Query(const std::string& sql) {
    return ReadRows(*m_admin->Query(sql));
}

int EngineTest::Category(const std::string& dealerId) {
    const Rows rows = ReadRows(*m_admin->Query(
        "select nDealerCategory from tbl_DealerMaster where sDealerId = ?1", {dealerId}));
    return rows.empty() ? -1 : std::stoi(rows[0][0]);
}

long long EngineTest::HistoryCount() {
    return std::stoll(Query("select count(*) from tbl_DealerConversionHistory")[0][0]);
}

} // namespace embsql::test
