// The one seam between the program and the modal boxes it shows: message
// boxes and the open-file dialog. The toolkit's boxes serve by default; a test
// installs its own to record each box and answer the file dialog.
#pragma once

#include <string>

#include "framework/Win32Types.h"

// What the open-file dialog is asked to show.
struct FileDialogRequest {
    BOOL openFileDialog = TRUE;
    std::string defaultExtension;
    std::string initialFileName;
    DWORD flags = 0;
    std::string filter; // "Name|pattern|Name|pattern||"
};

class IUiServices {
public:
    virtual ~IUiServices() = default;
    // Shows a modal message box; returns the button pressed (IDOK).
    virtual int MessageBox(const std::string& text, UINT type) = 0;
    // Shows the file dialog; IDOK with the chosen full path, or IDCANCEL.
    virtual int FileDialog(const FileDialogRequest& request, std::string& chosenPath) = 0;
};

// Installs the services (null: the toolkit's own); returns the previous ones.
IUiServices* SetUiServices(IUiServices* services);
IUiServices& UiServices();

// A modal message box with the application's name as caption: style 0 is an
// OK button alone, MB_ICONEXCLAMATION adds the warning icon, MB_ICONSTOP the
// stop icon.
int AfxMessageBox(const std::string& text, UINT nType = 0, UINT nIDHelp = 0);

// The toolkit's wildcard for a filter text such as "Txt Files (*.txt)|*.txt||":
// the closing bars dropped and each pattern matched without regard to case,
// as the file names of the operators' Windows files come in either case.
std::string ToolkitWildcard(const std::string& filter);

class CWnd;

class CFileDialog {
public:
    CFileDialog(BOOL bOpenFileDialog, const char* lpszDefExt = nullptr,
                const char* lpszFileName = nullptr, DWORD dwFlags = 0,
                const char* lpszFilter = nullptr, CWnd* pParentWnd = nullptr);
    // IDOK (1) with a chosen file, IDCANCEL (2) otherwise.
    int DoModal();
    std::string GetPathName() const { return m_pathName; }
    const FileDialogRequest& Request() const { return m_request; }

private:
    FileDialogRequest m_request;
    std::string m_pathName;
};
