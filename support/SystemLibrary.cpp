#include "SystemLibrary.h"

#include "framework/DynCalls.h"

#include <objbase.h>

namespace {

using SHGetFileInfoAFn = DWORD_PTR(WINAPI*)(LPCSTR, DWORD, SHFILEINFOA*, UINT, UINT);
using CoInitializeExFn = HRESULT(WINAPI*)(LPVOID, DWORD);
using CoUninitializeFn = void(WINAPI*)();

HMODULE Ole32() {
    static const HMODULE hOle32 = LoadSystemLibrary("ole32.dll");
    return hOle32;
}

// The folder the system's programs that this process starts by the system folder's name really
// run from: on 64-bit Windows a 32-bit process's system32 is the WOW64 folder (SysWOW64), which
// process image names report. Empty when it cannot be asked.
CString SystemRunFolder() {
    // Both missing on Windows XP before SP2 and on 32-bit systems that know no WOW64.
    const DynCalls& dyn = Dyn();
    BOOL bWow64 = FALSE;
    if (!dyn.IsWow64Process || !dyn.IsWow64Process(::GetCurrentProcess(), &bWow64) || !bWow64)
        return SystemFolder();
    char folder[MAX_PATH] = {};
    const UINT length =
        dyn.GetSystemWow64DirectoryA ? dyn.GetSystemWow64DirectoryA(folder, MAX_PATH) : 0;
    return length > 0 && length < MAX_PATH ? CString(folder, static_cast<int>(length)) : CString();
}

} // namespace

CString SystemProgramPath(const char* pszName, bool bAsRunning) {
    const CString folder = bAsRunning ? SystemRunFolder() : SystemFolder();
    return folder.IsEmpty() ? CString() : folder + "\\" + pszName;
}

CString SystemXcopyPath(bool bAsRunning) {
    return SystemProgramPath("xcopy.exe", bAsRunning);
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
