// The small modeless window shown while the batch file runs: "Bitte warten...", the step that
// runs, the copy's progress, and "Abbrechen", which may stop the run only while the CD is copied.
// It has no close box; Enter does nothing, and Escape (or Alt+F4) means "Abbrechen" while that is
// allowed and nothing otherwise, so the window stays until the run ends.
#pragma once

#include "framework/Dialog.h"
#include "framework/String.h"

#include <windows.h>

class CWaitDlg : public CDialog {
public:
    enum Step { StepCopy, StepSetup, StepCleanUp };

    CWaitDlg();

    // The step line; StepCopy shows the megabytes of the progress. Leaving the copy fills the
    // bar and disables "Abbrechen".
    void ShowStep(Step step);
    // The copy's bytes against the CD's; the bar never goes back.
    void ShowCopyProgress(ULONGLONG copied, ULONGLONG total);
    // Whether "Abbrechen" (and Escape) may ask to stop the run.
    void AllowCancel(bool bAllow);
    // Whether the user asked to stop since the last call; asking again is left to the caller.
    bool TakeCancelRequest();

    // The bar's range: the copy in thousandths.
    static const int kProgressRange = 1000;

protected:
    void DoDataExchange(CDataExchange* pDX) override { (void)pDX; }
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

private:
    void SetStepText(const CString& text);

    Step m_step = StepCopy;
    CString m_strStep;
    int m_nProgress = 0;
    ULONGLONG m_copied = 0;
    ULONGLONG m_total = 0;
    bool m_bCancelAllowed = false;
    bool m_bCancelRequested = false;
};
