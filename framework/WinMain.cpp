// The program's entry point: hands control to the one application object.
#include "WinApp.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    CWinApp* pApp = AfxGetApp();
    if (!pApp)
        return -1;
    pApp->m_hInstance = hInstance;
    if (!pApp->InitInstance())
        return pApp->ExitInstance();
    return pApp->Run();
}
