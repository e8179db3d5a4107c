// The sorted list behind the drop-down lists, and the lists themselves.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "framework/SortedStrings.h"
#include "ui/DialogFixture.h"

namespace {

TEST(SortedStrings, KeepsCaseInsensitiveOrderAndReportsIndexes) {
    fw::SortedStrings list;
    EXPECT_EQ(list.Insert("b"), 0u);
    EXPECT_EQ(list.Insert("A"), 0u);
    EXPECT_EQ(list.Insert(""), 0u);
    EXPECT_EQ(list.Insert("a"), 2u); // after the equal-but-for-case "A"
    EXPECT_EQ(list.Insert("C10"), 4u);
    EXPECT_EQ(list.Insert("c1"), 4u);
    const std::vector<std::string> expected = {"", "A", "a", "b", "c1", "C10"};
    ASSERT_EQ(list.Size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(list.At(i), expected[i]);
    }
}

TEST(SortedStrings, FindsTheFirstEntryWithAPrefix) {
    fw::SortedStrings list;
    for (const char* s : {"G10", "G01", "", "g02", "H1"}) {
        list.Insert(s);
    }
    EXPECT_EQ(list.FindPrefix(""), 0u);
    EXPECT_EQ(list.FindPrefix("g0"), 1u);
    EXPECT_EQ(list.FindPrefix("G02"), 2u);
    EXPECT_EQ(list.FindPrefix("h"), 4u);
    EXPECT_EQ(list.FindPrefix("G2"), std::nullopt);
    EXPECT_EQ(list.FindPrefix("Z"), std::nullopt);
    list.Clear();
    EXPECT_EQ(list.FindPrefix(""), std::nullopt);
    EXPECT_EQ(list.Size(), 0u);
}

TEST(SortedStrings, ManyEntriesInRandomOrderComeOutSorted) {
    // Enough entries to split the list into many chunks.
    std::vector<std::string> values;
    for (int i = 0; i < 20000; ++i) {
        values.push_back("C" + std::to_string(i * 7919 % 20011));
    }
    std::mt19937 random(42);
    std::shuffle(values.begin(), values.end(), random);
    fw::SortedStrings list;
    for (const auto& v : values) {
        const std::size_t index = list.Insert(v);
        ASSERT_EQ(list.At(index), v);
    }
    std::sort(values.begin(), values.end(), fw::ListLess);
    ASSERT_EQ(list.Size(), values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        ASSERT_EQ(list.At(i), values[i]) << i;
    }
    EXPECT_EQ(list.FindPrefix(values[12345]), 12345u);
}

class DropDownListTest : public MainDialogFixture {};

TEST_F(DropDownListTest, SelectionFollowsInsertionsAndResets) {
    Open();
    CComboBox& list = dlg->m_cboGroupId;
    list.AddString("G2");
    EXPECT_EQ(list.SetCurSel(0), 0);
    list.AddString("G1"); // sorts before the selection, which moves along
    EXPECT_EQ(list.GetCurSel(), 1);
    EXPECT_EQ(list.GetWindowText(), "G2");
    EXPECT_EQ(list.SetCurSel(5), CB_ERR);
    EXPECT_EQ(list.GetWindowText(), "");
    list.SetWindowText("G1"); // a drop-down list has no text of its own
    EXPECT_EQ(list.GetCurSel(), CB_ERR);
    EXPECT_EQ(list.SelectString(-1, "g1"), 0);
    list.ResetContent();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetCurSel(), CB_ERR);
    EXPECT_EQ(list.GetWindowText(), "");
}

} // namespace
