// Dialog templates 100 and 102, the string table and icon group 128.
#include "ui/Templates.h"

#include <mutex>

#include "framework/Resources.h"
#include "ui/ResourceIds.h"
#include "ui/Version.h"

namespace res {
extern const unsigned char icon48[], icon32[], icon24[], icon16[];
extern const unsigned long icon48_size, icon32_size, icon24_size, icon16_size;
} // namespace res

namespace ui {

using fw::ControlClass;

namespace {

constexpr unsigned long kChild = WS_VISIBLE;

const fw::DialogItem kAboutItems[] = {
    {IDC_STATIC, ControlClass::Static, "#128", kChild | SS_ICON, 11, 17, 20, 20},
    {IDC_STATIC, ControlClass::Static, "SolvaneToOrbelleToSolvane Version 1.0",
     kChild | SS_LEFT | SS_NOPREFIX | WS_GROUP, 29, 10, 130, 8},
    {IDC_STATIC, ControlClass::Static, "Build " STO_VERSION_TEXT, kChild | SS_LEFT | WS_GROUP, 40,
     25, 119, 8},
    {IDOK, ControlClass::Button, "OK", kChild | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 178, 7,
     50, 16},
};

const fw::DialogTemplate kAbout = {
    IDD_ABOUTBOX,
    "About SolvaneToOrbelle",
    DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS | WS_POPUP | WS_CAPTION | WS_SYSMENU,
    0,
    0,
    0,
    235,
    55,
    "MS Shell Dlg",
    8,
    kAboutItems,
};

const fw::DialogItem kMainItems[] = {
    {IDC_SOLVANE_TO_ORBELLE, ControlClass::Button, "Solvane To Orbelle",
     kChild | BS_AUTORADIOBUTTON | WS_GROUP, 223, 22, 102, 8},
    {IDC_ORBELLE_TO_SOLVANE, ControlClass::Button, "Orbelle To Solvane",
     kChild | BS_AUTORADIOBUTTON, 223, 38, 102, 11},
    {IDC_SINGLE_USER, ControlClass::Button, "Single User",
     kChild | BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 14, 83, 68, 9},
    {IDC_MULTIPLE_USER, ControlClass::Button, "Multiple User", kChild | BS_AUTORADIOBUTTON, 14, 100,
     71, 11},
    {IDC_GROUP_ID, ControlClass::ComboBox, "",
     kChild | CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP, 152, 75, 59, 42},
    {IDC_CLIENT_ID, ControlClass::ComboBox, "",
     kChild | CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP, 260, 75, 62, 52},
    {IDC_CONVERT, ControlClass::Button, "&Convert", kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 248,
     102, 54, 14},
    {IDC_UPLOAD, ControlClass::Button, "&Upload", kChild | BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED,
     148, 101, 54, 14},
    {IDC_OUTPUT, ControlClass::Edit, "",
     kChild | ES_MULTILINE | ES_AUTOHSCROLL | ES_READONLY | WS_BORDER | WS_VSCROLL | WS_HSCROLL, 14,
     139, 315, 102},
    {IDC_SERVER_ADDRESS, ControlClass::IpAddress, "", kChild | WS_TABSTOP | WS_DISABLED, 98, 17,
     106, 14},
    {IDC_DATABASE_NAME, ControlClass::Edit, "", kChild | ES_AUTOHSCROLL | ES_READONLY | WS_BORDER,
     97, 38, 107, 14},
    {IDC_STATIC, ControlClass::Button, "Select Convertion Type", kChild | BS_GROUPBOX, 214, 7, 122,
     52},
    {IDC_STATIC, ControlClass::Button, "Data Source", kChild | BS_GROUPBOX, 7, 7, 203, 53},
    {IDC_STATIC, ControlClass::Static, "Group Id", kChild | SS_LEFT | WS_GROUP, 109, 77, 34, 9},
    {IDC_STATIC, ControlClass::Static, "Client Id", kChild | SS_LEFT | WS_GROUP, 220, 77, 30, 9},
    {IDC_STATIC, ControlClass::Button, "Select Criteria", kChild | BS_GROUPBOX, 7, 63, 87, 57},
    {IDC_STATIC, ControlClass::Static, "Database IP Address", kChild | SS_LEFT | WS_GROUP, 17, 20,
     77, 11},
    {IDC_STATIC, ControlClass::Static, "Database Name", kChild | SS_LEFT | WS_GROUP, 17, 38, 69,
     15},
    {IDC_STATIC, ControlClass::Button, "Select Client/File", kChild | BS_GROUPBOX, 101, 63, 235,
     57},
    {IDC_STATIC, ControlClass::Button, "Output", kChild | BS_GROUPBOX, 7, 126, 329, 122},
};

const fw::DialogTemplate kMain = {
    IDD_MAIN,
    "SolvaneToOrbelle",
    WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS,
    WS_EX_APPWINDOW,
    0,
    0,
    343,
    255,
    "MS Shell Dlg",
    8,
    kMainItems,
};

const fw::StringResource kStrings[] = {
    {IDS_ABOUTBOX, "&About SolvaneToOrbelle..."},
};

} // namespace

const fw::DialogTemplate& AboutTemplate() {
    return kAbout;
}
const fw::DialogTemplate& MainTemplate() {
    return kMain;
}

void RegisterResources() {
    static std::once_flag once;
    std::call_once(once, [] {
        fw::RegisterStrings(kStrings);
        const fw::IconImage images[] = {
            {res::icon48, res::icon48_size},
            {res::icon32, res::icon32_size},
            {res::icon24, res::icon24_size},
            {res::icon16, res::icon16_size},
        };
        fw::RegisterIcon(IDR_MAINFRAME, images);
    });
}

} // namespace ui
