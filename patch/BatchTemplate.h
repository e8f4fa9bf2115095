// The batch file that does the patch: it copies the product CD to the root of the chosen fixed
// disk, swaps the copy's compiled setup scripts for ours, runs the product's setup from the copy
// and deletes the copy again.
//
// Placeholders: "%1" the CD drive (D:), "%2" the fixed disk (C:), "%3" the path of the written
// setup.inx. Lines end in a single line feed; the text ends with one.
#pragma once

#include "framework/String.h"

// The template: 13 fixed lines, then one deletion line for each top-level CD entry and one
// removal line for each of its folders, both in ascending byte order of the names (so upper case
// before lower case). It is never changed: every run expands a copy of its own.
extern const CString g_strBatchTemplate;

// Builds the template text from the CD's entries.
CString BuildBatchTemplate();

// Expands a copy of the template: every "%1" becomes cdDrive, then every "%2" tempDrive, then
// every "%3" scriptPath. A "%" of the script path is written as "%%", which the command
// interpreter reads back as one literal "%".
CString ExpandBatchTemplate(const CString& cdDrive, const CString& tempDrive,
                            const CString& scriptPath);
