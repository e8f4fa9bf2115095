#include "AdminSecurity.h"

#include "framework/Handle.h"

#include <aclapi.h>
#include <sddl.h>

#include <cstring>

namespace {

bool MakeSid(WELL_KNOWN_SID_TYPE type, BYTE* buffer) {
    DWORD size = SECURITY_MAX_SID_SIZE;
    return ::CreateWellKnownSid(type, nullptr, buffer, &size) != FALSE;
}

} // namespace

CAdminOnlySecurity::CAdminOnlySecurity() {
    const DWORD kInherited = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    PACL acl = reinterpret_cast<PACL>(m_acl);
    m_bValid =
        MakeSid(WinLocalSystemSid, m_system) &&
        MakeSid(WinBuiltinAdministratorsSid, m_administrators) &&
        MakeSid(WinBuiltinUsersSid, m_users) && ::InitializeAcl(acl, sizeof m_acl, ACL_REVISION) &&
        ::AddAccessAllowedAceEx(acl, ACL_REVISION, kInherited, FILE_ALL_ACCESS, m_system) &&
        ::AddAccessAllowedAceEx(acl, ACL_REVISION, kInherited, FILE_ALL_ACCESS, m_administrators) &&
        ::AddAccessAllowedAceEx(acl, ACL_REVISION, kInherited,
                                FILE_GENERIC_READ | FILE_GENERIC_EXECUTE, m_users) &&
        ::InitializeSecurityDescriptor(&m_descriptor, SECURITY_DESCRIPTOR_REVISION) &&
        ::SetSecurityDescriptorDacl(&m_descriptor, TRUE, acl, FALSE) &&
        // Protected: the root's entries for Authenticated Users and Creator Owner stay out.
        ::SetSecurityDescriptorControl(&m_descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    m_attributes.nLength = sizeof m_attributes;
    m_attributes.lpSecurityDescriptor = &m_descriptor;
    m_attributes.bInheritHandle = FALSE;
}

std::string SidText(PSID sid) {
    char* text = nullptr;
    if (!sid || !::ConvertSidToStringSidA(sid, &text))
        return std::string();
    const std::string result(text);
    ::LocalFree(text);
    return result;
}

std::string TokenDefaultOwnerSid() {
    HANDLE hOpened = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &hOpened))
        return std::string();
    const CHandle token(hOpened);
    DWORD buffer[128] = {}; // TOKEN_OWNER and its SID, DWORD-aligned
    DWORD size = 0;
    const bool bRead =
        ::GetTokenInformation(token, TokenOwner, buffer, sizeof buffer, &size) != FALSE;
    if (!bRead)
        return std::string();
    TOKEN_OWNER owner; // the SID it points to lies further on in the buffer
    std::memcpy(&owner, buffer, sizeof owner);
    return SidText(owner.Owner);
}

bool CTrustedOwners::Holds(const std::string& sid) const {
    static const char* const kTrusted[] = {
        "S-1-5-32-544", // Administrators: an elevated administrator's files on Windows
        "S-1-5-18",     // SYSTEM
        "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464", // TrustedInstaller
    };
    if (sid.empty())
        return false;
    for (const char* trusted : kTrusted)
        if (sid == trusted)
            return true;
    return sid == m_ownFilesOwner;
}

bool CTrustedOwners::OnlyTheyMayChange(HANDLE hObject, ACCESS_MASK rights) const {
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(hObject, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                          &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    const bool bOnlyThey = OnlyTheyMay(dacl, rights);
    ::LocalFree(descriptor);
    return bOnlyThey;
}

bool CTrustedOwners::OnlyTheyMay(PACL dacl, ACCESS_MASK rights) const {
    if (!dacl)
        return false; // a null DACL grants everyone everything
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* pAce = nullptr;
        if (!::GetAce(dacl, i, &pAce))
            return false;
        const auto* ace = static_cast<const ACCESS_ALLOWED_ACE*>(pAce);
        // Deny entries take rights away; an inherit-only entry is only for what is made inside.
        const BYTE type = ace->Header.AceType;
        const bool bAllows =
            type == ACCESS_ALLOWED_ACE_TYPE || type == ACCESS_ALLOWED_CALLBACK_ACE_TYPE;
        // Object entries keep their SID elsewhere; files never carry them: not trusted.
        const bool bObjectAllows = type == ACCESS_ALLOWED_OBJECT_ACE_TYPE ||
                                   type == ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE;
        if (!(bAllows || bObjectAllows) || (ace->Header.AceFlags & INHERIT_ONLY_ACE) ||
            !(ace->Mask & rights))
            continue;
        if (bObjectAllows || !Holds(SidText(const_cast<DWORD*>(&ace->SidStart))))
            return false;
    }
    return true;
}
