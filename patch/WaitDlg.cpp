#include "WaitDlg.h"

#include "framework/ResString.h"
#include "res/resource.h"

#include <commctrl.h>

namespace {

// The CD's size in whole megabytes, rounded up (a CD of 300 KB is 1 MB, never 0), and what is
// copied of it in whole megabytes done, all of it once the copy is complete.
unsigned MegabytesUp(ULONGLONG bytes) {
    return static_cast<unsigned>((bytes + 1048575) / 1048576);
}
unsigned MegabytesDone(ULONGLONG copied, ULONGLONG total) {
    return copied < total ? static_cast<unsigned>(copied / 1048576) : MegabytesUp(total);
}

} // namespace

CWaitDlg::CWaitDlg() : CDialog(IDD_WAIT_DIALOG) {}

BOOL CWaitDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    ::SendDlgItemMessageA(m_hWnd, IDC_WAIT_PROGRESS, PBM_SETRANGE32, 0, kProgressRange);
    ShowStep(StepCopy);
    return TRUE;
}

void CWaitDlg::ShowStep(Step step) {
    m_step = step;
    // The line first: while it still names the copy, "Abbrechen" is still enabled.
    switch (step) {
    case StepCopy: {
        CString format = LoadResString(IDS_STEP_COPY);
        // wsprintf writes 1024 characters at the most.
        char text[1024];
        ::wsprintfA(text, format, MegabytesDone(m_copied, m_total), MegabytesUp(m_total));
        SetStepText(text);
        break;
    }
    case StepSetup:
        SetStepText(LoadResString(IDS_STEP_SETUP));
        break;
    case StepCleanUp:
        SetStepText(LoadResString(IDS_STEP_CLEANUP));
        break;
    }
    if (step != StepCopy) {
        AllowCancel(false);
        ShowCopyProgress(m_total, m_total); // the copy is complete
    }
}

void CWaitDlg::ShowCopyProgress(ULONGLONG copied, ULONGLONG total) {
    m_total = total;
    m_copied = copied < total ? copied : total;
    const int position =
        total == 0 ? kProgressRange : static_cast<int>(m_copied * kProgressRange / total);
    if (position > m_nProgress) {
        m_nProgress = position;
        ::SendDlgItemMessageA(m_hWnd, IDC_WAIT_PROGRESS, PBM_SETPOS, position, 0);
    }
    if (m_step == StepCopy)
        ShowStep(StepCopy);
}

void CWaitDlg::AllowCancel(bool bAllow) {
    m_bCancelAllowed = bAllow;
    ::EnableWindow(GetDlgItem(IDCANCEL), bAllow);
}

bool CWaitDlg::TakeCancelRequest() {
    const bool bRequested = m_bCancelRequested;
    m_bCancelRequested = false;
    return bRequested && m_bCancelAllowed;
}

void CWaitDlg::OnCancel() {
    // Escape, "Abbrechen" and the close command: only a request, and only while allowed.
    if (m_bCancelAllowed)
        m_bCancelRequested = true;
}

bool CWaitDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
    switch (message) {
    case WM_SHOWWINDOW:
        RequestDefaultHandling();
        return true;
    case WM_CLOSE:
        OnCancel(); // never closes the window itself
        return true;
    default:
        return CDialog::OnMessage(message, wParam, lParam, lResult);
    }
}

void CWaitDlg::SetStepText(const CString& text) {
    if (text == m_strStep)
        return; // unchanged: no flicker at every sample
    m_strStep = text;
    ::SetDlgItemTextA(m_hWnd, IDC_WAIT_STEP, text);
}
