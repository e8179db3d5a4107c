// sto-seal-password as administrators run it (a child process fed on its
// standard input), and the hive line folding it prints.
#include "admin/HiveLine.h"
#include "db/PasswordEncrypt.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct CommandResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class SealCommand : public ::testing::Test {
protected:
    void SetUp() override {
        const char* build = std::getenv("STO_BUILD_DIR");
        ASSERT_NE(build, nullptr) << "STO_BUILD_DIR is not set";
        m_command = fs::path(build) / "bin" / "sto-seal-password";
        ASSERT_TRUE(fs::exists(m_command)) << m_command;
        std::string pattern = (fs::temp_directory_path() / "sto-seal-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    CommandResult Seal(const std::string& input, const std::string& arguments = "") {
        { std::ofstream(m_dir / "in", std::ios::binary) << input; }
        const std::string line = "'" + m_command.string() + "' " + arguments + " < '" +
                                 (m_dir / "in").string() + "' > '" + (m_dir / "out").string() +
                                 "' 2> '" + (m_dir / "err").string() + "'";
        const int status = std::system(line.c_str());
        CommandResult run;
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.out = ReadFile(m_dir / "out");
        run.err = ReadFile(m_dir / "err");
        return run;
    }

    fs::path m_command;
    fs::path m_dir;
};

// Reads back an exported binary value independently of the formatter:
// checks the folding and returns the bytes.
std::string ParseHiveLine(const std::string& text, std::string* name) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    EXPECT_FALSE(lines.empty());
    std::string hex;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string line = lines[i];
        EXPECT_LE(line.size(), 80u) << "line " << i;
        if (i == 0) {
            const std::size_t equals = line.find("\"=hex:");
            EXPECT_EQ(line[0], '"');
            EXPECT_NE(equals, std::string::npos);
            *name = line.substr(1, equals - 1);
            line = line.substr(equals + 6);
        } else {
            EXPECT_EQ(line.rfind("  ", 0), 0u) << "continuation lines are indented by two";
            line = line.substr(2);
        }
        if (i + 1 < lines.size()) {
            EXPECT_EQ(line.substr(line.size() - 2), ",\\") << "line " << i;
            line.pop_back();
        }
        hex += line;
    }
    std::string bytes;
    for (std::size_t at = 0; at < hex.size(); at += 3) {
        bytes += static_cast<char>(std::stoi(hex.substr(at, 2), nullptr, 16));
        if (at + 2 < hex.size()) {
            EXPECT_EQ(hex[at + 2], ',');
        }
    }
    return bytes;
}

std::string Decode(const std::string& stored) {
    unsigned char input[kMaxStoredPasswordBytes] = {};
    if (stored.size() > sizeof input)
        return "<too long: " + std::to_string(stored.size()) + ">";
    std::memcpy(input, stored.data(), stored.size());
    unsigned char password[kPasswordBufferSize] = {};
    unsigned int length = 0;
    CPasswordEncrypt decoder;
    if (decoder.Decrypt(input, static_cast<unsigned int>(stored.size()), password, &length) != 1)
        return "<refused: " + std::string(decoder.ErrorText()) + ">";
    return reinterpret_cast<const char*>(password);
}

TEST_F(SealCommand, PrintsAValueLineThatDecodesToThePassword) {
    const struct {
        std::string input;
        std::string password;
    } cases[] = {
        {"secret\n", "secret"},
        {"secret", "secret"},
        {"secret\r\n", "secret"},
        {"two\n\n", "two\n"},
        {" spaced out \n", " spaced out "},
        {std::string(kMaxPasswordLength, 'x') + "\n", std::string(kMaxPasswordLength, 'x')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        const CommandResult run = Seal(c.input);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err, "");
        ASSERT_EQ(run.out.back(), '\n');
        std::string name;
        const std::string stored = ParseHiveLine(run.out, &name);
        EXPECT_EQ(name, "Server PWD");
        EXPECT_EQ(stored.size(), c.password.size() + KC_SEAL_OVERHEAD);
        EXPECT_EQ(Decode(stored), c.password);
    }
}

TEST_F(SealCommand, RefusesWhatCannotBeStoredAndPrintsNothing) {
    const struct {
        std::string input;
        std::string arguments;
        int exitCode;
        const char* message;
    } cases[] = {
        {std::string(kMaxPasswordLength + 1, 'x'), "", 1, "at most 212"},
        {std::string(300, 'x') + "\n", "", 1, "300 bytes long"},
        {std::string("a\0b", 3), "", 1, "zero byte"},
        {"secret\n", "extra", 2, "Usage:"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const CommandResult run = Seal(c.input, c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
}

TEST_F(SealCommand, WarnsAboutAnEmptyPasswordButSealsIt) {
    const CommandResult run = Seal("\n");
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_NE(run.err.find("empty"), std::string::npos);
    std::string name;
    EXPECT_EQ(Decode(ParseHiveLine(run.out, &name)), "");
}

TEST(HiveLine, FoldsLikeTheRegistryEditor) {
    // "Server PWD"=hex: takes 17 columns: 20 bytes fit the first line, 25 each
    // continuation line, every folded line 78 columns with its backslash.
    const struct {
        std::size_t bytes;
        std::vector<std::size_t> lineLengths;
    } cases[] = {
        {0, {17}},
        {1, {19}},
        {20, {76}},
        {21, {78, 4}},
        {45, {78, 76}},
        {46, {78, 78, 4}},
        {255, {78, 78, 78, 78, 78, 78, 78, 78, 78, 78, 31}},
    };
    for (const auto& c : cases) {
        const std::string text = admin::FormatBinaryValue("Server PWD", std::string(c.bytes, 'A'));
        std::vector<std::size_t> lengths;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            lengths.push_back(line.size());
        EXPECT_EQ(lengths, c.lineLengths) << c.bytes << " bytes";
    }
}

TEST(HiveLine, WritesLowerCaseHexAndEscapesTheName) {
    EXPECT_EQ(admin::FormatBinaryValue("a\"b\\c", std::string("\x00\x0f\xab\xff", 4)),
              "\"a\\\"b\\\\c\"=hex:00,0f,ab,ff");
    EXPECT_EQ(
        admin::FormatBinaryValue("Server PWD", std::string(21, '\x4b')), "\"Server PWD\"=hex:" +
                                                                             [] {
                                                                                 std::string pairs;
                                                                                 for (int i = 0;
                                                                                      i < 20; ++i)
                                                                                     pairs += "4b,";
                                                                                 return pairs;
                                                                             }() +
                                                                             "\\\n  4b");
}

} // namespace
