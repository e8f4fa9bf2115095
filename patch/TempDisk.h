// The root of the chosen fixed disk, where the batch file copies the CD: its room for the copy,
// the program's stamp on a copy there, and the leftovers of an interrupted run.
#pragma once

#include "PatchSystem.h"
#include "framework/String.h"

#include <windows.h>

// The free space the temporary copy of the CD needs: 680 MiB.
const double MIN_TEMP_FREE_BYTES = 713031680.0;

// Whether the disk of tempDrive (C:) has 680 MiB free, and room for the whole copy of the CD in
// cdDrive plus the script of scriptBytes: a copy that runs into a full disk would leave a broken
// copy behind. A disk whose free space cannot be read is not trusted with the copy.
bool HasRoomForCopy(const PatchSystem& system, const CString& cdDrive, const CString& tempDrive,
                    DWORD scriptBytes);

// The bytes the copy of the CD at cdRoot (D:\) takes on a disk with the given cluster size: each
// file rounded up to whole clusters, one cluster for each folder. Answers false when the CD cannot
// be read.
bool MeasureCdCopy(const CString& cdRoot, ULONGLONG clusterBytes, ULONGLONG& bytes);

// bytes rounded up to whole clusters of clusterBytes.
ULONGLONG RoundUpToClusters(ULONGLONG bytes, ULONGLONG clusterBytes);

// The cluster size of the disk at root, or 4096 when it cannot be asked.
ULONGLONG ClusterBytesOf(const CString& root);

// The first top-level CD entry that already exists at the root of drive (C:), or null. The batch
// file would overwrite such an entry and then delete it.
const char* FindCdEntryOnDrive(const CString& drive);

// Writes the stamp at the root of tempDrive (C:) that marks a copy there as the program's own:
// the CD drive and the time, in a file created afresh, with the program's own security where the
// volume keeps it. False when it cannot be written.
bool WriteRunStamp(const CString& tempDrive, const CString& cdDrive);
// Whether the stamp at the root of drive is the program's own. On a volume that keeps owners it
// must be owned by the Administrators group (an elevated administrator's files on Windows),
// SYSTEM, or the account the program runs as (system answers the owner): any user can place a
// file of that name beside the disk owner's own folders.
bool IsOwnRunStamp(const PatchSystem& system, const CString& drive);

enum class CopyFoldersResult { Created, EntryExists, Failed };
// Creates the CD's top-level folders at the root of drive as the program's own, with its own
// security where the volume keeps it, for the batch file's xcopy to fill: folders created at a
// root would otherwise be open to every local user. When one already exists (existing names it)
// or cannot be created, the folders created so far are removed again, and the stamp too once
// they are all gone.
CopyFoldersResult CreateCopyFolders(const CString& drive, const char*& existing);
// Removes the CD's top-level folders that CreateCopyFolders made, while they are still empty,
// and the stamp once they are all gone: for a batch file that could not be started.
void RemoveCopyFolders(const CString& drive);
// Whether the stamp is at the root of drive (C:), whoever wrote it.
bool HasRunStamp(const CString& drive);
// Removes those of the CD's top-level names that exist at the root of drive, and the stamp.
// Folder links and junctions are removed as links, never followed.
void RemoveCdLeftovers(const CString& drive);
