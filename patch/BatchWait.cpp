#include "BatchWait.h"

#include "CdContents.h"
#include "FreeSpace.h"
#include "SetupTree.h"
#include "framework/ResString.h"
#include "framework/WinApp.h"
#include "res/Caption.h"
#include "res/resource.h"
#include "support/SystemLibrary.h"

namespace {

// How often the steps are read and the copy is measured: the bar moves at least twice a second.
const DWORD kSampleMs = 250;
// The longest wait without answering the thread's messages.
const DWORD kAnswerMs = 100;
// The stopped copy's exit code: above xcopy's own (0 to 5), and positive, since the command
// interpreter reads codes from 0x80000000 on as negative, which "if errorlevel 1" misses.
const UINT kStoppedCopyExitCode = ERROR_CANCELLED;

bool IsFile(const CString& image, const CString& path) {
    return !image.IsEmpty() && lstrcmpiA(image, path) == 0;
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

// Waits up to timeoutMs for hObject, answering the thread's messages at least every 100 ms (an
// exception from one dispatch only costs a beep; a quit message is taken like any other). Answers
// WAIT_OBJECT_0 once it is signalled, WAIT_FAILED when there is nothing to wait on, and
// WAIT_TIMEOUT.
DWORD WaitAnswering(HANDLE hObject, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        const DWORD elapsed = ::GetTickCount() - start;
        const DWORD left = elapsed < timeoutMs ? timeoutMs - elapsed : 0;
        const DWORD result = ::MsgWaitForMultipleObjects(
            1, &hObject, FALSE, left < kAnswerMs ? left : kAnswerMs, QS_ALLINPUT);
        PumpWaitingMessages();
        if (result == WAIT_OBJECT_0 || result == WAIT_FAILED)
            return result;
        if (left == 0)
            return WAIT_TIMEOUT;
    }
}

// Calls visit(process, image) for each process that the batch file's command interpreter started
// and that still runs, opened with access, until visit answers true. Its parent's id alone proves
// nothing of a process created before the interpreter: that id may have been another's.
template <typename Visit>
void VisitBatchChildren(const PatchSystem& system, const CBatchProcess& batch, DWORD access,
                        Visit visit) {
    std::vector<ProcessEntry> processes;
    if (!system.ListProcesses(processes))
        return;
    for (const ProcessEntry& entry : processes) {
        if (entry.parentId != batch.Id())
            continue;
        CProcess process;
        FILETIME created;
        if (!process.Open(access | CProcess::ImageQueryAccess() | SYNCHRONIZE, entry.processId) ||
            !process.GetCreationTime(created) || ::CompareFileTime(&created, &batch.Created()) < 0)
            continue;
        if (visit(process, process.GetImagePath()))
            return;
    }
}

// Follows the run's steps from the batch file's processes: the CD's copy (the first xcopy.exe
// seen) and the product's setup starting; the clean-up begins when the hold lets the batch file
// go on. A step seen late only delays its line; "Abbrechen" follows the copy alone, so a setup
// never seen leaves nothing to stop.
class CStepWatch {
public:
    CStepWatch(const PatchSystem& system, const CBatchProcess& batch, CWaitDlg& wait,
               const CString& setupPath)
        : m_system(system), m_batch(batch), m_wait(wait), m_setupPath(setupPath),
          m_xcopyPath(SystemXcopyPath(true)) {}

    CWaitDlg::Step Step() const { return m_step; }
    const CString& XcopyPath() const { return m_xcopyPath; }
    // Whether the CD's copy is over: its process has ended, or the setup runs.
    bool IsCopyOver() const {
        return m_step != CWaitDlg::StepCopy || (m_copy.IsValid() && m_copy.HasEnded());
    }
    // Whether the CD's copy is seen running. A copy never seen (over between two looks) may be
    // followed by the setup and the clean-up at any moment.
    bool IsCopyRunning() const { return m_copy.IsValid() && !IsCopyOver(); }

    void Look() {
        VisitBatchChildren(m_system, m_batch, 0, [this](CProcess& process, const CString& image) {
            if (!m_copy.IsValid() && IsFile(image, m_xcopyPath)) {
                m_copy.Attach(process.Detach());
            } else if (m_step == CWaitDlg::StepCopy && IsFile(image, m_setupPath)) {
                Enter(CWaitDlg::StepSetup);
            }
            return false;
        });
    }

    void Enter(CWaitDlg::Step step) {
        m_step = step;
        m_wait.ShowStep(step);
    }

private:
    const PatchSystem& m_system;
    const CBatchProcess& m_batch;
    CWaitDlg& m_wait;
    CString m_setupPath;
    CString m_xcopyPath;
    CWaitDlg::Step m_step = CWaitDlg::StepCopy;
    CProcess m_copy;
};

// Ends the copy that runs now, and nothing else: the system's xcopy.exe started by the batch
// file, its program checked through the handle that ends it, waited for (answering) however long
// it takes to end (a CD read that blocks). Answers whether it ended by this stop; false when no
// copy runs (the setup may run) or it had ended by itself.
bool StopCopy(const PatchSystem& system, const CBatchProcess& batch, const CString& xcopyPath) {
    bool bStopped = false;
    VisitBatchChildren(
        system, batch, PROCESS_TERMINATE, [&](CProcess& process, const CString& image) {
            if (!IsFile(image, xcopyPath))
                return false;
            DWORD exitCode = 0;
            bStopped = process.Terminate(kStoppedCopyExitCode) &&
                       WaitAnswering(process, INFINITE) == WAIT_OBJECT_0 &&
                       process.GetExitCode(exitCode) && exitCode == kStoppedCopyExitCode;
            return true;
        });
    return bStopped;
}

bool UserConfirmsStop(CWaitDlg& wait) {
    return wait.MessageBox(LoadResString(IDS_CONFIRM_STOP_COPY), kPatchCaption,
                           MB_YESNO | MB_DEFBUTTON2) == IDYES;
}

} // namespace

BatchWaitResult WaitForBatch(const PatchSystem& system, CBatchProcess& batch, CWaitDlg& wait,
                             const CString& tempDrive, ULONGLONG copyBytes) {
    CStepWatch steps(system, batch, wait, tempDrive + "\\" + kCdSetupPath);
    CSetupTree tree(system, batch);
    bool bHoldSeen = false, bReleased = false, bSetupRan = false;
    const ULONGLONG clusterBytes = ClusterBytesOf(tempDrive + "\\");
    // The copy is measured only while it is seen running: a walk of its folders during the
    // setup or the batch file's clean-up could keep a folder from going.
    bool bMeasuring = true;
    wait.ShowCopyProgress(0, copyBytes);
    bool bStopped = false;
    DWORD lastLook = ::GetTickCount() - kSampleMs;
    for (;;) {
        if (::GetTickCount() - lastLook >= kSampleMs) {
            lastLook = ::GetTickCount();
            steps.Look();
            if (bMeasuring && steps.IsCopyOver()) {
                bMeasuring = false;
                wait.ShowCopyProgress(copyBytes, copyBytes);
            } else if (bMeasuring && steps.IsCopyRunning()) {
                const ULONGLONG copied = MeasureCopyOn(tempDrive, clusterBytes);
                wait.ShowCopyProgress(copied, copyBytes);
                bMeasuring = copied < copyBytes;
            }
            // Offered only while there is a copy to stop, from the moment it is seen running to
            // the moment it has ended (its bar full by then).
            wait.AllowCancel(steps.IsCopyRunning());
            // The tree is followed from the start (the snapshots see a child only where they saw
            // its parent). At the hold, the setup's step lasts as long as the tree runs; then the
            // batch file goes on to the clean-up.
            const bool bTreeRuns = !bReleased && tree.IsRunning();
            if (batch.IsAtHold() && !bReleased) {
                if (!bHoldSeen) {
                    bHoldSeen = true;
                    bSetupRan = tree.SetupHasRun();
                }
                if (steps.Step() == CWaitDlg::StepCopy)
                    steps.Enter(CWaitDlg::StepSetup);
                if (!bTreeRuns) {
                    bReleased = true;
                    batch.Release();
                    steps.Enter(CWaitDlg::StepCleanUp);
                }
            }
        }
        // Ended, or there is nothing to wait for.
        const DWORD waited = WaitAnswering(batch.Process(), kAnswerMs);
        batch.ReadOutput();
        if (waited != WAIT_TIMEOUT) {
            if (bStopped)
                return BatchWaitResult::Stopped;
            // Only a setup that ran is a patch: the batch file passed its hold, and its tree
            // shows a process of the setup's.
            return bHoldSeen && bSetupRan ? BatchWaitResult::Ended
                                          : BatchWaitResult::EndedWithoutSetup;
        }
        if (wait.TakeCancelRequest() && UserConfirmsStop(wait)) {
            if (StopCopy(system, batch, steps.XcopyPath())) {
                bStopped = true;
                bMeasuring = false;
                steps.Enter(CWaitDlg::StepCleanUp); // the batch file's guards skip the setup
            } else {
                wait.MessageBox(LoadResString(IDS_TOO_LATE_TO_STOP), kPatchCaption, MB_OK);
            }
        }
    }
}
