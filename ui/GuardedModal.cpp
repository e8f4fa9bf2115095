#include "GuardedModal.h"

#include "framework/ResString.h"
#include "res/resource.h"

bool RunModalGuarded(CDialog& dlg) {
    try {
        dlg.DoModal();
        return true;
    } catch (...) {
        ::MessageBoxA(nullptr, LoadResString(IDS_UNEXPECTED_ERROR), "NebuLark 5 Installation",
                      MB_OK);
        return false;
    }
}
