#include "TempDisk.h"

#include "OwnEntry.h"
#include "framework/Handle.h"
#include "framework/SystemDlls.h"
#include "support/AdminSecurity.h"

namespace {

// Whether only trusted accounts may rename or delete what lies at root (C:\), read through a
// handle to the root folder itself; its owner is asked as every entry's is. The owner must be
// trusted, and no allow entry for the root itself may give anyone else FILE_DELETE_CHILD,
// WRITE_DAC, WRITE_OWNER or GENERIC_ALL. DELETE on the root itself grants nothing over its
// entries (Windows gives Authenticated Users Modify on a data disk's root).
bool RootKeepsNamesForTrusted(const PatchSystem& system, const CTrustedOwners& trusted,
                              const CString& root) {
    const CHandle folder(
        ::CreateFileA(root, READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    std::string owner;
    return folder.IsValid() && system.GetFileOwner(folder, owner) && trusted.Holds(owner) &&
           trusted.OnlyTheyMayChange(folder,
                                     FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER | GENERIC_ALL);
}

} // namespace

TempDiskCheck CheckTempDisk(const PatchSystem& system, const CTrustedOwners& trusted,
                            const CString& tempDrive) {
    const CString systemDrive = SystemFolder().Left(2);
    bool bSystemKeeps = false;
    if (systemDrive.IsEmpty() || !ReadKeepsAcls(system, systemDrive, bSystemKeeps))
        return TempDiskCheck::NoAcls;
    if (!bSystemKeeps)
        return TempDiskCheck::Safe; // the system protects nothing of its own either
    bool bTempKeeps = false;
    if (!ReadKeepsAcls(system, tempDrive, bTempKeeps) || !bTempKeeps)
        return TempDiskCheck::NoAcls;
    return RootKeepsNamesForTrusted(system, trusted, tempDrive + "\\")
               ? TempDiskCheck::Safe
               : TempDiskCheck::OthersMayRearrange;
}
