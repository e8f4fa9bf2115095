// The program's main window: the user picks the CD drive and a fixed disk for the temporary copy,
// then goes on ("Weiter >>>") or leaves ("Beenden", after a confirmation).
#pragma once

#include "DriveComboBox.h"
#include "framework/Dialog.h"
#include "framework/String.h"

class CInstallDlg : public CDialog {
public:
    explicit CInstallDlg(CWnd* pParent = nullptr);
    ~CInstallDlg() override = default;

    BOOL OnInitDialog() override;
    // "Beenden" and Enter: asks first, and ends the dialog with IDOK only on Yes.
    void OnOK() override;

    // Saves the controls into the two roots (loading does nothing more than bind them).
    void DoDataExchange(CDataExchange* pDX) override;

    bool m_bBusy = false;
    CDriveComboBox m_cdDriveCombo;
    CDriveComboBox m_tempDriveCombo;
    CString m_strCdRoot;
    CString m_strTempRoot;
    HICON m_hIcon;

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

public:
    void OnPaint();
    HCURSOR OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(m_hIcon); }
    // The patch run.
    void OnNext();
    BOOL OnSetCursor(HWND hWnd, UINT nHitTest, UINT message);
};

// Where the icon goes in a minimised dialog's client area of the given size: centred, with the
// odd pixel to the right and bottom.
POINT IconPositionInClient(int clientWidth, int clientHeight, int iconWidth, int iconHeight);
