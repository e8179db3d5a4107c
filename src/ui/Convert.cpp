// OnConvert: the one command of the main dialog. It reads the two radio
// groups and converts one client, or uploads a file of clients.
#include "convert/Commands.h"
#include "convert/Conversion.h"
#include "db/Rows.h"
#include "framework/UiServices.h"
#include "platform/Clock.h"
#include "ui/SolvaneToOrbelleDlg.h"

namespace {

constexpr const char* kFileFilter =
    "Txt Files (*.txt)|*.txt|CSV Files (*.CSV)|*.csv|All Files (*.*)|*.*||";
constexpr DWORD kFileDialogFlags = OFN_EXPLORER | OFN_HIDEREADONLY;

} // namespace

void CSolvaneToOrbelleDlg::OnConvert() {
    // Both indexes are set before anything is logged, as every entry
    // re-applies them.
    const server::ConversionType type = CheckedDirection();
    if (m_radSingleUser.GetCheck() == BST_CHECKED) {
        ConvertSingleAccount(type);
    } else {
        UploadFile(type);
    }
}

server::ConversionType CSolvaneToOrbelleDlg::CheckedDirection() {
    // The buttons decide, not the command's source.
    if (m_radSolvaneToOrbelle.GetCheck() == BST_CHECKED) {
        m_nConversionType = kSolvaneToOrbelle;
        return server::ConversionType::SolvaneToOrbelle;
    }
    m_nConversionType = kOrbelleToSolvane;
    return server::ConversionType::OrbelleToSolvane;
}

void CSolvaneToOrbelleDlg::ConvertSingleAccount(server::ConversionType type) {
    m_nCriteria = kSingleUser;
    const convert::SingleRequest request = convert::PrepareSingleConversion(
        type, m_cboGroupId.GetWindowText(), m_cboClientId.GetWindowText());
    if (request.refusal) {
        AfxMessageBox(request.refusal, MB_OK, 0);
        if (request.refusal == convert::kNoGroup) {
            m_cboGroupId.SetFocus();
        }
    } else {
        try {
            // Each line of the answer is logged, then shown.
            db::ReadRows(m_rsDealerMaster, request.statement, [this](const std::string& line) {
                WriteLog(line);
                AfxMessageBox(line, MB_OK, 0);
            });
        } catch (const CDBException& e) {
            const std::string text = convert::ErrorText(e);
            AfxMessageBox(text, MB_ICONEXCLAMATION, 0);
            WriteLog(text);
        }
    }
    m_rsDealerMaster.Close();
    m_cboClientId.ResetContent();
    m_cboGroupId.SetFocus();
    FillClientList();
}

void CSolvaneToOrbelleDlg::UploadFile(server::ConversionType type) {
    m_nCriteria = kMultipleUser;
    const std::string datePrefix = platform::FormatCurrentTime("%#d%b%y_");
    CFileDialog fileDialog(TRUE, "*.*", nullptr, kFileDialogFlags, kFileFilter, nullptr);
    if (fileDialog.DoModal() != IDOK) {
        return;
    }
    m_strFilePath = fileDialog.GetPathName();
    if (const auto problem = convert::CheckUploadFile(m_strFilePath)) {
        if (problem->m_cause == CFileException::fileNotFound) {
            AfxMessageBox(convert::kFileNotFound, MB_OK, 0);
        }
        AfxMessageBox(problem->GetErrorMessage(), MB_OK, 0);
        return; // nothing was uploaded: no word that it was
    }
    convert::UploadPlan plan = convert::PlanUpload(m_strFilePath, datePrefix, type, m_settings);
    // Refused whole before anything runs: a cut path or command would send
    // the tools somewhere else.
    if (const auto tooLong = convert::FindTooLong(plan, m_settings.password)) {
        AfxMessageBox(*tooLong, MB_OK, 0);
        return;
    }
    std::string command = plan.truncateCommand;
    RunTool(command.data(), server::kQueryTool, nullptr, nullptr);
    command = plan.bulkCopyCommand;
    RunTool(command.data(), server::kBulkCopyTool, plan.outputPath.c_str(), plan.errorPath.c_str());
    if (m_bInvalidFileFormat == 0) {
        command = plan.bulkProcedureCommand;
        RunTool(command.data(), server::kQueryTool, plan.outputPath.c_str(),
                plan.errorPath.c_str());
    }
    // An operator whose log could not be written is not sent to it.
    AfxMessageBox(m_bLogFailureShown ? convert::kFileUploadedWithoutLog : convert::kFileUploaded,
                  MB_OK, 0);
}
