// sto-seal-password run as administrators run it, its output read back and
// opened by CPasswordEncrypt over the real cipher library; and the refusals.
#include "admin/HiveLine.h"
#include "db/PasswordEncrypt.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

using testing_support::ReadFile;

namespace fs = std::filesystem;

struct CommandResult {
    int exitCode = -1;
    std::string out, err;
};

// Runs the command with `input` on its standard input, in a temporary folder.
CommandResult RunSeal(const std::string& input, const std::string& arguments = "") {
    const char* build = std::getenv("STO_BUILD_DIR");
    EXPECT_NE(build, nullptr) << "STO_BUILD_DIR is not set";
    if (build == nullptr)
        return {};
    const testing_support::TempDir tmp;
    const std::string dir = tmp.path().string();
    std::ofstream(fs::path(dir) / "in", std::ios::binary) << input;
    const std::string line = "'" + (fs::path(build) / "bin" / "sto-seal-password").string() + "' " +
                             arguments + " <'" + dir + "/in' >'" + dir + "/out' 2>'" + dir +
                             "/err'";
    const int status = std::system(line.c_str());
    CommandResult run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(dir + "/out"),
                      ReadFile(dir + "/err")};
    return run;
}

// Reads an exported "Server PWD" line back, independently of the formatter,
// checking its folding on the way; returns the value's bytes.
std::string ParseHiveLine(const std::string& text) {
    const std::string prefix = "\"Server PWD\"=hex:";
    EXPECT_EQ(text.rfind(prefix, 0), 0u) << text;
    std::istringstream lines(text.substr(prefix.size()));
    std::string hex;
    for (std::string line; std::getline(lines, line);) {
        EXPECT_LE(line.size() + (hex.empty() ? prefix.size() : 0), 78u);
        if (!line.empty() && line.back() == '\\')
            line.pop_back();
        hex += hex.empty() ? line : line.substr(line.rfind("  ", 0) == 0 ? 2 : 0);
    }
    std::string bytes;
    for (std::size_t at = 0; at + 1 < hex.size(); at += 3) {
        bytes += static_cast<char>(std::stoi(hex.substr(at, 2), nullptr, 16));
        EXPECT_TRUE(at + 2 == hex.size() || hex[at + 2] == ',') << hex;
    }
    return bytes;
}

struct Decoded {
    int result = -1;
    std::string password, errorText;
};

// Decodes the way start-up does: the value in a zero-filled 255-byte buffer,
// exactly its byte count passed on; the password is the text up to a zero.
Decoded Decode(const std::string& stored) {
    unsigned char input[kMaxStoredPasswordBytes] = {};
    std::memcpy(input, stored.data(), std::min<std::size_t>(stored.size(), sizeof input));
    unsigned char password[kPasswordBufferSize] = {};
    unsigned int length = 0;
    CPasswordEncrypt decoder;
    const int result =
        decoder.Decrypt(input, static_cast<unsigned int>(stored.size()), password, &length);
    return {result, reinterpret_cast<const char*>(password), decoder.ErrorText()};
}

TEST(SealAndDecode, WhatTheCommandPrintsDecodesToThePassword) {
    const struct {
        std::string input, password;
    } cases[] = {
        {"secret\n", "secret"},
        {"secret", "secret"},
        {"Pa55;word={x}\r\n", "Pa55;word={x}"},
        {"two\n\n", "two\n"},
        {"\n", ""},
        {std::string(kMaxPasswordLength, 'x') + "\n", std::string(kMaxPasswordLength, 'x')},
    };
    EXPECT_GE(kMaxPasswordLength, 150u);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        const CommandResult run = RunSeal(c.input);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err.find("warning") != std::string::npos, c.password.empty()) << run.err;
        const std::string stored = ParseHiveLine(run.out);
        EXPECT_EQ(stored.size(), c.password.size() + KC_SEAL_OVERHEAD);
        EXPECT_LE(stored.size(), kMaxStoredPasswordBytes);
        const Decoded d = Decode(stored);
        EXPECT_EQ(d.result, 1) << d.errorText;
        EXPECT_EQ(d.password, c.password);
    }
}

TEST(SealAndDecode, CommandRefusesWhatCannotBeStoredAndPrintsNothing) {
    const struct {
        std::string input, arguments;
        int exitCode;
        const char* message;
    } cases[] = {
        {std::string(kMaxPasswordLength + 1, 'x'), "", 1, "at most 212 fit"},
        {std::string(300, 'x') + "\n", "", 1, "300 bytes long"},
        {std::string("a\0b", 3), "", 1, "zero byte"},
        {"secret\n", "extra", 2, "Usage:"},
    };
    for (const auto& c : cases) {
        const CommandResult run = RunSeal(c.input, c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.message;
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
}

// A value sealed like the command does, but with any passphrase.
std::string SealWith(const char* passphrase, const std::string& password) {
    unsigned char out[kMaxStoredPasswordBytes];
    unsigned int length = 0;
    EXPECT_NE(kc_initialise(), 0);
    const kc_handle handle = kc_create_handle(kPasswordContext);
    EXPECT_EQ(kc_set_passphrase(handle, passphrase), KC_OK);
    EXPECT_EQ(kc_encrypt(handle, reinterpret_cast<const unsigned char*>(password.data()),
                         static_cast<unsigned int>(password.size()), out, sizeof out, &length),
              KC_OK);
    kc_release_handle(handle);
    kc_shutdown();
    return std::string(reinterpret_cast<const char*>(out), length);
}

TEST(SealAndDecode, DecoderRefusesAnythingElseWithTheLibrarysReason) {
    const std::string good = SealWith(kPasswordPassphrase, "correct horse");
    ASSERT_EQ(Decode(good).password, "correct horse");
    std::string tampered = good;
    tampered[good.size() / 2] ^= 0x20;
    const std::string cases[] = {
        tampered,
        good.substr(0, good.size() - 1),
        good.substr(0, KC_MARKER_SIZE),
        SealWith("KVRT5120PLMA36194WXQZ802BJS714", "correct horse"),
        "correct horse",
        std::string(kMaxStoredPasswordBytes, '\x5a'),
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Decoded d = Decode(cases[i]);
        EXPECT_EQ(d.result, 0) << "case " << i;
        EXPECT_EQ(d.password, "") << "case " << i;
        EXPECT_NE(d.errorText, "") << "case " << i;
    }
}

TEST(HiveLine, FoldsLikeTheRegistryEditor) {
    // "Server PWD"=hex: takes 17 columns: 20 bytes fit the first line and 25
    // each continuation line; a folded line is 78 columns with its backslash.
    const struct {
        std::size_t bytes;
        std::vector<std::size_t> lineLengths;
    } cases[] = {
        {0, {17}},     {1, {19}},         {20, {76}},
        {21, {78, 4}}, {46, {78, 78, 4}}, {255, {78, 78, 78, 78, 78, 78, 78, 78, 78, 78, 31}},
    };
    for (const auto& c : cases) {
        std::istringstream text(admin::FormatBinaryValue("Server PWD", std::string(c.bytes, 'K')));
        std::vector<std::size_t> lengths;
        for (std::string line; std::getline(text, line);)
            lengths.push_back(line.size());
        EXPECT_EQ(lengths, c.lineLengths) << c.bytes << " bytes";
    }
    EXPECT_EQ(admin::FormatBinaryValue("a\"b\\", std::string("\x00\x0f\xab\xff", 4)),
              "\"a\\\"b\\\\\"=hex:00,0f,ab,ff");
    // "v"=hex: takes 8 columns: the fold comes after 23 bytes, at column 77.
    EXPECT_EQ(admin::FormatBinaryValue("v", std::string(26, 'K')).substr(59),
              "4b,4b,4b,4b,4b,4b,\\\n  4b,4b,4b");
}

} // namespace
