// Child processes of the tools' tests.
#include "ToolRun.h"

#include "platform/Process.h"

#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace toolkit {
namespace {

// Both ends of a pipe, closed on destruction.
struct Pipe {
    int fd[2] = {-1, -1};
    Pipe() {
        if (pipe2(fd, O_CLOEXEC) != 0)
            fd[0] = fd[1] = -1;
    }
    ~Pipe() {
        CloseEnd(0);
        CloseEnd(1);
    }
    void CloseEnd(int i) {
        if (fd[i] >= 0)
            close(fd[i]);
        fd[i] = -1;
    }
};

} // namespace

ToolOutput RunTool(const std::vector<std::string>& argv, std::string_view input) {
    ToolOutput out;
    Pipe output, feed;
    if (argv.empty() || output.fd[0] < 0 || feed.fd[0] < 0)
        return out;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, feed.fd[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output.fd[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output.fd[1], STDERR_FILENO);
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return out;
    feed.CloseEnd(0);
    output.CloseEnd(1);
    // Small inputs only: the pipe's buffer holds them, so writing first
    // cannot block against an unread output.
    signal(SIGPIPE, SIG_IGN);
    if (!input.empty() && write(feed.fd[1], input.data(), input.size()) < 0)
        out.text = "<input not written>";
    feed.CloseEnd(1);
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(output.fd[0], buffer, sizeof buffer);
        if (n > 0)
            out.text.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    out.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return out;
}

int RunCommandLine(std::string_view commandLine) {
    std::optional<platform::Process> process = platform::Process::Start(commandLine);
    return process ? process->Wait() : -1;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "<missing>";
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace toolkit
