// Fills a sorted drop-down list one entry at a time, as a client list is
// filled: 100,000 and 666,667 entries, in random order and in sorted order
// (as an ordered result arrives), and prints the times.
#include <wx/frame.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "BenchApp.h"
#include "framework/DropDownList.h"

namespace {

void Fill(wxFrame* frame, const std::vector<std::string>& ids, const char* order) {
    auto* list = new fw::DropDownList(frame, 1018, wxPoint(0, 0), wxSize(120, -1), 200);
    const auto start = std::chrono::steady_clock::now();
    for (const auto& id : ids) {
        list->AddString(id);
    }
    list->SetCurSel(0);
    wxTheApp->ProcessPendingEvents();
    const double seconds = SecondsSince(start);
    std::printf("drop-down list: %7d entries added one at a time in %-6s order in %.3f s "
                "(%.2f us per entry); first %s, last %s\n",
                list->GetCount(), order, seconds, seconds * 1e6 / list->GetCount(),
                list->GetItemText(0).c_str(), list->GetItemText(list->GetCount() - 1).c_str());
    list->Destroy();
}

} // namespace

int main(int argc, char** argv) {
    if (!StartToolkit(argc, argv)) {
        return 1;
    }
    auto* frame = new wxFrame(nullptr, wxID_ANY, "bench");
    frame->Show();
    for (const int count : {100000, 666667}) {
        std::vector<std::string> ids;
        for (int i = 0; i < count; ++i) {
            ids.push_back("C" + std::to_string(1000000 + i));
        }
        Fill(frame, ids, "sorted");
        std::shuffle(ids.begin(), ids.end(), std::mt19937(7));
        Fill(frame, ids, "random");
    }
    frame->Destroy();
    wxEntryCleanup();
    return 0;
}
