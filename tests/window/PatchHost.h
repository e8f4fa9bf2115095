// A stand-in for the main dialog that hosts the real patch run: it shows the main dialog's
// template, hands the run the roots a test chose, clicks "Weiter >>>" itself when it opens, and
// ends with IDABORT when the run returns to it after a failed check.
#pragma once

#include "framework/Dialog.h"
#include "patch/PatchRun.h"
#include "res/resource.h"

#include <functional>
#include <stdexcept>

const UINT WM_TEST_THROW = WM_APP + 1;

class PatchHostDlg : public CDialog {
public:
    PatchHostDlg(const char* cdRoot, const char* tempRoot, const PatchSystem& system)
        : CDialog(IDD_INSTALL_DIALOG), m_chosenCd(cdRoot), m_chosenTemp(tempRoot),
          m_system(system) {}

    bool m_bBusy = false;
    CString m_strCdRoot;
    CString m_strTempRoot;
    int m_nRuns = 0;
    int m_nThrown = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        PostMessage(WM_COMMAND, MAKEWPARAM(IDC_NEXT, BN_CLICKED), 0);
        return TRUE;
    }
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override {
        if (message == WM_COMMAND && LOWORD(wParam) == IDC_NEXT) {
            ++m_nRuns;
            PatchHost host = {*this, m_bBusy, m_strCdRoot, m_strTempRoot};
            if (!RunPatch(host, m_system))
                EndDialog(IDABORT);
            return true;
        }
        if (message == WM_TEST_THROW) {
            ++m_nThrown;
            throw std::runtime_error("thrown by a handler during the wait");
        }
        return CDialog::OnMessage(message, wParam, lParam, lResult);
    }

private:
    CString m_chosenCd;
    CString m_chosenTemp;
    const PatchSystem& m_system;
};
