#include "RunStamp.h"

#include "CdCopy.h"
#include "OwnEntry.h"
#include "support/AdminSecurity.h"
#include "support/FreshFile.h"

#include <cstdio>

const char kRunStampName[] = "NebuLark5-Patch.stamp";

namespace {

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
    const CString path = RunStampPath(drive);
    CHandle stamp;
    BY_HANDLE_FILE_INFORMATION info;
    // A folder, a link or any other reparse point of that name is not a stamp: the program
    // writes a plain file.
    if (!OpenEntry(path, false, stamp, info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return false;
    return IsOwnEntry(system, drive, path, stamp);
}

void RemoveRunStamp(const CString& drive) {
    ::DeleteFileA(RunStampPath(drive));
}

void KeepRunStampWithLeftovers(const CString& tempDrive, const CString& cdDrive) {
    if (FindCdEntryOnDrive(tempDrive) && !HasRunStamp(tempDrive))
        WriteRunStamp(tempDrive, cdDrive);
}
