// Child processes against small shell scripts on a temporary PATH, and whole-file reads.
#include "platform/Process.h"
#include "platform/CommandLine.h"

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/TempDir.h"

namespace {

using platform::Process;
using platform::QuoteArgument;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;
using testing_support::WriteFileWithMode;

class ProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* path = getenv("PATH");
        savedPath_ = path != nullptr ? path : "";
        bin_ = (dir_ / "bin with blank").string();
        ASSERT_EQ(mkdir(bin_.c_str(), 0755), 0);
        setenv("PATH", (bin_ + ":" + savedPath_).c_str(), 1);
    }
    void TearDown() override { setenv("PATH", savedPath_.c_str(), 1); }

    void Tool(const std::string& name, const std::string& body, mode_t mode = 0755) {
        WriteFileWithMode(bin_ + "/" + name, "#!/bin/sh\n" + body + "\n", mode);
    }
    // A tool that writes each of its arguments after the first on a line of the file
    // that the first argument names.
    void ArgsTool(const std::string& name) {
        Tool(name, R"(out="$1"; shift; for a in "$@"; do printf '%s\n' "$a"; done > "$out")");
    }

    TempDir dir_;
    std::string bin_;
    std::string savedPath_;
};

TEST_F(ProcessTest, ReportsExitStatusAndSignals) {
    struct Case {
        const char* body;
        int expected;
    };
    const Case cases[] = {
        {"exit 0", 0},
        {"exit 3", 3},
        {"exit 255", 255},
        {"kill -TERM $$", 128 + SIGTERM},
        {"kill -KILL $$", 128 + SIGKILL},
    };
    // An ignored signal of ours must not be inherited by the tool.
    struct sigaction ignore {};
    struct sigaction old {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGTERM, &ignore, &old);
    for (const Case& c : cases) {
        Tool("status", c.body);
        std::optional<Process> p = Process::Start("status");
        ASSERT_TRUE(p.has_value()) << c.body;
        EXPECT_GT(p->Pid(), 0);
        EXPECT_EQ(p->Wait(), c.expected) << c.body;
        EXPECT_EQ(p->Wait(), c.expected) << "a second wait gives the same result";
    }
    sigaction(SIGTERM, &old, nullptr);
}

TEST_F(ProcessTest, WaitReturnsOnlyWhenTheToolHasFinished) {
    Tool("slow", R"(sleep 0.3; echo done > "$1")");
    std::optional<Process> p =
        Process::Start("slow " + QuoteArgument((dir_ / "out file").string()));
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(p->Wait(), 0);
    EXPECT_EQ(ReadFile(dir_ / "out file"), "done\n");
}

TEST_F(ProcessTest, PollAnswersAtOnceAndReapsOnlyAnEndedTool) {
    // The tool runs until the test lets it go, then ends with a status or a signal.
    const std::string release = dir_ / "release";
    Tool("held", "while [ ! -e " + QuoteArgument(release) + " ]; do sleep 0.02; done; eval \"$1\"");
    for (const auto& [ending, status] :
         {std::pair<std::string, int>{"exit 5", 5}, {"kill -TERM $$", 128 + SIGTERM}}) {
        std::remove(release.c_str());
        std::optional<Process> p = Process::Start("held " + QuoteArgument(ending));
        ASSERT_TRUE(p.has_value());
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(p->Poll(), std::nullopt) << ending;
            usleep(10000);
        }
        // Still not reaped: the child is there to be signalled.
        EXPECT_EQ(kill(p->Pid(), 0), 0);
        WriteFile(release, "");
        std::optional<int> ended;
        for (int i = 0; i < 500 && !ended; ++i) {
            ended = p->Poll();
            usleep(10000);
        }
        EXPECT_EQ(ended, status) << ending;
        EXPECT_EQ(p->Poll(), status) << "a second poll gives the same result";
        EXPECT_EQ(p->Wait(), status) << "a wait after the poll returns at once";
        EXPECT_EQ(waitpid(p->Pid(), nullptr, WNOHANG), -1) << "reaped";
    }
}

TEST_F(ProcessTest, ArgumentsArriveWholeAndUninterpreted) {
    ArgsTool("args");
    const std::string victim = (dir_ / "keep").string();
    WriteFile(victim, "x");
    const std::vector<std::string> args = {
        "$(touch " + (dir_ / "pwned").string() + ");rm -rf " + victim,
        "`touch " + (dir_ / "pwned").string() + "`",
        "*",
        "a b\tc",
        R"(quote " and \ backslash)",
        "$HOME|cat>x&&y",
        "",
    };
    std::string line = "args " + QuoteArgument((dir_ / "out").string());
    for (const std::string& a : args) {
        line += " " + QuoteArgument(a);
    }
    std::optional<Process> p = Process::Start(line);
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(p->Wait(), 0);
    std::string expected;
    for (const std::string& a : args) {
        expected += a + "\n";
    }
    EXPECT_EQ(ReadFile(dir_ / "out"), expected);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "pwned"));
    EXPECT_TRUE(std::filesystem::exists(victim));
}

TEST_F(ProcessTest, RunsTheBulkCopyCommandForm) {
    // The tool's own -o option names its output file, as the real bulk copy's does.
    Tool("bcp", R"(while [ $# -gt 0 ]; do if [ "$1" = -o ]; then out="$2"; fi; shift; done
echo "1000 rows copied." > "$out")");
    const std::string folder = (dir_ / "my files").string();
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    const std::string line = "bcp DB1..tbl_ConvertSolvaneToOrbelle in \"" + folder +
                             "/in.csv\" -Uu1 -Ppw -SSRV1 -t, -c -o \"" + folder +
                             "/7Dec26_ClientConversionOutput.log\" -e \"" + folder +
                             "/7Dec26_ClientConversionError.log\"";
    std::optional<Process> p = Process::Start(line);
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(p->Wait(), 0);
    EXPECT_EQ(platform::ReadFileText(folder + "/7Dec26_ClientConversionOutput.log"),
              "1000 rows copied.\n");
}

TEST_F(ProcessTest, StartFailures) {
    const std::string ran = (dir_ / "ran").string();
    WriteFileWithMode(bin_ + "/notexec", "#!/bin/sh\ntouch '" + ran + "'\n", 0644);
    // Executable, but no interpreter line: it must not be handed to a shell.
    WriteFileWithMode(bin_ + "/noshebang", "touch '" + ran + "'\n", 0755);
    ASSERT_EQ(mkdir((bin_ + "/adir").c_str(), 0755), 0);
    for (const char* line :
         {"", "   ", "\"\"", "sto_no_such_tool_here -x", "notexec", "noshebang", "adir"}) {
        EXPECT_FALSE(Process::Start(line).has_value()) << line;
    }
    EXPECT_FALSE(std::filesystem::exists(ran));
}

TEST_F(ProcessTest, ChildSeesOnlyNullStreamsAndNoInheritedDescriptors) {
    // A descriptor of ours without close-on-exec, at a number the shell will not reuse.
    const int fd = open((dir_ / "leak").c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(dup2(fd, 57), 57);
    close(fd);
    // Read the shell's own descriptors before any redirection of its own changes them.
    Tool("fds", R"(streams=$(readlink /proc/$$/fd/0 /proc/$$/fd/1 /proc/$$/fd/2)
if [ -e /proc/$$/fd/57 ]; then leak=leaked; else leak=closed; fi
printf '%s\n%s\n' "$streams" "$leak" > "$1")");
    std::optional<Process> p = Process::Start("fds " + QuoteArgument((dir_ / "out").string()));
    close(57);
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(p->Wait(), 0);
    EXPECT_EQ(ReadFile(dir_ / "out"), "/dev/null\n/dev/null\n/dev/null\nclosed\n");
}

TEST_F(ProcessTest, DestructionAndMoveReapTheChild) {
    Tool("quick", "exit 7");
    pid_t pid = -1;
    {
        std::optional<Process> p = Process::Start("quick");
        ASSERT_TRUE(p.has_value());
        pid = p->Pid();
    }
    // Already reaped by the destructor: no such child any more.
    EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);

    std::optional<Process> a = Process::Start("quick");
    ASSERT_TRUE(a.has_value());
    const pid_t first = a->Pid();
    Process moved(std::move(*a));
    EXPECT_EQ(a->Pid(), -1);
    EXPECT_EQ(moved.Pid(), first);
    std::optional<Process> b = Process::Start("quick");
    ASSERT_TRUE(b.has_value());
    // Assigning over a running child reaps that child first.
    moved = std::move(*b);
    EXPECT_EQ(waitpid(first, nullptr, WNOHANG), -1);
    EXPECT_EQ(moved.Wait(), 7);
}

TEST(ReadFileTextTest, ReadsWholeFilesUpToTheFirstZeroByte) {
    TempDir dir;
    WriteFile(dir / "empty", "");
    WriteFile(dir / "text", "line 1\r\nline 2\n");
    WriteFile(dir / "zero", std::string("ab\0cd", 5));
    std::string big(200000, 'x');
    big[150000] = 'y';
    WriteFile(dir / "big", big);
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0644), 0);

    EXPECT_EQ(platform::ReadFileText(dir / "missing"), std::nullopt);
    EXPECT_EQ(platform::ReadFileText(dir.path().string()), std::nullopt);
    EXPECT_EQ(platform::ReadFileText(dir / "fifo"), std::nullopt);
    EXPECT_EQ(platform::ReadFileText(dir / "empty"), "");
    EXPECT_EQ(platform::ReadFileText(dir / "text"), "line 1\r\nline 2\n");
    EXPECT_EQ(platform::ReadFileText(dir / "zero"), "ab");
    EXPECT_EQ(platform::ReadFileText(dir / "big"), big);
}

} // namespace
