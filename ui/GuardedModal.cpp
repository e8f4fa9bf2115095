#include "GuardedModal.h"

#include "framework/ResString.h"
#include "res/Caption.h"
#include "res/resource.h"

bool RunModalGuarded(CDialog& dlg) {
    try {
        dlg.DoModal();
        return true;
    } catch (...) {
        ::MessageBoxA(nullptr, LoadResString(IDS_UNEXPECTED_ERROR), kPatchCaption, MB_OK);
        return false;
    }
}
