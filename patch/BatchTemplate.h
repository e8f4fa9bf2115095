// The batch file that does the patch: it copies the product CD to the root of the chosen fixed
// disk, swaps the copy's compiled setup scripts for ours, runs the product's setup from the copy
// and deletes the copy again.
//
// Placeholders: "%1" the CD drive (D:), "%2" the fixed disk (C:), "%3" the path of the written
// setup.inx, "%Z" its size in bytes, "%X" the full path of the system's xcopy.exe. The copy's
// setup (Disk1\setup.exe, "%S" in the lines below) is named when the template is built. Every
// program the batch file runs is named by its full path: the command interpreter looks for a bare
// name in the current folder first, and the current folder is the temp disk's root, where any user
// may place an xcopy.bat. Lines end in a single line feed; the text ends with one.
//
// The batch file exits with 0 when the product's setup was started from a complete copy, with 2
// when the copy or the script swap failed, and with 3 when the command interpreter could not
// start the copy's setup (the clean-up runs in every case).
#pragma once

#include "framework/String.h"
#include "support/SystemLibrary.h"

const unsigned long kBatchExitPatched = 0;
const unsigned long kBatchExitCopyFailed = 2;
const unsigned long kBatchExitSetupNotStarted = 3;

// The template: the patch lines, then one deletion line for each top-level CD entry and one
// removal line for each of its folders, both in ascending byte order of the names (so upper case
// before lower case), then the exit. It is never changed: every run expands a copy of its own.
extern const CString g_strBatchTemplate;

// Builds the template text from the CD's entries.
CString BuildBatchTemplate();

// Expands a copy of the template: every "%1" becomes cdDrive, every "%2" tempDrive, every "%3"
// scriptPath, every "%Z" scriptSize and every "%X" xcopyPath. A "%" of either path is written as
// "%%", which the command interpreter reads back as one literal "%".
CString ExpandBatchTemplate(const CString& cdDrive, const CString& tempDrive,
                            const CString& scriptPath, unsigned long scriptSize,
                            const CString& xcopyPath = SystemXcopyPath());
