// The dialogs as built from templates 100 and 102: ids, classes, texts,
// states, positions and tab order of every control.
#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/radiobut.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <typeinfo>

#include "framework/DropDownList.h"
#include "framework/IpAddressCtrl.h"
#include "ui/AboutDlg.h"
#include "ui/DialogFixture.h"
#include "ui/Templates.h"

namespace {

// The template class a built control stands for.
std::string ClassOf(wxWindow* w) {
    if (dynamic_cast<wxRadioButton*>(w) || dynamic_cast<wxButton*>(w) ||
        dynamic_cast<wxStaticBox*>(w)) {
        return "button";
    }
    if (dynamic_cast<fw::DropDownList*>(w)) {
        return "combo box";
    }
    if (dynamic_cast<fw::IpAddressCtrl*>(w)) {
        return "SysIPAddress32";
    }
    if (dynamic_cast<wxTextCtrl*>(w)) {
        return "edit";
    }
    if (dynamic_cast<wxStaticText*>(w) || dynamic_cast<wxStaticBitmap*>(w)) {
        return "static";
    }
    return typeid(*w).name();
}

void ExpectBuiltAsTemplate(CDialog& dialog) {
    const fw::DialogTemplate& tpl = dialog.Template();
    wxDialog* window = dialog.Window();
    EXPECT_EQ(window->GetClientSize(), window->ConvertDialogToPixels(wxSize(tpl.cx, tpl.cy)));
    // Creation order is the order the keyboard's tab key follows.
    const wxWindowList& children = window->GetChildren();
    ASSERT_EQ(children.size(), tpl.items.size());
    std::size_t i = 0;
    for (wxWindow* child : children) {
        const fw::DialogItem& item = tpl.items[i];
        SCOPED_TRACE(std::string("item ") + std::to_string(i + 1) + " " + item.text);
        EXPECT_EQ(child, dialog.ControlAt(i));
        if (item.id > 0) {
            EXPECT_EQ(child->GetId(), item.id);
        }
        EXPECT_EQ(ClassOf(child), fw::ControlClassName(item.cls));
        EXPECT_EQ(child->IsThisEnabled(), (item.style & WS_DISABLED) == 0);
        EXPECT_TRUE(child->IsShown());
        EXPECT_EQ(child->GetPosition(), window->ConvertDialogToPixels(wxPoint(item.x, item.y)));
        const bool sizedByToolkit = item.cls == fw::ControlClass::ComboBox ||
                                    (item.style & 0x1F) == SS_ICON ||
                                    (item.cls == fw::ControlClass::Button &&
                                     (item.style & BS_TYPEMASK) == BS_AUTORADIOBUTTON);
        if (!sizedByToolkit) {
            EXPECT_EQ(child->GetSize(), window->ConvertDialogToPixels(wxSize(item.cx, item.cy)));
        }
        if (auto* control = dynamic_cast<wxControl*>(child);
            control && !dynamic_cast<wxTextCtrl*>(child) && (item.style & 0x1F) != SS_ICON &&
            item.cls != fw::ControlClass::ComboBox) {
            wxString expected = wxString::FromUTF8(item.text);
            if (item.style & SS_NOPREFIX) {
                expected.Replace("&", "&&");
            }
            EXPECT_EQ(control->GetLabel(), expected);
        }
        ++i;
    }
}

class TemplateTest : public MainDialogFixture {};

TEST_F(TemplateTest, MainDialogHasItsTwentyControlsInTabOrder) {
    Open();
    ASSERT_EQ(ui::MainTemplate().items.size(), 20u);
    EXPECT_EQ(ui::MainTemplate().id, IDD_MAIN);
    EXPECT_STREQ(ui::MainTemplate().caption, "SolvaneToOrbelle");
    ExpectBuiltAsTemplate(*dlg);
    // Two radio groups: the direction pair and the criteria pair.
    auto* first = dynamic_cast<wxRadioButton*>(dlg->Window()->FindWindow(IDC_SOLVANE_TO_ORBELLE));
    auto* third = dynamic_cast<wxRadioButton*>(dlg->Window()->FindWindow(IDC_SINGLE_USER));
    ASSERT_TRUE(first && third);
    EXPECT_TRUE(first->HasFlag(wxRB_GROUP));
    EXPECT_TRUE(third->HasFlag(wxRB_GROUP));
    EXPECT_FALSE(dlg->Window()->FindWindow(IDC_ORBELLE_TO_SOLVANE)->HasFlag(wxRB_GROUP));
    EXPECT_EQ(dlg->Window()->GetDefaultItem(), dlg->Window()->FindWindow(IDC_CONVERT));
}

TEST_F(TemplateTest, AboutBoxIsBuiltFromItsTemplate) {
    CAboutDlg about;
    ASSERT_TRUE(about.Create());
    EXPECT_EQ(about.Template().id, IDD_ABOUTBOX);
    EXPECT_EQ(about.GetWindowText(), "About SolvaneToOrbelle");
    ExpectBuiltAsTemplate(about);
    auto* picture = dynamic_cast<wxStaticBitmap*>(about.ControlAt(0));
    ASSERT_NE(picture, nullptr);
    EXPECT_TRUE(picture->GetBitmap().IsOk());
    EXPECT_EQ(picture->GetBitmap().GetWidth(), 32);
    about.SendCommand(IDOK);
    EXPECT_TRUE(about.HasEnded());
    EXPECT_EQ(about.Result(), IDOK);
}

} // namespace
