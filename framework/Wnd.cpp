#include "Wnd.h"

#include "DataExchange.h"

BOOL CWnd::DestroyWindow() {
    if (!m_hWnd)
        return FALSE;
    const BOOL bResult = ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
    return bResult;
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}
