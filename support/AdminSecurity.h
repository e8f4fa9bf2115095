// Security for what the program leaves at a disk's root while its elevated batch file works
// there: the copy's folders and the stamp. Folders created at a root would otherwise inherit
// "Authenticated Users: Modify", and any local user could change the setup that then runs as
// administrator.
#pragma once

#include "framework/String.h"

#include <windows.h>

#include <string>

// A protected security descriptor: SYSTEM and Administrators have full control, Users may read
// and execute, and every entry is inherited by files and folders created inside (OI|CI). Nothing
// is inherited from the disk's root. Holds its own SIDs and ACL; not copyable.
class CAdminOnlySecurity {
public:
    CAdminOnlySecurity();
    CAdminOnlySecurity(const CAdminOnlySecurity&) = delete;
    CAdminOnlySecurity& operator=(const CAdminOnlySecurity&) = delete;

    bool IsValid() const { return m_bValid; }
    // For CreateDirectoryA and CreateFileA; null when the descriptor could not be built.
    SECURITY_ATTRIBUTES* Attributes() { return m_bValid ? &m_attributes : nullptr; }
    PSECURITY_DESCRIPTOR Descriptor() { return &m_descriptor; }

private:
    BYTE m_system[SECURITY_MAX_SID_SIZE] = {};
    BYTE m_administrators[SECURITY_MAX_SID_SIZE] = {};
    BYTE m_users[SECURITY_MAX_SID_SIZE] = {};
    DWORD m_acl[128] = {}; // ACLs are DWORD-aligned
    SECURITY_DESCRIPTOR m_descriptor = {};
    SECURITY_ATTRIBUTES m_attributes = {};
    bool m_bValid = false;
};

// Whether the volume of root (C:\) keeps security descriptors; FAT32 keeps none.
bool VolumeKeepsAcls(const CString& root);

// The security for what the program creates at the root of drive (C:): security's attributes, or
// none (null) on a volume that keeps no descriptors. False when the volume keeps them but the
// descriptor could not be built: nothing is then created open to every user instead.
bool OwnSecurityAt(const CString& drive, CAdminOnlySecurity& security,
                   SECURITY_ATTRIBUTES*& attributes);

// The SID of the account the program runs as (its token's user), as text (S-1-5-21-...); empty
// when it cannot be asked.
std::string ProcessUserSid();

// The text form of a SID; empty when it cannot be converted.
std::string SidText(PSID sid);
