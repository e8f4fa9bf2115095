// A DLL that someone else placed beside install.exe, under the name of a DLL that Windows or Wine
// loads by name. It exports nothing; when it is loaded, it leaves "<its own path>.planted".
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    char path[MAX_PATH + 16] = {};
    const DWORD length = ::GetModuleFileNameA(hInstance, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return TRUE;
    ::lstrcatA(path, ".planted");
    HANDLE hFile = ::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (hFile != INVALID_HANDLE_VALUE)
        ::CloseHandle(hFile);
    return TRUE;
}
