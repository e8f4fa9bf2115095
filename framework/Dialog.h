// CDialog: a dialog from a resource template, run modally (DoModal) or modelessly (Create).
//
// One static dialog procedure finds the C++ object through DWLP_USER (set from the lParam of
// WM_INITDIALOG) and calls the virtual OnMessage, which plays the part of a message map. A C++
// exception thrown by a handler cannot unwind through the system's frames, so the procedure
// catches it and hands it to the thread's pump (see WinApp.h), which throws it again.
#pragma once

#include "Wnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Runs the dialog in its own modal loop; answers the EndDialog result, or -1 when the
    // dialog could not be created.
    INT_PTR DoModal();
    // Creates the dialog modelessly, as a child of pParentWnd's window when one is given.
    BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    void EndDialog(int nResult) { ::EndDialog(m_hWnd, nResult); }

    virtual BOOL OnInitDialog();
    // Saves the controls and ends the dialog with IDOK. For a modeless dialog EndDialog only
    // hides the window.
    virtual void OnOK();
    virtual void OnCancel();
    // Centres the window over its owner, or on the screen's work area when it has none.
    void CenterWindow();

protected:
    // The message map: answers true when it handled the message and sets lResult. The base maps
    // WM_INITDIALOG and the IDOK and IDCANCEL commands; other commands go to the application.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& lResult);
    // Lets the dialog manager's default handling run for the current message once the handler
    // has returned; its answer, not the handler's, goes to the system.
    void RequestDefaultHandling();

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    bool m_bDefaultRequested = false;
    bool m_bModal = false;
};
