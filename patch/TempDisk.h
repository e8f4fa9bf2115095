// The disk chosen for the copy of the CD: whether what the program makes at its root can be kept
// from other users.
#pragma once

#include "PatchSystem.h"
#include "framework/String.h"
#include "support/AdminSecurity.h"

enum class TempDiskCheck {
    Safe,
    // The disk keeps no ACLs (FAT32, exFAT) where the system volume does, or its flags cannot be
    // read: every user could change the copy.
    NoAcls,
    // Someone other than administrators may rename or delete what lies at the disk's root: they
    // could move the copy's Disk1 aside and put their own in its place.
    OthersMayRearrange,
};
// Whether the copy's entries at the root of tempDrive can be protected from other users as far as
// the system disk protects its own. Where the system volume keeps no ACLs, nothing is protected
// anyway. Anything that cannot be read counts as unsafe.
TempDiskCheck CheckTempDisk(const PatchSystem& system, const CTrustedOwners& trusted,
                            const CString& tempDrive);
