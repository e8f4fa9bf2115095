#include "DataExchange.h"

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (rControl.m_hWnd == nullptr)
        rControl.Attach(pDX->m_pDlgWnd->GetDlgItem(nIDC));
}
