// Fills a sorted drop-down list with 100,000 entries, one at a time, in
// random order, as a large client list is filled, and prints the time.
#include <wx/frame.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "BenchApp.h"
#include "framework/DropDownList.h"

int main(int argc, char** argv) {
    if (!StartToolkit(argc, argv)) {
        return 1;
    }
    std::vector<std::string> ids;
    for (int i = 0; i < 100000; ++i) {
        ids.push_back("C" + std::to_string(1000000 + i));
    }
    std::shuffle(ids.begin(), ids.end(), std::mt19937(7));

    auto* frame = new wxFrame(nullptr, wxID_ANY, "bench");
    auto* list = new fw::DropDownList(frame, 1018, wxPoint(0, 0), wxSize(120, -1), 200);
    frame->Show();
    const auto start = std::chrono::steady_clock::now();
    for (const auto& id : ids) {
        list->AddString(id);
    }
    list->SetCurSel(0);
    wxTheApp->ProcessPendingEvents();
    const double seconds = SecondsSince(start);
    std::printf("drop-down list: %d entries added one at a time in random order in %.3f s "
                "(%.1f us per entry); first %s, last %s\n",
                list->GetCount(), seconds, seconds * 1e6 / list->GetCount(),
                list->GetItemText(0).c_str(), list->GetItemText(list->GetCount() - 1).c_str());
    frame->Destroy();
    wxEntryCleanup();
    return 0;
}
