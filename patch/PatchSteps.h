// The single steps of the patch run, each answering whether it succeeded.
#pragma once

#include "framework/String.h"

#include <windows.h>

enum class PayloadResult { Written, MissingResource, CannotWrite };

// Writes the payload resource byte for byte to scriptPath. A file that could not be written
// whole is removed again, so no truncated script is left behind as if it were good.
PayloadResult WritePayload(const CString& scriptPath, DWORD& nWritten);

// The bytes the copy of the CD at cdRoot (D:\) takes on a disk with the given cluster size: each
// file rounded up to whole clusters, one cluster for each folder. Answers false when the CD cannot
// be read.
bool MeasureCdCopy(const CString& cdRoot, ULONGLONG clusterBytes, ULONGLONG& bytes);

// bytes rounded up to whole clusters of clusterBytes.
ULONGLONG RoundUpToClusters(ULONGLONG bytes, ULONGLONG clusterBytes);

// The cluster size of the disk at root, or 4096 when it cannot be asked.
ULONGLONG ClusterBytesOf(const CString& root);

// Whether cdDrive (D:) is a CD drive holding the product CD: its marker file must be a file
// with a last-write time the DOS format can hold.
bool IsProductCdIn(const CString& cdDrive);

// The first top-level CD entry that already exists at the root of drive (C:), or null. The batch
// file would overwrite such an entry and then delete it.
const char* FindCdEntryOnDrive(const CString& drive);

// Writes the stamp at the root of tempDrive (C:) that marks a copy there as the program's own:
// the CD drive and the time. False when it cannot be written.
bool WriteRunStamp(const CString& tempDrive, const CString& cdDrive);
// The stamp's path at the root of drive.
CString RunStampPath(const CString& drive);
// Removes those of the CD's top-level names that exist at the root of drive, and the stamp.
// Folder links and junctions are removed as links, never followed.
void RemoveCdLeftovers(const CString& drive);

// Writes the batch text to batchPath in text mode (each line feed as CR LF), followed by one more
// line feed. A file that could not be written whole is removed again.
bool WriteBatchFile(const CString& batchPath, const CString& text);

// Starts batchPath hidden in the command interpreter; answers its process handle, or null.
HANDLE StartBatchFile(const CString& batchPath);

// Records cdDrive as "CDPath" under the product's settings key, if that key exists.
void RecordCdPath(const CString& cdDrive);
