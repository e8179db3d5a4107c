// Start-up's read of the registry hive: time and peak memory of loading hives of several
// shapes (an operator's export and the shapes that stress the reader) at 2, 8 and 32 MiB,
// as the registry calls load it (keeping the one key asked for) and whole (every key kept).
// Each load runs in a fresh process, which reports its own peak memory.
#include "platform/HiveFile.h"
#include "platform/TextCodec.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

const std::string kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";

struct Shape {
    const char* name;
    bool utf16; // saved as the registry editor saves, else UTF-8 without a mark
    // Appends one piece of the shape; n counts the pieces so far.
    std::function<void(std::string&, size_t n)> piece;
    std::string head; // after the header line
};

std::string Hex(size_t n, int width) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%0*zx", width, n);
    return buffer;
}

// Pieces in a shuffled order, so that keys do not arrive sorted.
size_t Scrambled(size_t n) {
    return (n * 2654435761u) & 0xFFFFFFu;
}

std::vector<Shape> Shapes() {
    const std::string deepTail = [] {
        std::string tail;
        for (int level = 0; level < 510; ++level) {
            tail += "\\level" + std::to_string(level) + std::string(200, 'n');
        }
        return tail;
    }();
    return {
        {"operator export", true,
         [](std::string& s, size_t n) {
             s += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ZEVA\\Branch" + std::to_string(n) +
                  "\\ODBC]\r\n\"DataBase-IPAddress\"=\"10.1." + std::to_string(n % 250) +
                  ".7\"\r\n\"LIVEDatabase-Name\"=\"Dealer DB\"\r\n\"Server UserID\"=\"op\"\r\n"
                  "\"Server PWD\"=hex:4b,43,31,9a,0b,33,12,8e,77,ad,30,01,c4,5d,e2,19,\\\r\n"
                  "  6f,aa,02,40,18,cd,ee,7b\r\n\"Port\"=dword:00000599\r\n\r\n";
         },
         ""},
        {"many keys", false,
         [](std::string& s, size_t n) { s += "[K" + Hex(Scrambled(n), 6) + "]\n"; }, ""},
        {"many values", false,
         [](std::string& s, size_t n) { s += "\"" + Hex(Scrambled(n), 6) + "\"=\"\"\n"; },
         "[HKEY_LOCAL_MACHINE\\K]\n"},
        {"values of a deep key", false,
         [](std::string& s, size_t n) { s += "\"" + Hex(Scrambled(n), 6) + "\"=dword:1\n"; },
         "[HKEY_LOCAL_MACHINE" + deepTail + "]\n"},
        {"deep keys", false,
         [deepTail](std::string& s, size_t n) {
             s += "[HKEY_LOCAL_MACHINE\\top" + std::to_string(n) + deepTail + "]\n";
         },
         ""},
        {"deletions", false,
         [](std::string& s, size_t n) {
             s += "[HKEY_LOCAL_MACHINE\\A\\" + Hex(n, 6) + "\\B]\n[-HKEY_LOCAL_MACHINE\\A\\" +
                  Hex(n / 2, 6) + "]\n";
         },
         ""},
        {"one long line", false, [](std::string& s, size_t) { s += std::string(4096, 'x'); },
         "[HKEY_LOCAL_MACHINE\\K]\n\"Long\"=\""},
        {"long hex value", false,
         [](std::string& s, size_t) { s += "00,01,02,03,04,05,06,07,08,09,0a,0b,\\\n  "; },
         "[HKEY_LOCAL_MACHINE\\K]\n\"Bin\"=hex:"},
    };
}

// The shape filled to just under size bytes (as saved), closed so that it parses.
std::string Build(const Shape& shape, size_t size) {
    std::string text = kHeader + shape.head;
    const size_t limit = shape.utf16 ? size / 2 - 1 : size;
    for (size_t n = 0;; ++n) {
        const size_t before = text.size();
        shape.piece(text, n);
        if (text.size() + 64 > limit) {
            text.resize(before);
            break;
        }
    }
    if (std::strcmp(shape.name, "one long line") == 0) {
        text += "\"\n";
    } else if (std::strcmp(shape.name, "long hex value") == 0) {
        text += "ff\n";
    }
    return shape.utf16 ? "\xFF\xFE" + platform::Utf8ToUtf16Le(text).value() : text;
}

struct Run {
    bool ok = false;
    double ms = 0;    // wall clock
    double cpuMs = 0; // processor time, less disturbed by a busy machine
    long peakMb = 0;
};

// The process's peak resident memory in KiB. Unlike getrusage's figure, it does not count
// what the process that spawned it held before the exec.
long PeakKib() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::atol(line.c_str() + 6);
        }
    }
    return -1;
}

Run LoadInFreshProcess(const std::string& path, bool whole) {
    std::string self = "/proc/self/exe";
    std::string flag = whole ? "--load-whole" : "--load";
    std::string file = path;
    char* argv[] = {self.data(), flag.data(), file.data(), nullptr};
    Run run;
    int fds[2];
    if (pipe(fds) != 0) {
        return run;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        close(fds[0]);
        return run;
    }
    char report[64] = {};
    const ssize_t got = read(fds[0], report, sizeof report - 1);
    close(fds[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    run.ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && got > 0;
    run.peakMb = got > 0 ? std::atol(report) / 1024 : -1;
    return run;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strncmp(argv[1], "--load", 6) == 0) {
        platform::HiveFile file;
        // The settings key the program opens at start-up.
        std::optional<std::string> key =
            "hkey_local_machine\\software\\zeva\\integrated\\zeva manager\\odbc";
        if (std::strcmp(argv[1], "--load-whole") == 0) {
            key.reset();
        }
        const bool ok = platform::LoadHiveFile(argv[2], file, key) == platform::HiveLoad::Ok;
        std::printf("%ld\n", PeakKib());
        return ok ? 0 : 1;
    }
    std::string folder = std::filesystem::temp_directory_path() / "sto-hive-bench-XXXXXX";
    if (mkdtemp(folder.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string path = folder + "/HKLM.reg";
    std::printf("%-22s %5s %8s %8s %9s %8s %9s %11s\n", "shape", "MiB", "ms", "cpu ms", "peak MiB",
                "result", "whole ms", "whole MiB");
    for (const Shape& shape : Shapes()) {
        for (const size_t mib : {2, 8, 32}) {
            {
                const std::string text = Build(shape, mib << 20);
                std::ofstream(path, std::ios::binary) << text;
            }
            const Run run = LoadInFreshProcess(path, false);
            const Run whole = LoadInFreshProcess(path, true);
            std::printf("%-22s %5zu %8.0f %8.0f %9ld %8s %9.0f %11ld\n", shape.name, mib, run.ms,
                        run.cpuMs, run.peakMb, run.ok && whole.ok ? "loaded" : "FAILED", whole.ms,
                        whole.peakMb);
            std::fflush(stdout);
        }
    }
    unlink(path.c_str());
    rmdir(folder.c_str());
    return 0;
}
