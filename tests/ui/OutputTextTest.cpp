// fw::OutputText without a control: appends and replacements as a control
// follows them, and the bound that keeps the newest lines under a header.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "framework/OutputText.h"

namespace {

using Amount = fw::OutputText::Amount;

std::size_t Lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

std::string Numbered(int from, int to) {
    std::string text;
    for (int i = from; i < to; ++i) {
        text += "line " + std::to_string(i) + "\r\n";
    }
    return text;
}

TEST(OutputText, AppendsKeepTheRevisionAndReplacementsDoNot) {
    fw::OutputText text;
    const auto first = text.Revision();
    text += "a\r\n";
    text += "b\r\n";
    EXPECT_EQ(text.str(), "a\r\nb\r\n");
    EXPECT_EQ(text.Revision(), first);
    text = std::string("c\r\n");
    EXPECT_NE(text.Revision(), first);
    const fw::OutputText copy(text);
    EXPECT_EQ(copy.str(), text.str());
    EXPECT_NE(copy.Revision(), text.Revision());
    // Unbounded, it holds whatever it is given.
    text += Numbered(0, 20000);
    EXPECT_EQ(Lines(text.str()), 20001u);
    EXPECT_FALSE(text.Trimmed());
}

TEST(OutputText, ABoundedTextKeepsItsNewestLinesUnderTheHeader) {
    const struct {
        Amount most;
        Amount keep;
        int appended; // lines "line N\r\n", one append each
        int kept;     // the newest lines that must remain
    } cases[] = {
        {{10, 1000}, {5, 1000}, 10, 10}, // at the bound: nothing goes
        {{10, 1000}, {5, 1000}, 11, 5},  // past it: down to `keep`
        {{10, 1000}, {5, 1000}, 15, 9},  // then it grows again up to the bound
        {{10, 1000}, {5, 1000}, 16, 10}, {{10, 1000}, {5, 1000}, 17, 5},
        {{1000, 90}, {1000, 50}, 20, 8}, // bytes bind first ("line 14\r\n" is 9 bytes)
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.appended);
        fw::OutputText text;
        text.Bound(c.most, c.keep, "Earlier entries are elsewhere.");
        for (int i = 0; i < c.appended; ++i) {
            text += Numbered(i, i + 1);
        }
        const std::string newest = Numbered(c.appended - c.kept, c.appended);
        if (c.kept == c.appended) {
            EXPECT_FALSE(text.Trimmed());
            EXPECT_EQ(text.str(), newest);
        } else {
            EXPECT_TRUE(text.Trimmed());
            EXPECT_EQ(text.str(), "Earlier entries are elsewhere.\r\n" + newest);
        }
    }
}

TEST(OutputText, OnceFullItIsReplacedOnlyEveryFewThousandLines) {
    fw::OutputText text;
    text.Bound({10000, 4u << 20}, {7500, 3u << 20}, "header");
    int replacements = 0;
    int sinceLast = 0;
    int fewestBetween = 1 << 30;
    auto revision = text.Revision();
    for (int i = 0; i < 100000; ++i) {
        text += "09:05:03: {call stp_ConvertSolvaneToOrbelle}'G001','C000001' \r\n";
        ++sinceLast;
        if (text.Revision() != revision) {
            revision = text.Revision();
            fewestBetween = replacements > 0 ? std::min(fewestBetween, sinceLast) : fewestBetween;
            ++replacements;
            sinceLast = 0;
            ASSERT_EQ(Lines(text.str()), 7501u); // the header and the newest 7,500
        }
    }
    EXPECT_LE(Lines(text.str()), 10001u);
    EXPECT_EQ(replacements, 36);
    EXPECT_GE(fewestBetween, 2500);
}

TEST(OutputText, AnAnswerLargerThanTheBoundLeavesOnlyItsEnd) {
    fw::OutputText text;
    text.Bound({10000, 4u << 20}, {7500, 3u << 20}, "header");
    text += "9:00:00: first entry \r\n";
    const auto before = text.Revision();
    // A procedure's answer: a line per refused client.
    std::string answer;
    for (int i = 0; i < 333334; ++i) {
        answer += "Client C" + std::to_string(1000000 + i) + " of group G0001 was refused.\n";
    }
    text += answer;
    EXPECT_NE(text.Revision(), before);
    EXPECT_EQ(text.str().rfind("header\r\n", 0), 0u);
    EXPECT_EQ(Lines(text.str()), 7501u);
    EXPECT_TRUE(text.str().ends_with(answer.substr(answer.size() - 10000)));
    text += " \r\n";
    EXPECT_TRUE(text.str().ends_with("C1333333 of group G0001 was refused.\n \r\n"));
}

TEST(OutputText, ALineLongerThanTheBoundIsCutAtACharactersStart) {
    fw::OutputText text;
    text.Bound({100, 40}, {100, 25}, "h");
    // 'é' is two bytes: a cut at an odd distance from the end would split one.
    std::string line;
    for (int i = 0; i < 30; ++i) {
        line += "\xC3\xA9";
    }
    text += "x" + line + "\r\n";
    EXPECT_EQ(text.str(), "h\r\n" + line.substr(line.size() - 22) + "\r\n");
}

TEST(OutputText, TheHeaderCanChangeAndAReplacementIsBoundedToo) {
    fw::OutputText text;
    text.Bound({4, 1000}, {2, 1000}, "in the log");
    text.SetHeader("not in the log");
    EXPECT_EQ(text.str(), ""); // no line has gone yet: no header
    text = Numbered(0, 6);
    EXPECT_EQ(text.str(), "not in the log\r\n" + Numbered(4, 6));
    const auto trimmed = text.Revision();
    text.SetHeader("in the log after all");
    EXPECT_EQ(text.str(), "in the log after all\r\n" + Numbered(4, 6));
    EXPECT_NE(text.Revision(), trimmed);
}

} // namespace
