// Window wrappers: text, enabling, focus and check states over the toolkit.
#include "framework/Wnd.h"

#include <wx/button.h>
#include <wx/radiobut.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/toplevel.h>

#include "framework/Dialog.h"
#include "framework/DropDownList.h"
#include "framework/IpAddressCtrl.h"

BOOL CMenu::AppendMenu(UINT nFlags, UINT nIDNewItem, const char* lpszNewItem) {
    m_items.push_back({nFlags, nIDNewItem, lpszNewItem ? lpszNewItem : ""});
    return TRUE;
}

CWnd::~CWnd() {
    if (m_pAttachedBy) {
        m_pAttachedBy->ForgetAttached(this);
    }
}

BOOL CWnd::EnableWindow(BOOL bEnable) {
    if (!m_hWnd) {
        return FALSE;
    }
    const BOOL wasDisabled = m_hWnd->IsThisEnabled() ? FALSE : TRUE;
    m_hWnd->Enable(bEnable != FALSE);
    return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const {
    return m_hWnd && m_hWnd->IsThisEnabled() ? TRUE : FALSE;
}

void CWnd::SetFocus() {
    if (m_hWnd) {
        m_hWnd->SetFocus();
    }
}

void CWnd::SetWindowText(const std::string& text) {
    if (!m_hWnd) {
        return;
    }
    const wxString value = wxString::FromUTF8(text);
    if (dynamic_cast<fw::DropDownList*>(m_hWnd)) {
        return; // a drop-down list has no text of its own
    }
    if (auto* ip = dynamic_cast<fw::IpAddressCtrl*>(m_hWnd)) {
        ip->SetAddress(text);
    } else if (auto* edit = dynamic_cast<wxTextCtrl*>(m_hWnd)) {
        edit->ChangeValue(value);
    } else if (auto* top = dynamic_cast<wxTopLevelWindow*>(m_hWnd)) {
        top->SetTitle(value);
    } else {
        m_hWnd->SetLabel(value);
    }
}

std::string CWnd::GetWindowText() const {
    if (!m_hWnd) {
        return {};
    }
    if (auto* list = dynamic_cast<fw::DropDownList*>(m_hWnd)) {
        return list->GetSelectedText();
    }
    if (auto* ip = dynamic_cast<fw::IpAddressCtrl*>(m_hWnd)) {
        return ip->GetAddress();
    }
    if (auto* edit = dynamic_cast<wxTextCtrl*>(m_hWnd)) {
        return edit->GetValue().utf8_string();
    }
    if (auto* top = dynamic_cast<wxTopLevelWindow*>(m_hWnd)) {
        return top->GetTitle().utf8_string();
    }
    return m_hWnd->GetLabel().utf8_string();
}

int CButton::GetCheck() const {
    auto* radio = dynamic_cast<wxRadioButton*>(m_hWnd);
    return radio && radio->GetValue() ? BST_CHECKED : BST_UNCHECKED;
}

void CButton::SetCheck(int nCheck) {
    if (auto* radio = dynamic_cast<wxRadioButton*>(m_hWnd)) {
        radio->SetValue(nCheck == BST_CHECKED);
    }
}

namespace {
fw::DropDownList* List(wxWindow* window) {
    return dynamic_cast<fw::DropDownList*>(window);
}
} // namespace

void CComboBox::ResetContent() {
    if (auto* list = List(m_hWnd)) {
        list->ResetContent();
    }
}

int CComboBox::AddString(const std::string& text) {
    auto* list = List(m_hWnd);
    return list ? list->AddString(text) : CB_ERR;
}

int CComboBox::GetCount() const {
    auto* list = List(m_hWnd);
    return list ? list->GetCount() : 0;
}

int CComboBox::GetCurSel() const {
    auto* list = List(m_hWnd);
    return list ? list->GetCurSel() : CB_ERR;
}

int CComboBox::SetCurSel(int nSelect) {
    auto* list = List(m_hWnd);
    return list ? list->SetCurSel(nSelect) : CB_ERR;
}

std::string CComboBox::GetLBText(int nIndex) const {
    auto* list = List(m_hWnd);
    if (!list || nIndex < 0 || nIndex >= list->GetCount()) {
        return {};
    }
    return list->GetItemText(nIndex);
}

int CComboBox::SelectString(int /*nStartAfter*/, const std::string& text) {
    auto* list = List(m_hWnd);
    return list ? list->SelectPrefix(text) : CB_ERR;
}
