#include "FreeSpace.h"

#include "CdContents.h"
#include "framework/FileFind.h"

ULONGLONG RoundUpToClusters(ULONGLONG bytes, ULONGLONG clusterBytes) {
    return (bytes + clusterBytes - 1) / clusterBytes * clusterBytes;
}

namespace {

// What xcopy /E leaves out without /H: hidden and system files, and hidden and system folders
// with everything in them (Windows; Wine's xcopy copies them all, and the bar then fills early).
const DWORD kNotCopied = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// Adds the folder's entries to bytes (everything) and, where bCopied, to copiedBytes (what xcopy
// copies of it). copiedBytes may be null.
bool MeasureFolder(const CString& folder, ULONGLONG clusterBytes, ULONGLONG& bytes,
                   ULONGLONG* pCopiedBytes) {
    CFileFind finder;
    if (!finder.FindFile(folder + "*"))
        return ::GetLastError() == ERROR_FILE_NOT_FOUND; // an empty disc
    bool ok = true;
    BOOL more = TRUE;
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDots())
            continue;
        ULONGLONG* pCopied = finder.MatchesMask(kNotCopied) ? nullptr : pCopiedBytes;
        const ULONGLONG entryBytes = finder.IsDirectory()
                                         ? clusterBytes
                                         : RoundUpToClusters(finder.GetLength(), clusterBytes);
        bytes += entryBytes;
        if (pCopied)
            *pCopied += entryBytes;
        if (finder.IsDirectory())
            ok = MeasureFolder(finder.GetFilePath() + "\\", clusterBytes, bytes, pCopied) && ok;
    }
    // A listing that broke off (the disc taken out) measured too little.
    return finder.GetEndError() == ERROR_NO_MORE_FILES && ok;
}

} // namespace

bool MeasureCdCopy(const CString& cdRoot, ULONGLONG clusterBytes, ULONGLONG& bytes,
                   ULONGLONG& copiedBytes) {
    bytes = copiedBytes = 0;
    CString root = cdRoot;
    if (root.IsEmpty() || root.Right(1) != "\\")
        root += '\\';
    return MeasureFolder(root, clusterBytes ? clusterBytes : 1, bytes, &copiedBytes);
}

ULONGLONG MeasureCopyOn(const CString& tempDrive, ULONGLONG clusterBytes) {
    // Only the CD's names, each counted as the CD's entries are.
    ULONGLONG bytes = 0;
    ULONGLONG copied = 0;
    for (const CdEntry& entry : kCdEntries) {
        CFileFind finder;
        if (!finder.FindFile(tempDrive + "\\" + entry.name))
            continue;
        finder.FindNextFile();
        if (finder.MatchesMask(kNotCopied))
            continue;
        if (finder.IsDirectory()) {
            copied += clusterBytes;
            MeasureFolder(finder.GetFilePath() + "\\", clusterBytes, bytes, &copied);
        } else {
            copied += RoundUpToClusters(finder.GetLength(), clusterBytes);
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
