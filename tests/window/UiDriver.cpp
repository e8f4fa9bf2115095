#include "UiDriver.h"

#include "res/resource.h"

#include "TimeLimits.h"

#include <algorithm>

namespace {

UiDriver* g_pDriver = nullptr;

BOOL CALLBACK CollectWindow(HWND hWnd, LPARAM lParam) {
    reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hWnd);
    return TRUE;
}

std::vector<HWND> ThreadTopLevelWindows() {
    std::vector<HWND> windows;
    ::EnumThreadWindows(::GetCurrentThreadId(), CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

SeenMessageBox Describe(HWND hBox) {
    SeenMessageBox seen = {::GetWindow(hBox, GW_OWNER),
                           WindowText(hBox),
                           WindowText(::GetDlgItem(hBox, 0xFFFF)),
                           {},
                           false};
    for (HWND hChild = ::GetWindow(hBox, GW_CHILD); hChild;
         hChild = ::GetWindow(hChild, GW_HWNDNEXT)) {
        if (!::IsWindowVisible(hChild))
            continue;
        char className[16] = {};
        ::GetClassNameA(hChild, className, sizeof className);
        const LONG style = ::GetWindowLongA(hChild, GWL_STYLE);
        if (lstrcmpiA(className, "Button") == 0)
            seen.buttons.push_back(::GetDlgCtrlID(hChild));
        else if (lstrcmpiA(className, "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON &&
                 ::SendMessageA(hChild, STM_GETICON, 0, 0) != 0)
            seen.hasIcon = true;
    }
    return seen;
}

} // namespace

HWND FindThreadDialog(const char* caption) {
    for (HWND hWnd : ThreadTopLevelWindows())
        if (IsDialogWindow(hWnd) && !IsMessageBox(hWnd) && WindowText(hWnd) == caption)
            return hWnd;
    return nullptr;
}

UiDriver::UiDriver(DWORD deadlineMs, UINT tickMs)
    : m_deadline(::GetTickCount() + ScaledMs(deadlineMs)) {
    g_pDriver = this;
    m_timer = ::SetTimer(nullptr, 0, tickMs, TimerProc);
}

UiDriver::~UiDriver() {
    ::KillTimer(nullptr, m_timer);
    g_pDriver = nullptr;
}

void CALLBACK UiDriver::TimerProc(HWND, UINT, UINT_PTR, DWORD) {
    if (g_pDriver && !g_pDriver->m_inTick)
        g_pDriver->Tick();
}

void UiDriver::Tick() {
    m_inTick = true;
    ++m_ticks;
    // Handles of closed boxes may come back for new ones.
    m_handled.erase(std::remove_if(m_handled.begin(), m_handled.end(),
                                   [](HWND hWnd) { return !::IsWindow(hWnd); }),
                    m_handled.end());
    for (HWND hWnd : ThreadTopLevelWindows()) {
        if (!::IsWindowVisible(hWnd) || !IsMessageBox(hWnd))
            continue;
        if (std::find(m_handled.begin(), m_handled.end(), hWnd) != m_handled.end())
            continue;
        m_handled.push_back(hWnd);
        m_boxes.push_back(Describe(hWnd));
        HWND hButton = ::GetDlgItem(hWnd, m_answer);
        if (hButton)
            ::PostMessageA(hButton, BM_CLICK, 0, 0); // posted: a sent click would block here
        else
            ::PostMessageA(hWnd, WM_COMMAND, IDCANCEL, 0);
    }
    if (HWND hWait = FindThreadDialog(kWaitCaption))
        m_lastStep = WindowText(::GetDlgItem(hWait, IDC_WAIT_STEP));
    if (onTick)
        onTick();
    if (static_cast<LONG>(::GetTickCount() - m_deadline) > 0 && !m_timedOut) {
        m_timedOut = true;
        for (HWND hWnd : ThreadTopLevelWindows())
            if (IsDialogWindow(hWnd))
                ::EndDialog(hWnd, IDABORT);
    }
    m_inTick = false;
}

#include "PatchHost.h"
#include "framework/DataExchange.h"

void PatchHostDlg::DoDataExchange(CDataExchange* pDX) {
    m_strCdRoot.Empty();
    m_strTempRoot.Empty();
    if (pDX->m_bSaveAndValidate) {
        m_strCdRoot = m_chosenCd;
        m_strTempRoot = m_chosenTemp;
    }
}
