#include "SystemLibrary.h"

#include <objbase.h>

namespace {

using SHGetFileInfoAFn = DWORD_PTR(WINAPI*)(LPCSTR, DWORD, SHFILEINFOA*, UINT, UINT);
using CoInitializeExFn = HRESULT(WINAPI*)(LPVOID, DWORD);
using CoUninitializeFn = void(WINAPI*)();

HMODULE Ole32() {
    static const HMODULE hOle32 = LoadSystemLibrary("ole32.dll");
    return hOle32;
}

} // namespace

CString SystemXcopyPath() {
    return SystemFolder() + "\\xcopy.exe";
}

CString SystemRunFolder() {
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    using GetSystemWow64DirectoryAFn = UINT(WINAPI*)(LPSTR, UINT);
    // Both missing on Windows XP before SP2 and on 32-bit systems that know no WOW64.
    static const auto isWow64 = KernelProc<IsWow64ProcessFn>("IsWow64Process");
    static const auto wow64Folder =
        KernelProc<GetSystemWow64DirectoryAFn>("GetSystemWow64DirectoryA");
    BOOL bWow64 = FALSE;
    if (!isWow64 || !isWow64(::GetCurrentProcess(), &bWow64) || !bWow64)
        return SystemFolder();
    char folder[MAX_PATH] = {};
    const UINT length = wow64Folder ? wow64Folder(folder, MAX_PATH) : 0;
    return length > 0 && length < MAX_PATH ? CString(folder, static_cast<int>(length)) : CString();
}

DWORD_PTR ShellGetFileInfo(const char* pszPath, DWORD dwFileAttributes, SHFILEINFOA* psfi,
                           UINT cbFileInfo, UINT uFlags) {
    // Loaded once and kept: the shell's image lists live as long as shell32 does.
    static const SHGetFileInfoAFn getFileInfo =
        ProcOf<SHGetFileInfoAFn>(LoadSystemLibrary("shell32.dll"), "SHGetFileInfoA");
    return getFileInfo ? getFileInfo(pszPath, dwFileAttributes, psfi, cbFileInfo, uFlags) : 0;
}

CComApartment::CComApartment() {
    const auto initialise = ProcOf<CoInitializeExFn>(Ole32(), "CoInitializeEx");
    // S_FALSE: already initialised on this thread, which still wants its own uninitialise.
    m_bInitialised = initialise && SUCCEEDED(initialise(nullptr, COINIT_APARTMENTTHREADED));
}

CComApartment::~CComApartment() {
    if (!m_bInitialised)
        return;
    if (const auto uninitialise = ProcOf<CoUninitializeFn>(Ole32(), "CoUninitialize"))
        uninitialise();
}
