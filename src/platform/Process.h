// Child processes started from a command line, without a shell, and waited for;
// and whole-file reads of the files such a process leaves behind.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

#include "platform/FileText.h"

namespace platform {

// A started child process (RAII). The child gets standard input, output and error on
// /dev/null, the default action for every signal, an empty signal mask, no file
// descriptor of ours other than those three, and the caller's environment and folder.
class Process {
public:
    // Splits the command line (SplitCommandLine), finds the tool (the first argument) on
    // PATH and starts it with posix_spawnp, never through a shell. Returns nullopt when it
    // cannot be started: an empty command, a tool that is missing or not executable, or
    // a system failure.
    static std::optional<Process> Start(std::string_view commandLine);

    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    // Waits for and reaps a child that was not waited for.
    ~Process();

    // Waits without a time-out and reaps the child. Returns its exit status, or 128 plus
    // the number of the signal that ended it. A second call returns the same result.
    int Wait();

    // Asks without waiting whether the child has ended, and reaps it when it has: then
    // the result of Wait (which no longer waits), nullopt while the child runs.
    std::optional<int> Poll();

    // The child's process id (-1 for a moved-from object).
    pid_t Pid() const { return pid_; }

private:
    explicit Process(pid_t pid) : pid_(pid) {}
    void Reap() noexcept;
    // One waitpid with these options; false when the child has not ended (WNOHANG).
    bool ReapWith(int options) noexcept;

    pid_t pid_ = -1;
    bool reaped_ = false;
    int status_ = 0;
};

} // namespace platform
