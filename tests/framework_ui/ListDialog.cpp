// The drop-down list tests' dialog: template, message table, handlers.
#include "framework_ui/ListDialog.h"

#include <wx/dialog.h>

namespace test_dialog {

namespace {

using fw::ControlClass;
constexpr unsigned long kChild = WS_VISIBLE;

const fw::DialogItem kItems[] = {
    {IDC_SINGLE, ControlClass::Button, "Single User",
     kChild | BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 14, 23, 68, 9},
    {IDC_MULTIPLE, ControlClass::Button, "Multiple User", kChild | BS_AUTORADIOBUTTON, 14, 40, 71,
     11},
    {IDC_GROUPS, ControlClass::ComboBox, "",
     kChild | CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP, 152, 15, 59, 42},
    {IDC_CLIENTS, ControlClass::ComboBox, "",
     kChild | CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP, 260, 15, 62, 52},
    {IDC_GO, ControlClass::Button, "&Convert", kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 248, 42, 54,
     14},
    {-1, ControlClass::Static, "Group Id", kChild | SS_LEFT | WS_GROUP, 109, 17, 34, 9},
    {-1, ControlClass::Static, "Client Id", kChild | SS_LEFT | WS_GROUP, 220, 17, 30, 9},
};

const fw::DialogTemplate kTemplate = {
    .id = 900,
    .caption = "Lists",
    .style = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU,
    .exStyle = 0,
    .x = 0,
    .y = 0,
    .cx = 343,
    .cy = 130,
    .fontName = "MS Shell Dlg",
    .pointSize = 8,
    .items = kItems,
};

const fw::MessageEntry kEntries[] = {
    fw::OnCbnSelchange(IDC_GROUPS, &ListDialog::OnGroupChange),
    fw::OnBnClicked(IDC_GO, &ListDialog::OnGo),
};

} // namespace

const fw::MessageMap ListDialog::messageMap{&CDialog::messageMap, kEntries};

ListDialog::ListDialog() : CDialog(kTemplate) {}

const fw::MessageMap* ListDialog::GetMessageMap() const {
    return &messageMap;
}

void ListDialog::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_GROUPS, m_groups);
    DDX_Control(pDX, IDC_CLIENTS, m_clients);
}

void ListDialog::FillGroups(const std::vector<std::string>& entries) {
    for (const auto& e : entries) {
        m_groups.AddString(e);
    }
}

wxWindow* ListDialog::Control(int id) const {
    return Window()->FindWindow(id);
}

void ListDialog::OnGroupChange() {
    const std::string group = m_groups.GetWindowText();
    refills.push_back(group);
    m_clients.ResetContent();
    for (int i = 1; i <= 3; ++i) {
        m_clients.AddString(group + "-C" + std::to_string(i));
    }
}

void ListDialog::OnGo() {
    ++goClicks;
}

} // namespace test_dialog
