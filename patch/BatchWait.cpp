#include "BatchWait.h"

#include "BatchTemplate.h"
#include "CdContents.h"
#include "FreeSpace.h"
#include "framework/ResString.h"
#include "framework/SystemDlls.h"
#include "framework/WinApp.h"
#include "res/Caption.h"
#include "res/resource.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace {

// How often the copy is measured: the bar moves at least twice a second.
const DWORD kSampleMs = 250;
// How long the processes of a stopped run may take to end.
const DWORD kStopMs = 10000;

const DWORD kQueryLimitedInformation = 0x1000; // PROCESS_QUERY_LIMITED_INFORMATION, Vista on
using QueryFullProcessImageNameAFn = BOOL(WINAPI*)(HANDLE, DWORD, LPSTR, PDWORD);
using GetModuleFileNameExAFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPSTR, DWORD);

// The program file of process pid; empty when it cannot be asked (it has ended).
CString ProcessImagePath(DWORD pid) {
    static const auto queryImageName =
        KernelProc<QueryFullProcessImageNameAFn>("QueryFullProcessImageNameA");
    char path[MAX_PATH + 1] = {};
    if (queryImageName) {
        const CHandle process(::OpenProcess(kQueryLimitedInformation, FALSE, pid));
        DWORD size = MAX_PATH;
        if (process.IsValid() && queryImageName(process, 0, path, &size))
            return CString(path, static_cast<int>(size));
        return CString();
    }
    // Windows XP: through psapi, from the system folder.
    static const auto moduleFileName =
        ProcOf<GetModuleFileNameExAFn>(LoadSystemLibrary("psapi.dll"), "GetModuleFileNameExA");
    const CHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    if (!moduleFileName || !process.IsValid())
        return CString();
    const DWORD length = moduleFileName(process, nullptr, path, MAX_PATH);
    return CString(path, static_cast<int>(length < MAX_PATH ? length : 0));
}

void PumpWaitingMessages() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        try {
            AfxGetApp()->PumpMessage();
        } catch (...) {
            ::MessageBeep(0);
        }
    }
}

// Follows the run's steps from the job's events: the product's setup starting, then ending.
class CStepWatch {
public:
    CStepWatch(CBatchProcess& batch, CWaitDlg& wait, const CString& setupPath)
        : m_batch(batch), m_wait(wait), m_setupPath(setupPath) {}

    CWaitDlg::Step Step() const { return m_step; }

    // Reads every event that has arrived, or waits up to timeoutMs for the first one.
    void ReadEvents(DWORD timeoutMs = 0) {
        DWORD message = 0;
        ULONG_PTR key = 0;
        LPOVERLAPPED pData = nullptr;
        while (m_batch.m_port.IsValid() &&
               ::GetQueuedCompletionStatus(m_batch.m_port, &message, &key, &pData, timeoutMs)) {
            timeoutMs = 0;
            const DWORD pid = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(pData));
            switch (message) {
            case JOB_OBJECT_MSG_NEW_PROCESS:
                if (m_step == CWaitDlg::StepCopy)
                    m_unnamed.push_back(pid);
                break;
            case JOB_OBJECT_MSG_EXIT_PROCESS:
            case JOB_OBJECT_MSG_ABNORMAL_EXIT_PROCESS:
                m_unnamed.erase(std::remove(m_unnamed.begin(), m_unnamed.end(), pid),
                                m_unnamed.end());
                if (m_step == CWaitDlg::StepSetup && pid == m_setupPid)
                    Enter(CWaitDlg::StepCleanUp);
                break;
            case JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO:
                m_bAllEnded = true;
                break;
            default:
                break;
            }
        }
        NameNewProcesses();
    }

    // Ends the batch file and everything it started, and waits until they are gone.
    void Stop() {
        ::TerminateJobObject(m_batch.m_job, kBatchExitCopyFailed);
        const DWORD deadline = ::GetTickCount() + kStopMs;
        while (!m_bAllEnded && static_cast<LONG>(deadline - ::GetTickCount()) > 0)
            ReadEvents(deadline - ::GetTickCount());
        ::WaitForSingleObject(m_batch.m_process, kStopMs);
    }

private:
    // A process is reported as soon as it exists, before its program file can be asked for
    // (Wine): each new one is asked again until it answers or ends.
    void NameNewProcesses() {
        for (size_t i = 0; i < m_unnamed.size() && m_step == CWaitDlg::StepCopy;) {
            const CString path = ProcessImagePath(m_unnamed[i]);
            if (path.IsEmpty()) {
                ++i;
                continue;
            }
            if (lstrcmpiA(path, m_setupPath) == 0) {
                m_setupPid = m_unnamed[i];
                Enter(CWaitDlg::StepSetup);
            }
            m_unnamed.erase(m_unnamed.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }

    void Enter(CWaitDlg::Step step) {
        m_step = step;
        m_wait.ShowStep(step);
    }

    CBatchProcess& m_batch;
    CWaitDlg& m_wait;
    CString m_setupPath;
    CWaitDlg::Step m_step = CWaitDlg::StepCopy;
    DWORD m_setupPid = 0;
    std::vector<DWORD> m_unnamed; // new processes whose program is not known yet
    bool m_bAllEnded = false;
};

bool UserConfirmsStop(CWaitDlg& wait) {
    return wait.MessageBox(LoadResString(IDS_CONFIRM_STOP_COPY), kPatchCaption,
                           MB_YESNO | MB_DEFBUTTON2) == IDYES;
}

} // namespace

BatchWaitResult WaitForBatch(CBatchProcess& batch, CWaitDlg& wait, const CString& tempDrive,
                             ULONGLONG copyBytes) {
    CStepWatch steps(batch, wait, tempDrive + "\\" + kCdSetupFolder + "\\setup.exe");
    // Only a run in a job can be stopped whole.
    wait.AllowCancel(batch.HasJob());
    const ULONGLONG clusterBytes = ClusterBytesOf(tempDrive + "\\");
    DWORD nextSample = ::GetTickCount();
    // The copy is measured until it is complete: a walk of its folders while the batch file's
    // clean-up deletes them could keep a folder from going.
    bool measuring = true;
    for (;;) {
        measuring = measuring && steps.Step() == CWaitDlg::StepCopy;
        if (measuring && static_cast<LONG>(::GetTickCount() - nextSample) >= 0) {
            const ULONGLONG copied = MeasureCopyOn(tempDrive, clusterBytes);
            wait.ShowCopyProgress(copied, copyBytes);
            measuring = copied < copyBytes;
            nextSample = ::GetTickCount() + kSampleMs;
        }
        HANDLE hProcess = batch.m_process;
        const DWORD result =
            ::MsgWaitForMultipleObjects(1, &hProcess, FALSE, kSampleMs, QS_ALLINPUT);
        PumpWaitingMessages();
        steps.ReadEvents();
        // Ended, or there is nothing to wait for.
        if (result == WAIT_OBJECT_0 || result == WAIT_FAILED)
            return BatchWaitResult::Ended;
        if (wait.TakeCancelRequest() && UserConfirmsStop(wait)) {
            // The setup may have started while the question was open: then it is too late.
            steps.ReadEvents();
            if (steps.Step() == CWaitDlg::StepCopy &&
                ::WaitForSingleObject(batch.m_process, 0) == WAIT_TIMEOUT) {
                steps.Stop();
                return BatchWaitResult::Stopped;
            }
        }
    }
}
