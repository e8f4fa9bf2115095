// Room for the copy of the CD on the chosen fixed disk.
#pragma once

#include "PatchSystem.h"
#include "framework/String.h"

#include <windows.h>

// The free space the temporary copy of the CD needs: 680 MiB.
const double MIN_TEMP_FREE_BYTES = 713031680.0;

// Whether the disk of tempDrive (C:) has 680 MiB free, and room for the whole copy of the CD in
// cdDrive plus the script of scriptBytes: a copy that runs into a full disk would leave a broken
// copy behind. A disk whose free space cannot be read is not trusted with the copy. copyBytes is
// what xcopy's copy of the CD takes there (MeasureCdCopy with the disk's clusters).
// Walking the CD takes a moment (and a spin-up): callers show the wait cursor meanwhile.
bool HasRoomForCopy(const PatchSystem& system, const CString& cdDrive, const CString& tempDrive,
                    DWORD scriptBytes, ULONGLONG& copyBytes);

// The bytes the CD at cdRoot (D:\) takes on a disk with the given cluster size: each file rounded
// up to whole clusters, one cluster for each folder; all of them in bytes, and in copiedBytes what
// xcopy /E copies of them (no hidden or system files or folders). Answers false when the CD
// cannot be read.
bool MeasureCdCopy(const CString& cdRoot, ULONGLONG clusterBytes, ULONGLONG& bytes,
                   ULONGLONG& copiedBytes);

// The bytes of the copy of the CD so far at the root of tempDrive (C:), counted as MeasureCdCopy
// counts what xcopy copies, with the same cluster size: only the CD's top-level names are looked
// at.
ULONGLONG MeasureCopyOn(const CString& tempDrive, ULONGLONG clusterBytes);

// bytes rounded up to whole clusters of clusterBytes.
ULONGLONG RoundUpToClusters(ULONGLONG bytes, ULONGLONG clusterBytes);

// The cluster size of the disk at root, or 4096 when it cannot be asked.
ULONGLONG ClusterBytesOf(const CString& root);
