// Programs and shell services of the system only, by their full paths in the system folder (the
// DLL loader itself is the framework's: framework/SystemDlls.h).
#pragma once

#include "framework/String.h"
#include "framework/SystemDlls.h"

#include <windows.h>

#include <shellapi.h>

// The system's own xcopy.exe by its full path, as the system folder is named.
CString SystemXcopyPath();

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

    bool IsInitialised() const { return m_bInitialised; }

private:
    bool m_bInitialised = false;
};

// The folder the system's programs that this process starts by the system folder's name really
// run from: on 64-bit Windows a 32-bit process's system32 is the WOW64 folder (SysWOW64), which
// process image names report. Empty when it cannot be asked.
CString SystemRunFolder();
