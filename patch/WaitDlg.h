// The small modeless "Bitte warten..." window shown while the batch file runs. It has no close
// box; Escape or Enter only hide it, and the run goes on waiting.
#pragma once

#include "framework/Dialog.h"

class CWaitDlg : public CDialog {
public:
    CWaitDlg();

protected:
    void DoDataExchange(CDataExchange* pDX) override { (void)pDX; }
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;
};
