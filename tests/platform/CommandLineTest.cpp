// Splitting command lines into arguments and quoting arguments back.
#include "platform/CommandLine.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

struct SplitCase {
    const char* line;
    Args expected;
};

TEST(SplitCommandLineTest, FollowsTheRuntimeRules) {
    const SplitCase cases[] = {
        {"", {}},
        {" \t  ", {}},
        {"a b", {"a", "b"}},
        {"  a\t\tb  ", {"a", "b"}},
        {R"("")", {""}},
        {R"(a "" b)", {"a", "", "b"}},
        {R"("a b" c)", {"a b", "c"}},
        {R"(a"b c"d)", {"ab cd"}},
        {R"(a\b\c d)", {R"(a\b\c)", "d"}},
        {R"(a\\"b c")", {R"(a\b c)"}},
        {R"(a\\\"b c)", {R"(a\"b)", "c"}},
        {R"(a\\\\"b c")", {R"(a\\b c)"}},
        {R"("a\\" b)", {R"(a\)", "b"}},
        {R"(\"a)", {R"("a)"}},
        {R"(ends\)", {R"(ends\)"}},
        {R"("a""b")", {R"(a"b)"}},
        {R"("""a""")", {R"("a")"}},
        {R"(a "unclosed  quote)", {"a", "unclosed  quote"}},
        {"a\nb", {"a\nb"}},
    };
    for (const SplitCase& c : cases) {
        EXPECT_EQ(platform::SplitCommandLine(c.line), c.expected) << c.line;
    }
}

TEST(SplitCommandLineTest, SplitsTheToolCommandsWithBlankPaths) {
    const SplitCase cases[] = {
        {R"(osql -Q "truncate table tbl_ConvertSolvaneToOrbelle "  -dDB1 -Uu1 -Ppw -SSRV1)",
         {"osql", "-Q", "truncate table tbl_ConvertSolvaneToOrbelle ", "-dDB1", "-Uu1", "-Ppw",
          "-SSRV1"}},
        {R"(bcp DB1..tbl_ConvertSolvaneToOrbelle in "/home/op/my files/in.csv" -Uu1 -Ppw )"
         R"(-SSRV1 -t, -c -o "/home/op/my files/7Dec26_ClientConversionOutput.log" )"
         R"(-e "/home/op/my files/7Dec26_ClientConversionError.log")",
         {"bcp", "DB1..tbl_ConvertSolvaneToOrbelle", "in", "/home/op/my files/in.csv", "-Uu1",
          "-Ppw", "-SSRV1", "-t,", "-c", "-o",
          "/home/op/my files/7Dec26_ClientConversionOutput.log", "-e",
          "/home/op/my files/7Dec26_ClientConversionError.log"}},
        {R"(osql -Q "exec stp_ConvertSolvaneToOrbelleBulk 1"  -dDB1 -Uu1 -Ppw -SSRV1 -w500 )"
         R"(-o "/home/op/my files/7Dec26_ClientConversionOutput.log")",
         {"osql", "-Q", "exec stp_ConvertSolvaneToOrbelleBulk 1", "-dDB1", "-Uu1", "-Ppw", "-SSRV1",
          "-w500", "-o", "/home/op/my files/7Dec26_ClientConversionOutput.log"}},
    };
    for (const SplitCase& c : cases) {
        EXPECT_EQ(platform::SplitCommandLine(c.line), c.expected) << c.line;
    }
}

TEST(QuoteArgumentTest, LeavesPlainArgumentsAlone) {
    for (const char* plain : {"osql", "-SSRV1", "-t,", R"(a\b\)", "$(x);y", "ü"}) {
        EXPECT_EQ(platform::QuoteArgument(plain), plain);
    }
    EXPECT_EQ(platform::QuoteArgument(""), R"("")");
    EXPECT_EQ(platform::QuoteArgument("a b"), R"("a b")");
}

TEST(QuoteArgumentTest, RoundTripsThroughTheSplitter) {
    const Args args = {
        "",
        "plain",
        "a b",
        "a\tb",
        R"(a"b)",
        R"(a\b)",
        R"(a\"b)",
        R"(a\\"b)",
        R"(ends\)",
        R"(ends\\ )",
        R"(C:\my dir\)",
        R"(\\")",
        R"(")",
        R"("")",
        "$(touch x);rm -rf y",
        "  ",
        "-o",
        "a\"\"b c",
        R"(\ \" \\)",
        "x",
    };
    for (const std::string& arg : args) {
        EXPECT_EQ(platform::SplitCommandLine(platform::QuoteArgument(arg)), Args{arg}) << arg;
    }
    std::string line;
    for (const std::string& arg : args) {
        line += platform::QuoteArgument(arg) + " ";
    }
    EXPECT_EQ(platform::SplitCommandLine(line), args);
}

} // namespace
