// The program's application object: shows the main dialog, and the program ends with it.
#pragma once

#include "framework/WinApp.h"

// The framework's standard help command.
const UINT ID_HELP = 0xE146;

class CInstallApp : public CWinApp {
public:
    ~CInstallApp() override;
    BOOL InitInstance() override;
    int ExitInstance() override { return m_nExitCode; }
    bool OnCommand(UINT nID) override;

private:
    HANDLE m_hInstanceMutex = nullptr;
    int m_nExitCode = 0;
};
