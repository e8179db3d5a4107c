// The registry calls against hive files in a temporary folder.
#include "platform/Registry.h"
#include "platform/Hive.h"
#include "platform/TextCodec.h"

#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/TempDir.h"

namespace {

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;
using testing_support::WriteFileWithMode;

const char* const kSettings = "SOFTWARE\\ZEVA\\INTEGRATED\\ZEVA Manager\\ODBC";

std::string Utf16File(const std::string& utf8) {
    return "\xFF\xFE" + platform::Utf8ToUtf16Le(utf8).value();
}

struct Opened {
    LONG result = -1;
    HKEY key = nullptr;
    DWORD disposition = 0;
};

Opened Open(const char* sub, REGSAM sam = KEY_ALL_ACCESS, HKEY root = HKEY_LOCAL_MACHINE) {
    Opened o;
    char noClass[] = "";
    o.result = RegCreateKeyExA(root, sub, 0, noClass, REG_OPTION_NON_VOLATILE, sam, nullptr, &o.key,
                               &o.disposition);
    return o;
}

// A value read the way the program reads its settings: capacity 255, no type asked.
struct Read {
    LONG result;
    DWORD type;
    DWORD size;
    std::string bytes;
};

Read Query(HKEY key, const char* name, DWORD capacity = 255) {
    BYTE buffer[1024];
    std::memset(buffer, 0xAA, sizeof buffer);
    Read r{-1, 0xFFFF, capacity, {}};
    r.result = RegQueryValueExA(key, name, nullptr, &r.type, buffer, &r.size);
    r.bytes.assign(reinterpret_cast<const char*>(buffer), r.result == ERROR_SUCCESS ? r.size : 0);
    if (r.result != ERROR_SUCCESS) {
        // Nothing of a failed read may reach the buffer.
        EXPECT_EQ(buffer[0], 0xAA);
    }
    return r;
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        hive_ = (dir_ / "HKLM.reg").string();
        setenv("SOLVANETOORBELLE_HKLM", hive_.c_str(), 1);
    }
    void TearDown() override { unsetenv("SOLVANETOORBELLE_HKLM"); }

    // Runs check in a child process without root's right to ignore file permissions;
    // returns its exit code.
    int AsOtherUser(const std::function<int()>& check) {
        chmod(dir_.path().string().c_str(), 0755);
        const pid_t pid = fork();
        if (pid == 0) {
            if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
                _exit(200);
            }
            _exit(check());
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 255;
    }

    TempDir dir_;
    std::string hive_;
};

TEST_F(RegistryTest, ReadsAVersionFiveFileWithContinuations) {
    const std::string text =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ZEVA\\INTEGRATED\\ZEVA Manager\\ODBC]\r\n"
        "\"DataBase-IPAddress\"=\"10.1.2.3\"\r\n"
        "\"LIVEDatabase-Name\"=\"Live DB\"\r\n"
        "\"Server UserID\"=\"  \"\r\n"
        "\"LIVEDSN-Name\"=\"\"\r\n"
        "\"Server PWD\"=hex:01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,\\\r\n"
        "  10,11,00,ff\r\n"
        "\"Home\"=hex(2):43,00,3a,00,5c,00,fc,00,\\\r\n"
        "  00,00\r\n"
        "\"Port\"=dword:00000599\r\n";
    WriteFile(hive_, Utf16File(text));
    const std::string before = ReadFile(hive_);
    const Opened o = Open(kSettings);
    ASSERT_EQ(o.result, ERROR_SUCCESS);
    EXPECT_EQ(o.disposition, REG_OPENED_EXISTING_KEY);
    struct Case {
        const char* name;
        DWORD type;
        std::string bytes;
    };
    const Case cases[] = {
        {"DataBase-IPAddress", REG_SZ, std::string("10.1.2.3\0", 9)},
        {"LIVEDatabase-Name", REG_SZ, std::string("Live DB\0", 8)},
        {"Server UserID", REG_SZ, std::string("  \0", 3)},
        {"LIVEDSN-Name", REG_SZ, std::string("\0", 1)},
        {"Server PWD", REG_BINARY,
         std::string("\1\2\3\4\5\6\7\10\11\12\13\14\15\16\17\20\21\0\xff", 19)},
        {"Home", REG_EXPAND_SZ, std::string("C:\\ü\0", 6)},
        {"Port", REG_DWORD, std::string("\x99\x05\0\0", 4)},
        {"server pwd", REG_BINARY,
         std::string("\1\2\3\4\5\6\7\10\11\12\13\14\15\16\17\20\21\0\xff", 19)},
    };
    for (const Case& c : cases) {
        const Read r = Query(o.key, c.name);
        EXPECT_EQ(r.result, ERROR_SUCCESS) << c.name;
        EXPECT_EQ(r.type, c.type) << c.name;
        EXPECT_EQ(r.bytes, c.bytes) << c.name;
    }
    EXPECT_EQ(Query(o.key, "No Such Value").result, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(o.key), ERROR_SUCCESS);
    EXPECT_EQ(ReadFile(hive_), before) << "opening an existing key writes nothing";
}

TEST_F(RegistryTest, ReadsRegedit4AndUtf8Files) {
    const std::string ansi = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Zeva]\n"
                             "\"Owner\"=\"M\xFCller \x80\"\n";
    const std::string utf8 = "Windows Registry Editor Version 5.00\n\n"
                             "[HKEY_LOCAL_MACHINE\\Software\\Zeva]\n\"Owner\"=\"Müller €\"\n";
    for (const std::string& file : {ansi, utf8, "\xEF\xBB\xBF" + utf8}) {
        WriteFile(hive_, file);
        const Opened o = Open("software\\ZEVA", KEY_READ);
        ASSERT_EQ(o.result, ERROR_SUCCESS);
        EXPECT_EQ(o.disposition, REG_OPENED_EXISTING_KEY);
        EXPECT_EQ(Query(o.key, "OWNER").bytes, std::string("Müller €\0", 12));
        RegCloseKey(o.key);
    }
}

TEST_F(RegistryTest, QueryFollowsTheWindowsSizeRules) {
    const std::string fits(254, 'f');
    const std::string over(255, 'o');
    auto hexBytes = [](size_t n) {
        std::string hex = "ab";
        for (size_t i = 1; i < n; ++i) {
            hex += i % 20 == 0 ? ",\\\r\n  ab" : ",ab";
        }
        return hex;
    };
    WriteFile(hive_, Utf16File("Windows Registry Editor Version 5.00\r\n\r\n"
                               "[HKEY_LOCAL_MACHINE\\K]\r\n@=\"dflt\"\r\n\"Fits\"=\"" +
                               fits + "\"\r\n\"Over\"=\"" + over + "\"\r\n\"Bin255\"=hex:" +
                               hexBytes(255) + "\r\n\"Bin256\"=hex:" + hexBytes(256) + "\r\n"));
    const Opened o = Open("K", KEY_READ);
    ASSERT_EQ(o.result, ERROR_SUCCESS);

    const Read ok = Query(o.key, "Fits");
    EXPECT_EQ(ok.result, ERROR_SUCCESS);
    EXPECT_EQ(ok.size, 255u);
    EXPECT_EQ(ok.bytes, fits + '\0');

    const Read more = Query(o.key, "Over");
    EXPECT_EQ(more.result, ERROR_MORE_DATA);
    EXPECT_EQ(more.size, 256u);
    EXPECT_EQ(more.type, REG_SZ);
    EXPECT_EQ(Query(o.key, "Over", 256).bytes, over + '\0');

    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(o.key, "Over", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 256u);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(RegQueryValueExA(o.key, "Over", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(Query(o.key, nullptr).bytes, std::string("dflt\0", 5));
    EXPECT_EQ(Query(o.key, "").bytes, std::string("dflt\0", 5));
    EXPECT_EQ(Query(o.key, "Bin255").bytes, std::string(255, '\xab'));
    const Read bin = Query(o.key, "Bin256");
    EXPECT_EQ(bin.result, ERROR_MORE_DATA);
    EXPECT_EQ(bin.size, 256u);
    EXPECT_EQ(bin.type, REG_BINARY);

    BYTE buffer[8];
    DWORD reserved = 0;
    EXPECT_EQ(RegQueryValueExA(o.key, "Fits", &reserved, nullptr, buffer, &size),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueExA(o.key, "Fits", nullptr, nullptr, buffer, nullptr),
              ERROR_INVALID_PARAMETER);
    RegCloseKey(o.key);
}

TEST_F(RegistryTest, CreatesAMissingFileInVersionFiveForm) {
    const Opened o = Open(kSettings);
    ASSERT_EQ(o.result, ERROR_SUCCESS);
    EXPECT_EQ(o.disposition, REG_CREATED_NEW_KEY);
    EXPECT_EQ(Query(o.key, "DataBase-IPAddress").result, ERROR_FILE_NOT_FOUND);
    RegCloseKey(o.key);
    EXPECT_EQ(
        ReadFile(hive_),
        Utf16File("Windows Registry Editor Version 5.00\r\n\r\n"
                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ZEVA\\INTEGRATED\\ZEVA Manager\\ODBC]\r\n"));
    const Opened again = Open("software\\zeva\\integrated\\zeva manager\\odbc");
    EXPECT_EQ(again.result, ERROR_SUCCESS);
    EXPECT_EQ(again.disposition, REG_OPENED_EXISTING_KEY);
    RegCloseKey(again.key);
    // The parent named on the way exists too.
    const Opened parent = Open("SOFTWARE\\ZEVA");
    EXPECT_EQ(parent.disposition, REG_OPENED_EXISTING_KEY);
    RegCloseKey(parent.key);
}

TEST_F(RegistryTest, CreatingAKeyKeepsEveryOtherByte) {
    struct Case {
        std::string before;
        const char* sub;
        std::string added;
    };
    const std::string v5 = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n"
                           "\"x\"=hex:01,\\\r\n  02\r\n; last line without an end";
    const std::string v4 = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\A]\n\"x\"=\"\xFC\"\n";
    const Case cases[] = {
        {Utf16File(v5), "New", Utf16File("\r\n\r\n[HKEY_LOCAL_MACHINE\\New]\r\n").substr(2)},
        {v4, "Müller", "\n[HKEY_LOCAL_MACHINE\\M\xFCller]\n"},
        {"\xEF\xBB\xBF"
         "Windows Registry Editor Version 5.00\n",
         "A\\ü", "\n[HKEY_LOCAL_MACHINE\\A\\ü]\n"},
    };
    for (const Case& c : cases) {
        WriteFileWithMode(hive_, c.before, 0640);
        const Opened o = Open(c.sub);
        ASSERT_EQ(o.result, ERROR_SUCCESS) << c.sub;
        EXPECT_EQ(o.disposition, REG_CREATED_NEW_KEY);
        RegCloseKey(o.key);
        EXPECT_EQ(ReadFile(hive_), c.before + c.added) << c.sub;
        struct stat st {};
        ASSERT_EQ(stat(hive_.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0640u) << "permissions kept";
    }
    // The old values are still there, and no temporary file is left behind.
    int entries = 0;
    for ([[maybe_unused]] const auto& e :
         std::filesystem::directory_iterator(dir_.path().string())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST_F(RegistryTest, KeyNamesTheFileCannotHoldAreRefused) {
    const std::string v4 = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n";
    WriteFile(hive_, v4);
    const std::string tooLong(256, 'k');
    std::string tooDeep = "k";
    for (size_t level = 1; level < platform::kMaxKeyDepth; ++level) {
        tooDeep += "\\k"; // with HKEY_LOCAL_MACHINE, one level too many
    }
    for (const char* bad :
         {"日本", "\\Lead", "A\\\\B", "A\nB", "A\rB", "\xFF", tooLong.c_str(), tooDeep.c_str()}) {
        const Opened o = Open(bad);
        EXPECT_EQ(o.result, ERROR_INVALID_PARAMETER) << bad;
        EXPECT_EQ(o.key, nullptr);
    }
    EXPECT_EQ(ReadFile(hive_), v4);
    EXPECT_EQ(Open(std::string(255, 'k').c_str()).result, ERROR_SUCCESS);
    EXPECT_EQ(Open(tooDeep.substr(2).c_str()).result, ERROR_SUCCESS);
}

TEST_F(RegistryTest, DeletedKeyIsCreatedAgain) {
    WriteFile(hive_, "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A\\B]\n"
                     "\"v\"=\"1\"\n[-HKEY_LOCAL_MACHINE\\A]\n");
    const Opened o = Open("A\\B");
    EXPECT_EQ(o.disposition, REG_CREATED_NEW_KEY);
    EXPECT_EQ(Query(o.key, "v").result, ERROR_FILE_NOT_FOUND);
    RegCloseKey(o.key);
}

TEST_F(RegistryTest, WriteAccessNeedsAWritableFile) {
    WriteFile(hive_, "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\K]\n\"v\"=\"1\"\n",
              0444);
    const std::string before = ReadFile(hive_);
    // Result times ten plus disposition, so that one exit code carries both.
    auto openCode = [](const char* sub, REGSAM sam) {
        return [=] {
            const Opened o = Open(sub, sam);
            return static_cast<int>(o.result * 10 + o.disposition);
        };
    };
    EXPECT_EQ(AsOtherUser(openCode("K", KEY_ALL_ACCESS)), ERROR_ACCESS_DENIED * 10);
    EXPECT_EQ(AsOtherUser(openCode("K", KEY_READ)), REG_OPENED_EXISTING_KEY);
    EXPECT_EQ(AsOtherUser(openCode("New", KEY_READ)), ERROR_ACCESS_DENIED * 10);
    chmod(hive_.c_str(), 0);
    EXPECT_EQ(AsOtherUser(openCode("K", KEY_READ)), ERROR_ACCESS_DENIED * 10);
    chmod(hive_.c_str(), 0444);
    EXPECT_EQ(ReadFile(hive_), before);

    // A missing file needs a writable folder.
    const std::string locked = (dir_ / "locked").string();
    ASSERT_EQ(mkdir(locked.c_str(), 0555), 0);
    setenv("SOLVANETOORBELLE_HKLM", (locked + "/HKLM.reg").c_str(), 1);
    EXPECT_EQ(AsOtherUser(openCode("K", KEY_ALL_ACCESS)), ERROR_ACCESS_DENIED * 10);
    EXPECT_FALSE(std::filesystem::exists(locked + "/HKLM.reg"));
}

TEST_F(RegistryTest, MalformedFilesAreBadDatabases) {
    const std::string key = "[HKEY_LOCAL_MACHINE\\K]\r\n";
    const std::string v5 = "Windows Registry Editor Version 5.00\r\n";
    const std::string files[] = {
        "",
        "hello\r\n",
        "\xFE\xFF" + std::string("\0W", 2),               // big-endian mark
        Utf16File(v5 + key) + "A",                        // odd byte count
        Utf16File(v5) + std::string("\x00\xDC", 2),       // lone low surrogate
        Utf16File("REGEDIT4\r\n" + key),                  // header of the wrong kind
        v5 + key + "\"v\"=\"\xFF\"\r\n",                  // not UTF-8
        v5 + key + std::string("\"v\"=\"a\0b\"\r\n", 12), // zero byte
        Utf16File(v5 + key + "\"v\"=\"unterminated\r\n"),
        Utf16File(v5 + key + "\"v\"=hex:zz\r\n"),
        "REGEDIT4\r\n" + key + "\"v\"=hex(2):4\r\n",
    };
    for (const std::string& file : files) {
        WriteFile(hive_, file);
        const Opened o = Open("K");
        EXPECT_EQ(o.result, ERROR_BADDB) << file;
        EXPECT_EQ(o.key, nullptr);
        EXPECT_EQ(Open("Missing").result, ERROR_BADDB);
        EXPECT_EQ(ReadFile(hive_), file) << "a malformed file is never rewritten";
    }
    std::filesystem::remove(hive_);
    ASSERT_EQ(mkdir(hive_.c_str(), 0755), 0);
    EXPECT_EQ(Open("K").result, ERROR_BADDB);
}

TEST_F(RegistryTest, HandlesAndArgumentsAreChecked) {
    WriteFile(hive_, "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE]\n\"Root\"=\"r\"\n"
                     "[HKEY_LOCAL_MACHINE\\Software\\Zeva\\Odbc]\n\"v\"=\"1\"\n");
    const Opened software = Open("Software\\", KEY_READ);
    ASSERT_EQ(software.result, ERROR_SUCCESS);
    // Open relative to an open key.
    const Opened odbc = Open("ZEVA\\odbc", KEY_READ, software.key);
    ASSERT_EQ(odbc.result, ERROR_SUCCESS);
    EXPECT_EQ(odbc.disposition, REG_OPENED_EXISTING_KEY);
    EXPECT_EQ(Query(odbc.key, "v").bytes, std::string("1\0", 2));
    // The values are those of the file when the key was opened.
    WriteFile(hive_, "Windows Registry Editor Version 5.00\n");
    EXPECT_EQ(Query(odbc.key, "v").bytes, std::string("1\0", 2));
    EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, "Root").result, ERROR_FILE_NOT_FOUND);

    EXPECT_EQ(RegCloseKey(odbc.key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(odbc.key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(Query(odbc.key, "v").result, ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    EXPECT_EQ(Open("x", KEY_READ, odbc.key).result, ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Open("x", KEY_READ, reinterpret_cast<HKEY>(0x80000001)).result,
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCloseKey(software.key), ERROR_SUCCESS);

    HKEY key = nullptr;
    DWORD disposition = 0;
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "K", 1, nullptr, 0, KEY_READ, nullptr, &key,
                              &disposition),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "K", 0, nullptr, 1, KEY_READ, nullptr, &key,
                              &disposition),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, nullptr, 0, nullptr, 0, KEY_READ, nullptr, &key,
                              &disposition),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "K", 0, nullptr, 0, KEY_READ, nullptr, nullptr,
                              &disposition),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(key, nullptr);
}

TEST_F(RegistryTest, RootValuesAndTheHivePath) {
    WriteFile(hive_,
              "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE]\n\"Root\"=\"r\"\n");
    EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, "root").bytes, std::string("r\0", 2));
    const Opened root = Open("", KEY_ALL_ACCESS);
    EXPECT_EQ(root.disposition, REG_OPENED_EXISTING_KEY);
    EXPECT_EQ(Query(root.key, "Root").bytes, std::string("r\0", 2));
    RegCloseKey(root.key);
    EXPECT_EQ(HiveFilePath(), hive_);
    setenv("SOLVANETOORBELLE_HKLM", "", 1);
    EXPECT_STREQ(HiveFilePath(), "/etc/solvanetoorbelle/HKLM.reg");
    unsetenv("SOLVANETOORBELLE_HKLM");
    EXPECT_STREQ(HiveFilePath(), "/etc/solvanetoorbelle/HKLM.reg");
}

TEST_F(RegistryTest, SymbolicLinkStaysALink) {
    const std::string real = (dir_ / "real.reg").string();
    WriteFile(real, "Windows Registry Editor Version 5.00\n");
    ASSERT_EQ(symlink(real.c_str(), hive_.c_str()), 0);
    const Opened o = Open("New");
    EXPECT_EQ(o.disposition, REG_CREATED_NEW_KEY);
    RegCloseKey(o.key);
    EXPECT_TRUE(std::filesystem::is_symlink(hive_));
    EXPECT_EQ(ReadFile(real),
              "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\New]\n");
}

} // namespace
