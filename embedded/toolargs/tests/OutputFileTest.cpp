// The tools' report file: emptied on opening, written in full, and a clear
// error when it cannot be opened.
#include "toolargs/OutputFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(OutputFileTest, EmptiesAnEarlierFileAndWritesLines) {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("toolargs-out-" + std::to_string(getpid()));
    std::ofstream(path) << "text of an earlier run that is longer than the new one\n";
    {
        toolargs::OutputFile out(path.string());
        out.Line("first");
        out.Write("second");
        EXPECT_TRUE(out.Close());
        EXPECT_TRUE(out.Close()) << "a second close is harmless";
    }
    EXPECT_EQ(ReadAll(path), "first\nsecond");
    std::filesystem::remove(path);
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

} // namespace
