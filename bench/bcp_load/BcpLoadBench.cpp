// Loading a 1,000,000-row operator's file into the staging table three ways:
// the bcp command, the sqlite3 shell's CSV .import, and a plain loop of
// prepared inserts in one transaction. Prints the rates side by side.
#include "embsql/Provision.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

constexpr long long kRows = 1'000'000;
constexpr int kRounds = 3;
constexpr const char* kServer = "BENCH";
constexpr const char* kTable = "tbl_ConvertSolvaneToOrbelle";

int Spawn(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A fresh database with the dealer schema and the operator login bench/bench.
std::filesystem::path FreshDatabase(const std::string& name) {
    auto admin = embsql::Admin::Create(kServer, name);
    embsql::InstallSchema(*admin);
    admin->AddLogin("bench", "bench");
    admin->SetRights("bench", embsql::Role::User, embsql::ProgramPermissions());
    return embsql::DatabasePath(kServer, name);
}

long long CountRows(const std::string& name) {
    auto result =
        embsql::Admin::Open(kServer, name)->Query(std::string("select count(*) from ") + kTable);
    return result->Next() ? std::stoll(std::string(result->Value(0).value_or("0"))) : -1;
}

// The floor: what SQLite itself takes for the same rows.
bool PlainLoop(const std::filesystem::path& db, const std::string& file) {
    sqlite3* handle = nullptr;
    if (sqlite3_open(db.c_str(), &handle) != SQLITE_OK)
        return false;
    sqlite3_exec(handle, "pragma synchronous = normal; begin", nullptr, nullptr, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(handle, "insert into tbl_ConvertSolvaneToOrbelle values(?1, ?2)", -1, &stmt,
                       nullptr);
    std::ifstream in(file);
    std::string line;
    bool ok = stmt != nullptr;
    while (ok && std::getline(in, line)) {
        const std::size_t comma = line.find(',');
        sqlite3_bind_text(stmt, 1, line.data(), static_cast<int>(comma), SQLITE_STATIC);
        sqlite3_bind_text(stmt, 2, line.data() + comma + 1,
                          static_cast<int>(line.size() - comma - 1), SQLITE_STATIC);
        ok = sqlite3_step(stmt) == SQLITE_DONE;
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    ok = sqlite3_exec(handle, "commit", nullptr, nullptr, nullptr) == SQLITE_OK && ok;
    sqlite3_close(handle);
    return ok;
}

struct Contestant {
    const char* label;
    std::function<bool(const std::string& database)> load;
    double best = 0; // rows per second, best round
    long long rows = 0;
};

} // namespace

int main() {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("bcp-load-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    setenv("EMBSQL_DATA_DIR", dir.c_str(), 1);
    const std::string file = (dir / "clients.csv").string();
    {
        std::ofstream out(file, std::ios::binary);
        char line[64];
        for (long long i = 0; i < kRows; ++i) {
            const int n = std::snprintf(line, sizeof line, "G%03lld,C%07lld\n", i % 500, i);
            out.write(line, n);
        }
    }

    Contestant contestants[] = {
        {"bcp",
         [&](const std::string& db) {
             return Spawn({BCP_PATH, db + ".." + kTable, "in", file, "-Ubench", "-Pbench",
                           std::string("-S") + kServer, "-t,", "-c", "-o",
                           (dir / (db + ".out")).string()}) == 0;
         }},
        {"sqlite3 .import",
         [&](const std::string& db) {
             return Spawn({"sqlite3", embsql::DatabasePath(kServer, db).string(), "-cmd",
                           ".mode csv", ".import " + file + " " + kTable}) == 0;
         }},
        {"prepared inserts",
         [&](const std::string& db) { return PlainLoop(embsql::DatabasePath(kServer, db), file); }},
    };

    std::printf("Loading %lld rows into %s, best of %d rounds:\n", kRows, kTable, kRounds);
    for (int round = 0; round < kRounds; ++round) {
        for (std::size_t c = 0; c < std::size(contestants); ++c) {
            Contestant& contestant = contestants[c];
            const std::string db = "load" + std::to_string(round) + "_" + std::to_string(c);
            FreshDatabase(db);
            const auto start = std::chrono::steady_clock::now();
            const bool ok = contestant.load(db);
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            contestant.rows = CountRows(db);
            if (!ok || contestant.rows != kRows)
                std::printf("  %s failed in round %d (%lld rows loaded)\n", contestant.label,
                            round + 1, contestant.rows);
            else
                contestant.best = std::max(contestant.best, static_cast<double>(kRows) / seconds);
            std::filesystem::remove(embsql::DatabasePath(kServer, db));
        }
    }
    std::printf("  %-18s %14s\n", "loader", "rows/s");
    for (const Contestant& contestant : contestants)
        std::printf("  %-18s %14.0f\n", contestant.label, contestant.best);
    std::printf("  bcp / .import: %.2f\n",
                contestants[1].best > 0 ? contestants[0].best / contestants[1].best : 0.0);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return 0;
}
