// The wait for the batch file behind the wait window: it follows the run's steps from the
// processes the batch file starts, shows the copy's progress, and stops the run when the user
// asks to while the CD is copied.
#pragma once

#include "BatchProcess.h"
#include "WaitDlg.h"
#include "framework/String.h"

#include <windows.h>

enum class BatchWaitResult { Ended, Stopped };

// Waits until the batch process ends, answering the thread's messages at once (an exception from
// one dispatch only costs a beep, and a quit message does not end the wait). The copy's bytes at
// the root of tempDrive are measured against copyBytes (what the whole copy takes there, as
// MeasureCdCopy counts it with the disk's clusters) several times a second while the CD is
// copied. The product's setup is known by its
// path in the copy (C:\Disk1\setup.exe). Stopped: the user confirmed "Abbrechen" while the CD was
// copied, and the batch file with everything it started has ended.
BatchWaitResult WaitForBatch(CBatchProcess& batch, CWaitDlg& wait, const CString& tempDrive,
                             ULONGLONG copyBytes);
