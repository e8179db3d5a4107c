// The application object: start-up runs the main dialog modally and ends.
#pragma once

#include "framework/WinApp.h"

class CSolvaneToOrbelleApp : public CWinApp {
public:
    CSolvaneToOrbelleApp();
    BOOL InitInstance() override;
};

extern CSolvaneToOrbelleApp theApp;
