// A main dialog made for a test: modeless, in a temporary working folder,
// with its message boxes recorded and, unless a test gives one, no registry.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "framework/Automation.h"
#include "support/RecordingUi.h"
#include "support/TempDir.h"
#include "ui/ResourceIds.h"
#include "ui/SolvaneToOrbelleDlg.h"

using namespace fw::automation;

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
