// Message boxes and the open-file dialog over the toolkit, and the seam that
// lets tests take their place.
#include "framework/UiServices.h"

#include <wx/app.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>

#include <cctype>

#include "framework/WinConst.h"

namespace {

class ToolkitUi : public IUiServices {
public:
    int MessageBox(const std::string& text, UINT type) override {
        long style = wxOK | wxCENTRE;
        switch (type & MB_ICONMASK) {
        case MB_ICONSTOP:
            style |= wxICON_ERROR;
            break;
        case MB_ICONEXCLAMATION:
            style |= wxICON_WARNING;
            break;
        default:
            style |= wxICON_NONE;
            break;
        }
        const wxString caption = wxTheApp ? wxTheApp->GetAppName() : wxString("SolvaneToOrbelle");
        wxMessageDialog box(nullptr, wxString::FromUTF8(text), caption, style);
        box.ShowModal();
        return IDOK;
    }

    int FileDialog(const FileDialogRequest& request, std::string& chosenPath) override {
        long style = request.openFileDialog ? (wxFD_OPEN | wxFD_FILE_MUST_EXIST) : wxFD_SAVE;
        wxFileDialog dialog(nullptr, request.openFileDialog ? "Open" : "Save As", wxEmptyString,
                            wxString::FromUTF8(request.initialFileName),
                            wxString::FromUTF8(ToolkitWildcard(request.filter)), style);
        if (dialog.ShowModal() != wxID_OK) {
            return IDCANCEL;
        }
        chosenPath = dialog.GetPath().utf8_string();
        return IDOK;
    }
};

ToolkitUi& Toolkit() {
    static ToolkitUi ui;
    return ui;
}

IUiServices* g_services = nullptr;

} // namespace

IUiServices* SetUiServices(IUiServices* services) {
    IUiServices* previous = g_services;
    g_services = services;
    return previous;
}

IUiServices& UiServices() {
    return g_services ? *g_services : Toolkit();
}

int AfxMessageBox(const std::string& text, UINT nType, UINT /*nIDHelp*/) {
    return UiServices().MessageBox(text, nType);
}

std::string ToolkitWildcard(const std::string& filter) {
    std::string wildcard = filter;
    while (!wildcard.empty() && wildcard.back() == '|') {
        wildcard.pop_back();
    }
    // Every second field is a pattern; make its letters match either case.
    std::string result;
    bool inPattern = false;
    for (char c : wildcard) {
        if (c == '|') {
            inPattern = !inPattern;
            result += c;
        } else if (inPattern && std::isalpha(static_cast<unsigned char>(c))) {
            result += '[';
            result += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            result += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            result += ']';
        } else {
            result += c;
        }
    }
    return result;
}

CFileDialog::CFileDialog(BOOL bOpenFileDialog, const char* lpszDefExt, const char* lpszFileName,
                         DWORD dwFlags, const char* lpszFilter, CWnd* /*pParentWnd*/) {
    m_request.openFileDialog = bOpenFileDialog;
    m_request.defaultExtension = lpszDefExt ? lpszDefExt : "";
    m_request.initialFileName = lpszFileName ? lpszFileName : "";
    m_request.flags = dwFlags;
    m_request.filter = lpszFilter ? lpszFilter : "";
}

int CFileDialog::DoModal() {
    std::string path;
    const int result = UiServices().FileDialog(m_request, path);
    if (result == IDOK) {
        m_pathName = path;
    }
    return result;
}
