// OnConvert: the one command of the main dialog. It reads the two radio
// groups and converts one client, or uploads a file of clients with its steps
// shown in a progress window.
#include "convert/Commands.h"
#include "convert/Conversion.h"
#include "db/Rows.h"
#include "framework/ProgressWindow.h"
#include "framework/UiServices.h"
#include "platform/Clock.h"
#include "ui/SolvaneToOrbelleDlg.h"

namespace {

constexpr const char* kFileFilter =
    "Txt Files (*.txt)|*.txt|CSV Files (*.CSV)|*.csv|All Files (*.*)|*.*||";
constexpr DWORD kFileDialogFlags = OFN_EXPLORER | OFN_HIDEREADONLY;

// What the progress window says of an upload; never logged.
constexpr const char* kUploadCaption = "Uploading clients";
constexpr const char* kEmptyingStep = "Step 1 of 3: emptying the staging table";
constexpr const char* kLoadingStep = "Step 2 of 3: loading the file";
constexpr const char* kConvertingStep = "Step 3 of 3: converting the loaded clients";

// The dialog's progress window for as long as the upload runs.
class ShownProgress {
public:
    ShownProgress(fw::ProgressWindow*& slot, fw::ProgressWindow& window) : m_slot(slot) {
        m_slot = &window;
    }
    ~ShownProgress() { m_slot = nullptr; }
    ShownProgress(const ShownProgress&) = delete;
    ShownProgress& operator=(const ShownProgress&) = delete;

private:
    fw::ProgressWindow*& m_slot;
};

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
    {
        // One operation in one window: the steps run strictly one after the other.
        fw::ProgressWindow progress(*this, kUploadCaption);
        const ShownProgress shown(m_pProgress, progress);
        std::string command = plan.truncateCommand;
        progress.SetText(kEmptyingStep);
        RunTool(command.data(), server::kQueryTool, nullptr, nullptr);
        command = plan.bulkCopyCommand;
        progress.SetText(kLoadingStep);
        RunTool(command.data(), server::kBulkCopyTool, plan.outputPath.c_str(),
                plan.errorPath.c_str());
        if (m_bInvalidFileFormat == 0) {
            command = plan.bulkProcedureCommand;
            progress.SetText(kConvertingStep);
            RunTool(command.data(), server::kQueryTool, plan.outputPath.c_str(),
                    plan.errorPath.c_str());
        }
    }
    // An operator whose log could not be written is not sent to it.
    AfxMessageBox(m_bLogFailureShown ? convert::kFileUploadedWithoutLog : convert::kFileUploaded,
                  MB_OK, 0);
}
