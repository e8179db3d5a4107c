// Times the program from its start until its dialog is shown, on demo
// databases of 1,000 groups (10k, 100k and 1M clients) reached through the
// embedded server's driver, against a bare toolkit dialog started the same
// way, and prints the ratio. A window counts as shown when the display maps
// it: the benchmark watches the X display it runs under for the first
// top-level window of the process it started. The same program started with
// no settings (its own dialog, no database work) is timed too.
#include "BenchData.h"
#include "support/ServerEnv.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kRounds = 7;
constexpr auto kPatience = std::chrono::seconds(60);

struct Shown {
    double seconds = 0;
    std::string title;
};

class DisplayWatch {
public:
    DisplayWatch() : m_display(XOpenDisplay(nullptr)) {
        if (m_display == nullptr) {
            throw std::runtime_error("no display: run under xvfb-run");
        }
        XSelectInput(m_display, DefaultRootWindow(m_display), SubstructureNotifyMask);
        XSync(m_display, False);
    }
    ~DisplayWatch() { XCloseDisplay(m_display); }
    DisplayWatch(const DisplayWatch&) = delete;
    DisplayWatch& operator=(const DisplayWatch&) = delete;

    // Forgets what the display reported so far.
    void Discard() { XSync(m_display, True); }

    // Waits until a top-level window of process `pid` is mapped and returns
    // its title. Throws when the process ends first or takes too long.
    std::string WaitForWindowOf(pid_t pid) {
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (std::chrono::steady_clock::now() < deadline) {
            while (XPending(m_display) > 0) {
                XEvent event;
                XNextEvent(m_display, &event);
                if (event.type == MapNotify && !event.xmap.override_redirect) {
                    const long owner = Cardinal(event.xmap.window, "_NET_WM_PID");
                    if (owner == pid || owner < 0) {
                        return Text(event.xmap.window, "_NET_WM_NAME");
                    }
                }
            }
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                throw std::runtime_error("the program ended before showing a window");
            }
            pollfd fd{ConnectionNumber(m_display), POLLIN, 0};
            poll(&fd, 1, 20);
        }
        throw std::runtime_error("no window within a minute");
    }

private:
    // A property of one 32-bit number; -1 when the window has none.
    long Cardinal(Window window, const char* name) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        long value = -1;
        if (XGetWindowProperty(m_display, window, XInternAtom(m_display, name, False), 0, 1, False,
                               XA_CARDINAL, &type, &format, &count, &after, &data) == Success &&
            data != nullptr && count == 1 && format == 32) {
            value = *reinterpret_cast<long*>(data);
        }
        XFree(data);
        return value;
    }

    std::string Text(Window window, const char* name) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        std::string text;
        if (XGetWindowProperty(m_display, window, XInternAtom(m_display, name, False), 0, 256,
                               False, AnyPropertyType, &type, &format, &count, &after,
                               &data) == Success &&
            data != nullptr && format == 8) {
            text.assign(reinterpret_cast<char*>(data), count);
        }
        XFree(data);
        return text;
    }

    Display* m_display;
};

// Starts `program` in `folder`, waits for its window, then ends it.
Shown StartAndTime(DisplayWatch& watch, const std::string& program, const fs::path& folder) {
    watch.Discard();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    pid_t pid = -1;
    const auto start = std::chrono::steady_clock::now();
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        throw std::runtime_error("cannot start " + program);
    }
    Shown shown;
    try {
        shown.title = watch.WaitForWindowOf(pid);
        shown.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    } catch (...) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        throw;
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    return shown;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The program's five settings for `db`, its password sealed as it stores it.
void WriteHive(const fs::path& file, const bench::Database& db) {
    using testing_support::HiveValue;
    std::ofstream(file, std::ios::binary) << testing_support::HiveText(
        {{"DataBase-IPAddress", bench::kServer},
         {"LIVEDatabase-Name", db.name},
         {"Server UserID", bench::kLogin},
         {"LIVEDSN-Name", bench::kDataSource},
         {"Server PWD", testing_support::SealPassword(bench::kPassword), true}});
}

// The log entries in `folder` that a start-up with a connection writes.
int ServerLines(const fs::path& folder) {
    int lines = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::ifstream log(entry.path());
        for (std::string line; std::getline(log, line);) {
            lines += line.find("IPAddress:") != std::string::npos ? 1 : 0;
        }
    }
    return lines;
}

} // namespace

int main() {
    fs::path work;
    try {
        const fs::path folder = bench::UseBenchFolder();
        std::string pattern = (fs::temp_directory_path() / "sto-bench-startup-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot make a working folder");
        }
        work = pattern;
        ::setenv("NO_AT_BRIDGE", "1", 1);
        DisplayWatch watch;
        // The program with no settings shows its own dialog and does no database
        // work: the part of its start that is the toolkit's.
        const fs::path noSettings = work / "empty-HKLM.reg";
        int connectedStarts = 0;
        std::printf("start to window shown, median of %d starts each\n", kRounds);
        std::printf("%-5s %12s %12s %12s %9s %12s\n", "size", "bare dialog", "no settings",
                    "program", "vs bare", "vs no sett.");
        for (const long long size : bench::kSizes) {
            const bench::Database db = bench::EnsureDatabase(size);
            const fs::path hive = folder / ("HKLM-" + db.name + ".reg");
            WriteHive(hive, db);
            const auto start = [&](const char* program, const fs::path& settings) {
                ::setenv("SOLVANETOORBELLE_HKLM", settings.c_str(), 1);
                return StartAndTime(watch, program, work).seconds;
            };
            // One start of each first, so that none pays for a cold cache.
            start(BENCH_BARE_DIALOG, noSettings);
            start(BENCH_PROGRAM, noSettings);
            start(BENCH_PROGRAM, hive);
            std::vector<double> bare;
            std::vector<double> own;
            std::vector<double> program;
            for (int round = 0; round < kRounds; ++round) {
                bare.push_back(start(BENCH_BARE_DIALOG, noSettings));
                own.push_back(start(BENCH_PROGRAM, noSettings));
                program.push_back(start(BENCH_PROGRAM, hive));
            }
            connectedStarts += kRounds + 1;
            std::printf("%-5s %11.3fs %11.3fs %11.3fs %8.2fx %11.2fx\n",
                        bench::SizeName(size).c_str(), Median(bare), Median(own), Median(program),
                        Median(program) / Median(bare), Median(program) / Median(own));
            std::fflush(stdout);
        }
        const int lines = ServerLines(work);
        if (lines != connectedStarts) {
            std::printf("only %d of %d starts with settings connected and listed the groups\n",
                        lines, connectedStarts);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_startup: %s\n", e.what());
        if (!work.empty()) {
            fs::remove_all(work);
        }
        return 1;
    }
    fs::remove_all(work);
    return 0;
}
