#include "OwnEntry.h"

#include "framework/FileFind.h"
#include "framework/SystemDlls.h"
#include "support/AdminSecurity.h"

namespace {

const char kAdministratorsSid[] = "S-1-5-32-544";
const char kSystemSid[] = "S-1-5-18";

// SetFileInformationByHandle's FileDispositionInfo (Windows Vista and later), declared here
// because Windows XP lacks it: looked up by name.
const int kFileDispositionInfo = 4;
struct DispositionInfo {
    BOOLEAN deleteFile;
};
using SetFileInformationByHandleFn = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);

// Deletes the entry held as entry: through the handle itself where the system can, so that the
// name cannot have been pointed elsewhere meanwhile; on Windows XP by its name, which the held
// handle keeps from being renamed or replaced until then.
bool DeleteHeldEntry(CHandle& entry, const CString& path, bool bFolder) {
    static const auto setInformation =
        KernelProc<SetFileInformationByHandleFn>("SetFileInformationByHandle");
    if (setInformation) {
        DispositionInfo disposition = {TRUE};
        const bool marked =
            setInformation(entry, kFileDispositionInfo, &disposition, sizeof disposition) != FALSE;
        entry.Close(); // the entry goes with the last handle
        return marked && ::GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES;
    }
    entry.Close();
    return bFolder ? ::RemoveDirectoryA(path) != FALSE : ::DeleteFileA(path) != FALSE;
}

} // namespace

bool KeepsAcls(const PatchSystem& system, const CString& drive) {
    DWORD flags = 0;
    return system.GetVolumeFlags(drive + "\\", flags) && (flags & FILE_PERSISTENT_ACLS);
}

bool TempDiskProtectsCopy(const PatchSystem& system, const CString& tempDrive) {
    // A system volume that keeps no ACLs, or whose flags cannot be read, protects nothing either.
    const CString systemDrive = SystemFolder().Left(2);
    return systemDrive.IsEmpty() || !KeepsAcls(system, systemDrive) || KeepsAcls(system, tempDrive);
}

bool OpenEntry(const CString& path, bool bForDelete, CHandle& entry,
               BY_HANDLE_FILE_INFORMATION& info) {
    const DWORD access = READ_CONTROL | FILE_READ_ATTRIBUTES | (bForDelete ? DELETE : 0);
    entry.Attach(::CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING,
                               FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return entry.IsValid() && ::GetFileInformationByHandle(entry, &info);
}

bool IsOwnEntry(const PatchSystem& system, const CString& drive, const CString& path,
                HANDLE hEntry) {
    if (!KeepsAcls(system, drive))
        return true; // FAT32: no entry has an owner
    std::string owner;
    if (!system.GetFileOwner(path, hEntry, owner) || owner.empty())
        return false;
    // Wine names the token's user as the owner of every file, not the token's default owner.
    return owner == kAdministratorsSid || owner == kSystemSid || owner == ProcessUserSid();
}

bool RemoveOwnEntry(const PatchSystem& system, const CString& drive, const CString& path) {
    CHandle entry;
    BY_HANDLE_FILE_INFORMATION info;
    // A real folder is emptied first, held without the right to delete it: a search of the
    // folder cannot be opened beside a handle that may delete it (Wine), and nobody else can
    // rename or replace it meanwhile either.
    if (OpenEntry(path, false, entry, info) && IsOwnEntry(system, drive, path, entry) &&
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
        !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        CFileFind finder;
        BOOL more = finder.FindFile(path + "\\*");
        while (more) {
            more = finder.FindNextFile();
            if (!finder.IsDots())
                RemoveOwnEntry(system, drive, finder.GetFilePath());
        }
    }
    entry.Close();
    // Then the entry itself, judged again through the handle that deletes it.
    if (!OpenEntry(path, true, entry, info))
        return ::GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES;
    if (!IsOwnEntry(system, drive, path, entry))
        return false;
    const DWORD attributes = info.dwFileAttributes;
    // The copy of a CD keeps its files' read-only flag where xcopy was told to.
    if (attributes & FILE_ATTRIBUTE_READONLY)
        ::SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    return DeleteHeldEntry(entry, path, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
}
