#include "BatchProcess.h"

#include "BatchTemplate.h"
#include "support/SystemLibrary.h"

#include <cstdlib>
#include <vector>

bool WriteBatchFile(const CString& batchPath, const CString& text, CHeldFile& batch) {
    std::string bytes;
    bytes.reserve(text.GetLength() + 64);
    for (char ch : text.str() + "\n") {
        if (ch == '\n')
            bytes += '\r';
        bytes += ch;
    }
    return batch.Write(batchPath, bytes);
}

bool StartBatchFile(const CString& batchPath, CBatchProcess& batch) {
    return StartBatchFileWithOutput(batchPath, batch, INVALID_HANDLE_VALUE);
}

namespace {

// Jobs nest from Windows 8 on: a setup in the program's job may still make jobs of its own.
bool JobsNest() {
    // As IsWindows8OrGreater does it: major, minor and service pack, compared in that order.
    OSVERSIONINFOEXA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    version.dwMajorVersion = 6;
    version.dwMinorVersion = 2;
    DWORDLONG mask = ::VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL);
    mask = ::VerSetConditionMask(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
    mask = ::VerSetConditionMask(mask, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
    return ::VerifyVersionInfoA(
               &version, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR, mask) != FALSE;
}

// A job that only accounts: its processes may leave it, and nothing is ever limited or ended
// through it (no kill on close).
HANDLE CreateAccountingJob() {
    if (!JobsNest())
        return nullptr;
    CHandle job(::CreateJobObjectA(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_BREAKAWAY_OK;
    if (!job.IsValid() ||
        !::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits))
        return nullptr;
    return job.Detach();
}

// A pipe whose one end the interpreter inherits; the program's end is not inheritable.
bool CreateInheritedPipe(CHandle& read, CHandle& write, bool bChildReads) {
    HANDLE hRead = nullptr, hWrite = nullptr;
    if (!::CreatePipe(&hRead, &hWrite, nullptr, 65536))
        return false;
    read.Attach(hRead);
    write.Attach(hWrite);
    return ::SetHandleInformation(bChildReads ? hRead : hWrite, HANDLE_FLAG_INHERIT,
                                  HANDLE_FLAG_INHERIT) != FALSE;
}

// The prompt of the batch file's hold at the start of a line: "gate <status>:".
bool ReadHoldPrompt(const std::string& line, long& status) {
    const char kPrompt[] = "gate ";
    if (line.compare(0, sizeof kPrompt - 1, kPrompt) != 0 || line.size() < sizeof kPrompt + 1 ||
        line.back() != ':')
        return false;
    char* pEnd = nullptr;
    status = std::strtol(line.c_str() + sizeof kPrompt - 1, &pEnd, 10);
    return pEnd == line.c_str() + line.size() - 1;
}

} // namespace

bool StartBatchFileWithOutput(const CString& batchPath, CBatchProcess& batch, HANDLE hTee) {
    // The system's own command interpreter, by its full path, not the .bat association, which
    // a user's HKEY_CURRENT_USER can redirect. /D: no AutoRun commands; /E:ON and /V:OFF: the
    // guard lines need command extensions, and a "!" in a folder name must stay a "!".
    const CString system = SystemFolder();
    if (system.IsEmpty())
        return false;
    const CString cmdPath = system + "\\cmd.exe";
    // The command interpreter expands %...% on its own command line, and the program's folder
    // may hold a "%" (C:\Patch %TEMP% v2): the batch file is named relative to that folder,
    // which becomes cmd's current folder, so the command line holds no part of it. ".\" keeps
    // the name from being looked for along the PATH.
    const std::string& path = batchPath.str();
    const size_t slash = path.find_last_of('\\');
    if (slash == std::string::npos)
        return false;
    const CString folder(path.substr(0, slash == 2 ? 3 : slash)); // c:\ keeps its backslash
    const CString commandLine =
        "\"" + cmdPath + "\" /D /E:ON /V:OFF /C \"\".\\" + path.substr(slash + 1) + "\"\"";

    // Its input is the hold's pipe, its output and error the pipe the program drains: no prompt
    // of another command can wait for an answer there (they read NUL), and no command meets a
    // missing handle (xcopy stops with "Invalid handle" then).
    CHandle inputRead, outputWrite;
    if (!CreateInheritedPipe(inputRead, batch.m_input, true) ||
        !CreateInheritedPipe(batch.m_output, outputWrite, false))
        return false;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inputRead;
    startup.hStdOutput = outputWrite;
    startup.hStdError = outputWrite;
    PROCESS_INFORMATION process = {};
    std::vector<char> buffer(commandLine.str().begin(), commandLine.str().end());
    buffer.push_back('\0');
    // The product's setup gets the system's own error boxes back (the program turns them off).
    // Out of a job the program may run in (a launcher's), where that job lets it go, and into
    // the program's accounting job before it runs a line.
    batch.m_job.Attach(CreateAccountingJob());
    const DWORD flags = CREATE_NO_WINDOW | CREATE_DEFAULT_ERROR_MODE | CREATE_SUSPENDED;
    BOOL started =
        ::CreateProcessA(cmdPath, &buffer[0], nullptr, nullptr, TRUE,
                         flags | CREATE_BREAKAWAY_FROM_JOB, nullptr, folder, &startup, &process);
    if (!started && ::GetLastError() == ERROR_ACCESS_DENIED)
        started = ::CreateProcessA(cmdPath, &buffer[0], nullptr, nullptr, TRUE, flags, nullptr,
                                   folder, &startup, &process);
    if (!started)
        return false;
    // A job refused (the program's own job forbids leaving it): the snapshots follow the tree.
    if (batch.m_job.IsValid() && !::AssignProcessToJobObject(batch.m_job, process.hProcess))
        batch.m_job.Close();
    ::ResumeThread(process.hThread);
    batch.Attach(process);
    batch.m_hTee = hTee;
    return true;
}

void CBatchProcess::ReadOutput() {
    char chunk[4096];
    DWORD available = 0, read = 0;
    while (m_output.IsValid() &&
           ::PeekNamedPipe(m_output, nullptr, 0, nullptr, &available, nullptr) && available &&
           ::ReadFile(m_output, chunk, available < sizeof chunk ? available : sizeof chunk, &read,
                      nullptr) &&
           read) {
        DWORD written = 0;
        if (m_hTee != INVALID_HANDLE_VALUE)
            ::WriteFile(m_hTee, chunk, read, &written, nullptr);
        for (DWORD i = 0; i < read; ++i) {
            if (chunk[i] == '\n')
                m_line.clear();
            else if (chunk[i] != '\r' && m_line.size() < 64)
                m_line += chunk[i];
        }
        m_bAtHold = m_bAtHold || ReadHoldPrompt(m_line, m_holdStatus);
    }
}

bool CBatchProcess::Release() {
    DWORD written = 0;
    const bool bWritten = m_input.IsValid() && ::WriteFile(m_input, "\r\n", 2, &written, nullptr);
    m_input.Close(); // and the pipe's end, should the line not have reached it
    return bWritten;
}

void CBatchProcess::Attach(const PROCESS_INFORMATION& started) {
    m_process.Attach(started.hProcess);
    m_processId = started.dwProcessId;
    const CHandle thread(started.hThread);
    if (!m_process.GetCreationTime(m_created))
        m_created.dwLowDateTime = m_created.dwHighDateTime = 0xFFFFFFFF;
}

DWORD CBatchProcess::ExitCode() const {
    DWORD exitCode = kBatchExitCopyFailed;
    return m_process.GetExitCode(exitCode) ? exitCode : kBatchExitCopyFailed;
}
