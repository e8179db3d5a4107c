// Starting, waiting for, polling and reaping child processes with posix_spawnp.
#include "platform/Process.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <utility>
#include <vector>

#include "platform/CommandLine.h"
#include "platform/Wipe.h"

extern char** environ;

namespace platform {
namespace {

// Owns the spawn attributes and file actions for the length of one start.
class SpawnSetup {
public:
    SpawnSetup() {
        okActions_ = posix_spawn_file_actions_init(&actions_) == 0;
        okAttr_ = posix_spawnattr_init(&attr_) == 0;
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
    ~SpawnSetup() {
        if (okActions_) {
            posix_spawn_file_actions_destroy(&actions_);
        }
        if (okAttr_) {
            posix_spawnattr_destroy(&attr_);
        }
    }

    // Standard streams on /dev/null, every other descriptor closed, and signals reset:
    // the program's own ignored signals or blocked mask must not reach the tool.
    bool Prepare() {
        if (!okActions_ || !okAttr_) {
            return false;
        }
        sigset_t all;
        sigset_t none;
        sigfillset(&all);
        sigemptyset(&none);
        return posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0) == 0 &&
               posix_spawn_file_actions_addopen(&actions_, 1, "/dev/null", O_WRONLY, 0) == 0 &&
               posix_spawn_file_actions_addopen(&actions_, 2, "/dev/null", O_WRONLY, 0) == 0 &&
               posix_spawn_file_actions_addclosefrom_np(&actions_, 3) == 0 &&
               posix_spawnattr_setsigdefault(&attr_, &all) == 0 &&
               posix_spawnattr_setsigmask(&attr_, &none) == 0 &&
               posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK) ==
                   0;
    }

    const posix_spawn_file_actions_t* Actions() const { return &actions_; }
    const posix_spawnattr_t* Attr() const { return &attr_; }

private:
    posix_spawn_file_actions_t actions_{};
    posix_spawnattr_t attr_{};
    bool okActions_ = false;
    bool okAttr_ = false;
};

} // namespace

std::optional<Process> Process::Start(std::string_view commandLine) {
    std::vector<std::string> args = SplitCommandLine(commandLine);
    // The arguments may hold a password: none of their copies outlives the start.
    struct WipeArgs {
        std::vector<std::string>& args;
        ~WipeArgs() {
            for (std::string& arg : args) {
                Wipe(arg);
            }
        }
    } wipeArgs{args};
    if (args.empty() || args[0].empty()) {
        return std::nullopt;
    }
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    SpawnSetup setup;
    if (!setup.Prepare()) {
        return std::nullopt;
    }
    pid_t pid = -1;
    // glibc reports a failed exec (missing tool, no execute permission, not a valid
    // executable) as the result of posix_spawnp, so such a tool is never left running.
    if (posix_spawnp(&pid, argv[0], setup.Actions(), setup.Attr(), argv.data(), environ) != 0) {
        return std::nullopt;
    }
    return Process(pid);
}

Process::Process(Process&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)), reaped_(std::exchange(other.reaped_, false)),
      status_(std::exchange(other.status_, 0)) {}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        Reap();
        pid_ = std::exchange(other.pid_, -1);
        reaped_ = std::exchange(other.reaped_, false);
        status_ = std::exchange(other.status_, 0);
    }
    return *this;
}

Process::~Process() {
    Reap();
}

int Process::Wait() {
    Reap();
    return status_;
}

std::optional<int> Process::Poll() {
    if (pid_ > 0 && !reaped_ && !ReapWith(WNOHANG)) {
        return std::nullopt;
    }
    return status_;
}

void Process::Reap() noexcept {
    if (pid_ > 0 && !reaped_) {
        ReapWith(0);
    }
}

bool Process::ReapWith(int options) noexcept {
    int raw = 0;
    pid_t got;
    do {
        got = waitpid(pid_, &raw, options);
    } while (got < 0 && errno == EINTR);
    if (got == 0) {
        return false; // still running
    }
    reaped_ = true;
    if (got < 0) {
        // Someone else reaped it (or it was never ours): no status to report.
        status_ = -1;
    } else if (WIFEXITED(raw)) {
        status_ = WEXITSTATUS(raw);
    } else if (WIFSIGNALED(raw)) {
        status_ = 128 + WTERMSIG(raw);
    }
    return true;
}

} // namespace platform
