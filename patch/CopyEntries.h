// The program's entries at the temp disk's root: the CD's top-level names it makes there for the
// copy, and the stamp that records each of them by identity. Only an entry the stamp records, with
// that identity, and that a trusted account owns, is ever deleted; everything below such a folder
// is the copy.
#pragma once

#include "PatchSystem.h"
#include "RunStamp.h"
#include "framework/String.h"

// The first top-level CD entry that is at the root of drive (C:), or null. The batch file would
// overwrite such an entry and then delete it.
const char* FindCdEntryOnDrive(const CString& drive);

enum class CopyEntriesResult {
    Created,
    // Something of one of the names (existing names it) is there already: not the program's.
    EntryExists,
    // The disk refused the stamp or an entry.
    CannotCreate,
};
enum class LeftoversResult {
    Removed,
    // An entry of the CD's names that the stamp does not record (foreign names it): nothing was
    // touched.
    NotOwn,
    // Something of the program's could not go (in use): the stamp stays with it.
    Remaining,
};

// The program's entries at the root of one temp disk for one run. The stamp is held from its
// creation, or from taking over an earlier run's, until this object goes.
class CCopyEntries {
public:
    CCopyEntries(const PatchSystem& system, const CTrustedOwners& trusted, const CString& drive)
        : m_system(system), m_trusted(trusted), m_drive(drive) {}

    // Takes over an earlier run's stamp, if it is the program's, and prunes it. Answers whether
    // entries it records are still there (the user is asked before they go). A stamp whose
    // entries are all gone is deleted; one without records (an earlier version's) proves
    // nothing: it is deleted only where none of the CD's names is left.
    bool TakeOverEarlierRun();

    // Makes all of the CD's top-level names at the root the program's own before the batch file
    // runs: first the stamp, then its folders, and its files empty, each created new with the
    // program's security where the volume keeps it, and recorded by identity as soon as it is
    // made, so that a run cut off at any moment leaves a stamp naming all it made. xcopy keeps
    // their security when it overwrites them. On failure what was made goes again.
    CopyEntriesResult Create(const CString& cdDrive, const char*& existing);

    // Removes the program's entries: after an interrupted run (on the user's word), a batch file
    // that could not start, or a stopped copy. First each of the CD's names is looked at: one
    // that is not recorded with its identity and a trusted owner stops the removal before
    // anything is touched.
    LeftoversResult Remove(const char*& foreign);

    // Rewrites the stamp to list only the entries that are still there, and deletes it when none
    // is: after the batch file's own clean-up.
    void Prune();
    // Whether the stamp still records entries of the program's (after Prune or Remove).
    bool HasLeftovers() const { return m_stamp.IsHeld(); }

private:
    // Removes what the stamp records; the stamp goes once nothing of it is left.
    void RemoveRecorded();
    CString PathOf(const CString& name) const { return m_drive + "\\" + name; }

    const PatchSystem& m_system;
    const CTrustedOwners& m_trusted;
    CString m_drive;
    CRunStamp m_stamp;
};
