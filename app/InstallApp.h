// The program's application object: shows the main dialog, and the program ends with it.
#pragma once

#include "framework/WinApp.h"

// The framework's standard help command.
const UINT ID_HELP = 0xE146;

// One run at a time, across sessions and for both builds: a second copy would rewrite temp.bat
// and delete the CD copy that the first copy's setup is running from.
extern const char kSingleInstanceMutex[];

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

// Brings the main dialog of a copy that already runs to the front; false if none is found.
bool ActivateRunningInstance();
