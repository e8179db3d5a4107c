// The application object: start-up runs the main dialog modally and ends.
#pragma once

#include <future>

#include "db/PreparedStart.h"
#include "framework/WinApp.h"

class CSolvaneToOrbelleApp : public CWinApp {
public:
    CSolvaneToOrbelleApp();
    // Starts what start-up needs no window for on a second core.
    BOOL InitApplication() override;
    BOOL InitInstance() override;
    // Waits for that work when the dialog never took it (no display).
    int ExitInstance() override;

private:
    std::future<db::PreparedStart> m_preparedStart;
};

extern CSolvaneToOrbelleApp theApp;
