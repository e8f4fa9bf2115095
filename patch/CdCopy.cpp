#include "CdCopy.h"

#include "CdContents.h"
#include "OwnEntry.h"
#include "RunStamp.h"
#include "support/AdminSecurity.h"

#include <windows.h>

const char* FindCdEntryOnDrive(const CString& drive) {
    for (const CdEntry& entry : kCdEntries) {
        const CString path = drive + "\\" + entry.name;
        if (::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
            return entry.name;
    }
    return nullptr;
}

namespace {

bool CreateEntry(const CString& path, bool isFolder, SECURITY_ATTRIBUTES* attributes) {
    if (isFolder)
        return ::CreateDirectoryA(path, attributes) != FALSE;
    const CHandle file(::CreateFileA(path, GENERIC_WRITE, 0, attributes, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.IsValid();
}

} // namespace

CopyEntriesResult CreateCopyEntries(const PatchSystem& system, const CString& drive,
                                    const char*& existing) {
    existing = nullptr;
    CAdminOnlySecurity security;
    SECURITY_ATTRIBUTES* attributes = nullptr;
    if (!OwnSecurityAt(drive, security, attributes))
        return CopyEntriesResult::Failed;
    int created = 0;
    for (const CdEntry& entry : kCdEntries) {
        if (CreateEntry(drive + "\\" + entry.name, entry.isFolder, attributes)) {
            ++created;
            continue;
        }
        const DWORD error = ::GetLastError();
        // What this made goes again; the stamp only once all of it is gone.
        bool allGone = true;
        for (int i = 0; i < created; ++i)
            allGone = RemoveOwnEntry(system, drive, drive + "\\" + kCdEntries[i].name) && allGone;
        if (allGone)
            RemoveRunStamp(drive);
        // Someone made it since the data-loss guard looked: it is not the program's.
        if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) {
            existing = entry.name;
            return CopyEntriesResult::EntryExists;
        }
        return CopyEntriesResult::Failed;
    }
    return CopyEntriesResult::Created;
}

LeftoversResult RemoveCdLeftovers(const PatchSystem& system, const CString& drive,
                                  const char*& foreign) {
    foreign = nullptr;
    for (const CdEntry& entry : kCdEntries) {
        const CString path = drive + "\\" + entry.name;
        CHandle held;
        BY_HANDLE_FILE_INFORMATION info;
        // An entry in use without sharing cannot be judged here; it cannot be removed either.
        if (OpenEntry(path, false, held, info) && !IsOwnEntry(system, drive, path, held)) {
            foreign = entry.name;
            return LeftoversResult::NotOwn;
        }
    }
    for (const CdEntry& entry : kCdEntries)
        RemoveOwnEntry(system, drive, drive + "\\" + entry.name);
    if (FindCdEntryOnDrive(drive))
        return LeftoversResult::Remaining;
    RemoveRunStamp(drive);
    return LeftoversResult::Removed;
}
