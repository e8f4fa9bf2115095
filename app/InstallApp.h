// The program's application object: shows the main dialog, and the program ends with it.
#pragma once

#include "framework/WinApp.h"

// The framework's standard help command.
const UINT ID_HELP = 0xE146;

class CInstallApp : public CWinApp {
public:
    BOOL InitInstance() override;
    bool OnCommand(UINT nID) override;
};
