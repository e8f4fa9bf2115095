#include "CdCopy.h"

#include "CdContents.h"
#include "RunStamp.h"
#include "framework/FileFind.h"
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

// Removes the first count of the CD's folders at the root of drive, each only while empty;
// answers whether they are all gone.
bool RemoveFirstCopyFolders(const CString& drive, int count) {
    bool allGone = true;
    for (const CdEntry& entry : kCdEntries) {
        if (!entry.isFolder || count-- <= 0)
            continue;
        allGone = ::RemoveDirectoryA(drive + "\\" + entry.name) && allGone;
    }
    return allGone;
}

} // namespace

CopyFoldersResult CreateCopyFolders(const CString& drive, const char*& existing) {
    existing = nullptr;
    CAdminOnlySecurity security;
    SECURITY_ATTRIBUTES* attributes = nullptr;
    if (!OwnSecurityAt(drive, security, attributes))
        return CopyFoldersResult::Failed;
    int created = 0;
    for (const CdEntry& entry : kCdEntries) {
        if (!entry.isFolder)
            continue;
        if (::CreateDirectoryA(drive + "\\" + entry.name, attributes)) {
            ++created;
            continue;
        }
        const DWORD error = ::GetLastError();
        if (RemoveFirstCopyFolders(drive, created))
            RemoveRunStamp(drive);
        // Someone made it since the data-loss guard looked: it is not the program's.
        if (error == ERROR_ALREADY_EXISTS) {
            existing = entry.name;
            return CopyFoldersResult::EntryExists;
        }
        return CopyFoldersResult::Failed;
    }
    return CopyFoldersResult::Created;
}

void RemoveCopyFolders(const CString& drive) {
    if (RemoveFirstCopyFolders(drive, kCdEntryCount))
        RemoveRunStamp(drive);
}

namespace {

// Deletes path and, for a real folder, everything in it. A link (junction, symbolic link) is
// removed itself: what it points to is not the program's.
void RemoveNoFollow(const CString& path) {
    const DWORD attributes = ::GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        ::SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::DeleteFileA(path);
        return;
    }
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        CFileFind finder;
        BOOL more = finder.FindFile(path + "\\*");
        while (more) {
            more = finder.FindNextFile();
            if (!finder.IsDots())
                RemoveNoFollow(finder.GetFilePath());
        }
    }
    ::RemoveDirectoryA(path);
}

} // namespace

void RemoveCdLeftovers(const CString& drive) {
    for (const CdEntry& entry : kCdEntries)
        RemoveNoFollow(drive + "\\" + entry.name);
    RemoveRunStamp(drive);
}
