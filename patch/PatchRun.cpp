#include "PatchRun.h"

#include "BatchTemplate.h"
#include "PatchSteps.h"
#include "WaitDlg.h"
#include "framework/Module.h"
#include "framework/ResString.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include "support/PathBasics.h"

const char kPatchCaption[] = "NebuLark 5 Installation";
const char kScriptFileName[] = "setup.inx";
const char kBatchFileName[] = "temp.bat";

namespace {

const DWORD kWaitSliceMs = 1000;

std::string RealModuleFileName() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(AfxGetInstanceHandle(), path, MAX_PATH);
    return path;
}

bool RealFreeBytes(const char* pszRoot, LONGLONG& freeBytes) {
    ULARGE_INTEGER available;
    ULARGE_INTEGER total;
    ULARGE_INTEGER free;
    if (!::GetDiskFreeSpaceExA(pszRoot, &available, &total, &free))
        return false;
    freeBytes = static_cast<LONGLONG>(available.QuadPart);
    return true;
}

void ShowMessage(CDialog& owner, unsigned nID) {
    owner.MessageBox(LoadResString(nID), kPatchCaption, MB_OK);
}

bool HasRoomForCopy(const PatchSystem& system, const CString& tempDrive) {
    LONGLONG freeBytes = 0;
    // A disk whose free space cannot be read is not trusted with the copy.
    if (!system.GetFreeBytes(tempDrive + "\\", freeBytes))
        return false;
    return static_cast<double>(freeBytes) >= MIN_TEMP_FREE_BYTES;
}

// Waits for the batch process in slices, dispatching every waiting message between them so the
// windows repaint and answer. A quit message taken from the queue does not end the wait, and an
// exception from one dispatch only costs a beep.
void WaitForProcess(HANDLE hProcess) {
    DWORD status = WAIT_TIMEOUT;
    while (status == WAIT_TIMEOUT) {
        const DWORD result = ::WaitForSingleObject(hProcess, kWaitSliceMs);
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            try {
                AfxGetApp()->PumpMessage();
            } catch (...) {
                ::MessageBeep(0);
            }
        }
        status = result;
    }
}

} // namespace

const PatchSystem& RealPatchSystem() {
    static const PatchSystem system = {RealModuleFileName, RealFreeBytes, StartBatchFile};
    return system;
}

CString ProgramFolder(const CString& exePath) {
    const CString folder = PathBesideExe(exePath, "");
    // c:\patch\ is shown as c:\patch; a root keeps its backslash.
    return folder.GetLength() > 3 ? folder.Left(folder.GetLength() - 1) : folder;
}

CString PathBesideExe(const CString& exePath, const char* fileName) {
    const std::string exeName = GetPathFileName(exePath.str());
    return exePath.Left(exePath.GetLength() - static_cast<int>(exeName.size())) + fileName;
}

bool RunPatch(PatchHost& host, const PatchSystem& system) {
    CDialog& dlg = host.dialog;
    dlg.UpdateData(TRUE);
    const CString cdDrive = host.cdRoot.Left(2);
    const CString tempDrive = host.tempRoot.Left(2);

    CString exePath(system.GetModuleFileName());
    exePath.MakeLower();
    const CString ownRoot = (exePath.GetLength() > 0 && exePath.GetAt(0) == '"')
                                ? exePath.Mid(1).Left(3)
                                : exePath.Left(3);
    if (::GetDriveTypeA(ownRoot) != DRIVE_FIXED) {
        ShowMessage(dlg, IDS_COPY_TO_HARDDISK);
        return false;
    }

    const CString scriptPath = PathBesideExe(exePath, kScriptFileName);
    switch (WritePayload(scriptPath)) {
    case PayloadResult::Written:
        break;
    case PayloadResult::MissingResource:
        ShowMessage(dlg, IDS_BAD_EXE);
        return false;
    case PayloadResult::CannotWrite: {
        // A read-only medium or share, a folder without write permission, a locked setup.inx:
        // the folder is the cause, not the exe.
        CString message = LoadResString(IDS_FOLDER_NOT_WRITABLE);
        message.Replace("%s", ProgramFolder(exePath));
        dlg.MessageBox(message, kPatchCaption, MB_OK);
        return false;
    }
    }
    if (!IsProductCdIn(cdDrive)) {
        ShowMessage(dlg, IDS_INSERT_CD_RETRY);
        return false;
    }
    if (!HasRoomForCopy(system, tempDrive)) {
        ShowMessage(dlg, IDS_NO_SPACE);
        return false;
    }
    // The batch file copies the CD over the disk's root and deletes those names afterwards: a
    // user's own entry of such a name would be lost.
    if (const char* pszEntry = FindCdEntryOnDrive(tempDrive)) {
        CString message = LoadResString(IDS_TARGET_ENTRY_EXISTS);
        message.Replace("%s", pszEntry);
        dlg.MessageBox(message, kPatchCaption, MB_OK);
        return false;
    }

    const CString batchPath = PathBesideExe(exePath, kBatchFileName);
    if (!WriteBatchFile(batchPath, ExpandBatchTemplate(cdDrive, tempDrive, scriptPath))) {
        ShowMessage(dlg, IDS_CANNOT_CREATE_BAT);
        return false;
    }
    HANDLE hProcess = system.StartBatchFile(batchPath);
    if (!hProcess) {
        ShowMessage(dlg, IDS_CANNOT_START_BAT);
        return false;
    }

    host.busy = true;
    dlg.SendMessage(WM_SETCURSOR, 0, 0);
    CWaitDlg waitDlg;
    waitDlg.Create(IDD_WAIT_DIALOG, &dlg);
    waitDlg.ShowWindow(SW_SHOW);
    // Paint it now: the thread is about to block for a whole wait slice.
    waitDlg.UpdateWindow();
    dlg.EnableWindow(FALSE);

    WaitForProcess(hProcess);
    ::CloseHandle(hProcess);

    waitDlg.CloseWindow();
    waitDlg.DestroyWindow();
    host.busy = false;

    RecordCdPath(cdDrive);
    // The framework's own OK handling, not the dialog's confirming one: the run is complete.
    dlg.CDialog::OnOK();
    return true;
}
