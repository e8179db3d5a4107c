// The server tools' option syntax: attached and separate values, flags,
// positional arguments, numbers, and the command lines it refuses.
#include "toolargs/Options.h"

#include <gtest/gtest.h>

namespace {

using toolargs::Options;
using toolargs::UsageError;

constexpr const char* kLetters = "Q:d:U:P:w:e?";

TEST(OptionsTest, ValuesAttachedOrSeparateGiveTheSame) {
    const Options attached =
        Options::Parse({"-Qselect 1", "-dDB1", "-Uu1", "-Ppw", "-w500", "-e"}, kLetters);
    const Options separate = Options::Parse(
        {"-Q", "select 1", "-d", "DB1", "-U", "u1", "-P", "pw", "-w", "500", "-e"}, kLetters);
    for (const Options* options : {&attached, &separate}) {
        EXPECT_EQ(options->Value('Q'), "select 1");
        EXPECT_EQ(options->Value('d'), "DB1");
        EXPECT_EQ(options->Value('U'), "u1");
        EXPECT_EQ(options->Value('P'), "pw");
        EXPECT_EQ(options->Number('w', 80, 9, 65535), 500);
        EXPECT_TRUE(options->Has('e'));
        EXPECT_FALSE(options->Has('?'));
        EXPECT_TRUE(options->Positional().empty());
    }
}

TEST(OptionsTest, SeparateValueIsTakenWhateverItLooksLike) {
    const Options options = Options::Parse({"-d", "-odd", "-U", "", "-w", "9"}, kLetters);
    EXPECT_EQ(options.Value('d'), "-odd");
    EXPECT_EQ(options.Value('U'), "");
    EXPECT_TRUE(options.Has('U'));
}

TEST(OptionsTest, AValueThatMayBeLeftOutIsEmptyBeforeAnotherOption) {
    constexpr const char* letters = "P::S:";
    const struct {
        std::vector<std::string> args;
        const char* password;
        const char* server;
    } cases[] = {
        {{"-P", "-SSRV1"}, "", "SRV1"}, // the program's line for an empty password
        {{"-SSRV1", "-P"}, "", "SRV1"},     {{"-P", "pw", "-S", "SRV1"}, "pw", "SRV1"},
        {{"-P-x", "-SSRV1"}, "-x", "SRV1"}, {{"-P", "-", "-SSRV1"}, "-", "SRV1"},
    };
    for (const auto& c : cases) {
        const Options options = Options::Parse(c.args, letters);
        EXPECT_EQ(options.Value('P'), c.password) << c.args[0] << " " << c.args[1];
        EXPECT_EQ(options.Value('S'), c.server);
    }
}

TEST(OptionsTest, PositionalArgumentsStandAnywhere) {
    const Options options =
        Options::Parse({"DB1..t", "-Uu1", "in", "-", "/tmp/a file.csv", "-e"}, kLetters);
    EXPECT_EQ(options.Positional(),
              (std::vector<std::string>{"DB1..t", "in", "-", "/tmp/a file.csv"}));
    EXPECT_EQ(options.ValueOr('d', "none"), "none");
    EXPECT_EQ(options.Value('d'), std::nullopt);
}

TEST(OptionsTest, LettersAreCaseSensitive) {
    EXPECT_THROW(Options::Parse({"-E"}, kLetters), UsageError);
    EXPECT_THROW(Options::Parse({"-q", "x"}, kLetters), UsageError);
}

TEST(OptionsTest, RefusedCommandLines) {
    const struct {
        std::vector<std::string> args;
        const char* why;
    } cases[] = {
        {{"-x"}, "unknown option -x"},       {{"-Uu1", "-Uu2"}, "option -U is given twice"},
        {{"-d"}, "option -d needs a value"}, {{"-eX"}, "option -e takes no value"},
        {{"-:"}, "unknown option -:"},
    };
    for (const auto& c : cases) {
        try {
            Options::Parse(c.args, kLetters);
            ADD_FAILURE() << c.why << ": accepted";
        } catch (const UsageError& e) {
            EXPECT_EQ(std::string(e.what()), c.why);
        }
    }
}

TEST(OptionsTest, AnOptionIsFoundInACommandLineThatIsRefused) {
    const struct {
        std::vector<std::string> args;
        std::optional<std::string> output;
    } cases[] = {
        {{"-x", "-o", "out.log"}, "out.log"},          // an unknown option before it
        {{"-oout.log", "-Uu1", "-Uu2"}, "out.log"},    // a repeated option after it
        {{"-Q", "-o", "-oout.log"}, "out.log"},        // -Q takes "-o" as its value
        {{"-o", "first.log", "-o", "x"}, "first.log"}, // the first one counts
        {{"-eX", "-o", "out.log", "-d"}, "out.log"},   // a flag with a value, a missing value
        {{"-Uu1", "-o"}, std::nullopt},                // -o without its value
        {{"stray", "-Uu1"}, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Options::Find(c.args, "Q:d:U:o:e", 'o'), c.output) << c.args[0];
}

TEST(OptionsTest, NumbersMustBeWholeAndInRange) {
    const std::vector<std::string> bad[] = {{"-w8"},   {"-w65536"}, {"-wabc"},
                                            {"-w12x"}, {"-w-1"},    {"-w", ""}};
    for (const std::vector<std::string>& args : bad)
        EXPECT_THROW(Options::Parse(args, kLetters).Number('w', 80, 9, 65535), UsageError)
            << args[0];
    EXPECT_EQ(Options::Parse({"-w9"}, kLetters).Number('w', 80, 9, 65535), 9);
    EXPECT_EQ(Options::Parse({}, kLetters).Number('w', 80, 9, 65535), 80);
}

TEST(OptionsTest, ArgcArgvFormSkipsTheProgramName) {
    const char* argv[] = {"osql", "-dDB1", "extra"};
    const Options options = Options::Parse(3, argv, kLetters);
    EXPECT_EQ(options.Value('d'), "DB1");
    EXPECT_EQ(options.Positional(), std::vector<std::string>{"extra"});
}

} // namespace
