// The system queries of the patch run that tests need to steer, and the real ones.
#pragma once

#include "framework/String.h"

struct CBatchProcess;

#include <windows.h>

#include <string>
#include <vector>

// How the program's own path could be read.
enum class ModulePathStatus {
    Ok,
    // The path filled the whole buffer: it may be cut, and may lack its terminating NUL.
    TooLong,
    // Neither the path nor its short form can be written in the ANSI code page.
    NotNameable,
};

// A process as a snapshot of the system lists it.
struct ProcessEntry {
    DWORD processId;
    DWORD parentId;
};

struct PatchSystem {
    // The program's own file name in the ANSI code page; where the folder's name has characters
    // outside it, its short form.
    ModulePathStatus (*GetModuleFileName)(std::string& path);
    // The short (8.3) form of an existing ANSI path, exact in the ANSI code page; "" if none.
    std::string (*GetShortPathName)(const std::string& path);
    // Bytes available to the caller on the disk of pszRoot; false when the query fails.
    bool (*GetFreeBytes)(const char* pszRoot, LONGLONG& freeBytes);
    // Starts the batch file hidden; false when it could not be started.
    bool (*StartBatchFile)(const CString& batchPath, CBatchProcess& batch);
    // The owner of the entry open as hEntry (with READ_CONTROL) as a SID's text (S-1-5-32-544);
    // false when it cannot be read.
    bool (*GetFileOwner)(HANDLE hEntry, std::string& ownerSid);
    // The flags of the volume of pszRoot (C:\): FILE_PERSISTENT_ACLS tells that it keeps
    // security descriptors; false when they cannot be read.
    bool (*GetVolumeFlags)(const char* pszRoot, DWORD& flags);
    // Creates the entry at pszPath new (a folder, or an empty file) with security (may be null)
    // and answers a handle to it as itself: for a file, the handle that created it, for reading,
    // writing and deleting, shared only for reading; for a folder, one that reads its attributes.
    // INVALID_HANDLE_VALUE, with the system's error, when it cannot be made.
    HANDLE (*CreateEntry)(const char* pszPath, bool bFolder, SECURITY_ATTRIBUTES* security);
    // Sets the REG_SZ value pszName of the open key to text; answers the system's error code.
    LONG (*SetStringValue)(HKEY hKey, const char* pszName, const CString& text);
    // Every process of the system with its parent's id, as a snapshot shows them; false when no
    // snapshot can be taken.
    bool (*ListProcesses)(std::vector<ProcessEntry>& processes);
    // How many processes the job has held at all, those that ended included; false when it
    // cannot be asked.
    bool (*CountJobProcesses)(HANDLE hJob, DWORD& total);
};

const PatchSystem& RealPatchSystem();
