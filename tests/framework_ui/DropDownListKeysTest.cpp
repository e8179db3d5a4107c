// The drop-down list's key moves and type-ahead, apart from any window.
#include <gtest/gtest.h>

#include <algorithm>

#include "framework/DropDownListKeys.h"
#include "framework/SortedStrings.h"

namespace {

using fw::ListMove;

TEST(ListMoveTarget, StopsAtTheEndsAndStartsFromTheTop) {
    struct Case {
        ListMove move;
        int current, count, page, expected;
    };
    const Case cases[] = {
        {ListMove::Down, 3, 10, 4, 4},
        {ListMove::Down, 9, 10, 4, 9},
        {ListMove::Up, 3, 10, 4, 2},
        {ListMove::Up, 0, 10, 4, 0},
        {ListMove::PageDown, 3, 10, 4, 7},
        {ListMove::PageDown, 7, 10, 4, 9},
        {ListMove::PageUp, 7, 10, 4, 3},
        {ListMove::PageUp, 2, 10, 4, 0},
        {ListMove::Home, 5, 10, 4, 0},
        {ListMove::End, 5, 10, 4, 9},
        {ListMove::PageDown, 3, 10, 0, 4}, // a page is at least one entry
        // From no entry every move but End leads to the first.
        {ListMove::Down, -1, 10, 4, 0},
        {ListMove::Up, -1, 10, 4, 0},
        {ListMove::PageDown, -1, 10, 4, 0},
        {ListMove::End, -1, 10, 4, 9},
        {ListMove::Down, 12, 10, 4, 0}, // a stale index counts as none
        {ListMove::Down, -1, 0, 4, -1},
        {ListMove::End, -1, 0, 4, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fw::ListMoveTarget(c.move, c.current, c.count, c.page), c.expected)
            << static_cast<int>(c.move) << " from " << c.current << " of " << c.count;
    }
}

TEST(TypeAhead, KeysTypedWithoutAPauseMakeOnePrefix) {
    fw::TypeAhead typed;
    EXPECT_EQ(typed.Add("g", 1000), "g");
    EXPECT_EQ(typed.Add("0", 1900), "g0");
    EXPECT_EQ(typed.Add("2", 2900), "g02"); // each pause under the limit
    EXPECT_EQ(typed.Add("h", 3901), "h");   // a longer one starts afresh
    // The display's clock wraps; a key just after the wrap continues.
    EXPECT_EQ(typed.Add("x", 0xFFFFFF00u), "x");
    EXPECT_EQ(typed.Add("y", 0x00000050u), "xy");
    typed.Reset();
    EXPECT_EQ(typed.Add("z", 0x00000060u), "z");
}

TEST(TypeAhead, KnowsAOneCharacterRepetitionWhateverItsCase) {
    fw::TypeAhead typed;
    typed.Add("g", 0);
    EXPECT_FALSE(typed.Repeated()); // one key is no repetition
    typed.Add("G", 10);
    EXPECT_TRUE(typed.Repeated());
    EXPECT_EQ(typed.First(), "g");
    typed.Add("1", 20);
    EXPECT_FALSE(typed.Repeated());
    typed.Add("g", 30);
    EXPECT_FALSE(typed.Repeated()); // no longer one character throughout
}

class TypeAheadTargetTest : public ::testing::Test {
protected:
    TypeAheadTargetTest() {
        for (const char* e : {"", "Alpha", "G001", "G002", "g003", "GG", "H1"}) {
            list.Insert(e);
        }
    }
    int Target(const std::vector<std::string>& keys, int current) {
        fw::TypeAhead typed;
        for (const auto& k : keys) {
            typed.Add(k, 0);
        }
        return fw::TypeAheadTarget(
            typed, current, static_cast<int>(list.Size()),
            [this](std::string_view p) { return list.FindPrefix(p); },
            [this](int i) -> const std::string& { return list.At(static_cast<std::size_t>(i)); });
    }
    fw::SortedStrings list;
};

TEST_F(TypeAheadTargetTest, FindsThePrefixOrStepsThroughARepeatedLetter) {
    EXPECT_EQ(Target({"g"}, -1), 2);
    EXPECT_EQ(Target({"g", "0", "0", "2"}, 2), 3);
    EXPECT_EQ(Target({"a", "L"}, 0), 1);
    EXPECT_EQ(Target({"g", "x"}, 2), -1); // nothing begins with it: stay
    EXPECT_EQ(Target({"q"}, 3), -1);
    // "gg" is an entry's start: the prefix wins over stepping.
    EXPECT_EQ(Target({"g", "g"}, 2), 5);
    // "hh" is none: step to the next entry with "h", or back to the first.
    list.Insert("h2");
    EXPECT_EQ(Target({"h", "h"}, 6), 7);
    EXPECT_EQ(Target({"h", "h", "h"}, 7), 6);
    EXPECT_EQ(Target({"h", "h"}, -1), 6);
}

} // namespace
