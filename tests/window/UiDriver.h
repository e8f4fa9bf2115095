// Drives the real windows of this thread while a modal loop runs: a thread timer, dispatched by
// every modal loop (dialogs, message boxes, the patch run's wait), looks for message boxes,
// records what they show and clicks the answer. A deadline ends every open dialog so that a
// test fails instead of hanging.
#pragma once

#include "WindowKinds.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct SeenMessageBox {
    HWND owner;
    std::string caption;
    std::string text;
    std::vector<int> buttons; // control ids of the visible buttons, in creation order
    bool hasIcon;
};

class UiDriver {
public:
    explicit UiDriver(DWORD deadlineMs = 60000, UINT tickMs = 50);
    ~UiDriver();
    UiDriver(const UiDriver&) = delete;
    UiDriver& operator=(const UiDriver&) = delete;

    // The button each message box is answered with (IDOK by default).
    void AnswerWith(int buttonId) { m_answer = buttonId; }
    // Runs on every tick, after the message boxes have been looked at.
    std::function<void()> onTick;

    const std::vector<SeenMessageBox>& boxes() const { return m_boxes; }
    bool timedOut() const { return m_timedOut; }
    // The wait window's step line as last seen.
    const std::string& lastStep() const { return m_lastStep; }
    int ticks() const { return m_ticks; }

private:
    static void CALLBACK TimerProc(HWND, UINT, UINT_PTR, DWORD);
    void Tick();

    UINT_PTR m_timer;
    DWORD m_deadline;
    int m_answer = IDOK;
    int m_ticks = 0;
    bool m_timedOut = false;
    bool m_inTick = false;
    std::vector<HWND> m_handled;
    std::vector<SeenMessageBox> m_boxes;
    std::string m_lastStep;
};

// The top-level dialog of this thread whose caption is given, visible or not; null if none.
HWND FindThreadDialog(const char* caption);
