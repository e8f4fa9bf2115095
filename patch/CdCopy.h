// The copy of the CD at the temp disk's root: the CD's names there, the entries the program makes
// for the copy, and the removal of a run's leftovers.
#pragma once

#include "PatchSystem.h"
#include "framework/String.h"

// The first top-level CD entry that already exists at the root of drive (C:), or null. The batch
// file would overwrite such an entry and then delete it.
const char* FindCdEntryOnDrive(const CString& drive);

enum class CopyEntriesResult { Created, EntryExists, Failed };
// Makes all of the CD's top-level names at the root of drive the program's own before the batch
// file runs: its folders, and its files empty, each created new with the program's security where
// the volume keeps it. The batch file's clean-up deletes these names as administrator; made by
// the program, none of them can be a folder or link that someone else slipped in meanwhile, and
// xcopy keeps their security when it overwrites them. When a name exists already (existing
// names it) or cannot be created, what was made so far is removed again, and the stamp too once
// it all is gone.
CopyEntriesResult CreateCopyEntries(const PatchSystem& system, const CString& drive,
                                    const char*& existing);

enum class LeftoversResult { Removed, NotOwn, Remaining };
// Removes the CD's top-level names at the root of drive, and then the stamp, where they are the
// program's own: after an interrupted run (on the user's word) or a batch file that could not
// start. First every name is looked at: one that is not the program's (foreign names it) stops
// the removal before anything is touched (NotOwn). Links and junctions are removed as links,
// never followed. When anything is left (a file in use), the stamp stays with it (Remaining), so
// that the next run offers the removal again.
LeftoversResult RemoveCdLeftovers(const PatchSystem& system, const CString& drive,
                                  const char*& foreign);
