#include "AdminRights.h"

#include "framework/ResString.h"
#include "res/Caption.h"
#include "res/resource.h"

#include <windows.h>

bool TokenIsAdministrator() {
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof administrators;
    BOOL member = FALSE;
    return ::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size) &&
           ::CheckTokenMembership(nullptr, administrators, &member) && member;
}

bool CheckAdministratorRights(bool (*isAdministrator)()) {
    if (isAdministrator())
        return true;
    ::MessageBoxA(nullptr, LoadResString(IDS_NEEDS_ADMINISTRATOR), kPatchCaption, MB_OK);
    return false;
}
