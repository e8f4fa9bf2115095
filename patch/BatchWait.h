// The wait for the batch file behind the wait window: it follows the run's steps from the
// processes the batch file's command interpreter starts, shows the copy's progress, and stops the
// copy of the CD when the user asks to.
#pragma once

#include "BatchProcess.h"
#include "PatchSystem.h"
#include "WaitDlg.h"
#include "framework/String.h"

#include <windows.h>

enum class BatchWaitResult {
    Ended,
    Stopped,
    // The batch file ended without a setup run at its hold: what its status says is no patch.
    EndedWithoutSetup,
};

// Waits until the batch process ends, answering the thread's messages at least every 100 ms (an
// exception from one dispatch only costs a beep, and a quit message does not end the wait). While
// the CD is copied, the copy's bytes at the root of tempDrive are measured against copyBytes
// (what xcopy copies of the CD, as MeasureCdCopy counts it with the disk's clusters) several
// times a second. The product's setup is known by its path in the copy (C:\Disk1\setup.exe).
// Stopped: the user confirmed "Abbrechen" and a copy the batch file ran (the system's xcopy.exe,
// and nothing else) was ended; the batch file's own guards then skip the setup and clean up.
BatchWaitResult WaitForBatch(const PatchSystem& system, CBatchProcess& batch, CWaitDlg& wait,
                             const CString& tempDrive, ULONGLONG copyBytes);
