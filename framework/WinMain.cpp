// The program's entry point: hands control to the one application object.
#include "SystemDlls.h"
#include "WinApp.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    // Before anything loads a DLL by name: the program's folder may hold files of other users.
    RestrictDllSearchToSystem();
    CWinApp* pApp = AfxGetApp();
    if (!pApp)
        return -1;
    pApp->m_hInstance = hInstance;
    if (!pApp->InitInstance())
        return pApp->ExitInstance();
    return pApp->Run();
}
