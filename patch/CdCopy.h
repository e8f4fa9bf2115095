// The copy of the CD at the temp disk's root: the CD's names there, the top-level folders the
// program makes for the copy, and the removal of an interrupted run's leftovers.
#pragma once

#include "framework/String.h"

// The first top-level CD entry that already exists at the root of drive (C:), or null. The batch
// file would overwrite such an entry and then delete it.
const char* FindCdEntryOnDrive(const CString& drive);

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
// Removes those of the CD's top-level names that exist at the root of drive, and the stamp.
// Folder links and junctions are removed as links, never followed.
void RemoveCdLeftovers(const CString& drive);
