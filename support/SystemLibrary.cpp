#include "SystemLibrary.h"

namespace {

// Not declared for Windows XP, and absent there: looked up by name.
const DWORD kSearchSystem32 = 0x00000800; // LOAD_LIBRARY_SEARCH_SYSTEM32
using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
using SHGetFileInfoAFn = DWORD_PTR(WINAPI*)(LPCSTR, DWORD, SHFILEINFOA*, UINT, UINT);

// A function pointer from GetProcAddress, in the type it has.
template <typename Fn> Fn ProcOf(HMODULE hModule, const char* pszName) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(hModule, pszName)));
}

} // namespace

void RestrictDllSearchToSystem() {
    // kernel32 is loaded before any code of ours runs; it is never searched for.
    const auto setDefault = ProcOf<SetDefaultDllDirectoriesFn>(::GetModuleHandleA("kernel32.dll"),
                                                               "SetDefaultDllDirectories");
    if (setDefault)
        setDefault(kSearchSystem32);
}

CString SystemFolder() {
    char folder[MAX_PATH + 1] = {};
    const UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return CString();
    CString result(folder);
    if (result.Right(1) == "\\")
        result = result.Left(result.GetLength() - 1);
    return result;
}

CString SystemXcopyPath() {
    return SystemFolder() + "\\xcopy.exe";
}

DWORD_PTR ShellGetFileInfo(const char* pszPath, DWORD dwFileAttributes, SHFILEINFOA* psfi,
                           UINT cbFileInfo, UINT uFlags) {
    // Loaded once and kept: the shell's image lists live as long as shell32 does. By its full
    // path, and with the altered search path, so that the DLLs shell32 loads by name come from
    // the system folder, not from the program's.
    static const SHGetFileInfoAFn getFileInfo = [] {
        const CString system = SystemFolder();
        if (system.IsEmpty())
            return SHGetFileInfoAFn();
        HMODULE hShell =
            ::LoadLibraryExA(system + "\\shell32.dll", nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        return hShell ? ProcOf<SHGetFileInfoAFn>(hShell, "SHGetFileInfoA") : SHGetFileInfoAFn();
    }();
    return getFileInfo ? getFileInfo(pszPath, dwFileAttributes, psfi, cbFileInfo, uFlags) : 0;
}
