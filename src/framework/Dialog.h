// CDialog: a dialog built from a static template, with its message table,
// data exchange, system menu, icons and modal or modeless life.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/DialogTemplate.h"
#include "framework/MessageMap.h"
#include "framework/Resources.h"
#include "framework/Wnd.h"

class wxDialog;
class wxDC;
class CDataExchange;

class CDialog : public CWnd {
public:
    explicit CDialog(const fw::DialogTemplate& dialogTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Builds the window, runs OnInitDialog and shows the dialog until
    // EndDialog; returns EndDialog's result, or -1 when the window cannot be made.
    virtual int DoModal();
    // Builds the window, runs OnInitDialog and shows it without a modal loop
    // (tests drive such a dialog through its controls). FALSE on failure.
    BOOL Create(CWnd* pParentWnd = nullptr);
    // Destroys the window; the wrappers attached by data exchange let go.
    void DestroyWindow();

    // Loads the members into the controls (FALSE). The save direction is not
    // used by this program and does nothing.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    CWnd* GetDlgItem(int nID);
    void SetDlgItemText(int nID, const std::string& text);
    std::string GetDlgItemText(int nID);
    CMenu* GetSystemMenu(BOOL bRevert);
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    HICON GetIcon(BOOL bBigIcon) const;
    BOOL IsIconic() const;
    void GetClientRect(CRect* rect) const;
    void EndDialog(int nResult);
    // Whether the dialog has ended, and with which result.
    bool HasEnded() const { return m_ended; }
    int Result() const { return m_result; }

    // The one place every message goes through: the class's message table
    // first, then the base tables, then default processing. An exception
    // that escapes a handler is shown in a stop-icon message box and the
    // dialog stays up.
    win::LRESULT Dispatch(unsigned message, win::WPARAM wParam, win::LPARAM lParam);
    // The same for a WM_COMMAND notification of a control.
    win::LRESULT SendCommand(int id, unsigned code = BN_CLICKED);

    const fw::DialogTemplate& Template() const { return m_template; }
    // The toolkit window, once built, and its controls in template order.
    wxDialog* Window() const { return m_pDialog; }
    wxWindow* ControlAt(std::size_t index) const;
    // The system menu as the toolkit shows it, and the choice of its item
    // at an index, as when the user picks it.
    void ShowSystemMenu();
    void ChooseSystemMenuItem(std::size_t index);
    // Wrappers attached by data exchange, let go when the window goes; a
    // wrapper destroyed first (a member of a derived dialog) is forgotten.
    void RememberAttached(CWnd* wrapper);
    void ForgetAttached(CWnd* wrapper);

protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual const fw::MessageMap* GetMessageMap() const;
    static const fw::MessageEntry dialogEntries[2];
    static const fw::MessageMap messageMap;

    // Default processing of a system command: Close ends the dialog as Cancel.
    void OnSysCommand(UINT nID, win::LPARAM lParam);
    // Default painting.
    void OnPaint();

private:
    bool Build(CWnd* pParentWnd);
    void BindEvents();
    void RunInitDialog();
    win::LRESULT DefaultProcessing(unsigned message, win::WPARAM wParam, win::LPARAM lParam);
    friend class CPaintDC;

    const fw::DialogTemplate& m_template;
    CWnd* m_pParentWnd;
    wxDialog* m_pDialog = nullptr;
    std::vector<wxWindow*> m_controls;            // in template order
    std::map<int, std::unique_ptr<CWnd>> m_items; // wrappers handed out by GetDlgItem
    std::vector<CWnd*> m_attached;
    CMenu m_systemMenu;
    HICON m_bigIcon = nullptr;
    HICON m_smallIcon = nullptr;
    bool m_modal = false;
    bool m_ended = false;
    int m_result = 0;
    int m_clickedRadio = 0; // a radio button pressed while already checked
    wxDC* m_paintDC = nullptr;
    // Lives while the dialog owns its window: the window's handlers run
    // only while it does.
    std::shared_ptr<int> m_windowOwned;
};

// A paint device context for the dialog's WM_PAINT handler.
class CPaintDC {
public:
    explicit CPaintDC(CDialog* pWnd);
    ~CPaintDC();
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    win::WPARAM GetSafeHdc() const { return reinterpret_cast<win::WPARAM>(m_dc); }
    BOOL DrawIcon(int x, int y, HICON hIcon);

private:
    std::unique_ptr<wxDC> m_owned;
    wxDC* m_dc;
};

int GetSystemMetrics(int nIndex);

// Data exchange between a dialog's members and its controls.
class CDataExchange {
public:
    CDataExchange(CDialog* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
    BOOL m_bSaveAndValidate;
    CDialog* m_pDlgWnd;
};

namespace fw {
class OutputText;
}

// Load direction only: members to controls.
void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value);
// Appends only what is new when the control already shows the text's start.
void DDX_Text(CDataExchange* pDX, int nIDC, fw::OutputText& value);
// Attaches the wrapper to the control on the first exchange.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
// Selects the first entry that begins with the text; an empty text selects nothing.
void DDX_CBString(CDataExchange* pDX, int nIDC, std::string& value);
// Checks the radio button of the group starting at nIDC whose index is value.
void DDX_Radio(CDataExchange* pDX, int nIDC, int& value);
