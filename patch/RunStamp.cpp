#include "RunStamp.h"

#include "CdCopy.h"
#include "support/AdminSecurity.h"
#include "support/FreshFile.h"

#include <cstdio>

const char kRunStampName[] = "NebuLark5-Patch.stamp";

namespace {

const char kAdministratorsSid[] = "S-1-5-32-544";
const char kSystemSid[] = "S-1-5-18";

CString RunStampPath(const CString& drive) {
    return drive + "\\" + kRunStampName;
}

} // namespace

bool WriteRunStamp(const CString& tempDrive, const CString& cdDrive) {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    char text[64];
    std::snprintf(text, sizeof text, "CD=%s\r\nTime=%04u-%02u-%02u %02u:%02u:%02u\r\n",
                  static_cast<const char*>(cdDrive), now.wYear, now.wMonth, now.wDay, now.wHour,
                  now.wMinute, now.wSecond);
    CAdminOnlySecurity security;
    SECURITY_ATTRIBUTES* attributes = nullptr;
    return OwnSecurityAt(tempDrive, security, attributes) &&
           WriteNewFile(RunStampPath(tempDrive), text, attributes);
}

bool HasRunStamp(const CString& drive) {
    return ::GetFileAttributesA(RunStampPath(drive)) != INVALID_FILE_ATTRIBUTES;
}

bool IsOwnRunStamp(const PatchSystem& system, const CString& drive) {
    if (!VolumeKeepsAcls(drive + "\\"))
        return true; // FAT32: no file has an owner
    std::string owner;
    if (!system.GetFileOwner(RunStampPath(drive), owner) || owner.empty())
        return false;
    // Wine names the token's user as the owner of every file, not the token's default owner.
    return owner == kAdministratorsSid || owner == kSystemSid || owner == ProcessUserSid();
}

void RemoveRunStamp(const CString& drive) {
    ::DeleteFileA(RunStampPath(drive));
}

void KeepRunStampWithLeftovers(const CString& tempDrive, const CString& cdDrive) {
    if (FindCdEntryOnDrive(tempDrive) && !HasRunStamp(tempDrive))
        WriteRunStamp(tempDrive, cdDrive);
}
