#include "FreeSpace.h"

#include "CdContents.h"
#include "framework/FileFind.h"

ULONGLONG RoundUpToClusters(ULONGLONG bytes, ULONGLONG clusterBytes) {
    return (bytes + clusterBytes - 1) / clusterBytes * clusterBytes;
}

namespace {

bool MeasureFolder(const CString& folder, ULONGLONG clusterBytes, ULONGLONG& bytes) {
    CFileFind finder;
    if (!finder.FindFile(folder + "*"))
        return ::GetLastError() == ERROR_FILE_NOT_FOUND; // an empty disc
    bool ok = true;
    BOOL more = TRUE;
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDots())
            continue;
        if (finder.IsDirectory()) {
            bytes += clusterBytes;
            ok = MeasureFolder(finder.GetFilePath() + "\\", clusterBytes, bytes) && ok;
        } else {
            bytes += RoundUpToClusters(finder.GetLength(), clusterBytes);
        }
    }
    // A listing that broke off (the disc taken out) measured too little.
    return finder.GetEndError() == ERROR_NO_MORE_FILES && ok;
}

} // namespace

bool MeasureCdCopy(const CString& cdRoot, ULONGLONG clusterBytes, ULONGLONG& bytes) {
    bytes = 0;
    CString root = cdRoot;
    if (root.IsEmpty() || root.Right(1) != "\\")
        root += '\\';
    return MeasureFolder(root, clusterBytes ? clusterBytes : 1, bytes);
}

ULONGLONG MeasureCopyOn(const CString& tempDrive, ULONGLONG clusterBytes) {
    ULONGLONG bytes = 0;
    for (const CdEntry& entry : kCdEntries) {
        CFileFind finder;
        if (!finder.FindFile(tempDrive + "\\" + entry.name))
            continue;
        finder.FindNextFile();
        if (finder.IsDirectory()) {
            bytes += clusterBytes;
            MeasureFolder(finder.GetFilePath() + "\\", clusterBytes, bytes);
        } else {
            bytes += RoundUpToClusters(finder.GetLength(), clusterBytes);
        }
    }
    return bytes;
}

ULONGLONG ClusterBytesOf(const CString& root) {
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
    if (!MeasureCdCopy(cdDrive + "\\", clusterBytes, copyBytes))
        return false;
    const ULONGLONG needed = copyBytes + RoundUpToClusters(scriptBytes, clusterBytes);
    return needed <= static_cast<ULONGLONG>(freeBytes);
}
