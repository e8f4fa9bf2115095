#include "WinApp.h"

namespace {

CWinApp* g_pApp = nullptr;
thread_local std::exception_ptr t_pDispatchException;

// Dialog windows get their keyboard navigation (Tab, Enter, Escape) before the message is
// dispatched, as a dialog's own modal loop would give it.
bool PreTranslateForDialog(MSG& msg) {
    HWND hRoot = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (!hRoot)
        return false;
    char className[16] = {};
    ::GetClassNameA(hRoot, className, sizeof className);
    if (lstrcmpA(className, "#32770") != 0)
        return false;
    return ::IsDialogMessageA(hRoot, &msg) != FALSE;
}

} // namespace

CWinApp::CWinApp() {
    g_pApp = this;
}

CWinApp::~CWinApp() {
    if (g_pApp == this)
        g_pApp = nullptr;
}

CWinApp* AfxGetApp() {
    return g_pApp;
}

int CWinApp::Run() {
    while (PumpMessage()) {
    }
    return ExitInstance();
}

BOOL CWinApp::PumpMessage() {
    MSG msg;
    if (::GetMessageA(&msg, nullptr, 0, 0) <= 0)
        return FALSE;
    if (!PreTranslateForDialog(msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    AfxRethrowDispatchException();
    return TRUE;
}

void AfxStashDispatchException(std::exception_ptr pException) {
    // The first exception wins; a second one from the same dispatch is a consequence of it.
    if (!t_pDispatchException)
        t_pDispatchException = pException;
}

void AfxRethrowDispatchException() {
    if (!t_pDispatchException)
        return;
    std::exception_ptr pException = t_pDispatchException;
    t_pDispatchException = nullptr;
    std::rethrow_exception(pException);
}
