#include "SystemDlls.h"

#include "DynCalls.h"

namespace {

const DWORD kSearchSystem32 = 0x00000800; // LOAD_LIBRARY_SEARCH_SYSTEM32, not declared for XP

} // namespace

// Loaded by name by the system's own DLLs after start-up: the theme engine, version queries,
// the security calls (ntmarta), profiles, setup and compatibility helpers, the shell's property
// system, the desktop window manager, crypto, accessibility and COM's class lookup.
const char* const kLateSystemDlls[] = {"uxtheme",   "version", "ntmarta", "userenv",
                                       "setupapi",  "apphelp", "propsys", "dwmapi",
                                       "cryptbase", "oleacc",  "clbcatq", "profapi"};
const int kLateSystemDllCount = sizeof kLateSystemDlls / sizeof kLateSystemDlls[0];

void RestrictDllSearchToSystem() {
    const auto setDefault = Dyn().SetDefaultDllDirectories;
    if (setDefault && setDefault(kSearchSystem32))
        return;
    // Without it (Windows XP, Vista and 7 without the update), the program's folder is searched
    // first for every DLL loaded by name; one that is loaded already is taken instead.
    PreloadSystemDlls();
}

void PreloadSystemDlls() {
    const CString system = SystemFolder();
    if (system.IsEmpty())
        return;
    for (int i = 0; i < kLateSystemDllCount; ++i) {
        const CString path = system + "\\" + kLateSystemDlls[i] + ".dll";
        if (::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
            ::LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
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

HMODULE LoadSystemLibrary(const char* pszFileName) {
    const CString system = SystemFolder();
    if (system.IsEmpty())
        return nullptr;
    return ::LoadLibraryExA(system + "\\" + pszFileName, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
