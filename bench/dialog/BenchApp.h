// Starts the toolkit for a benchmark that needs real controls.
#pragma once

#include "framework/WinApp.h"
#include <wx/app.h>

#include <chrono>
#include <cstdio>

class BenchApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

inline bool StartToolkit(int argc, char** argv) {
    wxApp::SetInstance(new BenchApp);
    AfxPrepareToolkit();
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "no display: run under xvfb-run\n");
        return false;
    }
    return true;
}

inline double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
