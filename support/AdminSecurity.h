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

// The accounts trusted with what the program makes as administrator: Administrators, SYSTEM,
// TrustedInstaller, and the owner that the program's own new files get in this run
// (Administrators for an elevated administrator on Vista and later, the user on Windows XP and
// under Wine). The user is trusted only where the program's own files get that owner: elsewhere
// the user's unelevated programs own what they make.
class CTrustedOwners {
public:
    explicit CTrustedOwners(const std::string& ownFilesOwner) : m_ownFilesOwner(ownFilesOwner) {}

    // Whether the account of this SID's text is one of them.
    bool Holds(const std::string& sid) const;
    // Whether no allow entry of dacl that applies to the object itself gives anyone else any of
    // rights; a null DACL grants everything to everyone.
    bool OnlyTheyMay(PACL dacl, ACCESS_MASK rights) const;
    // The same for the DACL of the object held as hObject (with READ_CONTROL); false when it
    // cannot be read.
    bool OnlyTheyMayChange(HANDLE hObject, ACCESS_MASK rights) const;

private:
    std::string m_ownFilesOwner;
};

// The owner that the process's token gives what it creates (TokenOwner), as a SID's text; empty
// when it cannot be asked.
std::string TokenDefaultOwnerSid();

// The text form of a SID; empty when it cannot be converted.
std::string SidText(PSID sid);
