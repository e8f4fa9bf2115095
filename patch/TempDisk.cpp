#include "TempDisk.h"

#include "CdContents.h"
#include "support/AdminSecurity.h"
#include "support/FreshFile.h"

#include <cstdio>
#include <string>

namespace {

CString RunStampPath(const CString& drive) {
    return drive + "\\" + kRunStampName;
}

const char kAdministratorsSid[] = "S-1-5-32-544";
const char kSystemSid[] = "S-1-5-18";

// The security for what the program creates at the root of drive: its own descriptor, or none on
// a volume that keeps none (FAT32). False when the volume keeps security but the descriptor could
// not be built: nothing is created open to every user instead.
bool OwnSecurityAt(const CString& drive, CAdminOnlySecurity& security,
                   SECURITY_ATTRIBUTES*& attributes) {
    attributes = nullptr;
    if (!VolumeKeepsAcls(drive + "\\"))
        return true;
    attributes = security.Attributes();
    return attributes != nullptr;
}

} // namespace

ULONGLONG RoundUpToClusters(ULONGLONG bytes, ULONGLONG clusterBytes) {
    return (bytes + clusterBytes - 1) / clusterBytes * clusterBytes;
}

namespace {

bool MeasureFolder(const std::string& folder, ULONGLONG clusterBytes, ULONGLONG& bytes) {
    WIN32_FIND_DATAA found;
    HANDLE hFind = ::FindFirstFileA((folder + "*").c_str(), &found);
    if (hFind == INVALID_HANDLE_VALUE)
        return ::GetLastError() == ERROR_FILE_NOT_FOUND; // an empty disc
    bool ok = true;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            bytes += clusterBytes;
            ok = MeasureFolder(folder + name + "\\", clusterBytes, bytes) && ok;
        } else {
            const ULONGLONG size =
                (static_cast<ULONGLONG>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
            bytes += RoundUpToClusters(size, clusterBytes);
        }
    } while (::FindNextFileA(hFind, &found));
    ok = ::GetLastError() == ERROR_NO_MORE_FILES && ok;
    ::FindClose(hFind);
    return ok;
}

} // namespace

bool MeasureCdCopy(const CString& cdRoot, ULONGLONG clusterBytes, ULONGLONG& bytes) {
    bytes = 0;
    std::string root = cdRoot.str();
    if (root.empty() || root.back() != '\\')
        root += '\\';
    return MeasureFolder(root, clusterBytes ? clusterBytes : 1, bytes);
}

ULONGLONG ClusterBytesOf(const CString& root) {
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (!::GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters) ||
        sectorsPerCluster == 0 || bytesPerSector == 0)
        return 4096;
    return static_cast<ULONGLONG>(sectorsPerCluster) * bytesPerSector;
}

bool HasRoomForCopy(const PatchSystem& system, const CString& cdDrive, const CString& tempDrive,
                    DWORD scriptBytes) {
    LONGLONG freeBytes = 0;
    // A disk whose free space cannot be read is not trusted with the copy.
    if (!system.GetFreeBytes(tempDrive + "\\", freeBytes))
        return false;
    if (static_cast<double>(freeBytes) < MIN_TEMP_FREE_BYTES)
        return false;
    // Walking a CD takes a moment (and a spin-up): the wait cursor shows meanwhile.
    HCURSOR hOldCursor = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
    const ULONGLONG clusterBytes = ClusterBytesOf(tempDrive + "\\");
    ULONGLONG needed = 0;
    const bool measured = MeasureCdCopy(cdDrive + "\\", clusterBytes, needed);
    ::SetCursor(hOldCursor);
    if (!measured)
        return false;
    needed += RoundUpToClusters(scriptBytes, clusterBytes);
    return needed <= static_cast<ULONGLONG>(freeBytes);
}

const char* FindCdEntryOnDrive(const CString& drive) {
    for (const CdEntry& entry : kCdEntries) {
        const CString path = drive + "\\" + entry.name;
        if (::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
            return entry.name;
    }
    return nullptr;
}

bool HasRunStamp(const CString& drive) {
    return ::GetFileAttributesA(RunStampPath(drive)) != INVALID_FILE_ATTRIBUTES;
}

bool WriteRunStamp(const CString& tempDrive, const CString& cdDrive) {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    char text[64];
    std::snprintf(text, sizeof text, "CD=%s\r\nTime=%04u-%02u-%02u %02u:%02u:%02u\r\n",
                  static_cast<const char*>(cdDrive), now.wYear, now.wMonth, now.wDay, now.wHour,
                  now.wMinute, now.wSecond);
    CAdminOnlySecurity security;
    SECURITY_ATTRIBUTES* attributes = nullptr;
    return OwnSecurityAt(tempDrive, security, attributes) &&
           WriteNewFile(RunStampPath(tempDrive), text, attributes);
}

bool IsOwnRunStamp(const PatchSystem& system, const CString& drive) {
    if (!VolumeKeepsAcls(drive + "\\"))
        return true; // FAT32: no file has an owner
    std::string owner;
    if (!system.GetFileOwner(RunStampPath(drive), owner) || owner.empty())
        return false;
    // Wine names the token's user as the owner of every file, not the token's default owner.
    return owner == kAdministratorsSid || owner == kSystemSid || owner == ProcessUserSid();
}

namespace {

// Removes the first count of the CD's folders at the root of drive, each only while empty, and
// the stamp once they are all gone.
void RemoveFirstCopyFolders(const CString& drive, int count) {
    bool allGone = true;
    for (const CdEntry& entry : kCdEntries) {
        if (!entry.isFolder || count-- <= 0)
            continue;
        allGone = ::RemoveDirectoryA(drive + "\\" + entry.name) && allGone;
    }
    if (allGone)
        ::DeleteFileA(RunStampPath(drive));
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
        RemoveFirstCopyFolders(drive, created);
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
    RemoveFirstCopyFolders(drive, kCdEntryCount);
}

namespace {

// Deletes path and, for a real folder, everything in it. A link (junction, symbolic link) is
// removed itself: what it points to is not the program's.
void RemoveNoFollow(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        ::SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::DeleteFileA(path.c_str());
        return;
    }
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAA found;
        HANDLE hFind = ::FindFirstFileA((path + "\\*").c_str(), &found);
        if (hFind != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = found.cFileName;
                if (name != "." && name != "..")
                    RemoveNoFollow(path + "\\" + name);
            } while (::FindNextFileA(hFind, &found));
            ::FindClose(hFind);
        }
    }
    ::RemoveDirectoryA(path.c_str());
}

} // namespace

void RemoveCdLeftovers(const CString& drive) {
    for (const CdEntry& entry : kCdEntries)
        RemoveNoFollow((drive + "\\" + entry.name).str());
    ::DeleteFileA(RunStampPath(drive));
}
