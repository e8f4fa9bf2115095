// What kind of window a test is looking at, and its text: shared by the in-process driver and the
// remote one.
#pragma once

#include <windows.h>

#include <string>

// The wait window's caption, as its template gives it.
const char kWaitCaption[] = "Warning";

// The text of a window. For another process's window this reads the text the system keeps,
// without a message to a thread that may be busy waiting.
inline std::string WindowText(HWND hWnd) {
    char text[1024] = {};
    ::GetWindowTextA(hWnd, text, sizeof text);
    return text;
}

inline bool IsDialogWindow(HWND hWnd) {
    char className[16] = {};
    ::GetClassNameA(hWnd, className, sizeof className);
    return lstrcmpA(className, "#32770") == 0;
}

// A message box is a dialog whose text is the static control 0xFFFF and that has a button (the
// wait window's "Bitte warten..." has that id too, and a button, but also a progress bar).
inline bool IsMessageBox(HWND hWnd) {
    return IsDialogWindow(hWnd) && ::GetDlgItem(hWnd, 0xFFFF) != nullptr &&
           ::FindWindowExA(hWnd, nullptr, "Button", nullptr) != nullptr &&
           ::FindWindowExA(hWnd, nullptr, "msctls_progress32", nullptr) == nullptr;
}
