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

// Whether the account named by this SID's text may be trusted with what the program makes as
// administrator: Administrators, SYSTEM, TrustedInstaller, or the account the program runs as.
bool IsTrustedSid(const std::string& sid);

// Whether a folder with this owner and DACL lets only trusted accounts rename or delete what lies
// in it, or change who may: the owner must be trusted, the DACL present (a null DACL grants
// everything), and no allow entry that applies to the folder itself may give anyone else
// FILE_DELETE_CHILD, WRITE_DAC, WRITE_OWNER or GENERIC_ALL. DELETE on the folder itself grants
// nothing over its entries (Windows gives Authenticated Users Modify on a data disk's root).
bool OnlyTrustedMayRearrange(const std::string& ownerSid, PACL dacl);

// The SID of the account the program runs as (its token's user), as text (S-1-5-21-...); empty
// when it cannot be asked.
std::string ProcessUserSid();

// The text form of a SID; empty when it cannot be converted.
std::string SidText(PSID sid);
