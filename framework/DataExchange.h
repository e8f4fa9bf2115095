// Dialog data exchange: binding controls to wrapper members.
#pragma once

#include "Wnd.h"

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    BOOL m_bSaveAndValidate; // TRUE: controls to members; FALSE: members to controls
    CWnd* m_pDlgWnd;
};

// Binds the dialog's control nIDC to rControl on the first exchange. The wrapper borrows the
// control's HWND; our control wrappers handle no messages of their own, so the control's window
// procedure is left as it is rather than subclassed.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
