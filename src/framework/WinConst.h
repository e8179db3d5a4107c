// Window messages, notification codes, command ids, styles and message-box
// flags of the dialog framework, with the numbers the program's tables use.
#pragma once

#include <cstdint>

namespace win {
using UINT = unsigned int;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
} // namespace win

// Messages.
constexpr unsigned WM_PAINT = 0x000F;
constexpr unsigned WM_QUERYDRAGICON = 0x0037;
constexpr unsigned WM_ICONERASEBKGND = 0x0027;
constexpr unsigned WM_COMMAND = 0x0111;
constexpr unsigned WM_SYSCOMMAND = 0x0112;

// Notification codes carried by WM_COMMAND.
constexpr unsigned BN_CLICKED = 0;
constexpr unsigned CBN_SELCHANGE = 1;

// Command ids.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr unsigned SC_CLOSE = 0xF060;

// Window styles.
constexpr unsigned long WS_POPUP = 0x80000000UL;
constexpr unsigned long WS_VISIBLE = 0x10000000UL;
constexpr unsigned long WS_DISABLED = 0x08000000UL;
constexpr unsigned long WS_CAPTION = 0x00C00000UL;
constexpr unsigned long WS_BORDER = 0x00800000UL;
constexpr unsigned long WS_SYSMENU = 0x00080000UL;
constexpr unsigned long WS_VSCROLL = 0x00200000UL;
constexpr unsigned long WS_HSCROLL = 0x00100000UL;
constexpr unsigned long WS_GROUP = 0x00020000UL;
constexpr unsigned long WS_TABSTOP = 0x00010000UL;
constexpr unsigned long WS_EX_APPWINDOW = 0x00040000UL;
constexpr unsigned long DS_SETFONT = 0x40UL;
constexpr unsigned long DS_MODALFRAME = 0x80UL;
constexpr unsigned long DS_FIXEDSYS = 0x0008UL;

// Button styles (the low four bits are the button's kind).
constexpr unsigned long BS_PUSHBUTTON = 0x0;
constexpr unsigned long BS_DEFPUSHBUTTON = 0x1;
constexpr unsigned long BS_GROUPBOX = 0x7;
constexpr unsigned long BS_AUTORADIOBUTTON = 0x9;
constexpr unsigned long BS_TYPEMASK = 0xF;

// Combo-box, edit and static styles.
constexpr unsigned long CBS_DROPDOWNLIST = 0x3;
constexpr unsigned long CBS_SORT = 0x100;
constexpr unsigned long ES_MULTILINE = 0x4;
constexpr unsigned long ES_AUTOHSCROLL = 0x80;
constexpr unsigned long ES_READONLY = 0x800;
constexpr unsigned long SS_LEFT = 0x0;
constexpr unsigned long SS_ICON = 0x3;
constexpr unsigned long SS_NOPREFIX = 0x80;

// Message-box styles and results.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_ICONSTOP = 0x10;
constexpr unsigned MB_ICONEXCLAMATION = 0x30;
constexpr unsigned MB_ICONMASK = 0xF0;

// Open-file dialog flags.
constexpr unsigned long OFN_HIDEREADONLY = 0x4;
constexpr unsigned long OFN_EXPLORER = 0x80000;

// Check states of a button.
constexpr int BST_UNCHECKED = 0;
constexpr int BST_CHECKED = 1;

// Combo-box results.
constexpr int CB_ERR = -1;

// Menu item flags.
constexpr unsigned MF_STRING = 0x0000;
constexpr unsigned MF_SEPARATOR = 0x0800;

// Icon setting.
constexpr unsigned ICON_SMALL = 0;
constexpr unsigned ICON_BIG = 1;

// System metrics.
constexpr int SM_CXICON = 11;
constexpr int SM_CYICON = 12;
