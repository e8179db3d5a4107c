// ATK objects of the drop-down list, handed out by the toolkit for the list's
// widget: the combo box, its menu and the menu's entries, made on request.
#include "framework/DropDownListAccessible.h"

#include <gtk/gtk-a11y.h>
#include <gtk/gtk.h>
#include <wx/window.h>

#include <algorithm>
#include <map>

#include "framework/DropDownList.h"

namespace fw {

struct DropDownAccessible::State {
    State(DropDownList* l, GtkWidget* w) : list(l), widget(w) {}

    DropDownList* list;
    GtkWidget* widget;
    GtkWidget* menuWidget = nullptr;
    GtkWidget* label = nullptr; // weak: cleared by the toolkit when it goes
    AtkObject* combo = nullptr; // the objects we made, each with our reference
    AtkObject* menu = nullptr;
    AtkObject* focused = nullptr;      // the highlighted entry while the list is open
    std::map<int, AtkObject*> entries; // weak: each leaves the map when it goes
    bool hadChoice = false;            // the choice the reader last heard of
    std::string choice;
    std::string name; // what get_name last returned

    AtkObject* Combo();
    AtkObject* Menu();
    // A new reference to the entry's object, made when none is alive; null
    // for an index out of range.
    AtkObject* Entry(int index);
    void SetFocused(AtkObject* entry);
    void Detach();
};

} // namespace fw

using State = fw::DropDownAccessible::State;

namespace {

int g_liveEntries = 0;

// ---- text helpers ---------------------------------------------------------

gint Characters(const std::string& text) {
    return static_cast<gint>(g_utf8_strlen(text.c_str(), -1));
}

gchar* Range(const std::string& text, gint start, gint end) {
    const gint count = Characters(text);
    if (end < 0 || end > count) {
        end = count;
    }
    start = std::clamp(start, 0, end);
    return g_utf8_substring(text.c_str(), start, end);
}

// ---- the combo box --------------------------------------------------------

struct StoDropList {
    GtkWidgetAccessible parent;
    State* state;
};
struct StoDropListClass {
    GtkWidgetAccessibleClass parent_class;
};

void sto_drop_list_action_init(AtkActionIface* iface);
void sto_drop_list_selection_init(AtkSelectionIface* iface);
void sto_drop_list_text_init(AtkTextIface* iface);

G_DEFINE_TYPE_WITH_CODE(StoDropList, sto_drop_list, GTK_TYPE_WIDGET_ACCESSIBLE,
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_ACTION, sto_drop_list_action_init)
                            G_IMPLEMENT_INTERFACE(ATK_TYPE_SELECTION, sto_drop_list_selection_init)
                                G_IMPLEMENT_INTERFACE(ATK_TYPE_TEXT, sto_drop_list_text_init))

State* StateOf(gpointer object) {
    return reinterpret_cast<StoDropList*>(object)->state;
}

void sto_drop_list_init(StoDropList* self) {
    self->state = nullptr;
}

void sto_drop_list_initialize(AtkObject* object, gpointer data) {
    ATK_OBJECT_CLASS(sto_drop_list_parent_class)->initialize(object, data);
    object->role = ATK_ROLE_COMBO_BOX;
}

const gchar* sto_drop_list_get_name(AtkObject* object) {
    State* state = StateOf(object);
    if (object->name || !state || !state->label) {
        return ATK_OBJECT_CLASS(sto_drop_list_parent_class)->get_name(object);
    }
    state->name = gtk_label_get_text(GTK_LABEL(state->label));
    return state->name.c_str();
}

gint sto_drop_list_get_n_children(AtkObject* object) {
    return StateOf(object) ? 1 : 0;
}

AtkObject* sto_drop_list_ref_child(AtkObject* object, gint i) {
    State* state = StateOf(object);
    return state && i == 0 ? ATK_OBJECT(g_object_ref(state->Menu())) : nullptr;
}

AtkStateSet* sto_drop_list_ref_state_set(AtkObject* object) {
    AtkStateSet* set = ATK_OBJECT_CLASS(sto_drop_list_parent_class)->ref_state_set(object);
    if (State* state = StateOf(object)) {
        const bool open = state->list->IsPopupShown();
        atk_state_set_add_state(set, ATK_STATE_EXPANDABLE);
        atk_state_set_add_state(set, open ? ATK_STATE_EXPANDED : ATK_STATE_COLLAPSED);
    } else {
        atk_state_set_add_state(set, ATK_STATE_DEFUNCT);
    }
    return set;
}

void sto_drop_list_class_init(StoDropListClass* klass) {
    AtkObjectClass* atk = ATK_OBJECT_CLASS(klass);
    atk->initialize = sto_drop_list_initialize;
    atk->get_name = sto_drop_list_get_name;
    atk->get_n_children = sto_drop_list_get_n_children;
    atk->ref_child = sto_drop_list_ref_child;
    atk->ref_state_set = sto_drop_list_ref_state_set;
}

// Whether a reader may act on the list now.
bool Usable(State* state) {
    return state && state->list->IsEnabled() && state->list->IsShownOnScreen();
}

void AddEnabled(AtkStateSet* set, const fw::DropDownList& list) {
    if (list.IsEnabled()) {
        atk_state_set_add_state(set, ATK_STATE_ENABLED);
        atk_state_set_add_state(set, ATK_STATE_SENSITIVE);
    }
}

// A reader's request is acted on once it has been answered: a choice runs the
// dialog's handlers, which may show a box and wait for the operator.
gboolean sto_drop_list_do_action(AtkAction* action, gint i) {
    State* state = StateOf(action);
    if (i != 0 || !Usable(state)) {
        return FALSE;
    }
    fw::DropDownList* list = state->list;
    list->CallAfter([list] {
        if (list->IsPopupShown()) {
            list->HidePopup();
        } else {
            list->ShowPopup();
        }
    });
    return TRUE;
}

gint sto_drop_list_get_n_actions(AtkAction*) {
    return 1;
}

const gchar* sto_drop_list_action_name(AtkAction*, gint i) {
    return i == 0 ? "press" : nullptr;
}

const gchar* sto_drop_list_action_description(AtkAction*, gint i) {
    return i == 0 ? "Opens or closes the list" : nullptr;
}

void sto_drop_list_action_init(AtkActionIface* iface) {
    iface->do_action = sto_drop_list_do_action;
    iface->get_n_actions = sto_drop_list_get_n_actions;
    iface->get_name = sto_drop_list_action_name;
    iface->get_description = sto_drop_list_action_description;
}

gboolean sto_drop_list_add_selection(AtkSelection* selection, gint i) {
    State* state = StateOf(selection);
    if (!Usable(state) || i < 0 || i >= state->list->GetCount()) {
        return FALSE;
    }
    fw::DropDownList* list = state->list;
    list->CallAfter([list, i] {
        if (i < list->GetCount()) {
            list->ChooseByUser(i);
        }
    });
    return TRUE;
}

gboolean sto_drop_list_no_selection_change(AtkSelection*) {
    return FALSE; // a list without an edit field always keeps its choice
}

gboolean sto_drop_list_remove_selection(AtkSelection*, gint) {
    return FALSE;
}

AtkObject* sto_drop_list_ref_selection(AtkSelection* selection, gint i) {
    State* state = StateOf(selection);
    return state && i == 0 ? state->Entry(state->list->GetCurSel()) : nullptr;
}

gint sto_drop_list_get_selection_count(AtkSelection* selection) {
    State* state = StateOf(selection);
    return state && state->list->GetCurSel() >= 0 ? 1 : 0;
}

gboolean sto_drop_list_is_child_selected(AtkSelection* selection, gint i) {
    State* state = StateOf(selection);
    return state && i >= 0 && state->list->GetCurSel() == i;
}

void sto_drop_list_selection_init(AtkSelectionIface* iface) {
    iface->add_selection = sto_drop_list_add_selection;
    iface->clear_selection = sto_drop_list_no_selection_change;
    iface->select_all_selection = sto_drop_list_no_selection_change;
    iface->remove_selection = sto_drop_list_remove_selection;
    iface->ref_selection = sto_drop_list_ref_selection;
    iface->get_selection_count = sto_drop_list_get_selection_count;
    iface->is_child_selected = sto_drop_list_is_child_selected;
}

// The text of the combo box is the chosen entry, read-only.
std::string ChosenText(AtkText* text) {
    State* state = StateOf(text);
    return state ? state->list->GetSelectedText() : std::string();
}

gchar* sto_drop_list_get_text(AtkText* text, gint start, gint end) {
    return Range(ChosenText(text), start, end);
}

gint sto_drop_list_get_character_count(AtkText* text) {
    return Characters(ChosenText(text));
}

gint sto_drop_list_get_caret_offset(AtkText*) {
    return 0;
}

gunichar sto_drop_list_get_character_at_offset(AtkText* text, gint offset) {
    const std::string chosen = ChosenText(text);
    if (offset < 0 || offset >= Characters(chosen)) {
        return 0;
    }
    return g_utf8_get_char(g_utf8_offset_to_pointer(chosen.c_str(), offset));
}

// One line, one sentence: every unit of text is the whole of it.
gchar* sto_drop_list_get_string_at_offset(AtkText* text, gint, AtkTextGranularity, gint* start,
                                          gint* end) {
    const std::string chosen = ChosenText(text);
    *start = 0;
    *end = Characters(chosen);
    return g_strdup(chosen.c_str());
}

gchar* sto_drop_list_get_text_at_offset(AtkText* text, gint offset, AtkTextBoundary, gint* start,
                                        gint* end) {
    return sto_drop_list_get_string_at_offset(text, offset, ATK_TEXT_GRANULARITY_LINE, start, end);
}

void sto_drop_list_text_init(AtkTextIface* iface) {
    iface->get_text = sto_drop_list_get_text;
    iface->get_character_count = sto_drop_list_get_character_count;
    iface->get_caret_offset = sto_drop_list_get_caret_offset;
    iface->get_character_at_offset = sto_drop_list_get_character_at_offset;
    iface->get_string_at_offset = sto_drop_list_get_string_at_offset;
    iface->get_text_at_offset = sto_drop_list_get_text_at_offset;
}

// ---- the menu of entries --------------------------------------------------

struct StoDropMenu {
    AtkObject parent;
    State* state;
};
struct StoDropMenuClass {
    AtkObjectClass parent_class;
};

G_DEFINE_TYPE(StoDropMenu, sto_drop_menu, ATK_TYPE_OBJECT)

State* MenuState(gpointer object) {
    return reinterpret_cast<StoDropMenu*>(object)->state;
}

void sto_drop_menu_init(StoDropMenu* self) {
    self->state = nullptr;
    ATK_OBJECT(self)->role = ATK_ROLE_MENU;
}

gint sto_drop_menu_get_n_children(AtkObject* object) {
    State* state = MenuState(object);
    return state ? state->list->GetCount() : 0;
}

AtkObject* sto_drop_menu_ref_child(AtkObject* object, gint i) {
    State* state = MenuState(object);
    return state ? state->Entry(i) : nullptr;
}

gint sto_drop_menu_get_index_in_parent(AtkObject*) {
    return 0;
}

AtkStateSet* sto_drop_menu_ref_state_set(AtkObject* object) {
    AtkStateSet* set = ATK_OBJECT_CLASS(sto_drop_menu_parent_class)->ref_state_set(object);
    State* state = MenuState(object);
    if (!state) {
        atk_state_set_add_state(set, ATK_STATE_DEFUNCT);
        return set;
    }
    // Entries are made when asked for: readers should not walk them all.
    atk_state_set_add_state(set, ATK_STATE_MANAGES_DESCENDANTS);
    atk_state_set_add_state(set, ATK_STATE_FOCUSABLE);
    AddEnabled(set, *state->list);
    if (state->list->IsPopupShown()) {
        atk_state_set_add_state(set, ATK_STATE_VISIBLE);
        atk_state_set_add_state(set, ATK_STATE_SHOWING);
        if (state->menuWidget && gtk_widget_has_focus(state->menuWidget)) {
            atk_state_set_add_state(set, ATK_STATE_FOCUSED);
        }
    }
    return set;
}

void sto_drop_menu_class_init(StoDropMenuClass* klass) {
    AtkObjectClass* atk = ATK_OBJECT_CLASS(klass);
    atk->get_n_children = sto_drop_menu_get_n_children;
    atk->ref_child = sto_drop_menu_ref_child;
    atk->get_index_in_parent = sto_drop_menu_get_index_in_parent;
    atk->ref_state_set = sto_drop_menu_ref_state_set;
}

// ---- one entry ------------------------------------------------------------

struct StoDropEntry {
    AtkObject parent;
    State* state;
    int index;
    gchar* text;
};
struct StoDropEntryClass {
    AtkObjectClass parent_class;
};

void sto_drop_entry_action_init(AtkActionIface* iface);

G_DEFINE_TYPE_WITH_CODE(StoDropEntry, sto_drop_entry, ATK_TYPE_OBJECT,
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_ACTION, sto_drop_entry_action_init))

StoDropEntry* EntryOf(gpointer object) {
    return reinterpret_cast<StoDropEntry*>(object);
}

// The entry's list, while the entry still stands where it was made.
State* EntryState(gpointer object) {
    StoDropEntry* entry = EntryOf(object);
    State* state = entry->state;
    if (!state || entry->index >= state->list->GetCount() ||
        state->list->GetItemText(entry->index) != entry->text) {
        return nullptr;
    }
    return state;
}

void sto_drop_entry_init(StoDropEntry* self) {
    self->state = nullptr;
    self->index = -1;
    self->text = nullptr;
    ATK_OBJECT(self)->role = ATK_ROLE_MENU_ITEM;
    ++g_liveEntries;
}

void sto_drop_entry_finalize(GObject* object) {
    g_free(EntryOf(object)->text);
    --g_liveEntries;
    G_OBJECT_CLASS(sto_drop_entry_parent_class)->finalize(object);
}

const gchar* sto_drop_entry_get_name(AtkObject* object) {
    return EntryOf(object)->text;
}

gint sto_drop_entry_get_index_in_parent(AtkObject* object) {
    return EntryState(object) ? EntryOf(object)->index : -1;
}

AtkStateSet* sto_drop_entry_ref_state_set(AtkObject* object) {
    AtkStateSet* set = ATK_OBJECT_CLASS(sto_drop_entry_parent_class)->ref_state_set(object);
    State* state = EntryState(object);
    if (!state) {
        atk_state_set_add_state(set, ATK_STATE_DEFUNCT);
        return set;
    }
    const int index = EntryOf(object)->index;
    fw::DropDownList* list = state->list;
    atk_state_set_add_state(set, ATK_STATE_SELECTABLE);
    atk_state_set_add_state(set, ATK_STATE_FOCUSABLE);
    AddEnabled(set, *list);
    if (list->GetCurSel() == index) {
        atk_state_set_add_state(set, ATK_STATE_SELECTED);
    }
    if (list->IsPopupShown()) {
        atk_state_set_add_state(set, ATK_STATE_VISIBLE);
        if (list->IsEntryInView(index)) {
            atk_state_set_add_state(set, ATK_STATE_SHOWING);
        }
        if (list->GetHighlight() == index) {
            atk_state_set_add_state(set, ATK_STATE_FOCUSED);
        }
    }
    return set;
}

void sto_drop_entry_class_init(StoDropEntryClass* klass) {
    G_OBJECT_CLASS(klass)->finalize = sto_drop_entry_finalize;
    AtkObjectClass* atk = ATK_OBJECT_CLASS(klass);
    atk->get_name = sto_drop_entry_get_name;
    atk->get_index_in_parent = sto_drop_entry_get_index_in_parent;
    atk->ref_state_set = sto_drop_entry_ref_state_set;
}

gboolean sto_drop_entry_do_action(AtkAction* action, gint i) {
    State* state = EntryState(action);
    if (i != 0 || !Usable(state)) {
        return FALSE;
    }
    fw::DropDownList* list = state->list;
    const int index = EntryOf(action)->index;
    list->CallAfter([list, index] {
        if (list->IsPopupShown()) {
            list->HidePopup();
        }
        if (index < list->GetCount()) {
            list->ChooseByUser(index);
        }
    });
    return TRUE;
}

const gchar* sto_drop_entry_action_name(AtkAction*, gint i) {
    return i == 0 ? "click" : nullptr;
}

void sto_drop_entry_action_init(AtkActionIface* iface) {
    iface->do_action = sto_drop_entry_do_action;
    iface->get_n_actions = sto_drop_list_get_n_actions;
    iface->get_name = sto_drop_entry_action_name;
}

void EntryGone(gpointer data, GObject* entry) {
    auto* state = static_cast<State*>(data);
    const auto it = state->entries.find(EntryOf(entry)->index);
    if (it != state->entries.end() && it->second == reinterpret_cast<AtkObject*>(entry)) {
        state->entries.erase(it);
    }
}

// ---- the toolkit's hand-out of accessible objects -------------------------

// The toolkit asks a widget's class for the widget's accessible object, and
// has no way to give one widget an object of its own: the lists' widget
// class answers for its lists from here and passes the others on.
GQuark OwnerQuark() {
    static const GQuark quark = g_quark_from_static_string("sto-drop-down-accessible");
    return quark;
}

GQuark MenuQuark() {
    static const GQuark quark = g_quark_from_static_string("sto-drop-down-menu");
    return quark;
}

using GetAccessible = AtkObject* (*)(GtkWidget*);

std::map<GType, GetAccessible>& Original() {
    static std::map<GType, GetAccessible> original;
    return original;
}

AtkObject* ListGetAccessible(GtkWidget* widget) {
    if (auto* state = static_cast<State*>(g_object_get_qdata(G_OBJECT(widget), OwnerQuark()))) {
        return state->Combo();
    }
    if (auto* state = static_cast<State*>(g_object_get_qdata(G_OBJECT(widget), MenuQuark()))) {
        return state->Menu();
    }
    for (GType type = G_OBJECT_TYPE(widget); type; type = g_type_parent(type)) {
        const auto it = Original().find(type);
        if (it != Original().end()) {
            return it->second(widget);
        }
    }
    return nullptr;
}

void Install(GtkWidget* widget, GQuark quark, State* state) {
    GtkWidgetClass* klass = GTK_WIDGET_GET_CLASS(widget);
    if (klass->get_accessible != ListGetAccessible) {
        Original()[G_OBJECT_TYPE(widget)] = klass->get_accessible;
        klass->get_accessible = ListGetAccessible;
    }
    g_object_set_qdata(G_OBJECT(widget), quark, state);
}

} // namespace

namespace fw {

AtkObject* DropDownAccessible::State::Combo() {
    if (!combo) {
        combo = ATK_OBJECT(g_object_new(sto_drop_list_get_type(), "widget", widget, nullptr));
        reinterpret_cast<StoDropList*>(combo)->state = this;
        atk_object_initialize(combo, widget);
        hadChoice = list->GetCurSel() >= 0;
        choice = list->GetSelectedText();
    }
    return combo;
}

AtkObject* DropDownAccessible::State::Menu() {
    if (!menu) {
        menu = ATK_OBJECT(g_object_new(sto_drop_menu_get_type(), nullptr));
        reinterpret_cast<StoDropMenu*>(menu)->state = this;
        atk_object_set_parent(menu, Combo());
    }
    return menu;
}

AtkObject* DropDownAccessible::State::Entry(int index) {
    if (index < 0 || index >= list->GetCount()) {
        return nullptr;
    }
    const auto it = entries.find(index);
    if (it != entries.end() && EntryState(it->second)) {
        return ATK_OBJECT(g_object_ref(it->second));
    }
    if (it != entries.end()) {
        // Made for an entry that has moved since: it stays defunct.
        g_object_weak_unref(G_OBJECT(it->second), EntryGone, this);
        EntryOf(it->second)->state = nullptr;
        entries.erase(it);
    }
    auto* entry = ATK_OBJECT(g_object_new(sto_drop_entry_get_type(), nullptr));
    EntryOf(entry)->state = this;
    EntryOf(entry)->index = index;
    EntryOf(entry)->text = g_strdup(list->GetItemText(index).c_str());
    atk_object_set_parent(entry, Menu());
    g_object_weak_ref(G_OBJECT(entry), EntryGone, this);
    entries[index] = entry;
    return entry;
}

void DropDownAccessible::State::SetFocused(AtkObject* entry) {
    if (entry == focused) {
        if (entry) {
            g_object_unref(entry);
        }
        return;
    }
    if (focused) {
        atk_object_notify_state_change(focused, ATK_STATE_FOCUSED, FALSE);
        g_object_unref(focused);
    }
    focused = entry; // takes the reference
    if (focused) {
        g_signal_emit_by_name(Menu(), "active-descendant-changed", focused);
        atk_object_notify_state_change(focused, ATK_STATE_FOCUSED, TRUE);
    }
}

void DropDownAccessible::State::Detach() {
    g_object_set_qdata(G_OBJECT(widget), OwnerQuark(), nullptr);
    if (menuWidget) {
        g_object_remove_weak_pointer(G_OBJECT(menuWidget),
                                     reinterpret_cast<gpointer*>(&menuWidget));
        g_object_set_qdata(G_OBJECT(menuWidget), MenuQuark(), nullptr);
        menuWidget = nullptr;
    }
    if (label) {
        g_object_remove_weak_pointer(G_OBJECT(label), reinterpret_cast<gpointer*>(&label));
        label = nullptr;
    }
    for (const auto& [index, entry] : entries) {
        g_object_weak_unref(G_OBJECT(entry), EntryGone, this);
        EntryOf(entry)->state = nullptr;
    }
    entries.clear();
    if (focused) {
        g_object_unref(focused);
        focused = nullptr;
    }
    if (menu) {
        reinterpret_cast<StoDropMenu*>(menu)->state = nullptr;
        atk_object_notify_state_change(menu, ATK_STATE_DEFUNCT, TRUE);
        g_object_unref(menu);
        menu = nullptr;
    }
    if (combo) {
        reinterpret_cast<StoDropList*>(combo)->state = nullptr;
        gtk_accessible_set_widget(GTK_ACCESSIBLE(combo), nullptr);
        atk_object_notify_state_change(combo, ATK_STATE_DEFUNCT, TRUE);
        g_object_unref(combo);
        combo = nullptr;
    }
}

DropDownAccessible::DropDownAccessible(DropDownList& list)
    : m_state(std::make_unique<State>(&list, static_cast<GtkWidget*>(list.GetHandle()))) {
    Install(m_state->widget, OwnerQuark(), m_state.get());
}

void DropDownAccessible::SetMenuWindow(wxWindow* window) {
    // The open list's keyboard focus is on its client area.
    auto* widget =
        window->m_wxwindow ? window->m_wxwindow : static_cast<GtkWidget*>(window->GetHandle());
    State& s = *m_state;
    s.menuWidget = widget;
    g_object_add_weak_pointer(G_OBJECT(widget), reinterpret_cast<gpointer*>(&s.menuWidget));
    Install(widget, MenuQuark(), &s);
}

DropDownAccessible::~DropDownAccessible() {
    m_state->Detach();
}

void DropDownAccessible::SetLabel(wxWindow* label) {
    auto* widget = static_cast<GtkWidget*>(label ? label->GetHandle() : nullptr);
    if (!widget || !GTK_IS_LABEL(widget)) {
        return;
    }
    State& s = *m_state;
    if (s.label) {
        g_object_remove_weak_pointer(G_OBJECT(s.label), reinterpret_cast<gpointer*>(&s.label));
    }
    s.label = widget;
    g_object_add_weak_pointer(G_OBJECT(widget), reinterpret_cast<gpointer*>(&s.label));
    // The toolkit's own relations follow: labelled-by here, label-for there.
    gtk_label_set_mnemonic_widget(GTK_LABEL(widget), s.widget);
}

void DropDownAccessible::ChoiceChanged() {
    State& s = *m_state;
    const bool has = s.list->GetCurSel() >= 0;
    const std::string text = s.list->GetSelectedText();
    if (has == s.hadChoice && text == s.choice) {
        return;
    }
    const std::string before = std::move(s.choice);
    s.hadChoice = has;
    s.choice = text;
    if (!s.combo) {
        return; // no reader has asked for the list
    }
    if (!before.empty()) {
        g_signal_emit_by_name(s.combo, "text-remove", 0, Characters(before), before.c_str());
    }
    if (!text.empty()) {
        g_signal_emit_by_name(s.combo, "text-insert", 0, Characters(text), text.c_str());
    }
    for (const auto& [index, entry] : s.entries) {
        atk_object_notify_state_change(entry, ATK_STATE_SELECTED, index == s.list->GetCurSel());
    }
    g_signal_emit_by_name(s.combo, "selection-changed");
}

void DropDownAccessible::OpenChanged(bool open) {
    State& s = *m_state;
    if (!s.combo) {
        return;
    }
    if (!open) {
        s.SetFocused(nullptr);
    }
    atk_object_notify_state_change(s.combo, ATK_STATE_EXPANDED, open);
    atk_object_notify_state_change(s.combo, ATK_STATE_COLLAPSED, !open);
    if (s.menu) {
        atk_object_notify_state_change(s.menu, ATK_STATE_VISIBLE, open);
        atk_object_notify_state_change(s.menu, ATK_STATE_SHOWING, open);
    }
}

void DropDownAccessible::HighlightChanged(int index) {
    State& s = *m_state;
    if (s.combo && s.list->IsPopupShown()) {
        s.SetFocused(s.Entry(index));
    }
}

int DropDownAccessible::LiveEntries() {
    return g_liveEntries;
}

} // namespace fw
