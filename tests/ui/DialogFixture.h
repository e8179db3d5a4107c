// A main dialog made for a test: modeless, in a temporary working folder,
// with its message boxes recorded and, unless a test gives one, no registry.
#pragma once

#include <gtest/gtest.h>

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

    testing_support::TempDir dir;
    testing_support::ScopedCwd cwd;
    testing_support::ScopedEnv hive;
    testing_support::RecordingUi ui;
    std::unique_ptr<CSolvaneToOrbelleDlg> dlg;
};
