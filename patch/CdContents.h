// The top-level entries of the product CD. The batch file copies them to the root of the chosen
// fixed disk and deletes them there afterwards, so this one list drives the clean-up lines, the
// guard against overwriting a user's own entries, and the sample CD of the tests.
#pragma once

#include "framework/String.h"

struct CdEntry {
    const char* name;
    bool isFolder;
};

const int kCdEntryCount = 21;
extern const CdEntry kCdEntries[kCdEntryCount];

// The file at the CD's root that tells the product CD apart from any other.
extern const char kCdMarkerName[];
// Whether cdDrive (D:) is a CD drive holding the product CD: its marker file must be a file
// with a last-write time the DOS format can hold.
bool IsProductCdIn(const CString& cdDrive);
// The CD's setup folder, holding setup.exe and its compiled setup scripts.
extern const char kCdSetupFolder[];
// The CD's setup (Disk1\setup.exe), below the root of the CD and of its copy: the batch file
// starts it, the wait knows it by it.
extern const char kCdSetupPath[];
