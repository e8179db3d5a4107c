// OnInitDialog: the main dialog's start-up with its settings from the
// registry, the decoded password, the one ODBC connection and the group list.
#include <cstdlib>
#include <cstring>

#include "db/PasswordEncrypt.h"
#include "db/RecordsetGuard.h"
#include "db/Statements.h"
#include "framework/UiServices.h"
#include "ui/ResourceIds.h"
#include "ui/SolvaneToOrbelleDlg.h"

namespace {

constexpr const char* kSettingsKey = "SOFTWARE\\ZEVA\\INTEGRATED\\ZEVA Manager\\ODBC";
constexpr DWORD kReadCapacity = 255;

struct Setting {
    const char* valueName;
    const char* blankMessage;
};

const Setting kServerAddress{"DataBase-IPAddress", "DataBase-IPAddress is blank in Registry."};
const Setting kDatabaseName{"LIVEDatabase-Name", "DataBase-Name is blank in Registry"};
const Setting kUserId{"Server UserID", "Server UserID is blank in Registry"};
const Setting kDataSourceName{"LIVEDSN-Name", "LIVEDSN-Name is blank in Registry"};
const Setting kPassword{"Server PWD", "Server PWD is blank in Registry"};

constexpr const char* kPasswordFailure = "Error in Processing Password.";

// One read into the shared 256-byte buffer. The buffer and the capacity are
// reset before every read: a read that fails for lack of room reports the
// size it would need, which must never become the next read's capacity.
bool ReadValue(HKEY key, const char* name, unsigned char (&buffer)[256], DWORD& byteCount) {
    std::memset(buffer, 0, kReadCapacity);
    byteCount = kReadCapacity;
    return RegQueryValueExA(key, name, nullptr, nullptr, buffer, &byteCount) == ERROR_SUCCESS;
}

} // namespace

BOOL CSolvaneToOrbelleDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_cboGroupId.ResetContent();
    m_nCriteria = 0;
    m_nConversionType = 0;
    UpdateData(FALSE);
    OpenLogFile();

    DWORD disposition = 0;
    char noClass[] = "";
    const LONG opened =
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, noClass, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &m_hSettingsKey, &disposition);
    if (opened == ERROR_SUCCESS && disposition == REG_OPENED_EXISTING_KEY) {
        unsigned char buffer[256] = {};
        DWORD byteCount = 0;
        // A present but empty setting, or a password that cannot be decoded,
        // ends the program: shown, then logged. An absent setting is skipped.
        auto endWith = [this](const char* message) {
            m_strMessage = message;
            AfxMessageBox(m_strMessage, MB_OK, 0);
            WriteLog(m_strMessage);
            std::exit(0);
        };
        const std::pair<const Setting*, std::string*> textSettings[] = {
            {&kServerAddress, &m_strServerAddress},
            {&kDatabaseName, &m_strDatabaseName},
            {&kUserId, &m_strUserId},
            {&kDataSourceName, &g_strDataSourceName},
        };
        for (const auto& [setting, destination] : textSettings) {
            if (ReadValue(m_hSettingsKey, setting->valueName, buffer, byteCount)) {
                *destination = reinterpret_cast<const char*>(buffer);
                if (*destination == "") {
                    endWith(setting->blankMessage);
                }
            }
        }
        if (ReadValue(m_hSettingsKey, kPassword.valueName, buffer, byteCount)) {
            const std::string storedPassword = reinterpret_cast<const char*>(buffer);
            if (storedPassword.empty()) {
                endWith(kPassword.blankMessage);
            }
            CPasswordEncrypt decoder;
            unsigned char input[255] = {};
            std::memcpy(input, buffer, byteCount);
            std::memset(g_szPassword, 0, sizeof g_szPassword);
            unsigned int outputLength = 0;
            if (decoder.Decrypt(input, byteCount, reinterpret_cast<unsigned char*>(g_szPassword),
                                &outputLength) == 0) {
                endWith(kPasswordFailure);
            }
            const std::string connect = db::ConnectionText(m_strServerAddress, m_strDatabaseName,
                                                           m_strUserId, g_szPassword);
            if (m_database.Open(g_strDataSourceName.c_str(), FALSE, FALSE, connect.c_str(), TRUE)) {
                m_btnConvert.EnableWindow(TRUE);
                {
                    db::RecordsetGuard guard(m_rsDealerMaster);
                    m_rsDealerMaster.Open(CRecordset::snapshot, db::kGroupListStatement, 0);
                    m_cboGroupId.AddString("");
                    while (!m_rsDealerMaster.IsEOF()) {
                        m_cboGroupId.AddString(m_rsDealerMaster.m_sDealerId);
                        m_rsDealerMaster.MoveNext();
                    }
                    m_rsDealerMaster.Close();
                }
                m_strMessage = db::ServerLine(m_strServerAddress, m_strDatabaseName);
                WriteLog(m_strMessage);
            }
        }
    }
    if (m_hSettingsKey) {
        RegCloseKey(m_hSettingsKey); // not needed after start-up
        m_hSettingsKey = nullptr;
    }

    SetDlgItemText(IDC_SERVER_ADDRESS, m_strServerAddress);
    SetDlgItemText(IDC_DATABASE_NAME, m_strDatabaseName);
    AddAboutItemAndIcons();
    return TRUE;
}
