// The batch file and its process: writing temp.bat beside the program, starting it hidden, and
// its exit status (the wait for it is BatchWait's).
#pragma once

#include "framework/Process.h"
#include "framework/String.h"
#include "support/FreshFile.h"

#include <windows.h>

// Writes the batch text to batchPath, afresh, as a text-mode file would hold it (each line feed as
// CR LF), followed by one more line feed, and holds it in batch until the batch file has ended:
// the command interpreter reads it line by line while it runs. A file that could not be written
// whole is removed again.
bool WriteBatchFile(const CString& batchPath, const CString& text, CHeldFile& batch);

// The batch file's command interpreter: held, so that its id names no other process while it
// runs, with the time it was created.
class CBatchProcess {
public:
    // Takes over the process that CreateProcess started; the thread's handle is closed.
    void Attach(const PROCESS_INFORMATION& started);
    const CProcess& Process() const { return m_process; }
    DWORD Id() const { return m_processId; }
    // When it was created; where that cannot be asked, a time later than any process's, so that
    // no older process that carries a reused parent id is taken for one of its children.
    const FILETIME& Created() const { return m_created; }
    // The status it ended with; a status that cannot be read counts as a failed copy.
    DWORD ExitCode() const;

private:
    CProcess m_process;
    DWORD m_processId = 0;
    FILETIME m_created = {};
};

// Starts batchPath (a full path) hidden in the command interpreter, in the batch file's folder,
// with the NUL device as its standard handles. The product's setup runs unconfined: no job of the
// program's holds it. False when it could not be started.
bool StartBatchFile(const CString& batchPath, CBatchProcess& batch);
// The same with hOutput (inheritable) as its output and error: the tests keep what it said.
bool StartBatchFileWithOutput(const CString& batchPath, CBatchProcess& batch, HANDLE hOutput);
