// Recording message boxes and answering file dialogs for the dialog tests.
#include "support/RecordingUi.h"

#include <wx/app.h>
#include <wx/evtloop.h>

#include "framework/WinConst.h"

namespace testing_support {

RecordingUi::RecordingUi() : m_previous(SetUiServices(this)) {}

RecordingUi::~RecordingUi() {
    SetUiServices(m_previous);
}

int RecordingUi::MessageBox(const std::string& text, UINT type) {
    boxes.push_back({text, type});
    if (onBox) {
        onBox(boxes.back());
    }
    return IDOK;
}

int RecordingUi::FileDialog(const FileDialogRequest& request, std::string& chosenPath) {
    fileRequests.push_back(request);
    if (m_answers.empty() || m_answers.front().empty()) {
        if (!m_answers.empty()) {
            m_answers.pop_front();
        }
        return IDCANCEL;
    }
    chosenPath = m_answers.front();
    m_answers.pop_front();
    return IDOK;
}

void PumpEvents() {
    for (int i = 0; i < 3; ++i) {
        wxTheApp->ProcessPendingEvents();
        if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) {
            while (loop->Pending()) {
                loop->Dispatch();
            }
        }
        wxTheApp->ProcessIdle();
    }
}

} // namespace testing_support
