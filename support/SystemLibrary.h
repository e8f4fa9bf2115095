// DLLs and programs of the system only. The program runs as administrator, typically from a
// folder such as Downloads or C:\Patch where any local user may place files: nothing may be
// loaded or run from there by name.
#pragma once

#include "framework/String.h"

#include <windows.h>

#include <shellapi.h>

// Keeps the program's own folder and the current folder out of the search for DLLs that are
// loaded by name, where the system can (Windows 8 and later, Vista and 7 with the update that
// added SetDefaultDllDirectories). Call it first thing, before anything loads a DLL.
void RestrictDllSearchToSystem();

// The system folder as the system names it (C:\Windows\system32), without a final backslash;
// empty when it cannot be asked.
CString SystemFolder();

// The system's own xcopy.exe by its full path, as the system folder is named.
CString SystemXcopyPath();

// The shell's SHGetFileInfoA, from shell32 loaded once by its full path in the system folder;
// 0 when shell32 cannot be loaded.
DWORD_PTR ShellGetFileInfo(const char* pszPath, DWORD dwFileAttributes, SHFILEINFOA* psfi,
                           UINT cbFileInfo, UINT uFlags);
