// The list benchmarks' databases: the demo data, the first group made large,
// and the ODBC files naming both drivers.
#include "BenchData.h"

#include "embsql/Admin.h"
#include "embsql/Provision.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace bench {

namespace {

namespace fs = std::filesystem;

constexpr const char* kSqliteDriver = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so";

// Clients added to the first group, numbered after the demo's own and
// converted every third, as the demo's are.
constexpr const char* kGrowFirstGroup = R"sql(
with recursive n(i) as (select ?1 + 1 union all select i + 1 from n where i < ?1 + ?2)
insert into tbl_DealerMaster(sDealerId, sDealerCode, sGroupCode, sDealerName, nDealerCategory)
select printf('C%07d', i), printf('CC%07d', i), ?3, printf('Client %d of group 1', i),
       case when i % 3 = 0 then 4 else 2 end
  from n;
)sql";

std::string FirstValue(embsql::Admin& admin, const std::string& query) {
    auto result = admin.Query(query);
    return result->Next() ? std::string(result->Value(0).value_or("")) : std::string();
}

} // namespace

fs::path UseBenchFolder() {
    const fs::path dir = BENCH_DATA_DIR;
    fs::create_directories(dir / "data");
    ::setenv("EMBSQL_DATA_DIR", (dir / "data").c_str(), 1);
    std::ofstream(dir / "odbcinst.ini") << "[Embedded]\nDriver = " << BENCH_DRIVER
                                        << "\n\n[SQLite3]\nDriver = " << kSqliteDriver << "\n";
    std::ofstream(dir / "odbc.ini") << "[" << kDataSource << "]\nDriver = Embedded\n";
    ::setenv("ODBCSYSINI", dir.c_str(), 1);
    ::setenv("ODBCINSTINI", "odbcinst.ini", 1);
    ::setenv("ODBCINI", (dir / "odbc.ini").c_str(), 1);
    return dir;
}

std::string SizeName(long long rows) {
    return rows >= 1'000'000 ? std::to_string(rows / 1'000'000) + "M"
                             : std::to_string(rows / 1000) + "k";
}

Database EnsureDatabase(long long clients, long long bigGroup) {
    const long long share = clients / kGroups;
    const long long extra = bigGroup > share ? bigGroup - share : 0;
    Database db;
    db.name = "Clients" + SizeName(clients) + (extra > 0 ? "Big" + SizeName(bigGroup) : "");
    db.file = embsql::DatabasePath(kServer, db.name);
    const fs::path done = db.file.string() + ".complete";
    if (!fs::exists(done) || !fs::exists(db.file)) {
        fs::remove(db.file);
        std::printf("making the demo database %s (kept for later runs)...\n", db.name.c_str());
        std::fflush(stdout);
        auto admin = embsql::Admin::Create(kServer, db.name);
        embsql::InstallSchema(*admin);
        admin->AddLogin(kLogin, kPassword);
        admin->SetRights(kLogin, embsql::Role::User, embsql::ProgramPermissions());
        embsql::FillDemoData(*admin, {kGroups, share}, false);
        if (extra > 0) {
            const std::string code = FirstValue(
                *admin, "select sDealerCode from tbl_DealerMaster where nDealerCategory = 7 "
                        "order by sDealerId limit 1");
            admin->RunScript(kGrowFirstGroup, {clients, extra, code});
        }
        std::ofstream(done) << "complete\n";
    }
    auto admin = embsql::Admin::Open(kServer, db.name);
    db.bigGroupId = FirstValue(
        *admin,
        "select sDealerId from tbl_DealerMaster where nDealerCategory = 7 order by sDealerId "
        "limit 1");
    db.bigGroupSolvane = std::stoll(
        FirstValue(*admin, "select count(*) from tbl_DealerMaster c join tbl_DealerMaster g on "
                           "c.sGroupCode = g.sDealerCode where g.sDealerId = '" +
                               db.bigGroupId + "' and c.nDealerCategory = 2"));
    return db;
}

std::vector<Driver> Drivers(const Database& db) {
    return {
        {"embedded", std::string("DRIVER={Embedded};SERVER=") + kServer + ";Database=" + db.name +
                         ";UID=" + kLogin + ";PWD=" + kPassword},
        {"sqliteodbc", "DRIVER={SQLite3};Database=" + db.file.string()},
    };
}

} // namespace bench
