// Hive files at their limits (size, nesting, shapes whose cost once outgrew the file) and
// the temporary files that an interrupted rewrite leaves behind.
#include "platform/HiveFile.h"

#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "support/TempDir.h"

#if defined(__SANITIZE_ADDRESS__)
#define STO_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define STO_TEST_ASAN 1
#endif
#endif

namespace {

using platform::HiveFile;
using platform::HiveLoad;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;
using testing_support::WriteFileWithMode;

const std::string kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";

struct ChildEnd {
    bool exited = false;
    int code = -1; // exit code (99: an exception), or the signal that ended the child
    long maxRssMb = 0;
};

// Runs body in a child process and returns how it ended and its peak memory. Outside
// AddressSanitizer (which reserves vast address space) the child's address space is
// limited to addressSpaceMb, so that a runaway allocation fails fast instead of
// burdening the machine.
ChildEnd InChild(const std::function<int()>& body, long addressSpaceMb = 1024) {
    const pid_t pid = fork();
    if (pid == 0) {
#ifndef STO_TEST_ASAN
        const rlim_t bytes = static_cast<rlim_t>(addressSpaceMb) << 20;
        const rlimit limit{bytes, bytes};
        setrlimit(RLIMIT_AS, &limit);
#else
        (void)addressSpaceMb;
#endif
        // Nothing may leave the child but its exit code: not even an exception back into
        // the test runner.
        int code = 98;
        try {
            code = body();
        } catch (...) {
            code = 99;
        }
        _exit(code);
    }
    ChildEnd end;
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) {
        ADD_FAILURE() << "child process failed";
        return end;
    }
    end.exited = WIFEXITED(status);
    end.code = end.exited ? WEXITSTATUS(status) : WTERMSIG(status);
    end.maxRssMb = usage.ru_maxrss / 1024;
    return end;
}

// `top` and `below` more parts, each `part` with the level's number in front.
std::string DeepKey(size_t below, const std::string& part, std::string top = "HKEY_LOCAL_MACHINE") {
    std::string key = std::move(top);
    for (size_t i = 0; i < below; ++i) {
        key += "\\" + std::to_string(i) + part;
    }
    return key;
}

TEST(HiveLimitsTest, NestingBeyondTheRegistrysDepthIsMalformed) {
    TempDir dir;
    const std::string path = (dir / "HKLM.reg").string();
    struct Case {
        size_t below; // parts under HKEY_LOCAL_MACHINE
        HiveLoad expected;
    };
    // The registry holds 512 levels; the 60,000-level file once took gigabytes to read.
    const Case cases[] = {
        {511, HiveLoad::Ok}, {512, HiveLoad::Malformed}, {60000, HiveLoad::Malformed}};
    for (const Case& c : cases) {
        const std::string key = DeepKey(c.below, "");
        WriteFile(path, kHeader + "[" + key + "]\r\n\"v\"=dword:1\r\n");
        const ChildEnd end = InChild([&] {
            HiveFile file;
            const HiveLoad load = platform::LoadHiveFile(path, file);
            return load == c.expected ? 0 : 1;
        });
        EXPECT_TRUE(end.exited) << c.below << " levels: ended by signal " << end.code;
        EXPECT_EQ(end.code, 0) << c.below << " levels";
    }
}

TEST(HiveLimitsTest, DeepKeysCostMemoryInProportionToTheFile) {
    // Forty keys of 512 levels with names of some 250 characters: a 5 MB file whose parent
    // keys, spelt out, would take 1.3 GB.
    TempDir dir;
    const std::string path = (dir / "HKLM.reg").string();
    const std::string part(250, 'p');
    auto key = [&](int k) {
        return DeepKey(510, part, "HKEY_LOCAL_MACHINE\\top" + std::to_string(k));
    };
    std::string text = kHeader;
    for (int k = 0; k < 40; ++k) {
        text += "[" + key(k) + "]\r\n\"v\"=\"" + std::to_string(k) + "\"\r\n";
    }
    WriteFile(path, text);
    const std::string last = platform::LowerName(key(39));
    const ChildEnd end = InChild([&] {
        HiveFile file;
        if (platform::LoadHiveFile(path, file) != HiveLoad::Ok) {
            return 1;
        }
        const platform::HiveValues* values = file.hive.Find(last);
        // An ancestor, unnamed, exists too.
        const std::string ancestor = last.substr(0, last.find("\\300"));
        return values != nullptr && values->at("v").data == std::string("39\0", 3) &&
                       file.hive.Find(ancestor) != nullptr
                   ? 0
                   : 2;
    });
    EXPECT_TRUE(end.exited) << "ended by signal " << end.code;
    EXPECT_EQ(end.code, 0);
    EXPECT_LT(end.maxRssMb, 400) << "peak memory in MB";
}

TEST(HiveLimitsTest, FilesBeyondThirtyTwoMebibytesAreMalformed) {
    TempDir dir;
    const std::string path = (dir / "HKLM.reg").string();
    const std::string head = kHeader + "[HKEY_LOCAL_MACHINE\\K]\r\n";
    std::string text = head;
    // Comment lines fill the file to exactly the largest size read.
    const std::string comment = ";" + std::string(1022, 'c') + "\r\n";
    while (text.size() + comment.size() <= platform::kMaxHiveFileBytes) {
        text += comment;
    }
    text += ";" + std::string(platform::kMaxHiveFileBytes - text.size() - 1, 'c');
    ASSERT_EQ(text.size(), platform::kMaxHiveFileBytes);
    WriteFile(path, text);
    HiveFile file;
    EXPECT_EQ(platform::LoadHiveFile(path, file), HiveLoad::Ok);
    // Nor does a key line make it grow past that size.
    EXPECT_EQ(platform::AppendHiveKey(path, &file, "HKEY_LOCAL_MACHINE\\New"),
              platform::HiveWrite::Failed);
    EXPECT_EQ(std::filesystem::file_size(path), platform::kMaxHiveFileBytes);
    WriteFile(path, text + "c");
    EXPECT_EQ(platform::LoadHiveFile(path, file), HiveLoad::Malformed);
}

// Temporary files beside the hive, named the way the rewrite names them.
std::vector<std::string> Temporaries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        const std::string name = e.path().filename();
        if (name.rfind(".HKLM.reg.", 0) == 0) {
            names.push_back(name);
        }
    }
    return names;
}

void MakeOld(const std::string& path) {
    const timespec times[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

HiveLoad Append(const std::string& path, const std::string& key) {
    HiveFile file;
    const HiveLoad load = platform::LoadHiveFile(path, file);
    if (load != HiveLoad::Ok) {
        return load;
    }
    return platform::AppendHiveKey(path, &file, key) == platform::HiveWrite::Ok
               ? HiveLoad::Ok
               : HiveLoad::Malformed;
}

TEST(HiveTemporaryTest, KilledRewriteLeavesAnOwnerOnlyCopyThatALaterWriteRemoves) {
    std::string text = kHeader + "[HKEY_LOCAL_MACHINE\\K]\r\n";
    for (int i = 0; i < 4000; ++i) {
        text += "\"value" + std::to_string(i) + "\"=\"some setting text\"\r\n";
    }
    for (const mode_t mask : {mode_t{0}, mode_t{022}, mode_t{0277}}) {
        TempDir dir;
        const std::string path = (dir / "HKLM.reg").string();
        WriteFileWithMode(path, text, 0644);
        // Writing past the file size limit kills the writer halfway through the copy.
        const ChildEnd end = InChild([&] {
            umask(mask);
            const rlim_t half = text.size() / 2;
            const rlimit limit{half, half};
            setrlimit(RLIMIT_FSIZE, &limit);
            return Append(path, "HKEY_LOCAL_MACHINE\\New") == HiveLoad::Ok ? 0 : 1;
        });
        ASSERT_FALSE(end.exited) << "umask " << mask;
        EXPECT_EQ(end.code, SIGXFSZ);
        EXPECT_EQ(ReadFile(path), text);
        const std::vector<std::string> left = Temporaries(dir.path().string());
        ASSERT_EQ(left.size(), 1u);
        struct stat st {};
        ASSERT_EQ(stat((dir / left[0]).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0600u) << "umask " << mask;

        // Its writer is gone, but a copy this recent could still be another writer's.
        EXPECT_EQ(Append(path, "HKEY_LOCAL_MACHINE\\First"), HiveLoad::Ok);
        EXPECT_EQ(Temporaries(dir.path().string()), left);
        MakeOld(dir / left[0]);
        EXPECT_EQ(Append(path, "HKEY_LOCAL_MACHINE\\Second"), HiveLoad::Ok);
        EXPECT_TRUE(Temporaries(dir.path().string()).empty());
        EXPECT_NE(ReadFile(path).find("[HKEY_LOCAL_MACHINE\\Second]"), std::string::npos);
    }
}

TEST(HiveTemporaryTest, OnlyAbandonedCopiesOfOurOwnNamingAreRemoved) {
    TempDir dir;
    const std::string path = (dir / "HKLM.reg").string();
    WriteFile(path, kHeader);
    WriteFile(dir / "victim", "keep me");
    ASSERT_EQ(mkdir((dir / "sub").c_str(), 0755), 0);
    struct Case {
        std::string name;
        char kind; // f file, l link to victim, d folder, o file of another owner
        bool old;
        bool removed;
    };
    const Case cases[] = {
        {".HKLM.reg.Ab12Cd", 'f', true, true},   {".HKLM.reg.zz9999", 'f', true, true},
        {".HKLM.reg.fresh1", 'f', false, false}, {".HKLM.reg.Locked", 'f', true, false},
        {".HKLM.reg.link01", 'l', true, false},  {".HKLM.reg.dir001", 'd', true, false},
        {".HKLM.reg.other1", 'o', true, false},  {".HKLM.reg.abc12", 'f', true, false},
        {".HKLM.reg.abc1234", 'f', true, false}, {".HKLM.reg.abc-12", 'f', true, false},
        {".HKLM.rag.abcdef", 'f', true, false},  {"HKLM.reg.abcdef", 'f', true, false},
        {".other.reg.abcdef", 'f', true, false}, {"sub/.HKLM.reg.abcdef", 'f', true, false},
    };
    for (const Case& c : cases) {
        // Only root can give a file to another owner.
        if (c.kind == 'o' && geteuid() != 0) {
            continue;
        }
        const std::string p = dir / c.name;
        if (c.kind == 'l') {
            ASSERT_EQ(symlink((dir / "victim").c_str(), p.c_str()), 0);
        } else if (c.kind == 'd') {
            ASSERT_EQ(mkdir(p.c_str(), 0700), 0);
        } else {
            WriteFileWithMode(p, "partial copy", 0600);
        }
        if (c.kind == 'o') {
            ASSERT_EQ(chown(p.c_str(), 65534, 65534), 0);
        }
        if (c.old) {
            MakeOld(p);
        }
    }
    // A live writer holds its copy locked.
    const int held = open((dir / ".HKLM.reg.Locked").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX), 0);

    EXPECT_EQ(Append(path, "HKEY_LOCAL_MACHINE\\New"), HiveLoad::Ok);
    close(held);
    for (const Case& c : cases) {
        if (c.kind == 'o' && geteuid() != 0) {
            continue;
        }
        struct stat st {};
        EXPECT_EQ(lstat((dir / c.name).c_str(), &st) != 0, c.removed) << c.name;
    }
    EXPECT_EQ(ReadFile(dir / "victim"), "keep me");
}

} // namespace
