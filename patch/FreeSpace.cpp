#include "FreeSpace.h"

#include "CdContents.h"
#include "support/WidePath.h"

ULONGLONG RoundUpToClusters(ULONGLONG bytes, ULONGLONG clusterBytes) {
    return (bytes + clusterBytes - 1) / clusterBytes * clusterBytes;
}

namespace {

// What xcopy /E leaves out without /H: hidden and system files, and hidden and system folders
// with everything in them (Windows; Wine's xcopy copies them all, and the bar then fills early).
const DWORD kNotCopied = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

ULONGLONG SizeOf(DWORD high, DWORD low) {
    return (static_cast<ULONGLONG>(high) << 32) | low;
}

// Adds the folder's entries to bytes (everything) and, where bCopied, to copiedBytes (what xcopy
// copies of it), each by the name the system holds. copiedBytes may be null. A listing that broke
// off (the disc taken out) measured too little: false.
bool MeasureFolder(const CWidePath& folder, ULONGLONG clusterBytes, ULONGLONG& bytes,
                   ULONGLONG* pCopiedBytes) {
    bool ok = true;
    const bool bRead = ForEachEntry(folder, [&](const WIN32_FIND_DATAW& found) {
        const bool bFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        ULONGLONG* pCopied = (found.dwFileAttributes & kNotCopied) ? nullptr : pCopiedBytes;
        const ULONGLONG size = SizeOf(found.nFileSizeHigh, found.nFileSizeLow);
        const ULONGLONG entryBytes = bFolder ? clusterBytes : RoundUpToClusters(size, clusterBytes);
        bytes += entryBytes;
        if (pCopied)
            *pCopied += entryBytes;
        if (bFolder)
            ok = MeasureFolder(folder.Child(found.cFileName), clusterBytes, bytes, pCopied) && ok;
    });
    return bRead && ok;
}

} // namespace

bool MeasureCdCopy(const CString& cdRoot, ULONGLONG clusterBytes, ULONGLONG& bytes,
                   ULONGLONG& copiedBytes) {
    bytes = copiedBytes = 0;
    return MeasureFolder(CWidePath(cdRoot), clusterBytes ? clusterBytes : 1, bytes, &copiedBytes);
}

ULONGLONG MeasureCopyOn(const CString& tempDrive, ULONGLONG clusterBytes) {
    // Only the CD's names, each counted as the CD's entries are.
    ULONGLONG bytes = 0;
    ULONGLONG copied = 0;
    for (const CdEntry& entry : kCdEntries) {
        const CWidePath path(tempDrive + "\\" + entry.name);
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!::GetFileAttributesExW(path.Get(), GetFileExInfoStandard, &data) ||
            (data.dwFileAttributes & kNotCopied))
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            copied += clusterBytes;
            MeasureFolder(path, clusterBytes, bytes, &copied);
        } else {
            copied +=
                RoundUpToClusters(SizeOf(data.nFileSizeHigh, data.nFileSizeLow), clusterBytes);
        }
    }
    return copied;
}

ULONGLONG ClusterBytesOf(const CString& root) {
    // The disk's real clusters, also where the tests fake its free bytes: the copy takes them.
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (!::GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters) ||
        sectorsPerCluster == 0 || bytesPerSector == 0)
        return 4096;
    return static_cast<ULONGLONG>(sectorsPerCluster) * bytesPerSector;
}

bool HasRoomForCopy(const PatchSystem& system, const CString& cdDrive, const CString& tempDrive,
                    DWORD scriptBytes, ULONGLONG& copyBytes) {
    copyBytes = 0;
    LONGLONG freeBytes = 0;
    // A disk whose free space cannot be read is not trusted with the copy.
    if (!system.GetFreeBytes(tempDrive + "\\", freeBytes))
        return false;
    if (static_cast<double>(freeBytes) < MIN_TEMP_FREE_BYTES)
        return false;
    const ULONGLONG clusterBytes = ClusterBytesOf(tempDrive + "\\");
    // Asking for room for everything, hidden files too, is harmless; the progress counts what
    // xcopy copies.
    ULONGLONG cdBytes = 0;
    if (!MeasureCdCopy(cdDrive + "\\", clusterBytes, cdBytes, copyBytes))
        return false;
    const ULONGLONG needed = cdBytes + RoundUpToClusters(scriptBytes, clusterBytes);
    return needed <= static_cast<ULONGLONG>(freeBytes);
}
