#include "PatchSystem.h"

#include "BatchProcess.h"
#include "framework/Handle.h"
#include "framework/Module.h"
#include "support/AdminSecurity.h"
#include "support/CodePages.h"

#include <aclapi.h>
#include <tlhelp32.h>

namespace {

// The short form of an existing wide path, exact in the ANSI code page.
bool ShortFormInAnsi(const wchar_t* wide, std::string& ansi) {
    wchar_t shortForm[MAX_PATH + 1] = {};
    const DWORD length = ::GetShortPathNameW(wide, shortForm, MAX_PATH);
    return length != 0 && length < MAX_PATH &&
           WideToAnsiExact(shortForm, static_cast<int>(length), ansi);
}

ModulePathStatus RealModuleFileName(std::string& path) {
    // The wide name reaches a folder whose name the ANSI code page cannot write (C:\Łódź on a
    // German system), through its short form.
    wchar_t wide[MAX_PATH + 1] = {};
    const DWORD length = ::GetModuleFileNameW(AfxGetInstanceHandle(), wide, MAX_PATH);
    // A full buffer may hold a cut path without its NUL (Windows XP, Wine): never read on.
    if (length >= MAX_PATH)
        return ModulePathStatus::TooLong;
    if (length == 0)
        return ModulePathStatus::NotNameable;
    if (WideToAnsiExact(wide, static_cast<int>(length), path) || ShortFormInAnsi(wide, path))
        return ModulePathStatus::Ok;
    return ModulePathStatus::NotNameable;
}

std::string RealShortPathName(const std::string& path) {
    wchar_t wide[MAX_PATH] = {};
    if (::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path.c_str(), -1, wide, MAX_PATH) <= 0)
        return std::string();
    std::string ansi;
    return ShortFormInAnsi(wide, ansi) ? ansi : std::string();
}

bool RealFreeBytes(const char* pszRoot, LONGLONG& freeBytes) {
    ULARGE_INTEGER available;
    ULARGE_INTEGER total;
    ULARGE_INTEGER free;
    if (!::GetDiskFreeSpaceExA(pszRoot, &available, &total, &free))
        return false;
    freeBytes = static_cast<LONGLONG>(available.QuadPart);
    return true;
}

bool RealFileOwner(HANDLE hEntry, std::string& ownerSid) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(hEntry, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                          nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    ownerSid = SidText(owner);
    ::LocalFree(descriptor);
    return !ownerSid.empty();
}

bool RealVolumeFlags(const char* pszRoot, DWORD& flags) {
    flags = 0;
    return ::GetVolumeInformationA(pszRoot, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) !=
           FALSE;
}

HANDLE RealCreateEntry(const char* pszPath, bool bFolder, SECURITY_ATTRIBUTES* security) {
    if (!bFolder)
        return ::CreateFileA(pszPath, GENERIC_READ | GENERIC_WRITE | DELETE | READ_CONTROL,
                             FILE_SHARE_READ, security, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (!::CreateDirectoryA(pszPath, security))
        return INVALID_HANDLE_VALUE;
    // Only administrators may rename or delete at a root the run accepts: the folder opened
    // right after is the one just made.
    return ::CreateFileA(pszPath, FILE_READ_ATTRIBUTES | READ_CONTROL,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

LONG RealSetStringValue(HKEY hKey, const char* pszName, const CString& text) {
    // REG_SZ data carries its terminating NUL, so every reader gets a terminated text.
    return ::RegSetValueExA(hKey, pszName, 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(static_cast<const char*>(text)),
                            static_cast<DWORD>(text.GetLength() + 1));
}

bool RealListProcesses(std::vector<ProcessEntry>& processes) {
    processes.clear();
    const CHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    if (!snapshot.IsValid() || !::Process32First(snapshot, &entry))
        return false;
    do
        processes.push_back({entry.th32ProcessID, entry.th32ParentProcessID});
    while (::Process32Next(snapshot, &entry));
    return true;
}

bool RealCountJobProcesses(HANDLE hJob, DWORD& total) {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting = {};
    if (!::QueryInformationJobObject(hJob, JobObjectBasicAccountingInformation, &accounting,
                                     sizeof accounting, nullptr))
        return false;
    total = accounting.TotalProcesses;
    return true;
}

} // namespace

const PatchSystem& RealPatchSystem() {
    static const PatchSystem system = {RealModuleFileName,   RealShortPathName,  RealFreeBytes,
                                       StartBatchFile,       RealFileOwner,      RealVolumeFlags,
                                       RealCreateEntry,      RealSetStringValue, RealListProcesses,
                                       RealCountJobProcesses};
    return system;
}
