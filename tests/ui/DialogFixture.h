// A main dialog made for a test: modeless, in a temporary working folder,
// with its message boxes recorded and, unless a test gives one, no registry.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "framework/Automation.h"
#include "support/RecordingUi.h"
#include "support/TempDir.h"
#include "ui/ResourceIds.h"
#include "ui/SolvaneToOrbelleDlg.h"

using namespace fw::automation;

// The entries of a drop-down list, and the index of one (-1 when missing).
inline std::vector<std::string> ListItems(CComboBox& list) {
    std::vector<std::string> items;
    for (int i = 0; i < list.GetCount(); ++i) {
        items.push_back(list.GetLBText(i));
    }
    return items;
}

inline int ListIndexOf(CComboBox& list, const std::string& text) {
    for (int i = 0; i < list.GetCount(); ++i) {
        if (list.GetLBText(i) == text) {
            return i;
        }
    }
    return -1;
}

class MainDialogFixture : public ::testing::Test {
protected:
    MainDialogFixture()
        : cwd(dir.path()),
          hive("SOLVANETOORBELLE_HKLM", (dir / "no-such-folder/HKLM.reg").string()) {}

    void Open() {
        dlg = std::make_unique<CSolvaneToOrbelleDlg>();
        ASSERT_TRUE(dlg->Create());
    }
    void TearDown() override {
        dlg.reset();
        testing_support::PumpEvents();
    }
    bool Checked(int id) {
        CButton button;
        button.Attach(dlg->GetDlgItem(id)->m_hWnd);
        return button.GetCheck() == BST_CHECKED;
    }
    bool Enabled(int id) { return dlg->GetDlgItem(id)->IsWindowEnabled() != FALSE; }

    // The log's entries so far, without their time stamps and trailing blank.
    // An entry may span lines; it ends where a line starts with a new stamp.
    std::vector<std::string> Entries() {
        std::vector<std::string> entries;
        const std::string& text = dlg->m_strOutput.str();
        std::size_t start = 0;
        while (start < text.size()) {
            const std::size_t colon = text.find(": ", text.find(':', text.find(':', start) + 1));
            std::size_t end = text.find(" \r\n", colon);
            while (end != std::string::npos && end + 3 < text.size() &&
                   !std::isdigit(static_cast<unsigned char>(text[end + 3]))) {
                end = text.find(" \r\n", end + 3);
            }
            entries.push_back(text.substr(colon + 2, end - colon - 2));
            start = end + 3;
        }
        return entries;
    }

    testing_support::TempDir dir;
    testing_support::ScopedCwd cwd;
    testing_support::ScopedEnv hive;
    testing_support::RecordingUi ui;
    std::unique_ptr<CSolvaneToOrbelleDlg> dlg;
};
