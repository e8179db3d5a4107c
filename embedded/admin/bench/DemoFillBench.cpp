// Prints how long the benchmark-size demo database (1,000 groups of 1,000
// clients) takes to create and fill, what a connect and the program's two
// list queries cost on it, and the rates of staging every client through
// the bulk-loading calls and of converting them with the bulk procedure.
#include "embsql/Provision.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::size_t CountRows(embsql::Session& session, const std::string& statement) {
    std::size_t rows = 0;
    for (auto& result : session.Execute(statement))
        while (result->Next())
            ++rows;
    return rows;
}

} // namespace

int main() {
    std::string pattern = (std::filesystem::temp_directory_path() / "embsql-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        return 1;
    setenv("EMBSQL_DATA_DIR", pattern.c_str(), 1);
    try {
        auto start = std::chrono::steady_clock::now();
        auto admin = embsql::Admin::Create("bench", "demo");
        admin->AddLogin("sa", "pw");
        admin->SetRights("sa", embsql::Role::Admin, {});
        embsql::InstallSchema(*admin);
        const long long rows = embsql::FillDemoData(*admin, {1000, 1000}, false);
        const double fill = Seconds(start);
        std::printf("demo fill: %lld rows in %.2f s (%.0f rows/s)\n", rows, fill, rows / fill);
        std::printf("database file: %.1f MB\n",
                    std::filesystem::file_size(embsql::DatabasePath("bench", "demo")) / 1e6);

        constexpr int connects = 50;
        start = std::chrono::steady_clock::now();
        for (int i = 0; i < connects; ++i)
            embsql::Session::Connect("bench", "demo", "sa", "pw");
        std::printf("connect with login: %.2f ms each\n", Seconds(start) * 1000 / connects);

        auto session = embsql::Session::Connect("bench", "demo", "sa", "pw");
        start = std::chrono::steady_clock::now();
        const std::size_t groups =
            CountRows(*session, "select sDealerId from tbl_DealerMaster where nDealerCategory = 7");
        std::printf("group query: %zu rows in %.2f ms\n", groups, Seconds(start) * 1000);
        start = std::chrono::steady_clock::now();
        const std::size_t clients =
            CountRows(*session, "select sDealerId from tbl_DealerMaster where sGroupCode "
                                "in(select sDealerCode from tbl_DealerMaster Where sDealerId = "
                                "'G0500') and  nDealerCategory = 2");
        std::printf("client query: %zu rows in %.2f ms\n", clients, Seconds(start) * 1000);
        start = std::chrono::steady_clock::now();
        const std::size_t all = CountRows(*session, "select sDealerId from tbl_DealerMaster");
        std::printf("all rows read: %zu in %.2f s\n", all, Seconds(start));

        start = std::chrono::steady_clock::now();
        session->Begin();
        for (long long i = 1; i <= 1'000'000; ++i) {
            char group[16];
            char client[16];
            std::snprintf(group, sizeof group, "G%04lld", (i - 1) / 1000 + 1);
            std::snprintf(client, sizeof client, "C%07lld", i);
            session->Insert("tbl_ConvertSolvaneToOrbelle", {group, client});
        }
        session->Commit();
        double staged = Seconds(start);
        std::printf("staging: 1000000 rows in %.2f s (%.0f rows/s)\n", staged, 1e6 / staged);
        start = std::chrono::steady_clock::now();
        auto answer = session->Execute("exec stp_ConvertSolvaneToOrbelleBulk 1");
        std::string summary;
        while (answer.back()->Next())
            summary = std::string(answer.back()->Value(0).value_or(""));
        const double converted = Seconds(start);
        std::printf("bulk procedure: \"%s\" in %.2f s\n", summary.c_str(), converted);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "benchmark failed: %s\n", e.what());
        std::filesystem::remove_all(pattern);
        return 1;
    }
    std::filesystem::remove_all(pattern);
    return 0;
}
