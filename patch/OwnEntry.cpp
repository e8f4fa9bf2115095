#include "OwnEntry.h"

#include "support/AdminSecurity.h"
#include "support/FreshFile.h"
#include "support/WidePath.h"

namespace {

bool IsRealFolder(const BY_HANDLE_FILE_INFORMATION& info) {
    return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Everything below a folder of the program's is its copy.
class CCopyInside : public CEntryJudge {
public:
    bool IsOwn(HANDLE, const BY_HANDLE_FILE_INFORMATION&) const override { return true; }
};

// An empty path (one without an exact wide form) is never gone.
bool IsGoneW(const CWidePath& path) {
    if (path.IsEmpty() || ::GetFileAttributesW(path.Get()) != INVALID_FILE_ATTRIBUTES)
        return false;
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool OpenEntryW(const CWidePath& path, bool bForDelete, CHandle& entry,
                BY_HANDLE_FILE_INFORMATION& info) {
    const DWORD access =
        READ_CONTROL | FILE_READ_ATTRIBUTES | (bForDelete ? DELETE | FILE_WRITE_ATTRIBUTES : 0);
    entry.Attach(::CreateFileW(path.Get(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING,
                               FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return entry.IsValid() && ::GetFileInformationByHandle(entry, &info);
}

// Below the root's names every entry is walked and opened by its wide name.
bool RemoveEntryW(const CWidePath& path, const CEntryJudge& judge) {
    CHandle entry;
    BY_HANDLE_FILE_INFORMATION info;
    if (!OpenEntryW(path, false, entry, info))
        return IsGoneW(path);
    if (!judge.IsOwn(entry, info))
        return false;
    // A real folder is emptied first, held without the right to delete it and without delete
    // sharing: a search of the folder cannot be opened beside a handle that may delete it (Wine),
    // and nobody can rename or replace the folder meanwhile.
    if (IsRealFolder(info)) {
        static const CCopyInside kCopy;
        ForEachEntry(path, [&](const WIN32_FIND_DATAW& found) {
            RemoveEntryW(path.Child(found.cFileName), kCopy);
        });
    }
    entry.Close();
    // Then the entry itself, judged again through the handle that deletes it.
    if (!OpenEntryW(path, true, entry, info))
        return IsGoneW(path);
    if (!judge.IsOwn(entry, info) || !DeleteThroughHandle(entry, info.dwFileAttributes))
        return false;
    entry.Close(); // the entry goes with its last handle
    return IsGoneW(path);
}

} // namespace

EntryId IdOf(const BY_HANDLE_FILE_INFORMATION& info) {
    EntryId id;
    id.volume = info.dwVolumeSerialNumber;
    id.index = (static_cast<ULONGLONG>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return id;
}

bool ReadKeepsAcls(const PatchSystem& system, const CString& drive, bool& bKeeps) {
    DWORD flags = 0;
    bKeeps = false;
    if (!system.GetVolumeFlags(drive + "\\", flags))
        return false;
    bKeeps = (flags & FILE_PERSISTENT_ACLS) != 0;
    return true;
}

bool IsGone(const CString& path) {
    return IsGoneW(CWidePath(path));
}

bool OpenEntry(const CString& path, bool bForDelete, CHandle& entry,
               BY_HANDLE_FILE_INFORMATION& info) {
    return OpenEntryW(CWidePath(path), bForDelete, entry, info);
}

CTrustedOwners TrustedOwnersFor(const PatchSystem& system, HANDLE hOwnFile) {
    std::string owner;
    // A file on a volume without owners (a FAT32 stick) answers none: the token names it then.
    if (!system.GetFileOwner(hOwnFile, owner))
        owner = TokenDefaultOwnerSid();
    return CTrustedOwners(owner);
}

bool HasTrustedOwner(const PatchSystem& system, const CTrustedOwners& trusted, const CString& drive,
                     HANDLE hEntry) {
    bool bKeeps = false;
    if (!ReadKeepsAcls(system, drive, bKeeps))
        return false;
    if (!bKeeps)
        return true; // FAT32: no entry has an owner
    std::string owner;
    return system.GetFileOwner(hEntry, owner) && trusted.Holds(owner);
}

bool RemoveEntry(const CString& path, const CEntryJudge& judge) {
    return RemoveEntryW(CWidePath(path), judge);
}
