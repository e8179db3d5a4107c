// CDialog: building the window from its template, dispatching messages
// through the message tables, modal and modeless life, system menu and icons.
#include "framework/Dialog.h"

#include <wx/dcclient.h>
#include <wx/dialog.h>
#include <wx/menu.h>
#include <wx/radiobut.h>

#include "framework/DialogControls.h"
#include "framework/DropDownList.h"
#include "framework/Exception.h"
#include "framework/UiServices.h"

#include <algorithm>

namespace {

unsigned LowWord(win::WPARAM w) {
    return static_cast<unsigned>(w & 0xFFFF);
}
unsigned HighWord(win::WPARAM w) {
    return static_cast<unsigned>((w >> 16) & 0xFFFF);
}

// The system menu's items get toolkit ids of their own range: system command
// ids lie outside the range the toolkit accepts for menu items.
constexpr int kFirstSystemMenuId = 20000;

} // namespace

const fw::MessageEntry CDialog::dialogEntries[2] = {
    fw::OnBnClicked(IDOK, &CDialog::OnOK),
    fw::OnBnClicked(IDCANCEL, &CDialog::OnCancel),
};
const fw::MessageMap CDialog::messageMap{nullptr, CDialog::dialogEntries};

CDialog::CDialog(const fw::DialogTemplate& dialogTemplate, CWnd* pParentWnd)
    : m_template(dialogTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() {
    DestroyWindow();
}

const fw::MessageMap* CDialog::GetMessageMap() const {
    return &messageMap;
}

bool CDialog::Build(CWnd* pParentWnd) {
    if (m_pDialog) {
        return true;
    }
    wxWindow* parent = pParentWnd ? pParentWnd->m_hWnd : nullptr;
    long style = wxCAPTION;
    if (m_template.style & WS_SYSMENU) {
        style |= wxSYSTEM_MENU | wxCLOSE_BOX;
    }
    if (!parent) {
        style |= wxDIALOG_NO_PARENT; // its own task-bar button
    }
    m_pDialog = new wxDialog();
    m_pDialog->SetFont(wxFont(wxFontInfo(m_template.pointSize).Family(wxFONTFAMILY_SWISS)));
    if (!m_pDialog->Create(parent, wxID_ANY, wxString::FromUTF8(m_template.caption),
                           wxDefaultPosition, wxDefaultSize, style)) {
        delete m_pDialog;
        m_pDialog = nullptr;
        return false;
    }
    m_pDialog->SetFont(wxFont(wxFontInfo(m_template.pointSize).Family(wxFONTFAMILY_SWISS)));
    m_pDialog->SetClientSize(
        m_pDialog->ConvertDialogToPixels(wxSize(m_template.cx, m_template.cy)));
    m_pDialog->Move(m_pDialog->ConvertDialogToPixels(wxPoint(m_template.x, m_template.y)));
    Attach(m_pDialog);
    m_controls.clear();
    for (const auto& item : m_template.items) {
        wxWindow* control = fw::CreateControl(m_pDialog, item);
        if (item.style & WS_DISABLED) {
            control->Disable();
        }
        m_controls.push_back(control);
    }
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        const int label = fw::LabelOf(m_template.items, i);
        if (auto* list = dynamic_cast<fw::DropDownList*>(m_controls[i]); list && label >= 0) {
            list->SetAccessibleLabel(m_controls[static_cast<std::size_t>(label)]);
        }
    }
    BindEvents();
    return true;
}

wxWindow* CDialog::ControlAt(std::size_t index) const {
    return index < m_controls.size() ? m_controls[index] : nullptr;
}

namespace {

// Binds a handler that runs only while its dialog owns the window. A dialog
// lets its window go at once, but the toolkit deletes a top-level window
// only when idle, and until then it can still get events (a paint, a close):
// those go to the toolkit's default handling, never to a dialog that has let
// go of the window or is gone.
template <class Event, class Handler>
void BindWhileOwned(wxEvtHandler* source, const wxEventTypeTag<Event>& type,
                    const std::shared_ptr<int>& owner, Handler handler) {
    source->Bind(type, [owned = std::weak_ptr<int>(owner), handler](Event& e) {
        if (owned.expired()) {
            e.Skip();
            return;
        }
        handler(e);
    });
}

} // namespace

void CDialog::BindEvents() {
    m_windowOwned = std::make_shared<int>();
    const auto& owned = m_windowOwned;
    BindWhileOwned(m_pDialog, wxEVT_BUTTON, owned,
                   [this](wxCommandEvent& e) { SendCommand(e.GetId()); });
    BindWhileOwned(m_pDialog, wxEVT_RADIOBUTTON, owned,
                   [this](wxCommandEvent& e) { SendCommand(e.GetId()); });
    BindWhileOwned(m_pDialog, wxEVT_COMBOBOX, owned,
                   [this](wxCommandEvent& e) { SendCommand(e.GetId(), CBN_SELCHANGE); });
    BindWhileOwned(m_pDialog, wxEVT_CHAR_HOOK, owned, [this](wxKeyEvent& e) {
        if (e.GetKeyCode() == WXK_ESCAPE) {
            SendCommand(IDCANCEL);
        } else if (e.GetKeyCode() == WXK_WINDOWS_MENU || e.GetKeyCode() == WXK_MENU ||
                   (e.GetKeyCode() == WXK_F10 && e.GetModifiers() == wxMOD_SHIFT)) {
            ShowSystemMenu();
        } else {
            e.Skip();
        }
    });
    BindWhileOwned(m_pDialog, wxEVT_CLOSE_WINDOW, owned, [this](wxCloseEvent& e) {
        if (e.CanVeto()) {
            e.Veto(); // the dialog ends through its Cancel command, or not at all
        }
        Dispatch(WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    BindWhileOwned(m_pDialog, wxEVT_CONTEXT_MENU, owned,
                   [this](wxContextMenuEvent&) { ShowSystemMenu(); });
    BindWhileOwned(m_pDialog, wxEVT_PAINT, owned, [this](wxPaintEvent&) {
        wxPaintDC dc(m_pDialog);
        m_paintDC = &dc;
        Dispatch(WM_PAINT, 0, 0);
        m_paintDC = nullptr;
    });
    // A click on a radio button that is already checked notifies again, as
    // the toolkit reports only changes of the check state.
    for (wxWindow* control : m_controls) {
        auto* radio = dynamic_cast<wxRadioButton*>(control);
        if (!radio) {
            continue;
        }
        BindWhileOwned(radio, wxEVT_LEFT_DOWN, owned, [this, radio](wxMouseEvent& e) {
            m_clickedRadio = radio->GetValue() ? radio->GetId() : 0;
            e.Skip();
        });
        BindWhileOwned(radio, wxEVT_LEFT_UP, owned, [this, radio](wxMouseEvent& e) {
            const bool again = m_clickedRadio == radio->GetId() && radio->GetValue() &&
                               wxRect(radio->GetClientSize()).Contains(e.GetPosition());
            m_clickedRadio = 0;
            e.Skip();
            if (again) {
                SendCommand(radio->GetId());
            }
        });
    }
}

void CDialog::RunInitDialog() {
    BOOL focusDefault = TRUE;
    try {
        focusDefault = OnInitDialog();
    } catch (const CException& e) {
        AfxMessageBox(e.GetErrorMessage(), MB_ICONSTOP);
    } catch (const std::exception& e) {
        AfxMessageBox(e.what(), MB_ICONSTOP);
    }
    if (focusDefault && m_pDialog) {
        // The first control that takes the tab key gets the focus.
        for (std::size_t i = 0; i < m_template.items.size(); ++i) {
            const auto& item = m_template.items[i];
            if ((item.style & WS_TABSTOP) && !(item.style & WS_DISABLED) &&
                m_controls[i]->IsEnabled()) {
                m_controls[i]->SetFocus();
                break;
            }
        }
    }
}

int CDialog::DoModal() {
    if (!Build(m_pParentWnd)) {
        return -1;
    }
    m_modal = true;
    m_ended = false;
    RunInitDialog();
    if (!m_ended) {
        m_pDialog->ShowModal();
    }
    m_modal = false;
    DestroyWindow();
    return m_result;
}

BOOL CDialog::Create(CWnd* pParentWnd) {
    if (!Build(pParentWnd ? pParentWnd : m_pParentWnd)) {
        return FALSE;
    }
    m_ended = false;
    RunInitDialog();
    if (!m_ended) {
        m_pDialog->Show();
    }
    return TRUE;
}

void CDialog::RememberAttached(CWnd* wrapper) {
    wrapper->m_pAttachedBy = this;
    m_attached.push_back(wrapper);
}

void CDialog::ForgetAttached(CWnd* wrapper) {
    std::erase(m_attached, wrapper);
}

void CDialog::DestroyWindow() {
    for (CWnd* wrapper : m_attached) {
        wrapper->Detach();
        wrapper->m_pAttachedBy = nullptr;
    }
    m_attached.clear();
    m_items.clear();
    m_controls.clear();
    m_windowOwned.reset();
    if (m_pDialog) {
        m_pDialog->Destroy();
        m_pDialog = nullptr;
    }
    Detach();
}

void CDialog::EndDialog(int nResult) {
    m_result = nResult;
    m_ended = true;
    if (!m_pDialog) {
        return;
    }
    if (m_modal && m_pDialog->IsModal()) {
        m_pDialog->EndModal(nResult);
    } else {
        m_pDialog->Hide();
    }
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
    if (bSaveAndValidate || !m_pDialog) {
        return TRUE;
    }
    CDataExchange dx(this, FALSE);
    DoDataExchange(&dx);
    return TRUE;
}

CWnd* CDialog::GetDlgItem(int nID) {
    wxWindow* window = m_pDialog ? m_pDialog->FindWindow(nID) : nullptr;
    if (!window || window == m_pDialog) {
        return nullptr;
    }
    auto& wrapper = m_items[nID];
    if (!wrapper) {
        wrapper = std::make_unique<CWnd>();
    }
    wrapper->Attach(window);
    return wrapper.get();
}

void CDialog::SetDlgItemText(int nID, const std::string& text) {
    if (CWnd* item = GetDlgItem(nID)) {
        item->SetWindowText(text);
    }
}

std::string CDialog::GetDlgItemText(int nID) {
    CWnd* item = GetDlgItem(nID);
    return item ? item->GetWindowText() : std::string();
}

CMenu* CDialog::GetSystemMenu(BOOL /*bRevert*/) {
    if (!(m_template.style & WS_SYSMENU)) {
        return nullptr;
    }
    if (m_systemMenu.GetMenuItemCount() == 0) {
        m_systemMenu.AppendMenu(MF_STRING, SC_CLOSE, "&Close");
    }
    return &m_systemMenu;
}

void CDialog::ShowSystemMenu() {
    const CMenu* menu = GetSystemMenu(FALSE);
    if (!menu || !m_pDialog) {
        return;
    }
    wxMenu popup;
    for (std::size_t i = 0; i < menu->Items().size(); ++i) {
        const auto& item = menu->Items()[i];
        if (item.flags & MF_SEPARATOR) {
            popup.AppendSeparator();
        } else {
            popup.Append(kFirstSystemMenuId + static_cast<int>(i), wxString::FromUTF8(item.text));
        }
    }
    const int chosen = m_pDialog->GetPopupMenuSelectionFromUser(popup);
    if (chosen >= kFirstSystemMenuId) {
        ChooseSystemMenuItem(static_cast<std::size_t>(chosen - kFirstSystemMenuId));
    }
}

void CDialog::ChooseSystemMenuItem(std::size_t index) {
    const CMenu* menu = GetSystemMenu(FALSE);
    if (menu && index < menu->Items().size() && !(menu->Items()[index].flags & MF_SEPARATOR)) {
        Dispatch(WM_SYSCOMMAND, menu->Items()[index].id, 0);
    }
}

HICON CDialog::SetIcon(HICON hIcon, BOOL bBigIcon) {
    HICON& slot = bBigIcon ? m_bigIcon : m_smallIcon;
    HICON previous = slot;
    slot = hIcon;
    if (m_pDialog && hIcon) {
        m_pDialog->SetIcons(*hIcon);
    }
    return previous;
}

HICON CDialog::GetIcon(BOOL bBigIcon) const {
    return bBigIcon ? m_bigIcon : m_smallIcon;
}

BOOL CDialog::IsIconic() const {
    return m_pDialog && m_pDialog->IsIconized() ? TRUE : FALSE;
}

void CDialog::GetClientRect(CRect* rect) const {
    const wxSize size = m_pDialog ? m_pDialog->GetClientSize() : wxSize(0, 0);
    *rect = CRect{0, 0, size.x, size.y};
}

win::LRESULT CDialog::SendCommand(int id, unsigned code) {
    return Dispatch(WM_COMMAND, fw::MakeCommandParam(id, code), 0);
}

win::LRESULT CDialog::Dispatch(unsigned message, win::WPARAM wParam, win::LPARAM lParam) {
    try {
        for (const fw::MessageMap* map = GetMessageMap(); map; map = map->base) {
            for (const auto& entry : map->entries) {
                if (entry.message != message) {
                    continue;
                }
                if (message == WM_COMMAND &&
                    (LowWord(wParam) != static_cast<unsigned>(entry.id & 0xFFFF) ||
                     HighWord(wParam) != entry.code)) {
                    continue;
                }
                return entry.call(*this, wParam, lParam);
            }
        }
        return DefaultProcessing(message, wParam, lParam);
    } catch (const CException& e) {
        AfxMessageBox(e.GetErrorMessage(), MB_ICONSTOP);
    } catch (const std::exception& e) {
        AfxMessageBox(e.what(), MB_ICONSTOP);
    }
    return 0;
}

win::LRESULT CDialog::DefaultProcessing(unsigned message, win::WPARAM wParam, win::LPARAM lParam) {
    if (message == WM_SYSCOMMAND) {
        OnSysCommand(static_cast<UINT>(wParam), lParam);
    } else if (message == WM_PAINT) {
        OnPaint();
    }
    return 0;
}

void CDialog::OnSysCommand(UINT nID, win::LPARAM) {
    if ((nID & 0xFFF0) == SC_CLOSE) {
        SendCommand(IDCANCEL);
    }
}

void CDialog::OnPaint() {
    // The toolkit paints the dialog and its controls itself; the paint
    // context that the event opened ends the cycle.
}
