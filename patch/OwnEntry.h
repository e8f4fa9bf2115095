// Entries at the temp disk's root that the program may delete as administrator: only what it
// made itself. Any local user may create folders at a disk's root (and files, on data disks), and
// junctions need no privilege, so every entry is opened as itself (a link as a link, never
// followed), held against renaming and deletion while it is looked at, judged through that
// handle, and deleted through the handle that judged it.
#pragma once

#include "PatchSystem.h"
#include "framework/Handle.h"
#include "framework/String.h"
#include "support/AdminSecurity.h"

// An entry's identity: its volume's serial number and its 64-bit file index. NTFS puts a
// sequence number into the index, so a later entry of the same name never has it; elsewhere
// (ext4 under Wine, ReFS) an index may come back, which the stamp's pruning answers.
struct EntryId {
    DWORD volume = 0;
    ULONGLONG index = 0;

    bool operator==(const EntryId& other) const {
        return volume == other.volume && index == other.index;
    }
};
EntryId IdOf(const BY_HANDLE_FILE_INFORMATION& info);

// Whether the volume of drive (C:) keeps security descriptors, in bKeeps; false when its flags
// cannot be read.
bool ReadKeepsAcls(const PatchSystem& system, const CString& drive, bool& bKeeps);

// Whether the system says that nothing is at path: only "file not found" and "path not found"
// count. A deletion still pending (another process holds the entry) or a refused access is not
// gone.
bool IsGone(const CString& path);

// An entry opened as itself, for reading its owner, identity and attributes and, with
// bForDelete, for changing its attributes and deleting it. Shared for reading and writing only:
// nobody can rename, replace or delete it while it is held. False when it cannot be opened (it is
// gone, or in use without that sharing).
bool OpenEntry(const CString& path, bool bForDelete, CHandle& entry,
               BY_HANDLE_FILE_INFORMATION& info);

// Who is trusted in this run: hOwnFile is a file the program has just created (with READ_CONTROL),
// whose owner is the one the program's own new files get.
CTrustedOwners TrustedOwnersFor(const PatchSystem& system, HANDLE hOwnFile);

// Whether the entry held as hEntry (on drive) belongs to a trusted account; on a volume that keeps
// no owners, any entry does. Owners or volume flags that cannot be read: not trusted.
bool HasTrustedOwner(const PatchSystem& system, const CTrustedOwners& trusted, const CString& drive,
                     HANDLE hEntry);

// Decides through the entry's own handle whether it is the program's to delete.
class CEntryJudge {
public:
    virtual bool IsOwn(HANDLE hEntry, const BY_HANDLE_FILE_INFORMATION& info) const = 0;

protected:
    ~CEntryJudge() = default;
};

// Deletes the entry at path if judge says it is the program's, judged again through the handle
// that deletes it. A real folder is emptied first, held meanwhile: everything below it is the
// copy and goes, a link or junction as itself, each walked and opened by the name the system
// holds (wide), never by an ANSI form of it. What is in use stays, and so does every folder
// above it. Answers whether path is gone.
bool RemoveEntry(const CString& path, const CEntryJudge& judge);
