#include "PatchRun.h"

#include "BatchTemplate.h"
#include "PatchSteps.h"
#include "WaitDlg.h"
#include "framework/Module.h"
#include "framework/ResString.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include "support/CodePages.h"
#include "support/PathBasics.h"

const char kPatchCaption[] = "NebuLark 5 Installation";
const char kScriptFileName[] = "setup.inx";
const char kBatchFileName[] = "temp.bat";

namespace {

const DWORD kWaitSliceMs = 1000;

// The short form of an existing wide path, exact in the ANSI code page.
bool ShortFormInAnsi(const wchar_t* wide, std::string& ansi) {
    wchar_t shortForm[MAX_PATH + 1] = {};
    const DWORD length = ::GetShortPathNameW(wide, shortForm, MAX_PATH);
    return length != 0 && length < MAX_PATH &&
           WideToAnsiExact(shortForm, static_cast<int>(length), ansi);
}

ModulePathStatus RealModuleFileName(std::string& path) {
    // The wide name reaches a folder whose name the ANSI code page cannot write (C:\Łódź on a
    // German system), through its short form.
    wchar_t wide[MAX_PATH + 1] = {};
    const DWORD length = ::GetModuleFileNameW(AfxGetInstanceHandle(), wide, MAX_PATH);
    // A full buffer may hold a cut path without its NUL (Windows XP, Wine): never read on.
    if (length >= MAX_PATH)
        return ModulePathStatus::TooLong;
    if (length == 0)
        return ModulePathStatus::NotNameable;
    if (WideToAnsiExact(wide, static_cast<int>(length), path) || ShortFormInAnsi(wide, path))
        return ModulePathStatus::Ok;
    return ModulePathStatus::NotNameable;
}

std::string RealShortPathName(const std::string& path) {
    wchar_t wide[MAX_PATH] = {};
    if (::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path.c_str(), -1, wide, MAX_PATH) <= 0)
        return std::string();
    std::string ansi;
    return ShortFormInAnsi(wide, ansi) ? ansi : std::string();
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

// The disk must have 680 MiB free, and room for the whole copy of the CD plus the script: a copy
// that runs into a full disk would leave a broken copy behind.
bool HasRoomForCopy(const PatchSystem& system, const CString& cdDrive, const CString& tempDrive,
                    DWORD scriptBytes) {
    LONGLONG freeBytes = 0;
    // A disk whose free space cannot be read is not trusted with the copy.
    if (!system.GetFreeBytes(tempDrive + "\\", freeBytes))
        return false;
    if (static_cast<double>(freeBytes) < MIN_TEMP_FREE_BYTES)
        return false;
    // Walking a CD takes a moment (and a spin-up): the wait cursor shows meanwhile.
    HCURSOR hOldCursor = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
    const ULONGLONG clusterBytes = ClusterBytesOf(tempDrive + "\\");
    ULONGLONG needed = 0;
    const bool measured = MeasureCdCopy(cdDrive + "\\", clusterBytes, needed);
    ::SetCursor(hOldCursor);
    if (!measured)
        return false;
    needed += RoundUpToClusters(scriptBytes, clusterBytes);
    return needed <= static_cast<ULONGLONG>(freeBytes);
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
    static const PatchSystem system = {RealModuleFileName, RealShortPathName, RealFreeBytes,
                                       StartBatchFile};
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

bool ScriptPathForBatch(const PatchSystem& system, const CString& scriptPath, CString& batchForm) {
    std::string oem;
    if (AnsiToOem(scriptPath.str(), oem)) {
        batchForm = oem;
        return true;
    }
    // A character without an OEM form ("€" in 850 and 437): the folder's short form, if the
    // volume keeps one and it is exact in both code pages (short names may keep umlauts).
    const CString folder = PathBesideExe(scriptPath, "");
    CString shortFolder(system.GetShortPathName(folder.str()));
    if (shortFolder.IsEmpty())
        return false;
    shortFolder.MakeLower();
    if (shortFolder.Right(1) != "\\")
        shortFolder += "\\";
    if (!AnsiToOem((shortFolder + kScriptFileName).str(), oem))
        return false;
    batchForm = oem;
    return true;
}

bool RunPatch(PatchHost& host, const PatchSystem& system) {
    CDialog& dlg = host.dialog;
    dlg.UpdateData(TRUE);
    const CString cdDrive = host.cdRoot.Left(2);
    const CString tempDrive = host.tempRoot.Left(2);

    // The program's own path comes first: every file of the run is named from it.
    std::string modulePath;
    switch (system.GetModuleFileName(modulePath)) {
    case ModulePathStatus::Ok:
        break;
    case ModulePathStatus::TooLong:
        ShowMessage(dlg, IDS_PATH_TOO_LONG);
        return false;
    case ModulePathStatus::NotNameable:
        ShowMessage(dlg, IDS_FOLDER_NOT_READABLE);
        return false;
    }
    CString exePath(modulePath);
    exePath.MakeLower();
    const CString ownRoot = (exePath.GetLength() > 0 && exePath.GetAt(0) == '"')
                                ? exePath.Mid(1).Left(3)
                                : exePath.Left(3);
    if (::GetDriveTypeA(ownRoot) != DRIVE_FIXED) {
        ShowMessage(dlg, IDS_COPY_TO_HARDDISK);
        return false;
    }

    const CString scriptPath = PathBesideExe(exePath, kScriptFileName);
    CString batchScriptPath;
    if (!ScriptPathForBatch(system, scriptPath, batchScriptPath)) {
        ShowMessage(dlg, IDS_FOLDER_NOT_READABLE);
        return false;
    }
    DWORD scriptBytes = 0;
    switch (WritePayload(scriptPath, scriptBytes)) {
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
    // A stamp at the temp root: an earlier run was interrupted, and the CD entries there are the
    // program's own copy. Without a stamp, such entries are the user's and are never touched.
    if (::GetFileAttributesA(RunStampPath(tempDrive)) != INVALID_FILE_ATTRIBUTES) {
        if (FindCdEntryOnDrive(tempDrive) &&
            dlg.MessageBox(LoadResString(IDS_REMOVE_LEFTOVERS), kPatchCaption, MB_YESNO) != IDYES)
            return false;
        RemoveCdLeftovers(tempDrive);
    }
    if (!HasRoomForCopy(system, cdDrive, tempDrive, scriptBytes)) {
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
    if (!WriteBatchFile(batchPath,
                        ExpandBatchTemplate(cdDrive, tempDrive, batchScriptPath, scriptBytes))) {
        ShowMessage(dlg, IDS_CANNOT_CREATE_BAT);
        return false;
    }
    if (!WriteRunStamp(tempDrive, cdDrive)) {
        ShowMessage(dlg, IDS_COPY_FAILED);
        return false;
    }
    HANDLE hProcess = system.StartBatchFile(batchPath);
    if (!hProcess) {
        ::DeleteFileA(RunStampPath(tempDrive));
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
    // The batch file tells whether the product's setup started from a complete copy.
    DWORD exitCode = kBatchExitCopyFailed;
    if (!::GetExitCodeProcess(hProcess, &exitCode))
        exitCode = kBatchExitCopyFailed;
    ::CloseHandle(hProcess);

    waitDlg.CloseWindow();
    waitDlg.DestroyWindow();
    host.busy = false;

    if (exitCode != kBatchExitPatched) {
        // Nothing was installed: the user may choose another disk, or end.
        dlg.EnableWindow(TRUE);
        ShowMessage(dlg, IDS_COPY_FAILED);
        return false;
    }
    RecordCdPath(cdDrive);
    // The framework's own OK handling, not the dialog's confirming one: the run is complete.
    dlg.CDialog::OnOK();
    return true;
}
