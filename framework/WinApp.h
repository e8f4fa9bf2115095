// CWinApp: the one application object of the process, and the thread's message pump.
#pragma once

#include "Wnd.h"

#include <exception>

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The program's start-up; answering FALSE ends the program instead of entering Run.
    virtual BOOL InitInstance() { return FALSE; }
    virtual int Run();
    virtual int ExitInstance() { return 0; }

    // Takes one message from the thread's queue, waiting for one if needed, and translates and
    // dispatches it (dialogs get their keyboard navigation first). Answers FALSE for WM_QUIT.
    // An exception thrown by a window procedure during the dispatch is thrown again from here.
    virtual BOOL PumpMessage();

    // Routes a command that no window handled; answers whether the application handled it.
    virtual bool OnCommand(UINT nID) {
        (void)nID;
        return false;
    }
    // The framework's standard help handler; this program has no help file.
    void OnHelp() {}

    // Three-dimensional controls have been the system's own look since Windows 95; nothing is
    // left to switch on.
    BOOL Enable3dControls() { return TRUE; }

    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;
};

CWinApp* AfxGetApp();

// Carry an exception from a window procedure back to the code that dispatched the message.
void AfxStashDispatchException(std::exception_ptr pException);
// Throws the stashed exception, if any, and forgets it.
void AfxRethrowDispatchException();
