// CSolvaneToOrbelleDlg: the program's main dialog and the owner of all its
// run-time state. Its handlers read the controls, call one operation of the
// layers below (db, convert, tools) and show what comes back.
#pragma once

#include <cstdint>
#include <future>
#include <memory>
#include <string>

#include "db/Ctbl_DealerMaster.h"
#include "db/PreparedStart.h"
#include "db/Settings.h"
#include "framework/Database.h"
#include "framework/Dialog.h"
#include "framework/OutputText.h"
#include "platform/Clock.h"
#include "platform/Registry.h"
#include "server/Names.h"
#include "tools/ActivityLog.h"

namespace fw {
class ProgressWindow;
}

class CSolvaneToOrbelleDlg : public CDialog {
public:
    // m_nCriteria: the checked button of the "Single User" group.
    enum Criteria : std::int32_t { kSingleUser = 0, kMultipleUser = 1 };
    // m_nConversionType: the checked button of the direction group.
    enum Direction : std::int32_t { kSolvaneToOrbelle = 0, kOrbelleToSolvane = 1 };

    explicit CSolvaneToOrbelleDlg(CWnd* pParent = nullptr);
    ~CSolvaneToOrbelleDlg() override;

    // Start-up takes its settings, connection and group list from `start`,
    // begun before the dialog was built, instead of doing that work itself
    // when it initialises. Call before the dialog is created.
    void UsePreparedStart(std::future<db::PreparedStart> start) {
        m_preparedStart = std::move(start);
    }

    // One log entry: time-stamped into the log file and the Output pane.
    void WriteLog(std::string message);
    // Runs one command-line tool hidden, waits for it and logs its files;
    // sets m_bInvalidFileFormat when a bulk copy copied nothing. While the tool
    // runs the dialog repaints but takes no input, and a progress window says
    // which step is running (and a bulk copy's rows so far); that is never logged.
    void RunTool(char* commandLine, const char* toolName, const char* outputFile,
                 const char* errorFile);
    // Refills the Client Id list for the selected group and direction.
    void FillClientList();
    // The Convert/Upload command.
    void OnConvert();

    // Handlers of the screen states.
    void OnSingleUser();
    void OnMultipleUser();
    void OnConversionTypeSolvaneToOrbelle();
    void OnConversionTypeOrbelleToSolvane();
    void OnOkCommand();

    // Shell: system menu, painting, drag icon.
    void OnSysCommand(UINT nID, win::LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();

    // Members, in this order: the recordset works on the connection, which
    // is therefore constructed before it and destroyed after it.
    HICON m_hIcon = nullptr;
    HKEY m_hSettingsKey = nullptr;
    // The connection settings and the decoded password, read at start-up;
    // the names below are its parts as the dialog uses them.
    db::Settings m_settings;
    std::string& m_strServerAddress = m_settings.serverAddress;
    CDatabase m_database;
    Ctbl_DealerMaster m_rsDealerMaster;
    std::string& m_strDatabaseName = m_settings.databaseName;
    std::string& m_strUserId = m_settings.userId;
    CComboBox m_cboGroupId;
    std::string m_strGroupId;
    CComboBox m_cboClientId;
    CButton m_btnConvert;
    CButton m_btnUpload;
    CButton m_radSingleUser;
    CButton m_radSolvaneToOrbelle;
    std::int32_t m_nCriteria = kSingleUser;
    std::int32_t m_nConversionType = kSolvaneToOrbelle;
    fw::OutputText m_strOutput;
    std::string m_strFilePath;
    std::string m_strMessage;
    std::unique_ptr<tools::ActivityLog> m_pLogFile; // null when the file cannot be opened
    char m_szLogFileName[256] = {};
    SYSTEMTIME m_stLocalTime = {};
    std::int32_t m_bInvalidFileFormat = 0;
    // An entry did not reach the log file, and the operator was told so.
    bool m_bLogFailureShown = false;
    int m_nLogError = 0; // why the log file could not be opened or written
    // Start-up's work begun ahead of the dialog, if any (see UsePreparedStart).
    std::future<db::PreparedStart> m_preparedStart;
    // The window that shows an upload's steps while it runs (null otherwise);
    // RunTool waits for each tool through it.
    fw::ProgressWindow* m_pProgress = nullptr;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* pDX) override;
    const fw::MessageMap* GetMessageMap() const override;
    static const fw::MessageMap messageMap;

private:
    // Opens the dated log file in the working directory.
    void OpenLogFile();
    // Start-up's last steps when the settings were read: the connection,
    // the group list and the server line, from what `start` prepared.
    void ConnectAndListGroups(db::PreparedStart& start);
    // The shell step at the end of start-up: the About item on the system
    // menu, then the big and small icons.
    void AddAboutItemAndIcons();
    // The direction the radio buttons show, and the radio index set to match.
    server::ConversionType CheckedDirection();
    // The single-account conversion and the bulk upload.
    void ConvertSingleAccount(server::ConversionType type);
    void UploadFile(server::ConversionType type);
};
