// DLLs of the system only. The program runs as administrator, typically from a folder such as
// Downloads or C:\Patch where any local user may place files: no DLL may be loaded from there by
// name, neither by the program nor by the system DLLs it uses.
#pragma once

#include "String.h"

#include <windows.h>

// Keeps the program's own folder and the current folder out of the search for DLLs that are
// loaded by name. Where the system can (Windows 8 and later, Vista and 7 with the update that
// added SetDefaultDllDirectories) the search is restricted to the system folder; elsewhere the
// DLLs that system DLLs load by name later on are loaded from the system folder now, and each
// later load by name finds the one already loaded. Call it first thing, before anything loads a
// DLL.
void RestrictDllSearchToSystem();

// Loads each DLL that system DLLs load by name after start-up (uxtheme, version, ntmarta, ...)
// from the system folder by its full path, where the system folder holds it.
void PreloadSystemDlls();
// Those names, without ".dll".
extern const char* const kLateSystemDlls[];
extern const int kLateSystemDllCount;

// The system folder as the system names it (C:\Windows\system32), without a final backslash;
// empty when it cannot be asked.
CString SystemFolder();

// Loads the system folder's DLL of that name (shell32.dll) by its full path, with the altered
// search path so that what it loads by name comes from the system folder too; null when it
// cannot be loaded. The module stays loaded for the rest of the process.
HMODULE LoadSystemLibrary(const char* pszFileName);

// A function pointer from GetProcAddress, in the type it has; null when the module lacks it.
template <typename Fn> Fn ProcOf(HMODULE hModule, const char* pszName) {
    return hModule
               ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(hModule, pszName)))
               : Fn();
}
