// Fills the Client Id list with the Solvane clients of the largest group, as
// the dialog does when that group is chosen: the client query through the
// dealer recordset on a connection opened as the program opens it, each row
// added to the sorted drop-down list. Databases of 1,000 groups at 10k, 100k
// and 1M clients, the first group grown to hold that many clients itself (two
// thirds on Solvane: 666,667 at 1M); each driver; prints the fill times.
#include <wx/frame.h>

#include "BenchApp.h"
#include "BenchData.h"
#include "db/Ctbl_DealerMaster.h"
#include "db/Rows.h"
#include "db/Statements.h"
#include "framework/DropDownList.h"
#include "framework/Wnd.h"

namespace {

// The list fill as the dialog runs it; returns the seconds it took.
double FillClientList(CDatabase& db, CComboBox& list, const std::string& groupId) {
    const auto start = std::chrono::steady_clock::now();
    list.ResetContent();
    Ctbl_DealerMaster rs(&db);
    db::ReadRows(rs, db::ClientListStatement(groupId, server::DealerCategory::SolvaneClient),
                 [&list](const std::string& client) { list.AddString(client); });
    wxTheApp->ProcessPendingEvents();
    return SecondsSince(start);
}

} // namespace

int main(int argc, char** argv) {
    if (!StartToolkit(argc, argv)) {
        return 1;
    }
    int status = 0;
    auto* frame = new wxFrame(nullptr, wxID_ANY, "bench");
    auto* control = new fw::DropDownList(frame, 1018, wxPoint(0, 0), wxSize(120, -1), 200);
    frame->Show();
    CComboBox list;
    list.Attach(control);
    try {
        bench::UseBenchFolder();
        std::printf("%-5s %-11s %-6s %8s %10s %10s\n", "size", "driver", "group", "clients", "fill",
                    "per client");
        for (const long long size : bench::kSizes) {
            const bench::Database data = bench::EnsureDatabase(size, size);
            for (const bench::Driver& driver : bench::Drivers(data)) {
                CDatabase db;
                db.Open(nullptr, FALSE, FALSE, ("ODBC;" + driver.connect).c_str(), TRUE);
                double best = 0;
                for (int run = 0; run < 3; ++run) {
                    const double seconds = FillClientList(db, list, data.bigGroupId);
                    best = run == 0 ? seconds : std::min(best, seconds);
                }
                if (list.GetCount() != data.bigGroupSolvane) {
                    std::printf("the list holds %d clients, the group %lld\n", list.GetCount(),
                                data.bigGroupSolvane);
                }
                std::printf("%-5s %-11s %-6s %8d %9.3fs %8.2fus\n", bench::SizeName(size).c_str(),
                            driver.name.c_str(), data.bigGroupId.c_str(), list.GetCount(), best,
                            best * 1e6 / std::max(list.GetCount(), 1));
                std::fflush(stdout);
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_group_fill: %s\n", e.what());
        status = 1;
    }
    list.Detach();
    frame->Destroy();
    wxEntryCleanup();
    return status;
}
