// The drop-down lists' accessible objects inside the program: what the
// toolkit hands out for a list's widget, entries made only when asked for,
// the choice as text and selection, and defunct objects once a list is gone.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <wx/dialog.h>

#include "framework/DialogTemplate.h"
#include "framework/DropDownList.h"
#include "framework_ui/ListDialog.h"
#include "support/RealInput.h"
#include "support/RecordingUi.h"

namespace {

using namespace test_dialog;
using namespace testing_support;
using fw::DropDownAccessible;

constexpr int kEntries = 100000;

std::string EntryName(int i) {
    char name[16];
    std::snprintf(name, sizeof name, "G%06d", i);
    return name;
}

bool Has(AtkObject* object, AtkStateType state) {
    AtkStateSet* set = atk_object_ref_state_set(object);
    const bool has = atk_state_set_contains_state(set, state);
    g_object_unref(set);
    return has;
}

std::string Text(AtkObject* object) {
    gchar* text = atk_text_get_text(ATK_TEXT(object), 0, -1);
    std::string result = text ? text : "";
    g_free(text);
    return result;
}

class DropDownAtk : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dlg.Create());
        dlg.m_groups.AddString("");
        for (int i = 1; i <= kEntries; ++i) {
            dlg.m_groups.AddString(EntryName(i));
        }
    }
    void TearDown() override {
        dlg.DestroyWindow();
        Settle();
    }
    AtkObject* Accessible(int id) {
        return gtk_widget_get_accessible(static_cast<GtkWidget*>(dlg.Control(id)->GetHandle()));
    }

    ActiveEventLoop loop;
    RecordingUi ui;
    ListDialog dlg;
};

TEST_F(DropDownAtk, AComboBoxNamedByItsLabelWithEntriesMadeOnlyWhenAskedFor) {
    AtkObject* combo = Accessible(IDC_GROUPS);
    EXPECT_EQ(atk_object_get_role(combo), ATK_ROLE_COMBO_BOX);
    EXPECT_STREQ(atk_object_get_name(combo), "Group Id");
    EXPECT_STREQ(atk_object_get_name(Accessible(IDC_CLIENTS)), "Client Id");
    ASSERT_EQ(atk_object_get_n_accessible_children(combo), 1);
    AtkObject* menu = atk_object_ref_accessible_child(combo, 0);
    EXPECT_EQ(atk_object_get_role(menu), ATK_ROLE_MENU);
    EXPECT_EQ(atk_object_get_parent(menu), combo);
    EXPECT_EQ(atk_object_get_n_accessible_children(menu), kEntries + 1);
    EXPECT_EQ(DropDownAccessible::LiveEntries(), 0); // none up front

    AtkObject* entry = atk_object_ref_accessible_child(menu, 54321);
    ASSERT_NE(entry, nullptr);
    EXPECT_STREQ(atk_object_get_name(entry), "G054321");
    EXPECT_EQ(atk_object_get_index_in_parent(entry), 54321);
    EXPECT_EQ(atk_object_get_parent(entry), menu);
    EXPECT_EQ(DropDownAccessible::LiveEntries(), 1);
    AtkObject* again = atk_object_ref_accessible_child(menu, 54321);
    EXPECT_EQ(again, entry); // one object an entry while a reader holds it
    EXPECT_EQ(atk_object_ref_accessible_child(menu, kEntries + 1), nullptr);
    EXPECT_EQ(atk_object_ref_accessible_child(menu, -1), nullptr);
    g_object_unref(again);
    g_object_unref(entry);
    EXPECT_EQ(DropDownAccessible::LiveEntries(), 0); // and gone when no one does
    g_object_unref(menu);
}

TEST_F(DropDownAtk, TheDialogsOtherWidgetsKeepTheToolkitsObjects) {
    AtkObject* radio = Accessible(IDC_SINGLE);
    EXPECT_EQ(atk_object_get_role(radio), ATK_ROLE_RADIO_BUTTON);
    EXPECT_STREQ(atk_object_get_name(radio), "Single User");
    AtkObject* parent = atk_object_get_parent(Accessible(IDC_GROUPS));
    ASSERT_NE(parent, nullptr);
    EXPECT_EQ(atk_object_get_role(parent), ATK_ROLE_PANEL);
    EXPECT_EQ(parent, atk_object_get_parent(radio));
}

TEST_F(DropDownAtk, TextAndSelectionAreTheChoiceAndTellOfItsChanges) {
    AtkObject* combo = Accessible(IDC_GROUPS);
    int selectionChanges = 0;
    std::vector<std::string> inserted, removed;
    g_signal_connect_swapped(combo, "selection-changed", G_CALLBACK(+[](int* n) { ++*n; }),
                             &selectionChanges);
    const auto record = +[](AtkObject*, gint, gint, gchar* text, std::vector<std::string>* to) {
        to->push_back(text);
    };
    g_signal_connect(combo, "text-insert", G_CALLBACK(record), &inserted);
    g_signal_connect(combo, "text-remove", G_CALLBACK(record), &removed);

    dlg.m_groups.SetCurSel(3); // by the program: the reader hears of it too
    EXPECT_EQ(Text(combo), "G000003");
    EXPECT_EQ(atk_text_get_character_count(ATK_TEXT(combo)), 7);
    EXPECT_EQ(atk_selection_get_selection_count(ATK_SELECTION(combo)), 1);
    EXPECT_TRUE(atk_selection_is_child_selected(ATK_SELECTION(combo), 3));
    AtkObject* chosen = atk_selection_ref_selection(ATK_SELECTION(combo), 0);
    ASSERT_NE(chosen, nullptr);
    EXPECT_STREQ(atk_object_get_name(chosen), "G000003");
    EXPECT_TRUE(Has(chosen, ATK_STATE_SELECTED));
    dlg.m_groups.SetCurSel(3); // no change, no news
    dlg.m_groups.SetCurSel(4);
    EXPECT_FALSE(Has(chosen, ATK_STATE_SELECTED));
    g_object_unref(chosen);
    dlg.m_groups.ResetContent();
    EXPECT_EQ(Text(combo), "");
    EXPECT_EQ(atk_selection_get_selection_count(ATK_SELECTION(combo)), 0);
    EXPECT_EQ(selectionChanges, 3);
    EXPECT_EQ(inserted, (std::vector<std::string>{"G000003", "G000004"}));
    EXPECT_EQ(removed, (std::vector<std::string>{"G000003", "G000004"}));

    // A reader's choice is the user's: the dialog hears of it.
    dlg.FillGroups({"", "A", "B"});
    EXPECT_TRUE(atk_selection_add_selection(ATK_SELECTION(combo), 2));
    EXPECT_FALSE(atk_selection_add_selection(ATK_SELECTION(combo), 3));
    EXPECT_FALSE(atk_selection_clear_selection(ATK_SELECTION(combo)));
    EXPECT_TRUE(WaitUntil([&] { return dlg.refills == std::vector<std::string>{"B"}; }));
    EXPECT_EQ(Text(combo), "B");
}

TEST_F(DropDownAtk, ObjectsOfAnEntryThatMovedOrAListThatWentAreDefunct) {
    AtkObject* combo = g_object_ref(Accessible(IDC_GROUPS));
    AtkObject* menu = atk_object_ref_accessible_child(combo, 0);
    AtkObject* entry = atk_object_ref_accessible_child(menu, 5);
    EXPECT_FALSE(Has(entry, ATK_STATE_DEFUNCT));
    dlg.m_groups.ResetContent();
    dlg.FillGroups({"", "X1", "X2", "X3", "X4", "X5"});
    EXPECT_TRUE(Has(entry, ATK_STATE_DEFUNCT));
    EXPECT_EQ(atk_object_get_index_in_parent(entry), -1);
    AtkObject* now = atk_object_ref_accessible_child(menu, 5);
    EXPECT_NE(now, entry);
    EXPECT_STREQ(atk_object_get_name(now), "X5");

    dlg.DestroyWindow();
    Settle();
    for (AtkObject* object : {combo, menu, now}) {
        EXPECT_TRUE(Has(object, ATK_STATE_DEFUNCT));
        EXPECT_EQ(atk_object_get_n_accessible_children(object), 0);
    }
    EXPECT_EQ(atk_selection_get_selection_count(ATK_SELECTION(combo)), 0);
    EXPECT_FALSE(atk_action_do_action(ATK_ACTION(combo), 0));
    EXPECT_EQ(Text(combo), "");
    for (AtkObject* object : {now, entry, menu, combo}) {
        g_object_unref(object);
    }
    EXPECT_EQ(DropDownAccessible::LiveEntries(), 0);
}

TEST(LabelOf, TheNearestStaticTextBesideElseAbove) {
    using fw::ControlClass;
    const fw::DialogItem items[] = {
        {1, ControlClass::ComboBox, "", CBS_DROPDOWNLIST, 152, 75, 59, 42}, // 0
        {2, ControlClass::ComboBox, "", CBS_DROPDOWNLIST, 260, 75, 62, 52}, // 1
        {-1, ControlClass::Static, "Group Id", SS_LEFT, 109, 77, 34, 9},    // 2
        {-1, ControlClass::Static, "Client Id", SS_LEFT, 220, 77, 30, 9},   // 3
        {-1, ControlClass::Static, "Far", SS_LEFT, 10, 77, 30, 9},          // 4
        {-1, ControlClass::Static, "Below", SS_LEFT, 100, 100, 40, 9},      // 5
        {3, ControlClass::Edit, "", 0, 10, 130, 80, 14},                    // 6
        {-1, ControlClass::Static, "Above", SS_LEFT, 12, 118, 60, 9},       // 7
        {-1, ControlClass::Static, "#128", SS_ICON, 0, 130, 8, 8},          // 8
        {4, ControlClass::Button, "Alone", 0, 200, 200, 50, 14},            // 9
    };
    EXPECT_EQ(fw::LabelOf(items, 0), 2);
    EXPECT_EQ(fw::LabelOf(items, 1), 3);  // nearer than "Group Id" and "Far"
    EXPECT_EQ(fw::LabelOf(items, 6), 7);  // the icon beside it names nothing
    EXPECT_EQ(fw::LabelOf(items, 9), -1); // "Client Id" is far above it
    EXPECT_EQ(fw::LabelOf(items, 42), -1);
}

} // namespace
