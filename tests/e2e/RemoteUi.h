// Drives install.exe from outside its process, the way a user would: find its windows by
// caption, pick list items, click buttons, read texts.
#pragma once

#include "WindowKinds.h"

#include <windows.h>

#include <string>

class RemoteProgram {
public:
    // Starts exePath with the working folder given; Ok() tells whether it started.
    RemoteProgram(const std::string& exePath, const std::string& workingFolder);
    ~RemoteProgram();
    RemoteProgram(const RemoteProgram&) = delete;
    RemoteProgram& operator=(const RemoteProgram&) = delete;

    bool Ok() const { return m_pi.hProcess != nullptr; }
    DWORD StartError() const { return m_startError; }

    // A visible top-level dialog of the program with this caption, waited for; null on timeout.
    HWND WaitForDialog(const char* caption, DWORD timeoutMs = 20000) const;
    // A visible message box of the program with this caption, waited for; null on timeout.
    HWND WaitForMessageBox(const char* caption, DWORD timeoutMs = 20000) const;

    // The root text an extended combo box item's data points to, read from the program's memory.
    std::string ItemRoot(HWND hCombo, int index) const;
    // The text an extended combo box shows for an item, read through the program's memory.
    std::string ItemText(HWND hCombo, int index) const;

    // Waits for the program to end; answers its exit code, or STILL_ACTIVE on timeout.
    DWORD WaitForExit(DWORD timeoutMs = 60000) const;
    void Kill() const;

private:
    HWND FindWindowOf(const char* caption, bool messageBox) const;
    HWND WaitForWindow(const char* caption, bool messageBox, DWORD timeoutMs) const;

    PROCESS_INFORMATION m_pi = {};
    DWORD m_startError = 0;
};

void Click(HWND hButton);
// Selects the last drive in a drive list of the program: the items' data point into one buffer
// of the drive roots in drive order, so the last drive has the highest address (compared as
// numbers: the program's memory cannot be read where it runs under qemu).
void ChooseLastDrive(HWND hCombo);
