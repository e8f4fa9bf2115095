#include "WaitDlg.h"

#include "res/resource.h"

CWaitDlg::CWaitDlg() : CDialog(IDD_WAIT_DIALOG) {}

bool CWaitDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
    if (message == WM_SHOWWINDOW) {
        lResult = Default();
        return true;
    }
    return CDialog::OnMessage(message, wParam, lParam, lResult);
}
