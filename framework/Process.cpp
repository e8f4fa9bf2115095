#include "Process.h"

#include "DynCalls.h"

namespace {

const DWORD kQueryLimitedInformation = 0x1000; // PROCESS_QUERY_LIMITED_INFORMATION, Vista on

} // namespace

bool CProcess::GetCreationTime(FILETIME& created) const {
    FILETIME exited, kernel, user;
    return ::GetProcessTimes(Get(), &created, &exited, &kernel, &user) != FALSE;
}

CString CProcess::GetImagePath() const {
    const DynCalls& dyn = Dyn();
    char path[MAX_PATH + 1] = {};
    if (dyn.QueryFullProcessImageNameA) {
        DWORD size = MAX_PATH;
        return dyn.QueryFullProcessImageNameA(Get(), 0, path, &size)
                   ? CString(path, static_cast<int>(size))
                   : CString();
    }
    // Windows XP, through psapi (GetProcessImageFileName would give a device path there).
    const DWORD length =
        dyn.GetModuleFileNameExA ? dyn.GetModuleFileNameExA(Get(), nullptr, path, MAX_PATH) : 0;
    return CString(path, static_cast<int>(length < MAX_PATH ? length : 0));
}

DWORD CProcess::ImageQueryAccess() {
    return Dyn().QueryFullProcessImageNameA ? kQueryLimitedInformation
                                            : PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
}
