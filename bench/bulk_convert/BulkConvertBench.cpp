// The bulk conversion at an operator's scale: 1,000 groups of 1,000 clients,
// every third already on Orbelle, and uploads of 10,000, 100,000 and
// 1,000,000 rows spread over every group. For each size it times the bulk
// procedure run through osql with the program's own command line, and one
// set-based UPDATE that converts the same rows of a copy of the same data;
// it prints both, their ratio (wall clock and processor time), osql's
// processor time per row, and its peak memory.
#include "convert/Commands.h"
#include "db/Settings.h"
#include "embsql/Provision.h"
#include "platform/Process.h"
#include "server/Names.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>

namespace {

constexpr const char* kServer = "BENCH";
constexpr const char* kLogin = "bench";
constexpr long long kGroups = 1000;
constexpr long long kClientsPerGroup = 1000;
constexpr long long kSizes[] = {10'000, 100'000, 1'000'000};

// Row i of the upload: group i % 1000, and in it the (i / 1000)th client,
// so that every size touches every group and neighbouring rows name clients
// a group apart.
constexpr const char* kStage = R"sql(
with recursive n(i) as (select 0 union all select i + 1 from n where i < ?1 - 1)
insert into tbl_ConvertSolvaneToOrbelle(sGroupId, sClientId)
select printf('G%04d', i % 1000 + 1), printf('C%07d', (i % 1000) * 1000 + i / 1000 + 1) from n;
)sql";

// What a careful hand would write to convert the same rows at once: every
// staged client of category 2 that exists in the staged group. The join
// order is fixed so that each staged row costs two key lookups.
constexpr const char* kSetBasedUpdate = R"sql(
update tbl_DealerMaster set nDealerCategory = 4
 where rowid in (select c.rowid from tbl_ConvertSolvaneToOrbelle s
                   cross join tbl_DealerMaster c on c.sDealerId = trim(s.sClientId)
                   cross join tbl_DealerMaster g on g.sDealerId = trim(s.sGroupId)
                  where c.nDealerCategory = 2 and g.nDealerCategory = 7
                    and c.sGroupCode = g.sDealerCode);
)sql";

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double ProcessorSeconds(const rusage& usage) {
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct ToolRun {
    int status = -1;
    double seconds = 0;
    double processor = 0;
    double peakMegabytes = 0;
};

// Starts the command line as the program does and waits for it here with
// wait4, for its resource use (the Process then finds it reaped).
ToolRun RunCommand(const std::string& commandLine) {
    ToolRun run;
    const Clock::time_point start = Clock::now();
    std::optional<platform::Process> tool = platform::Process::Start(commandLine);
    if (!tool)
        return run;
    int status = 0;
    rusage usage{};
    if (wait4(tool->Pid(), &status, 0, &usage) != tool->Pid())
        return run;
    run.seconds = Since(start);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.processor = ProcessorSeconds(usage);
    run.peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024;
    return run;
}

// Runs `work` in a child process and returns what it returns. The heavy
// work (building data, staging rows, the set-based update) runs there, so
// that this process stays small: a child's peak memory as the system reports
// it counts that of the process that started it.
template <typename Work> auto InChild(const Work& work) {
    using Answer = decltype(work());
    Answer answer{};
    int fds[2];
    if (pipe(fds) != 0)
        throw std::runtime_error("no pipe");
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        int status = 0;
        try {
            const Answer result = work();
            status = write(fds[1], &result, sizeof result) == sizeof result ? 0 : 1;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "benchmark step failed: %s\n", e.what());
            status = 1;
        }
        _exit(status);
    }
    close(fds[1]);
    const bool got = pid > 0 && read(fds[0], &answer, sizeof answer) == sizeof answer;
    close(fds[0]);
    int status = 0;
    if (pid > 0)
        waitpid(pid, &status, 0);
    if (!got || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("a benchmark step failed in its child process");
    return answer;
}

struct UpdateRun {
    long long rows = 0;
    double seconds = 0;
    double processor = 0;
};

// The set-based update on database `name`, timed as osql is: from opening
// the database to closing it, when the last of the change reaches its file.
UpdateRun SetBasedUpdate(const std::string& name) {
    UpdateRun run;
    rusage before{};
    rusage after{};
    getrusage(RUSAGE_SELF, &before);
    const Clock::time_point start = Clock::now();
    run.rows = embsql::Admin::Open(kServer, name)->RunScript(kSetBasedUpdate);
    run.seconds = Since(start);
    getrusage(RUSAGE_SELF, &after);
    run.processor = ProcessorSeconds(after) - ProcessorSeconds(before);
    return run;
}

convert::UploadPlan Plan(const std::filesystem::path& dir, const std::string& database) {
    db::Settings settings;
    settings.serverAddress = kServer;
    settings.databaseName = database;
    settings.userId = kLogin;
    std::snprintf(settings.password, sizeof settings.password, "%s", kLogin);
    return convert::PlanUpload((dir / "clients.csv").string(), "bench_",
                               server::ConversionType::SolvaneToOrbelle, settings);
}

// The answer's summary, "N converted, M refused": the last line but the
// blank one and the row count.
std::string Summary(const std::string& file) {
    std::ifstream in(file);
    std::string lines[3];
    for (std::string line; std::getline(in, line);) {
        lines[0] = std::move(lines[1]);
        lines[1] = std::move(lines[2]);
        lines[2] = std::move(line);
    }
    const std::size_t first = lines[0].find_first_not_of(' ');
    const std::size_t last = lines[0].find_last_not_of(' ');
    return first == std::string::npos ? "" : lines[0].substr(first, last - first + 1);
}

void RemoveDatabase(const std::string& name) {
    const std::filesystem::path file = embsql::DatabasePath(kServer, name);
    for (const char* suffix : {"", "-wal", "-shm"})
        std::filesystem::remove(file.string() + suffix);
}

void CopyDatabase(const std::string& from, const std::string& to) {
    std::filesystem::copy_file(embsql::DatabasePath(kServer, from),
                               embsql::DatabasePath(kServer, to),
                               std::filesystem::copy_options::overwrite_existing);
}

} // namespace

int main() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "bulk-convert-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        return 1;
    const std::filesystem::path dir = pattern;
    setenv("EMBSQL_DATA_DIR", dir.c_str(), 1);
    // The program finds osql on the search path.
    const char* path = std::getenv("PATH");
    setenv("PATH", (std::string(OSQL_DIR) + ":" + (path != nullptr ? path : "")).c_str(), 1);
    try {
        const Clock::time_point start = Clock::now();
        InChild([] {
            auto admin = embsql::Admin::Create(kServer, "base");
            embsql::InstallSchema(*admin);
            admin->AddLogin(kLogin, kLogin);
            admin->SetRights(kLogin, embsql::Role::User, embsql::ProgramPermissions());
            return embsql::FillDemoData(*admin, {kGroups, kClientsPerGroup}, false);
        });
        std::printf("Bulk conversion over %lld groups of %lld clients (every third on Orbelle); "
                    "data built in %.1f s\n",
                    kGroups, kClientsPerGroup, Since(start));

        // What osql costs before any answer: start, login, a one-row query.
        const ToolRun bare =
            RunCommand("osql -Q \"select 1\"  -dbase -Ubench -Pbench -SBENCH -o \"" +
                       (dir / "bare.log").string() + "\"");
        std::printf("osql with a one-row query: %.2f s, peak memory %.1f MB%s\n", bare.seconds,
                    bare.peakMegabytes, bare.status == 0 ? "" : " (it failed)");

        std::printf("Times in seconds (wall clock, then processor); the ratios are osql's over "
                    "the update's.\n");
        std::printf("%9s %7s %7s %6s | %7s %7s %6s | %8s %8s %7s %8s\n", "rows", "osql", "update",
                    "ratio", "osql", "update", "ratio", "us/row", "refused", "answer", "osql");
        std::printf("%9s %7s %7s %6s | %7s %7s %6s | %8s %8s %7s %8s\n", "", "wall", "wall", "",
                    "cpu", "cpu", "", "osql cpu", "", "MB", "peak MB");
        for (const long long rows : kSizes) {
            CopyDatabase("base", "bulk");
            InChild(
                [rows] { return embsql::Admin::Open(kServer, "bulk")->RunScript(kStage, {rows}); });
            CopyDatabase("bulk", "plain");

            const convert::UploadPlan plan = Plan(dir, "bulk");
            std::filesystem::remove(plan.outputPath);
            const ToolRun bulk = RunCommand(plan.bulkProcedureCommand);
            const std::string summary = Summary(plan.outputPath);
            const UpdateRun update = InChild([] { return SetBasedUpdate("plain"); });

            long long converted = -1;
            long long refused = -1;
            std::sscanf(summary.c_str(), "%lld converted, %lld refused", &converted, &refused);
            std::printf("%9lld %7.2f %7.2f %6.2f | %7.2f %7.2f %6.2f | %8.1f %8lld %7.1f %8.1f\n",
                        rows, bulk.seconds, update.seconds, bulk.seconds / update.seconds,
                        bulk.processor, update.processor, bulk.processor / update.processor,
                        bulk.processor * 1e6 / static_cast<double>(rows), refused,
                        static_cast<double>(std::filesystem::file_size(plan.outputPath)) / 1e6,
                        bulk.peakMegabytes);
            std::fflush(stdout);
            if (bulk.status != 0 || converted != update.rows || converted + refused != rows)
                std::printf("  note: osql ended with %d and answered \"%s\"; the update "
                            "converted %lld\n",
                            bulk.status, summary.c_str(), update.rows);
            RemoveDatabase("bulk");
            RemoveDatabase("plain");
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "benchmark failed: %s\n", e.what());
        std::filesystem::remove_all(dir);
        return 1;
    }
    std::filesystem::remove_all(dir);
    return 0;
}
