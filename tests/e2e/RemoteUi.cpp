#include "RemoteUi.h"

#include "TimeLimits.h"

#include <commctrl.h>

#include <vector>

namespace {

struct Search {
    DWORD pid;
    const char* caption;
    bool messageBox;
    HWND found;
};

BOOL CALLBACK FindProc(HWND hWnd, LPARAM lParam) {
    Search& s = *reinterpret_cast<Search*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    if (pid != s.pid || !::IsWindowVisible(hWnd) || !IsDialogWindow(hWnd) ||
        WindowText(hWnd) != s.caption || IsMessageBox(hWnd) != s.messageBox)
        return TRUE;
    s.found = hWnd;
    return FALSE;
}

} // namespace

RemoteProgram::RemoteProgram(const std::string& exePath, const std::string& workingFolder) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    std::string commandLine = "\"" + exePath + "\"";
    if (!::CreateProcessA(exePath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          workingFolder.c_str(), &si, &m_pi)) {
        m_startError = ::GetLastError();
        m_pi = {};
    }
}

RemoteProgram::~RemoteProgram() {
    if (!m_pi.hProcess)
        return;
    if (WaitForExit(0) == STILL_ACTIVE)
        Kill();
    ::CloseHandle(m_pi.hThread);
    ::CloseHandle(m_pi.hProcess);
}

HWND RemoteProgram::FindWindowOf(const char* caption, bool messageBox) const {
    Search s = {m_pi.dwProcessId, caption, messageBox, nullptr};
    ::EnumWindows(FindProc, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND RemoteProgram::WaitForWindow(const char* caption, bool messageBox, DWORD timeoutMs) const {
    timeoutMs = ScaledMs(timeoutMs);
    const DWORD start = ::GetTickCount();
    do {
        if (HWND hWnd = FindWindowOf(caption, messageBox))
            return hWnd;
        ::Sleep(20);
    } while (::GetTickCount() - start < timeoutMs && WaitForExit(0) == STILL_ACTIVE);
    return nullptr;
}

HWND RemoteProgram::WaitForDialog(const char* caption, DWORD timeoutMs) const {
    return WaitForWindow(caption, false, timeoutMs);
}

HWND RemoteProgram::WaitForMessageBox(const char* caption, DWORD timeoutMs) const {
    return WaitForWindow(caption, true, timeoutMs);
}

std::string RemoteProgram::ItemRoot(HWND hCombo, int index) const {
    const LRESULT data = ::SendMessageA(hCombo, CB_GETITEMDATA, index, 0);
    if (data == CB_ERR || data == 0)
        return std::string();
    char root[8] = {};
    SIZE_T read = 0;
    ::ReadProcessMemory(m_pi.hProcess, reinterpret_cast<const void*>(data), root, sizeof root - 1,
                        &read);
    return root;
}

std::string RemoteProgram::ItemText(HWND hCombo, int index) const {
    // CBEM_GETITEMA is not marshalled between processes: the item and its text buffer must live
    // in the program's own memory.
    const SIZE_T textSize = 260;
    BYTE* remote = static_cast<BYTE*>(::VirtualAllocEx(
        m_pi.hProcess, nullptr, sizeof(COMBOBOXEXITEMA) + textSize, MEM_COMMIT, PAGE_READWRITE));
    if (!remote)
        return std::string();
    COMBOBOXEXITEMA item = {};
    item.mask = CBEIF_TEXT;
    item.iItem = index;
    item.pszText = reinterpret_cast<char*>(remote + sizeof item);
    item.cchTextMax = textSize;
    std::string text;
    DWORD_PTR answer = 0;
    if (::WriteProcessMemory(m_pi.hProcess, remote, &item, sizeof item, nullptr) &&
        ::SendMessageTimeoutA(hCombo, CBEM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote),
                              SMTO_BLOCK, 5000, &answer) &&
        answer) {
        std::vector<char> buffer(textSize + 1, '\0');
        ::ReadProcessMemory(m_pi.hProcess, remote + sizeof item, buffer.data(), textSize, nullptr);
        text = buffer.data();
    }
    ::VirtualFreeEx(m_pi.hProcess, remote, 0, MEM_RELEASE);
    return text;
}

DWORD RemoteProgram::WaitForExit(DWORD timeoutMs) const {
    if (::WaitForSingleObject(m_pi.hProcess, ScaledMs(timeoutMs)) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = 0;
    ::GetExitCodeProcess(m_pi.hProcess, &code);
    return code;
}

void RemoteProgram::Kill() const {
    ::TerminateProcess(m_pi.hProcess, 99);
    ::WaitForSingleObject(m_pi.hProcess, 5000);
}

void Click(HWND hButton) {
    ::PostMessageA(hButton, BM_CLICK, 0, 0);
}

void ChooseLastDrive(HWND hCombo) {
    const int count = static_cast<int>(::SendMessageA(hCombo, CB_GETCOUNT, 0, 0));
    int last = 0;
    for (int i = 1; i < count; ++i)
        if (static_cast<ULONG_PTR>(::SendMessageA(hCombo, CB_GETITEMDATA, i, 0)) >
            static_cast<ULONG_PTR>(::SendMessageA(hCombo, CB_GETITEMDATA, last, 0)))
            last = i;
    ::SendMessageA(hCombo, CB_SETCURSEL, last, 0);
}
