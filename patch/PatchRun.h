// The patch run behind "Weiter >>>": checks where the program lies, writes the corrected setup
// script beside it, checks the CD and the fixed disk, writes and runs temp.bat hidden behind the
// wait window, records the CD drive in the registry and ends the dialog. Each failed check shows
// one message box and returns to the dialog, which stays open for another try.
#pragma once

#include "PatchSystem.h"
#include "framework/Dialog.h"
#include "framework/String.h"

// What the run needs of the dialog that hosts it.
struct PatchHost {
    // Saves the drive selections (UpdateData), owns the message boxes, parents the wait window,
    // and is ended through the framework dialog's own OK handling.
    CDialog& dialog;
    // Set while the run waits for the batch file; the dialog shows the wait cursor meanwhile.
    bool& busy;
    // The roots of the chosen CD drive and fixed disk (D:\), filled by the dialog's saving.
    const CString& cdRoot;
    const CString& tempRoot;
};

// Answers true when the run went to its end and ended the dialog; false when a check failed, its
// message was shown, and the dialog stays open for another try.
bool RunPatch(PatchHost& host, const PatchSystem& system = RealPatchSystem());
