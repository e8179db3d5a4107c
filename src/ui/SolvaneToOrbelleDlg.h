// CSolvaneToOrbelleDlg: the program's main dialog and the owner of all its
// run-time state. Its member operations live with their subsystems:
// start-up and the client list in db/, the conversions in convert/, the log
// and the tool runner in tools/, the shell (About item, icons, painting) in app/.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "db/Ctbl_DealerMaster.h"
#include "framework/Database.h"
#include "framework/Dialog.h"
#include "framework/OutputText.h"
#include "platform/Clock.h"
#include "platform/Registry.h"

// The ODBC data source name and the decoded password, shared by start-up,
// the connection and the bulk upload's command lines.
extern std::string g_strDataSourceName;
extern char g_szPassword[512];

class CSolvaneToOrbelleDlg : public CDialog {
public:
    explicit CSolvaneToOrbelleDlg(CWnd* pParent = nullptr);
    ~CSolvaneToOrbelleDlg() override;

    // One log entry: time-stamped into the log file and the Output pane.
    void WriteLog(std::string message);
    // Runs one command-line tool hidden, waits for it and logs its files;
    // sets m_bInvalidFileFormat when a bulk copy copied nothing.
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
    std::string m_strServerAddress;
    CDatabase m_database;
    Ctbl_DealerMaster m_rsDealerMaster;
    std::string m_strDatabaseName;
    std::string m_strUserId;
    CComboBox m_cboGroupId;
    std::string m_strGroupId;
    CComboBox m_cboClientId;
    CButton m_btnConvert;
    CButton m_btnUpload;
    CButton m_radSingleUser;
    CButton m_radSolvaneToOrbelle;
    std::int32_t m_nCriteria = 0;
    std::int32_t m_nConversionType = 0;
    fw::OutputText m_strOutput;
    std::string m_strFilePath;
    std::string m_strMessage;
    std::FILE* m_pLogFile = nullptr;
    char m_szLogFileName[256] = {};
    SYSTEMTIME m_stLocalTime = {};
    std::int32_t m_bInvalidFileFormat = 0;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* pDX) override;
    const fw::MessageMap* GetMessageMap() const override;
    static const fw::MessageMap messageMap;

private:
    // Opens the dated log file in the working directory.
    void OpenLogFile();
    // The shell step at the end of start-up: the About item on the system
    // menu, then the big and small icons.
    void AddAboutItemAndIcons();
    // The single-account conversion and the bulk upload.
    void ConvertSingleAccount(int conversionType);
    void UploadFile(int conversionType);
};
