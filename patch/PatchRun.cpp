#include "PatchRun.h"

#include "BatchProcess.h"
#include "BatchTemplate.h"
#include "BatchWait.h"
#include "CdContents.h"
#include "CdPathRecord.h"
#include "CopyEntries.h"
#include "FreeSpace.h"
#include "OwnEntry.h"
#include "Payload.h"
#include "ProgramPaths.h"
#include "TempDisk.h"
#include "WaitDlg.h"
#include "framework/ResString.h"
#include "framework/WaitCursor.h"
#include "res/Caption.h"
#include "res/resource.h"

namespace {

void ShowMessage(CDialog& owner, unsigned nID) {
    owner.MessageBox(LoadResString(nID), kPatchCaption, MB_OK);
}

// The message nID with its first "%s" standing for pszFirst (an entry, a folder or a drive) and
// its second for pszSecond; the values are never searched again.
CString MessageWith(unsigned nID, const char* pszFirst, const char* pszSecond = nullptr) {
    const CString format = LoadResString(nID);
    CString message;
    int from = 0;
    for (const char* pszValue : {pszFirst, pszSecond}) {
        const int at = format.Find("%s", from);
        if (at < 0 || !pszValue)
            break;
        message += format.Mid(from).Left(at - from);
        message += pszValue;
        from = at + 2;
    }
    return message + format.Mid(from);
}

void ShowMessageNaming(CDialog& owner, unsigned nID, const char* pszFirst,
                       const char* pszSecond = nullptr) {
    owner.MessageBox(MessageWith(nID, pszFirst, pszSecond), kPatchCaption, MB_OK);
}

// Removes the program's entries from drive, or says why it could not; answers whether the run may
// go on.
bool RemoveLeftovers(CDialog& dlg, CCopyEntries& copy, const CString& drive) {
    const char* pszForeign = nullptr;
    switch (copy.Remove(pszForeign)) {
    case LeftoversResult::Removed:
        return true;
    case LeftoversResult::NotOwn:
        ShowMessageNaming(dlg, IDS_TARGET_ENTRY_EXISTS, drive, pszForeign);
        return false;
    case LeftoversResult::Remaining:
        ShowMessageNaming(dlg, IDS_LEFTOVERS_REMAIN, drive);
        return false;
    }
    return false;
}

} // namespace

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
    // setup.inx and temp.bat are held, unchangeable, until the batch file has ended; every
    // return releases them.
    CHeldFile script;
    CHeldFile batch;
    DWORD scriptBytes = 0;
    switch (WritePayload(scriptPath, script, scriptBytes)) {
    case PayloadResult::Written:
        break;
    case PayloadResult::MissingResource:
        ShowMessage(dlg, IDS_BAD_EXE);
        return false;
    case PayloadResult::CannotWrite:
        // A read-only medium or share, a folder without write permission, a locked setup.inx:
        // the folder is the cause, not the exe.
        ShowMessageNaming(dlg, IDS_FOLDER_NOT_WRITABLE, ProgramFolder(exePath));
        return false;
    }
    if (!IsProductCdIn(cdDrive)) {
        ShowMessage(dlg, IDS_INSERT_CD_RETRY);
        return false;
    }
    // The batch file copies whatever the CD's root holds over the temp disk's root.
    CString foreign;
    switch (CheckCdRoot(cdDrive, foreign)) {
    case CdRootCheck::OnlyProductNames:
        break;
    case CdRootCheck::ForeignEntry:
        ShowMessageNaming(dlg, IDS_CD_FOREIGN_ENTRY, foreign);
        return false;
    case CdRootCheck::Unreadable:
        ShowMessage(dlg, IDS_INSERT_CD_RETRY);
        return false;
    }
    // Trusted with what the program makes: the system's accounts, and whoever owns the script
    // the program has just written.
    const CTrustedOwners trusted = TrustedOwnersFor(system, script.Handle());
    // The copy runs the product's setup as administrator: it must not lie where other users may
    // change it, or move it aside and put their own in its place.
    switch (CheckTempDisk(system, trusted, tempDrive)) {
    case TempDiskCheck::Safe:
        break;
    case TempDiskCheck::NoAcls:
        ShowMessageNaming(dlg, IDS_TEMP_DISK_UNPROTECTED, tempDrive);
        return false;
    case TempDiskCheck::OthersMayRearrange:
        ShowMessageNaming(dlg, IDS_TEMP_ROOT_SHARED, tempDrive);
        return false;
    }
    // Entries that the program's stamp records by identity are an interrupted run's copy. Any
    // other entry of the CD's names is the user's and is never touched.
    CCopyEntries copy(system, trusted, tempDrive);
    if (copy.TakeOverEarlierRun()) {
        if (dlg.MessageBox(MessageWith(IDS_REMOVE_LEFTOVERS, tempDrive), kPatchCaption, MB_YESNO) !=
            IDYES)
            return false;
        if (!RemoveLeftovers(dlg, copy, tempDrive))
            return false;
    }
    bool hasRoom;
    // What the copy takes on the disk, against which the wait window shows its progress.
    ULONGLONG copyBytes = 0;
    {
        // Walking the CD takes a moment (and a spin-up): the wait cursor shows meanwhile.
        const CWaitCursor wait;
        hasRoom = HasRoomForCopy(system, cdDrive, tempDrive, scriptBytes, copyBytes);
    }
    if (!hasRoom) {
        ShowMessage(dlg, IDS_NO_SPACE);
        return false;
    }
    // The batch file copies the CD over the disk's root and deletes those names afterwards: a
    // user's own entry of such a name would be lost.
    if (const char* pszEntry = FindCdEntryOnDrive(tempDrive)) {
        ShowMessageNaming(dlg, IDS_TARGET_ENTRY_EXISTS, tempDrive, pszEntry);
        return false;
    }
    // Something of the stamp's name that is not the program's stamp (a folder, a link, another
    // user's file) is left alone, and the run cannot write its stamp there.
    if (HasRunStamp(tempDrive)) {
        ShowMessageNaming(dlg, IDS_TARGET_ENTRY_EXISTS, tempDrive, kRunStampName);
        return false;
    }

    const CString batchPath = PathBesideExe(exePath, kBatchFileName);
    if (!WriteBatchFile(batchPath,
                        ExpandBatchTemplate(cdDrive, tempDrive, batchScriptPath, scriptBytes,
                                            SystemXcopyPath()),
                        batch)) {
        ShowMessage(dlg, IDS_CANNOT_CREATE_BAT);
        return false;
    }
    // Every name the batch file copies to and deletes is the program's own, made right before
    // the start.
    const char* pszExisting = nullptr;
    switch (copy.Create(cdDrive, pszExisting)) {
    case CopyEntriesResult::Created:
        break;
    case CopyEntriesResult::EntryExists:
        ShowMessageNaming(dlg, IDS_TARGET_ENTRY_EXISTS, tempDrive, pszExisting);
        return false;
    case CopyEntriesResult::CannotCreate:
        ShowMessageNaming(dlg, IDS_CANNOT_CREATE_TEMP, tempDrive);
        return false;
    }
    CBatchProcess batchRun;
    if (!system.StartBatchFile(batchPath, batchRun)) {
        const char* pszForeign = nullptr;
        copy.Remove(pszForeign);
        ShowMessage(dlg, IDS_CANNOT_START_BAT);
        return false;
    }

    host.busy = true;
    dlg.SendMessage(WM_SETCURSOR, 0, 0);
    CWaitDlg waitDlg;
    waitDlg.Create(IDD_WAIT_DIALOG, &dlg);
    waitDlg.ShowWindow(SW_SHOW);
    waitDlg.UpdateWindow();
    dlg.EnableWindow(FALSE);

    const BatchWaitResult waited = WaitForBatch(system, batchRun, waitDlg, tempDrive, copyBytes);
    const bool bStopped = waited == BatchWaitResult::Stopped;
    // The batch file tells whether the product's setup started from a complete copy; the wait,
    // whether a process of the setup's ran.
    DWORD exitCode = bStopped ? kBatchExitCopyFailed : batchRun.ExitCode();
    if (exitCode == kBatchExitPatched && waited == BatchWaitResult::EndedWithoutSetup)
        exitCode = kBatchExitSetupNotStarted;
    const bool bPatched = exitCode == kBatchExitPatched;
    batch.Release();
    script.Release();
    // What the batch file's clean-up could not delete (a file still in use) keeps its record, the
    // user is told, and the next run offers to remove it. A stopped run's copy goes now: nothing
    // of the product ran.
    copy.Prune();
    if (bStopped) {
        const char* pszForeign = nullptr;
        copy.Remove(pszForeign);
    }
    const bool bLeftovers = copy.HasLeftovers();
    bool bRecorded = true;
    if (bPatched)
        bRecorded = RecordCdPath(system, cdDrive) != CdPathResult::Failed;

    host.busy = false;
    // The main dialog takes the focus back before the wait window goes, so that the message that
    // follows opens in front of it, not behind another program's window.
    if (!bPatched || !bRecorded || bLeftovers)
        dlg.EnableWindow(TRUE);
    waitDlg.DestroyWindow();

    if (!bPatched) {
        // Nothing was installed: the user may choose another disk, or end.
        if (bStopped)
            ShowMessage(dlg, IDS_INSTALL_CANCELLED);
        else
            ShowMessageNaming(dlg,
                              exitCode == kBatchExitSetupNotStarted ? IDS_SETUP_NOT_STARTED
                                                                    : IDS_COPY_FAILED,
                              tempDrive);
        if (bLeftovers)
            ShowMessageNaming(dlg, IDS_LEFTOVERS_REMAIN, tempDrive);
        return false;
    }
    if (!bRecorded)
        ShowMessageNaming(dlg, IDS_CDPATH_NOT_RECORDED, cdDrive);
    if (bLeftovers)
        ShowMessageNaming(dlg, IDS_LEFTOVERS_AFTER_SETUP, tempDrive);
    // The framework's own OK handling, not the dialog's confirming one: the run is complete.
    dlg.CDialog::OnOK();
    return true;
}
