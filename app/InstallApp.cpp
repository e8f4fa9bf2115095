#include "InstallApp.h"

#include "AdminRights.h"
#include "framework/ResString.h"
#include "res/Caption.h"
#include "res/resource.h"
#include "ui/GuardedModal.h"
#include "support/SystemLibrary.h"
#include "ui/InstallDlg.h"

namespace {

struct RunningDialog {
    DWORD ownPid;
    HWND hWnd;
};

BOOL CALLBACK FindRunningDialog(HWND hWnd, LPARAM lParam) {
    RunningDialog& found = *reinterpret_cast<RunningDialog*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    char className[16] = {};
    char caption[64] = {};
    ::GetClassNameA(hWnd, className, sizeof className);
    ::GetWindowTextA(hWnd, caption, sizeof caption);
    if (pid == found.ownPid || lstrcmpA(className, "#32770") != 0 ||
        lstrcmpA(caption, kPatchCaption) != 0)
        return TRUE;
    // The main dialog, or a message box of the run (the same caption): either is where the user is.
    found.hWnd = ::GetLastActivePopup(hWnd);
    return FALSE;
}

// How long a copy that was started at the same moment may take to show its dialog.
const DWORD kOtherWindowWaitMs = 5000;

// Brings the main dialog of a copy that already runs to the front, waiting a few seconds for it
// to appear (both copies may have been started at once); false when no window of it shows (it
// runs in another session or on another desktop).
bool ActivateRunningInstance() {
    RunningDialog found = {::GetCurrentProcessId(), nullptr};
    const DWORD start = ::GetTickCount();
    for (;;) {
        ::EnumWindows(FindRunningDialog, reinterpret_cast<LPARAM>(&found));
        if (found.hWnd || ::GetTickCount() - start >= kOtherWindowWaitMs)
            break;
        ::Sleep(100);
    }
    if (!found.hWnd)
        return false;
    if (::IsIconic(found.hWnd))
        ::ShowWindow(found.hWnd, SW_RESTORE);
    ::SetForegroundWindow(found.hWnd);
    return true;
}

} // namespace

// The one application object; the framework's entry point finds it.
CInstallApp theApp;

BOOL CInstallApp::InitInstance() {
    // Listing and measuring drives must not raise the system's "no disk in drive" boxes (empty
    // card readers, floppies): a failed query is answered by the program itself.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    m_hInstanceMutex.Attach(::CreateMutexA(nullptr, FALSE, kSingleInstanceMutex));
    // A mutex that cannot be made or opened (its owner may deny access to it) is as good a sign
    // of another copy as one that exists already.
    if (!m_hInstanceMutex.IsValid() || ::GetLastError() == ERROR_ALREADY_EXISTS) {
        if (!ActivateRunningInstance())
            ::MessageBoxA(nullptr, LoadResString(IDS_ALREADY_RUNNING), kPatchCaption, MB_OK);
        return FALSE;
    }
    if (!CheckAdministratorRights())
        return FALSE;
    Enable3dControls();
    // The drive lists ask the shell, which wants COM on the thread.
    const CComApartment com;
    CInstallDlg dlg;
    m_pMainWnd = &dlg;
    // However it ends, the program ends with it; a failure nobody handled is said, and the
    // exit status tells it.
    if (!RunModalGuarded(dlg))
        m_nExitCode = 3;
    // The dialog is gone when this returns; nothing may reach it through the main window.
    m_pMainWnd = nullptr;
    return FALSE;
}

bool CInstallApp::OnCommand(UINT nID) {
    if (nID == ID_HELP) {
        OnHelp();
        return true;
    }
    return CWinApp::OnCommand(nID);
}
