// OnConvert: the one command of the main dialog. It reads the two radio
// groups and converts one client, or uploads a file of clients.
#include <filesystem>

#include "convert/Commands.h"
#include "db/RecordsetGuard.h"
#include "db/Statements.h"
#include "framework/Exception.h"
#include "framework/UiServices.h"
#include "platform/Clock.h"
#include "server/Names.h"
#include "ui/SolvaneToOrbelleDlg.h"

namespace {

constexpr const char* kFileFilter =
    "Txt Files (*.txt)|*.txt|CSV Files (*.CSV)|*.csv|All Files (*.*)|*.*||";
constexpr DWORD kFileDialogFlags = 0x80004; // explorer style, read-only box hidden

// A database error's text without the line end that closes its last record.
std::string ErrorText(const CDBException& e) {
    std::string text = e.m_strError;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

} // namespace

void CSolvaneToOrbelleDlg::OnConvert() {
    // The buttons decide, not the command's source; both indexes are set
    // before anything is logged, as every entry re-applies them.
    int conversionType;
    if (m_radSolvaneToOrbelle.GetCheck() == BST_CHECKED) {
        conversionType = 1;
        m_nConversionType = 0;
    } else {
        conversionType = 2;
        m_nConversionType = 1;
    }
    if (m_radSingleUser.GetCheck() == BST_CHECKED) {
        ConvertSingleAccount(conversionType);
    } else {
        UploadFile(conversionType);
    }
}

void CSolvaneToOrbelleDlg::ConvertSingleAccount(int conversionType) {
    m_nCriteria = 0;
    const std::string groupId = db::Trim(m_cboGroupId.GetWindowText());
    const std::string clientId = db::Trim(m_cboClientId.GetWindowText());
    if (groupId.empty()) {
        AfxMessageBox("Please Select GroupCode", MB_OK, 0);
        m_cboGroupId.SetFocus();
    } else if (clientId.empty()) {
        AfxMessageBox("Please Enter Solvane Id", MB_OK, 0);
    } else {
        try {
            const std::string statement = convert::CallStatement(conversionType, groupId, clientId);
            db::RecordsetGuard guard(m_rsDealerMaster);
            m_rsDealerMaster.Open(CRecordset::snapshot, statement.c_str(), 0);
            while (!m_rsDealerMaster.IsEOF()) {
                WriteLog(m_rsDealerMaster.m_sDealerId);
                AfxMessageBox(m_rsDealerMaster.m_sDealerId, MB_OK, 0);
                m_rsDealerMaster.MoveNext();
            }
        } catch (const CDBException& e) {
            const std::string text = ErrorText(e);
            AfxMessageBox(text, MB_ICONEXCLAMATION, 0);
            WriteLog(text);
        }
    }
    m_rsDealerMaster.Close();
    m_cboClientId.ResetContent();
    m_cboGroupId.SetFocus();
    FillClientList();
}

void CSolvaneToOrbelleDlg::UploadFile(int conversionType) {
    m_nCriteria = 1;
    int result = 0;
    bool uploaded = true;
    try {
        const std::string datePrefix = platform::FormatCurrentTime("%#d%b%y_");
        CFileDialog fileDialog(TRUE, "*.*", nullptr, kFileDialogFlags, kFileFilter, nullptr);
        result = fileDialog.DoModal();
        if (result == IDOK) {
            m_strFilePath = fileDialog.GetPathName();
            std::error_code ec;
            if (!std::filesystem::exists(m_strFilePath, ec)) {
                throw CFileException(CFileException::fileNotFound, ENOENT, m_strFilePath);
            }
            const convert::UploadPlan plan = convert::PlanUpload(
                m_strFilePath, datePrefix, conversionType,
                {m_strServerAddress, m_strDatabaseName, m_strUserId, g_szPassword});
            // Refused whole before anything runs: a cut path or command would
            // send the tools somewhere else.
            if (const auto tooLong = convert::FindTooLong(plan)) {
                AfxMessageBox(*tooLong, MB_OK, 0);
                uploaded = false;
            } else {
                std::string command = plan.truncateCommand;
                RunTool(command.data(), server::kQueryTool, nullptr, nullptr);
                command = plan.bulkCopyCommand;
                RunTool(command.data(), server::kBulkCopyTool, plan.outputPath.c_str(),
                        plan.errorPath.c_str());
                if (m_bInvalidFileFormat == 0) {
                    command = plan.bulkProcedureCommand;
                    RunTool(command.data(), server::kQueryTool, plan.outputPath.c_str(),
                            plan.errorPath.c_str());
                }
            }
        }
    } catch (const CFileException& e) {
        if (e.m_cause == CFileException::fileNotFound) {
            AfxMessageBox("File Not Found", MB_OK, 0);
        }
        AfxMessageBox(e.GetErrorMessage(), MB_OK, 0);
        uploaded = false; // nothing was uploaded: no word that it was
    }
    if (result != IDCANCEL && uploaded) {
        AfxMessageBox("File Uploaded.Please refer Logs for Details", MB_OK, 0);
    }
}
