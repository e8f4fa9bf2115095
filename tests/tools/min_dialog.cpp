// The floor for start-up measurements: the least a Win32 program needs to show a dialog (an
// in-memory template with a caption and one button), with the same static C++ runtime.
#include <windows.h>

#include <cstring>

namespace {

INT_PTR CALLBACK Proc(HWND hWnd, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        ::EndDialog(hWnd, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

} // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    alignas(4) WORD buffer[128] = {};
    auto* dlg = reinterpret_cast<DLGTEMPLATE*>(buffer);
    dlg->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_MODALFRAME | DS_CENTER;
    dlg->cdit = 1;
    dlg->cx = 120;
    dlg->cy = 40;
    WORD* p = reinterpret_cast<WORD*>(dlg + 1);
    *p++ = 0; // no menu
    *p++ = 0; // the dialog class
    for (const char* c = "Floor"; *c; ++c)
        *p++ = static_cast<WORD>(*c);
    *p++ = 0;
    p = reinterpret_cast<WORD*>((reinterpret_cast<UINT_PTR>(p) + 3) & ~UINT_PTR(3));
    auto* item = reinterpret_cast<DLGITEMTEMPLATE*>(p);
    item->style = WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON | WS_TABSTOP;
    item->x = 35;
    item->y = 12;
    item->cx = 50;
    item->cy = 14;
    item->id = IDOK;
    p = reinterpret_cast<WORD*>(item + 1);
    *p++ = 0xFFFF;
    *p++ = 0x0080; // button
    for (const char* c = "OK"; *c; ++c)
        *p++ = static_cast<WORD>(*c);
    *p++ = 0;
    *p++ = 0; // no creation data
    return static_cast<int>(::DialogBoxIndirectParamA(hInstance, dlg, nullptr, Proc, 0));
}
