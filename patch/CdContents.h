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

// Whether name is one of the CD's top-level names exactly as this list writes it.
bool IsCdEntryName(const CString& name);

// The file at the CD's root that tells the product CD apart from any other.
extern const char kCdMarkerName[];
// Whether cdDrive (D:) is a CD drive holding the product CD: its marker file must be a file
// with a last-write time the DOS format can hold.
bool IsProductCdIn(const CString& cdDrive);
enum class CdRootCheck {
    OnlyProductNames,
    // An entry of another name (foreign names it as a message may show it, never as a path).
    ForeignEntry,
    // The root cannot be listed to its end: as good as no CD.
    Unreadable,
};
// Whether the root of cdDrive holds nothing but the product's top-level names, compared as
// Windows compares names, without regard to case (a CD that lacks some of them is fine): the
// batch file copies every name the root holds to the temp disk's root, and only the product's
// names are the program's own there.
CdRootCheck CheckCdRoot(const CString& cdDrive, CString& foreign);

// The CD's setup folder, holding setup.exe and its compiled setup scripts.
extern const char kCdSetupFolder[];
// The CD's setup (Disk1\setup.exe), below the root of the CD and of its copy: the batch file
// starts it, the wait knows it by it.
extern const char kCdSetupPath[];
