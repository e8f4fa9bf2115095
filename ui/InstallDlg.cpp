#include "InstallDlg.h"

#include "framework/DataExchange.h"
#include "framework/Module.h"
#include "framework/PaintDC.h"
#include "framework/ResString.h"
#include "patch/PatchRun.h"
#include "res/resource.h"

namespace {

const char kConfirmCaption[] = "Nebulark 5";

// The root text that a selected item's data points to, or the empty text with no selection.
CString SelectedRoot(const CDriveComboBox& combo) {
    const int nIndex = combo.GetCurSel();
    if (nIndex == CB_ERR)
        return CString();
    return CString(reinterpret_cast<const char*>(combo.GetItemData(nIndex)));
}

} // namespace

CInstallDlg::CInstallDlg(CWnd* pParent) : CDialog(IDD_INSTALL_DIALOG, pParent) {
    m_hIcon = ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME));
}

void CInstallDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_CD_DRIVE, m_cdDriveCombo);
    DDX_Control(pDX, IDC_TEMP_DRIVE, m_tempDriveCombo);
    m_strTempRoot.Empty();
    m_strCdRoot.Empty();
    if (pDX->m_bSaveAndValidate) {
        m_strCdRoot = SelectedRoot(m_cdDriveCombo);
        m_strTempRoot = SelectedRoot(m_tempDriveCombo);
    }
}

BOOL CInstallDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_bBusy = false;
    SetIcon(m_hIcon, FALSE); // the small icon only
    m_cdDriveCombo.FillDriveList(true, DRIVE_CDROM);
    m_tempDriveCombo.FillDriveList(true, DRIVE_FIXED);
    m_tempDriveCombo.SetCurSel(0);
    m_cdDriveCombo.SetCurSel(0);
    return TRUE;
}

void CInstallDlg::OnOK() {
    if (MessageBox(LoadResString(IDS_CONFIRM_ABORT), kConfirmCaption, MB_YESNO) == IDYES)
        CDialog::OnOK();
}

bool CInstallDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
    switch (message) {
    case WM_PAINT:
        OnPaint();
        return true;
    case WM_QUERYDRAGICON:
        lResult = reinterpret_cast<LRESULT>(OnQueryDragIcon());
        return true;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_NEXT && HIWORD(wParam) == BN_CLICKED) {
            OnNext();
            return true;
        }
        break;
    case WM_SETCURSOR:
        lResult = OnSetCursor(reinterpret_cast<HWND>(wParam), LOWORD(lParam), HIWORD(lParam));
        return true;
    default:
        break;
    }
    return CDialog::OnMessage(message, wParam, lParam, lResult);
}

POINT IconPositionInClient(int clientWidth, int clientHeight, int iconWidth, int iconHeight) {
    return POINT{(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}

void CInstallDlg::OnPaint() {
    if (!IsIconic()) {
        RequestDefaultHandling();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    const int cxIcon = ::GetSystemMetrics(SM_CXICON);
    const int cyIcon = ::GetSystemMetrics(SM_CYICON);
    RECT rect;
    GetClientRect(&rect);
    const POINT at =
        IconPositionInClient(rect.right - rect.left, rect.bottom - rect.top, cxIcon, cyIcon);
    dc.DrawIcon(at.x, at.y, m_hIcon);
}

BOOL CInstallDlg::OnSetCursor(HWND hWnd, UINT nHitTest, UINT message) {
    (void)hWnd;
    (void)nHitTest;
    (void)message;
    if (m_bBusy) {
        ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
        return TRUE;
    }
    RequestDefaultHandling();
    return FALSE;
}

void CInstallDlg::OnNext() {
    PatchHost host = {*this, m_bBusy, m_strCdRoot, m_strTempRoot};
    RunPatch(host);
}
