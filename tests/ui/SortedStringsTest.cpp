// The sorted list behind the drop-down lists, and the lists themselves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <strings.h>

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

TEST(SortedStrings, IndexesAndPrefixesAgreeWithAPlainSortedListWhateverTheOrder) {
    // Several chunks' worth, with entries equal but for case and exact repeats.
    std::vector<std::string> ascending;
    for (int i = 0; i < 3000; ++i) {
        ascending.push_back((i % 5 == 0 ? "c" : "C") + std::to_string(100000 + i / 2));
    }
    std::sort(ascending.begin(), ascending.end(), fw::ListLess);
    std::vector<std::string> descending(ascending.rbegin(), ascending.rend());
    std::vector<std::string> random = ascending;
    std::shuffle(random.begin(), random.end(), std::mt19937(3));
    // Mostly in order, now and then an entry from further back.
    std::vector<std::string> nearly = ascending;
    for (std::size_t i = 97; i < nearly.size(); i += 97) {
        std::swap(nearly[i], nearly[i - 90]);
    }
    const std::pair<const char*, const std::vector<std::string>*> orders[] = {
        {"ascending", &ascending},
        {"descending", &descending},
        {"random", &random},
        {"nearly", &nearly}};
    for (const auto& [name, values] : orders) {
        SCOPED_TRACE(name);
        fw::SortedStrings list;
        std::vector<std::string> model;
        for (const auto& v : *values) {
            const auto at = std::upper_bound(model.begin(), model.end(), v, fw::ListLess);
            const auto expected = static_cast<std::size_t>(at - model.begin());
            model.insert(at, v);
            ASSERT_EQ(list.Insert(v), expected) << v;
        }
        ASSERT_EQ(list.Size(), model.size());
        for (std::size_t i = 0; i < model.size(); ++i) {
            ASSERT_EQ(list.At(i), model[i]) << i;
        }
        EXPECT_EQ(list.At(model.size()), "");
        for (const char* prefix : {"c1002", "C10149", "c101499", "C10", "", "D", "c09"}) {
            const auto first = std::find_if(model.begin(), model.end(), [&](const std::string& e) {
                return e.size() >= std::strlen(prefix) &&
                       strncasecmp(e.c_str(), prefix, std::strlen(prefix)) == 0;
            });
            EXPECT_EQ(list.FindPrefix(prefix),
                      first == model.end() ? std::nullopt
                                           : std::optional<std::size_t>(first - model.begin()))
                << prefix;
        }
    }
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
