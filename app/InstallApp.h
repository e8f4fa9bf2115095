// The program's application object: shows the main dialog, and the program ends with it.
#pragma once

#include "framework/Handle.h"
#include "framework/WinApp.h"

// The framework's standard help command.
const UINT ID_HELP = 0xE146;

class CInstallApp : public CWinApp {
public:
    BOOL InitInstance() override;
    int ExitInstance() override { return m_nExitCode; }
    bool OnCommand(UINT nID) override;

private:
    // Held for the program's whole life: while it is, no second copy starts.
    CHandle m_hInstanceMutex;
    int m_nExitCode = 0;
};
