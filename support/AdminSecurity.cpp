#include "AdminSecurity.h"

#include "framework/Handle.h"

#include <sddl.h>

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

bool VolumeKeepsAcls(const CString& root) {
    DWORD flags = 0;
    return ::GetVolumeInformationA(root, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
           (flags & FILE_PERSISTENT_ACLS);
}

bool OwnSecurityAt(const CString& drive, CAdminOnlySecurity& security,
                   SECURITY_ATTRIBUTES*& attributes) {
    attributes = nullptr;
    if (!VolumeKeepsAcls(drive + "\\"))
        return true;
    attributes = security.Attributes();
    return attributes != nullptr;
}

std::string SidText(PSID sid) {
    char* text = nullptr;
    if (!sid || !::ConvertSidToStringSidA(sid, &text))
        return std::string();
    const std::string result(text);
    ::LocalFree(text);
    return result;
}

std::string ProcessUserSid() {
    HANDLE hOpened = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &hOpened))
        return std::string();
    const CHandle token(hOpened);
    DWORD buffer[128] = {}; // TOKEN_USER and its SID, DWORD-aligned
    DWORD size = 0;
    const bool bRead =
        ::GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) != FALSE;
    return bRead ? SidText(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid) : std::string();
}
