// A small dialog for the drop-down list tests, laid out like the main
// dialog's selection area: a radio pair, the Group Id and Client Id lists
// with their labels, and a default button. Choosing a group refills the
// client list, as the program does.
#pragma once

#include <string>
#include <vector>

#include "framework/Dialog.h"

namespace test_dialog {

constexpr int IDC_SINGLE = 1011;
constexpr int IDC_MULTIPLE = 1012;
constexpr int IDC_GROUPS = 1004;
constexpr int IDC_CLIENTS = 1018;
constexpr int IDC_GO = 1006;

class ListDialog : public CDialog {
public:
    ListDialog();

    // Fills the group list with the entries, in any order.
    void FillGroups(const std::vector<std::string>& entries);
    wxWindow* Control(int id) const;

    // Handlers of the message table.
    void OnGroupChange();
    void OnGo();

    CComboBox m_groups;
    CComboBox m_clients;
    // The group list's text each time its selection-change handler ran.
    std::vector<std::string> refills;
    int goClicks = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    const fw::MessageMap* GetMessageMap() const override;

private:
    static const fw::MessageMap messageMap;
};

} // namespace test_dialog
