// Entries at the temp disk's root that the program may delete as administrator: only its own.
// Any local user may create folders at a disk's root (and files, on data disks), and junctions
// need no privilege, so every entry is opened as itself (a link as a link, never followed),
// held against renaming and deletion while it is looked at, and judged by its owner.
#pragma once

#include "PatchSystem.h"
#include "framework/Handle.h"
#include "framework/String.h"

// Whether the volume of drive (C:) keeps security descriptors (system answers its flags).
bool KeepsAcls(const PatchSystem& system, const CString& drive);

// Whether the copy's entries on tempDrive can be protected from other users as far as the system
// disk protects its own: the temp disk must keep ACLs where the system volume does (a FAT32 or
// exFAT disk gives every user every right). Where the system volume keeps none, nothing is
// protected anyway.
bool TempDiskProtectsCopy(const PatchSystem& system, const CString& tempDrive);

// An entry opened as itself, for reading its owner and attributes and, with bForDelete, for
// deleting it. Shared for reading and writing only: nobody can rename, replace or delete it
// while it is held. False when it cannot be opened (it is gone, or in use without that sharing).
bool OpenEntry(const CString& path, bool bForDelete, CHandle& entry,
               BY_HANDLE_FILE_INFORMATION& info);

// Whether the entry held at path on drive is the program's own: on a volume that keeps owners it
// must be owned by the Administrators group (an elevated administrator's files on Windows),
// SYSTEM, or the account the program runs as; on one that keeps none, any entry is.
bool IsOwnEntry(const PatchSystem& system, const CString& drive, const CString& path,
                HANDLE hEntry);

// Deletes the program's own entry at path on drive and, for a real folder, every entry of its
// own inside it. A link or junction is deleted as itself. What is not the program's, or is in
// use, stays, and so does every folder above it. Answers whether path is gone.
bool RemoveOwnEntry(const PatchSystem& system, const CString& drive, const CString& path);
