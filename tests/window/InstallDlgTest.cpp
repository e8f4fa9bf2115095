// The real main dialog in a real window: its look, its lists, how it ends, its cursor.
#include "TestDrives.h"
#include "TestFiles.h"
#include "TimeLimits.h"
#include "UiDriver.h"

#include "app/AdminRights.h"
#include "framework/ResString.h"
#include "res/Caption.h"
#include "res/resource.h"
#include "ui/GuardedModal.h"
#include "ui/InstallDlg.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace {

// Runs the dialog; each tick calls step(dlg, tick number) once the dialog is up.
INT_PTR RunDialog(CInstallDlg& dlg, UiDriver& ui, const std::function<void(HWND)>& step) {
    ui.onTick = [&] {
        if (dlg.m_hWnd && ::IsWindowVisible(dlg.m_hWnd))
            step(dlg.m_hWnd);
    };
    const INT_PTR result = dlg.DoModal();
    ui.onTick = nullptr;
    EXPECT_FALSE(ui.timedOut());
    return result;
}

// Runs the dialog and calls step once, on the first tick after it is up.
INT_PTR RunDialogOnce(CInstallDlg& dlg, UiDriver& ui, const std::function<void(HWND)>& step) {
    bool done = false;
    const INT_PTR result = RunDialog(dlg, ui, [&](HWND hDlg) {
        if (!done) {
            done = true;
            step(hDlg);
        }
    });
    EXPECT_TRUE(done) << "the dialog never came up";
    return result;
}

void PressKeyOnFocus(HWND hDlg, HWND hFocus, UINT vk) {
    ::SetForegroundWindow(hDlg);
    ::SetFocus(hFocus);
    ::PostMessageA(::GetFocus(), WM_KEYDOWN, vk, 0);
}

TEST(InstallDlgTest, ShowsTheTemplateWithBothListsFilledAndTheFirstItemsSelected) {
    CInstallDlg dlg;
    UiDriver ui;
    RunDialogOnce(dlg, ui, [&](HWND hDlg) {
        EXPECT_EQ(kPatchCaption, WindowText(hDlg));
        RECT client, units = {0, 0, 305, 116};
        ::GetClientRect(hDlg, &client);
        ::MapDialogRect(hDlg, &units);
        EXPECT_EQ(units.right, client.right);
        EXPECT_EQ(units.bottom, client.bottom);
        EXPECT_TRUE(::GetWindowLongA(hDlg, GWL_EXSTYLE) & WS_EX_APPWINDOW);
        EXPECT_EQ("Beenden", WindowText(::GetDlgItem(hDlg, IDOK)));
        EXPECT_EQ("Weiter >>>", WindowText(::GetDlgItem(hDlg, IDC_NEXT)));
        EXPECT_EQ(DLGC_DEFPUSHBUTTON,
                  ::SendDlgItemMessageA(hDlg, IDOK, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON);

        // Centred on the screen by the dialog class.
        RECT window;
        ::GetWindowRect(hDlg, &window);
        const int screenX = ::GetSystemMetrics(SM_CXSCREEN);
        EXPECT_LE(std::abs((window.left + window.right) / 2 - screenX / 2), 2);

        EXPECT_EQ(0, dlg.m_cdDriveCombo.GetCurSel());
        EXPECT_EQ(0, dlg.m_tempDriveCombo.GetCurSel());
        EXPECT_EQ(static_cast<int>(CdRoots().size()), dlg.m_cdDriveCombo.GetCount());
        EXPECT_STREQ("D:\\", reinterpret_cast<const char*>(dlg.m_cdDriveCombo.GetItemData(0)));
        EXPECT_STREQ("C:\\", reinterpret_cast<const char*>(dlg.m_tempDriveCombo.GetItemData(0)));
        EXPECT_EQ(dlg.m_cdDriveCombo.m_hWnd, ::GetDlgItem(hDlg, IDC_CD_DRIVE));
        EXPECT_EQ(dlg.m_tempDriveCombo.m_hWnd, ::GetDlgItem(hDlg, IDC_TEMP_DRIVE));

        // The small icon only.
        EXPECT_EQ(reinterpret_cast<LRESULT>(dlg.m_hIcon),
                  ::SendMessageA(hDlg, WM_GETICON, ICON_SMALL, 0));
        EXPECT_EQ(0, ::SendMessageA(hDlg, WM_GETICON, ICON_BIG, 0));
        EXPECT_EQ(reinterpret_cast<LRESULT>(dlg.m_hIcon),
                  ::SendMessageA(hDlg, WM_QUERYDRAGICON, 0, 0));
        EXPECT_FALSE(dlg.m_bBusy);

        dlg.UpdateData(TRUE);
        EXPECT_STREQ("D:\\", dlg.m_strCdRoot);
        EXPECT_STREQ("C:\\", dlg.m_strTempRoot);
        // With nothing selected in a list its root is empty.
        ::SendMessageA(dlg.m_cdDriveCombo.m_hWnd, CB_RESETCONTENT, 0, 0);
        dlg.UpdateData(TRUE);
        EXPECT_STREQ("", dlg.m_strCdRoot);
        EXPECT_STREQ("C:\\", dlg.m_strTempRoot);
        // Loading only empties the roots.
        dlg.UpdateData(FALSE);
        EXPECT_STREQ("", dlg.m_strTempRoot);
        ::PostMessageA(hDlg, WM_CLOSE, 0, 0);
    });
    EXPECT_TRUE(ui.boxes().empty());
}

TEST(InstallDlgTest, BeendenAsksFirstNoKeepsTheDialogAndYesEndsItWithOk) {
    CInstallDlg dlg;
    UiDriver ui;
    ui.AnswerWith(IDNO);
    int clicks = 0;
    const INT_PTR result = RunDialog(dlg, ui, [&](HWND hDlg) {
        // First click: answered No. Once that box is gone, a second click, answered Yes.
        if (clicks == 0 || (clicks == 1 && ui.boxes().size() == 1)) {
            if (clicks == 1)
                ui.AnswerWith(IDYES);
            ++clicks;
            ::PostMessageA(::GetDlgItem(hDlg, IDOK), BM_CLICK, 0, 0);
        }
    });
    EXPECT_EQ(IDOK, result);
    ASSERT_EQ(2u, ui.boxes().size());
    for (const SeenMessageBox& box : ui.boxes()) {
        EXPECT_EQ("Nebulark 5", box.caption);
        EXPECT_EQ(LoadResString(IDS_CONFIRM_ABORT).str(), box.text);
        EXPECT_EQ((std::vector<int>{IDYES, IDNO}), box.buttons);
        EXPECT_FALSE(box.hasIcon);
    }
    EXPECT_STREQ("D:\\", dlg.m_strCdRoot); // OK saved the controls
}

// A main dialog whose handler of one message fails with an exception nobody catches.
class FailingInstallDlg : public CInstallDlg {
public:
    static const UINT WM_FAIL = WM_APP + 7;

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override {
        if (message == WM_FAIL)
            throw std::runtime_error("a handler failed");
        return CInstallDlg::OnMessage(message, wParam, lParam, lResult);
    }
};

TEST(InstallDlgTest, AFailureThatEscapesTheDialogIsReportedNotSwallowed) {
    FailingInstallDlg dlg;
    UiDriver ui;
    bool failed = false;
    ui.onTick = [&] {
        if (!failed && dlg.m_hWnd && ::IsWindowVisible(dlg.m_hWnd)) {
            failed = true;
            ::SendMessageA(dlg.m_hWnd, FailingInstallDlg::WM_FAIL, 0, 0);
            ::PostMessageA(dlg.m_hWnd, WM_CLOSE, 0, 0);
        }
    };
    EXPECT_FALSE(RunModalGuarded(dlg));
    EXPECT_FALSE(ui.timedOut());
    ASSERT_EQ(1u, ui.boxes().size());
    EXPECT_EQ(LoadResString(IDS_UNEXPECTED_ERROR).str(), ui.boxes()[0].text);
    EXPECT_EQ(kPatchCaption, ui.boxes()[0].caption);
    EXPECT_EQ(std::vector<int>{IDOK}, ui.boxes()[0].buttons);
}

TEST(InstallDlgTest, WithoutAdministratorRightsTheStartUpSaysSoAndGoesNoFurther) {
    {
        UiDriver ui;
        EXPECT_FALSE(CheckAdministratorRights([] { return false; }));
        ASSERT_EQ(1u, ui.boxes().size());
        EXPECT_EQ(LoadResString(IDS_NEEDS_ADMINISTRATOR).str(), ui.boxes()[0].text);
        EXPECT_EQ(kPatchCaption, ui.boxes()[0].caption);
        EXPECT_EQ(std::vector<int>{IDOK}, ui.boxes()[0].buttons);
    }
    UiDriver ui;
    EXPECT_TRUE(CheckAdministratorRights([] { return true; }));
    EXPECT_TRUE(ui.boxes().empty());
}

TEST(InstallDlgTest, EnterAwayFromWeiterAsksForConfirmation) {
    CInstallDlg dlg;
    UiDriver ui;
    ui.AnswerWith(IDYES);
    const INT_PTR result = RunDialogOnce(
        dlg, ui, [&](HWND hDlg) { PressKeyOnFocus(hDlg, ::GetDlgItem(hDlg, IDOK), VK_RETURN); });
    EXPECT_EQ(IDOK, result);
    ASSERT_EQ(1u, ui.boxes().size());
    EXPECT_EQ("Nebulark 5", ui.boxes()[0].caption);
}

TEST(InstallDlgTest, EscapeAndTheCloseBoxEndTheDialogAtOnce) {
    for (bool escape : {true, false}) {
        CInstallDlg dlg;
        UiDriver ui;
        const INT_PTR result = RunDialogOnce(dlg, ui, [&](HWND hDlg) {
            if (escape)
                PressKeyOnFocus(hDlg, ::GetDlgItem(hDlg, IDC_CD_DRIVE), VK_ESCAPE);
            else
                ::PostMessageA(hDlg, WM_CLOSE, 0, 0);
        });
        EXPECT_EQ(IDCANCEL, result) << (escape ? "Escape" : "close box");
        EXPECT_TRUE(ui.boxes().empty());
    }
}

TEST(InstallDlgTest, WhileBusyTheCursorIsTheWaitCursorForEveryHitTest) {
    CInstallDlg dlg;
    UiDriver ui;
    RunDialogOnce(dlg, ui, [&](HWND hDlg) {
        const HCURSOR hWait = ::LoadCursorA(nullptr, IDC_WAIT);
        const HCURSOR hArrow = ::LoadCursorA(nullptr, IDC_ARROW);
        dlg.m_bBusy = true;
        for (int hit : {HTERROR, HTNOWHERE, HTCLIENT, HTCAPTION, HTSYSMENU, HTBORDER, HTLEFT,
                        HTBOTTOMRIGHT, HTCLOSE}) {
            ::SetCursor(hArrow);
            EXPECT_EQ(TRUE, ::SendMessageA(hDlg, WM_SETCURSOR, (WPARAM)hDlg,
                                           MAKELPARAM(hit, WM_MOUSEMOVE)))
                << hit;
            EXPECT_EQ(hWait, ::GetCursor()) << hit;
        }
        // Not busy: the default handling, which shows the dialog class's arrow.
        dlg.m_bBusy = false;
        ::SetCursor(hWait);
        ::SendMessageA(hDlg, WM_SETCURSOR, (WPARAM)hDlg, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(hArrow, ::GetCursor());
        ::PostMessageA(hDlg, WM_CLOSE, 0, 0);
    });
}

TEST(InstallDlgTest, TheMinimisedIconIsCentredWithTheOddPixelToTheRightAndBottom) {
    struct Case {
        int cw, ch, iw, ih, x, y;
    } cases[] = {
        {32, 32, 32, 32, 0, 0},    {36, 36, 32, 32, 2, 2}, {37, 38, 32, 32, 3, 3},
        {160, 24, 32, 32, 64, -3}, {31, 31, 32, 32, 0, 0}, {0, 0, 32, 32, -15, -15},
        {100, 50, 16, 16, 42, 17},
    };
    for (const Case& c : cases) {
        const POINT at = IconPositionInClient(c.cw, c.ch, c.iw, c.ih);
        EXPECT_EQ(c.x, at.x) << c.cw << "x" << c.ch;
        EXPECT_EQ(c.y, at.y) << c.cw << "x" << c.ch;
    }
}

TEST(InstallDlgTest, WeiterRunsThePatchWithTheWaitCursorAndEndsTheDialog) {
    for (const char* name : {"Disk1", "Docs"})
        RemoveTree(std::string("C:\\") + name);
    MakeFolder("C:\\records");
    ::SetEnvironmentVariableA("STUB_RECORD", "C:\\records\\dlg.txt");
    SetStubSleepMs(3500);
    CInstallDlg dlg;
    UiDriver ui;
    int busyTicks = 0;
    bool clicked = false, sawWaitCursor = false, disabled = false;
    const INT_PTR result = RunDialog(dlg, ui, [&](HWND hDlg) {
        if (!clicked) {
            clicked = true;
            ::PostMessageA(::GetDlgItem(hDlg, IDC_NEXT), BM_CLICK, 0, 0);
        } else if (dlg.m_bBusy) {
            // The pointer goes over the (disabled) dialog, away from the wait window in its
            // middle; the next slice's messages set the cursor for it.
            if (++busyTicks == 1) {
                POINT corner = {4, 4};
                ::ClientToScreen(hDlg, &corner);
                ::SetCursorPos(corner.x, corner.y);
            } else {
                sawWaitCursor |= ::GetCursor() == ::LoadCursorA(nullptr, IDC_WAIT);
            }
            disabled = !::IsWindowEnabled(hDlg);
        }
    });
    const bool sawBusy = busyTicks > 0;
    ::SetEnvironmentVariableA("STUB_SLEEP_MS", nullptr);
    EXPECT_EQ(IDOK, result);
    EXPECT_TRUE(ui.boxes().empty());
    EXPECT_TRUE(sawBusy);
    EXPECT_TRUE(sawWaitCursor);
    EXPECT_TRUE(disabled);
    EXPECT_FALSE(dlg.m_bBusy);
    EXPECT_TRUE(PathExists("C:\\records\\dlg.txt")) << "the setup stub did not run";
    EXPECT_FALSE(PathExists("C:\\Disk1"));
    // The program's own folder got the script and the batch file.
    std::string exe(MAX_PATH, '\0');
    exe.resize(::GetModuleFileNameA(nullptr, &exe[0], MAX_PATH));
    const std::string folder = exe.substr(0, exe.find_last_of('\\') + 1);
    EXPECT_TRUE(PathExists(folder + "setup.inx"));
    EXPECT_TRUE(PathExists(folder + "temp.bat"));
    ::DeleteFileA((folder + "setup.inx").c_str());
    ::DeleteFileA((folder + "temp.bat").c_str());
    RemoveTree("C:\\records");
}

} // namespace
