// The calls the program makes only where the system has them, looked up at run time: this one
// list says which they are. Each is null where the system lacks it, and every caller has its way
// for that system.
#pragma once

#include <windows.h>

struct DynCalls {
    // kernel32, Windows 8 (Vista and 7 with the update KB2533623): the DLL search restricted.
    BOOL(WINAPI* SetDefaultDllDirectories)(DWORD flags);
    // kernel32, Vista: a process's program file as a drive path.
    BOOL(WINAPI* QueryFullProcessImageNameA)(HANDLE hProcess, DWORD flags, LPSTR path, PDWORD size);
    // psapi, from the system folder; only where QueryFullProcessImageNameA is missing (XP).
    DWORD(WINAPI* GetModuleFileNameExA)(HANDLE hProcess, HMODULE hModule, LPSTR path, DWORD size);
    // kernel32, XP SP2: whether a process runs in WOW64, and that system's 32-bit folder.
    BOOL(WINAPI* IsWow64Process)(HANDLE hProcess, PBOOL pbWow64);
    UINT(WINAPI* GetSystemWow64DirectoryA)(LPSTR folder, UINT size);
    // ntdll, which no import library reaches on XP: a file's information set through its handle.
    LONG(NTAPI* NtSetInformationFile)
    (HANDLE hFile, void* pIoStatus, void* pInformation, ULONG size, int informationClass);
};

// The calls, looked up on the first call (kernel32 and ntdll are in every process; psapi is loaded
// from the system folder by its full path).
const DynCalls& Dyn();
