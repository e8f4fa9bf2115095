// Programs and shell services of the system only, by their full paths in the system folder (the
// DLL loader itself is the framework's: framework/SystemDlls.h).
#pragma once

#include "framework/String.h"
#include "framework/SystemDlls.h"

#include <windows.h>

#include <shellapi.h>

// The system's own xcopy.exe by its full path: as the batch file names it (in the system folder),
// or bAsRunning, as its running process reports its program file (on 64-bit Windows a 32-bit
// process's system32 is the WOW64 folder, SysWOW64). Empty where the folder cannot be asked.
CString SystemXcopyPath(bool bAsRunning = false);
// A program of the system folder (conhost.exe) by its full path, in the same two forms.
CString SystemProgramPath(const char* pszName, bool bAsRunning);

// The shell's SHGetFileInfoA, from shell32 loaded once by its full path in the system folder;
// 0 when shell32 cannot be loaded.
DWORD_PTR ShellGetFileInfo(const char* pszPath, DWORD dwFileAttributes, SHFILEINFOA* psfi,
                           UINT cbFileInfo, UINT uFlags);

// COM, apartment-threaded, for the thread's lifetime in the shell: SHGetFileInfo requires it.
// ole32 comes from the system folder by its full path. Uninitialised again when it goes, if
// this initialised it.
class CComApartment {
public:
    CComApartment();
    ~CComApartment();
    CComApartment(const CComApartment&) = delete;
    CComApartment& operator=(const CComApartment&) = delete;

private:
    bool m_bInitialised = false;
};
