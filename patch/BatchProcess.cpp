#include "BatchProcess.h"

#include "BatchTemplate.h"
#include "support/SystemLibrary.h"

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

bool StartBatchFileWithOutput(const CString& batchPath, CBatchProcess& batch, HANDLE hOutput) {
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

    // Every standard handle is the NUL device: no prompt can wait for an answer, and no command
    // meets a missing handle (xcopy stops with "Invalid handle" then). One that cannot be opened
    // stays invalid.
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    const CHandle nul(::CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                                    nullptr));
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nul;
    startup.hStdOutput = hOutput != INVALID_HANDLE_VALUE ? hOutput : nul.Get();
    startup.hStdError = startup.hStdOutput;
    PROCESS_INFORMATION process = {};
    std::vector<char> buffer(commandLine.str().begin(), commandLine.str().end());
    buffer.push_back('\0');
    // The product's setup gets the system's own error boxes back (the program turns them off).
    // Out of a job the program may run in (a launcher's), where that job lets it go.
    const DWORD flags = CREATE_NO_WINDOW | CREATE_DEFAULT_ERROR_MODE;
    BOOL started =
        ::CreateProcessA(cmdPath, &buffer[0], nullptr, nullptr, TRUE,
                         flags | CREATE_BREAKAWAY_FROM_JOB, nullptr, folder, &startup, &process);
    if (!started && ::GetLastError() == ERROR_ACCESS_DENIED)
        started = ::CreateProcessA(cmdPath, &buffer[0], nullptr, nullptr, TRUE, flags, nullptr,
                                   folder, &startup, &process);
    if (!started)
        return false;
    batch.Attach(process);
    return true;
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
