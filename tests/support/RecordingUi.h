// A stand-in for the modal boxes: records every message box in order, lets a
// test act while a box is "up", and answers file dialogs from a queue.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "framework/UiServices.h"

namespace testing_support {

struct Box {
    std::string text;
    UINT style;
};

class RecordingUi : public IUiServices {
public:
    RecordingUi();
    ~RecordingUi() override;

    int MessageBox(const std::string& text, UINT type) override;
    int FileDialog(const FileDialogRequest& request, std::string& chosenPath) override;

    // Answers for the next file dialogs: a path, or "" for Cancel.
    void AnswerFileDialog(const std::string& pathOrEmptyForCancel) {
        m_answers.push_back(pathOrEmptyForCancel);
    }

    std::vector<Box> boxes;
    std::vector<FileDialogRequest> fileRequests;
    // Called while a box is shown, after it was recorded.
    std::function<void(const Box&)> onBox;

private:
    IUiServices* m_previous;
    std::deque<std::string> m_answers;
};

// Runs the toolkit's pending events, so that posted work gets done.
void PumpEvents();

} // namespace testing_support
