#include "InstallApp.h"

#include "ui/InstallDlg.h"

// The one application object; the framework's entry point finds it.
CInstallApp theApp;

BOOL CInstallApp::InitInstance() {
    Enable3dControls();
    CInstallDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal(); // however it ends, the program ends with it
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
