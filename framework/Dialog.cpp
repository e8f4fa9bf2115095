#include "Dialog.h"

#include "Module.h"
#include "WinApp.h"

#include <commctrl.h>

namespace {

// The extended combo box lives in the common controls library, which registers its classes only
// when asked to.
void RegisterCommonControls() {
    static bool registered = false;
    if (registered)
        return;
    INITCOMMONCONTROLSEX icc = {sizeof icc,
                                ICC_STANDARD_CLASSES | ICC_USEREX_CLASSES | ICC_PROGRESS_CLASS};
    registered = ::InitCommonControlsEx(&icc) != FALSE;
}

// Messages whose answer a dialog procedure returns itself instead of through DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
    switch (message) {
    case WM_INITDIALOG:
    case WM_QUERYDRAGICON:
    case WM_CHARTOITEM:
    case WM_VKEYTOITEM:
    case WM_COMPAREITEM:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return true;
    default:
        return false;
    }
}

} // namespace

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() {
    // A modeless dialog still open when its object goes must not call back into it.
    if (m_hWnd && ::IsWindow(m_hWnd)) {
        ::SetWindowLongPtrA(m_hWnd, DWLP_USER, 0);
        ::DestroyWindow(m_hWnd);
    }
}

INT_PTR CDialog::DoModal() {
    RegisterCommonControls();
    m_bModal = true;
    HWND hParent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    const INT_PTR nResult =
        ::DialogBoxParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), hParent,
                          DialogProc, reinterpret_cast<LPARAM>(this));
    m_hWnd = nullptr;
    AfxRethrowDispatchException();
    return nResult;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
    RegisterCommonControls();
    m_bModal = false;
    m_nIDTemplate = nIDTemplate;
    m_pParentWnd = pParentWnd;
    HWND hParent = pParentWnd ? pParentWnd->m_hWnd : nullptr;
    HWND hWnd = ::CreateDialogParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nIDTemplate), hParent,
                                     DialogProc, reinterpret_cast<LPARAM>(this));
    return hWnd != nullptr;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::CenterWindow() {
    RECT window, area;
    ::GetWindowRect(m_hWnd, &window);
    HWND hOwner = ::GetWindow(m_hWnd, GW_OWNER);
    if (hOwner && ::IsWindowVisible(hOwner) && !::IsIconic(hOwner)) {
        ::GetWindowRect(hOwner, &area);
    } else {
        MONITORINFO monitor = {sizeof monitor, {}, {}, 0};
        ::GetMonitorInfoA(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY), &monitor);
        area = monitor.rcWork;
    }
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    const int x = area.left + (area.right - area.left - width) / 2;
    const int y = area.top + (area.bottom - area.top - height) / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CDialog::RequestDefaultHandling() {
    m_bDefaultRequested = true;
}

bool CDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        // A modal dialog whose template does not centre it opens centred over its owner.
        if (m_bModal && !(::GetWindowLongA(m_hWnd, GWL_STYLE) & DS_CENTER))
            CenterWindow();
        lResult = OnInitDialog();
        return true;
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED)
            return false;
        switch (LOWORD(wParam)) {
        case IDOK:
            OnOK();
            return true;
        case IDCANCEL:
            OnCancel();
            return true;
        default:
            // Commands nobody in the dialog handles are routed to the application.
            return AfxGetApp() && AfxGetApp()->OnCommand(LOWORD(wParam));
        }
    default:
        return false;
    }
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialog* pDlg;
    if (message == WM_INITDIALOG) {
        pDlg = reinterpret_cast<CDialog*>(lParam);
        ::SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
        pDlg->m_hWnd = hWnd;
    } else {
        pDlg = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hWnd, DWLP_USER));
    }
    if (!pDlg)
        return FALSE;

    // Handlers may re-enter the procedure (a message box inside a handler), so the default
    // request of the outer message is kept aside.
    const bool bOuterDefault = pDlg->m_bDefaultRequested;
    pDlg->m_bDefaultRequested = false;
    LRESULT lResult = 0;
    bool bHandled = false;
    try {
        bHandled = pDlg->OnMessage(message, wParam, lParam, lResult);
    } catch (...) {
        AfxStashDispatchException(std::current_exception());
        bHandled = false;
    }
    const bool bDefault = pDlg->m_bDefaultRequested;
    pDlg->m_bDefaultRequested = bOuterDefault;

    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hWnd, DWLP_USER, 0);
        pDlg->m_hWnd = nullptr;
        return FALSE;
    }
    if (!bHandled || bDefault)
        return FALSE;
    if (ReturnsResultDirectly(message))
        return static_cast<INT_PTR>(lResult);
    ::SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, lResult);
    return TRUE;
}
