// Window wrappers of the dialog framework: CWnd over a toolkit window, the
// control wrappers CButton and CComboBox, and the small helpers CRect and CMenu.
#pragma once

#include <string>
#include <vector>

#include "framework/Win32Types.h"
#include "framework/WinConst.h"

class wxWindow;
class CDialog;

struct CRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

// A menu as a list of items; the dialog's system menu is one.
class CMenu {
public:
    struct Item {
        UINT flags;
        UINT id;
        std::string text;
    };
    BOOL AppendMenu(UINT nFlags, UINT nIDNewItem = 0, const char* lpszNewItem = nullptr);
    const std::vector<Item>& Items() const { return m_items; }
    UINT GetMenuItemCount() const { return static_cast<UINT>(m_items.size()); }

private:
    std::vector<Item> m_items;
};

class CWnd {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    // A wrapper that data exchange attached tells its dialog it is gone.
    virtual ~CWnd();

    // Attaches the wrapper to a toolkit window; the window stays the toolkit's.
    void Attach(wxWindow* window) { m_hWnd = window; }
    void Detach() { m_hWnd = nullptr; }
    wxWindow* GetSafeHwnd() const { return m_hWnd; }

    // Returns whether the window was disabled before the call.
    BOOL EnableWindow(BOOL bEnable = TRUE);
    BOOL IsWindowEnabled() const;
    void SetFocus();
    // Caption of a dialog, label of a button or static, text of an edit, the
    // selected entry of a drop-down list (which ignores SetWindowText).
    void SetWindowText(const std::string& text);
    std::string GetWindowText() const;

    wxWindow* m_hWnd = nullptr;
    // The dialog whose data exchange attached this wrapper, if any.
    CDialog* m_pAttachedBy = nullptr;
};

class CButton : public CWnd {
public:
    // BST_CHECKED or BST_UNCHECKED; push buttons are never checked.
    int GetCheck() const;
    void SetCheck(int nCheck);
};

// A drop-down list that keeps its entries sorted.
class CComboBox : public CWnd {
public:
    void ResetContent();
    int AddString(const std::string& text);
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int nSelect);
    // The entry at an index, or empty text.
    std::string GetLBText(int nIndex) const;
    // Selects the first entry that begins with the text; CB_ERR when none does.
    int SelectString(int nStartAfter, const std::string& text);
};
