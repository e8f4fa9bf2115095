// CProcess: a process held by its handle, in the manner of 7-Zip's CProcess. Each member is one
// question to the system, so the code that watches processes reads as what it asks.
#pragma once

#include "Handle.h"
#include "String.h"

class CProcess : public CHandle {
public:
    // Opens the process of that id with desiredAccess; false when it is gone or may not be opened.
    bool Open(DWORD desiredAccess, DWORD processId) {
        Attach(::OpenProcess(desiredAccess, FALSE, processId));
        return IsValid();
    }
    bool Terminate(UINT exitCode) { return ::TerminateProcess(Get(), exitCode) != FALSE; }
    bool GetExitCode(DWORD& exitCode) const {
        return ::GetExitCodeProcess(Get(), &exitCode) != FALSE;
    }
    // When the process was created; false when it cannot be asked.
    bool GetCreationTime(FILETIME& created) const;
    // Its program file as a drive path (C:\Windows\system32\xcopy.exe); empty when it cannot be
    // asked. Needs the access that ImageQueryAccess names.
    CString GetImagePath() const;
    // What a process must be opened with for GetImagePath on this system.
    static DWORD ImageQueryAccess();

    // Waits up to timeoutMs for the process to end; answers the wait's result (WAIT_OBJECT_0 once
    // it has ended).
    DWORD Wait(DWORD timeoutMs) const { return ::WaitForSingleObject(Get(), timeoutMs); }
    bool HasEnded() const { return Wait(0) == WAIT_OBJECT_0; }
};
