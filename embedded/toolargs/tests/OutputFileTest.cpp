// The tools' report file: emptied on opening, written in full, and a clear
// error when it cannot be opened.
#include "toolargs/OutputFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/TempDir.h"

namespace {

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(OutputFileTest, EmptiesAnEarlierFileAndWritesLines) {
    const testing_support::TempDir dir;
    const std::filesystem::path path = dir / "out.log";
    std::ofstream(path) << "text of an earlier run that is longer than the new one\n";
    {
        toolargs::OutputFile out(path.string());
        out.Line("first");
        out.Write("second");
        EXPECT_TRUE(out.Close());
        EXPECT_TRUE(out.Close()) << "a second close is harmless";
    }
    EXPECT_EQ(ReadAll(path), "first\nsecond");
}

TEST(OutputFileTest, AFileThatCannotBeOpenedIsNamedInTheError) {
    const std::string path = "/nonexistent-folder-of-toolargs/out.log";
    try {
        toolargs::OutputFile out(path);
        ADD_FAILURE() << "opened " << path;
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("No such file or directory"), std::string::npos);
    }
}

TEST(OutputFileTest, ASymbolicLinkAtTheNameIsRefusedAndItsTargetKept) {
    const testing_support::TempDir dir;
    const std::filesystem::path victim = dir / "victim.txt";
    std::ofstream(victim) << "precious\n";
    const std::filesystem::path absent = dir / "absent.txt";
    for (const std::filesystem::path& target : {victim, absent}) {
        SCOPED_TRACE(target);
        const std::filesystem::path link = dir / "7Dec26_ClientConversionOutput.log";
        std::filesystem::remove(link);
        std::filesystem::create_symlink(target, link);
        try {
            toolargs::OutputFile out(link.string());
            out.Line("overwritten");
            ADD_FAILURE() << "opened through the link";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(link.string()), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("is a symbolic link"), std::string::npos)
                << e.what();
        }
    }
    EXPECT_EQ(ReadAll(victim), "precious\n");
    EXPECT_FALSE(std::filesystem::exists(absent)) << "the link's target was created";
}

} // namespace
