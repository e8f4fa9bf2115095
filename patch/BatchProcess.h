// The batch file and its process: writing temp.bat beside the program, starting it hidden,
// waiting for it, and its exit status.
#pragma once

#include "framework/String.h"
#include "support/FreshFile.h"

#include <windows.h>

// Writes the batch text to batchPath, afresh, as a text-mode file would hold it (each line feed as
// CR LF), followed by one more line feed, and holds it in batch until the batch file has ended:
// the command interpreter reads it line by line while it runs. A file that could not be written
// whole is removed again.
bool WriteBatchFile(const CString& batchPath, const CString& text, CHeldFile& batch);

// Starts batchPath (a full path) hidden in the command interpreter, in the batch file's folder;
// answers its process handle, which the caller owns, or null.
HANDLE StartBatchFile(const CString& batchPath);

// Waits for the batch process in slices, dispatching every waiting message between them so the
// windows repaint and answer. A quit message taken from the queue does not end the wait, and an
// exception from one dispatch only costs a beep.
void WaitForProcess(HANDLE hProcess);

// The exit status of the ended batch process; a status that cannot be read counts as a failed
// copy.
DWORD BatchExitCode(HANDLE hProcess);
