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
// runs, with the time it was created, the pipes of its standard handles and, where jobs nest,
// the job that accounts for the processes it starts.
//
// The batch file holds after the product's setup ("set /p" reads the interpreter's input, a pipe
// only the program writes to) until the program lets it go on; its prompt ("gate <status>:") on
// the interpreter's output tells the program that it has arrived there. Every other command of
// the batch file reads the NUL device. Should the program end, the pipe's end lets it go on.
class CBatchProcess {
public:
    const CProcess& Process() const { return m_process; }
    DWORD Id() const { return m_processId; }
    // When it was created; where that cannot be asked, a time later than any process's, so that
    // no older process that carries a reused parent id is taken for one of its children.
    const FILETIME& Created() const { return m_created; }
    // The job that holds it and what it starts, only to account for them (nothing is confined or
    // ended through it); null where jobs do not nest (before Windows 8) or it could not be had.
    HANDLE Job() const { return m_job.Get(); }
    // The status it ended with; a status that cannot be read counts as a failed copy.
    DWORD ExitCode() const;

    // Reads what the interpreter has written so far, without waiting (it must be drained while it
    // runs: xcopy names every file it copies), and passes it on to the tee the start was given.
    void ReadOutput();
    // Whether the batch file has arrived at its hold after the setup, and the setup line's status.
    bool IsAtHold() const { return m_bAtHold; }
    long HoldStatus() const { return m_holdStatus; }
    // Lets the batch file go on from its hold; answers whether the line was written.
    bool Release();

private:
    friend bool StartBatchFileWithOutput(const CString&, CBatchProcess&, HANDLE);
    void Attach(const PROCESS_INFORMATION& started);

    CProcess m_process;
    DWORD m_processId = 0;
    FILETIME m_created = {};
    CHandle m_job;
    CHandle m_input;  // the write end of the interpreter's standard input
    CHandle m_output; // the read end of its standard output and error
    HANDLE m_hTee = INVALID_HANDLE_VALUE;
    std::string m_line; // what it wrote since its last line feed
    bool m_bAtHold = false;
    long m_holdStatus = 0;
};

// Starts batchPath (a full path) hidden in the command interpreter, in the batch file's folder,
// with pipes of the program's as its standard handles. The product's setup runs unconfined: the
// job only counts. False when it could not be started.
bool StartBatchFile(const CString& batchPath, CBatchProcess& batch);
// The same with a tee for what the interpreter says (a file of the tests, which keep it for a
// failed run); INVALID_HANDLE_VALUE for none.
bool StartBatchFileWithOutput(const CString& batchPath, CBatchProcess& batch, HANDLE hTee);
