// The patch run behind "Weiter >>>": checks where the program lies, writes the corrected setup
// script beside it, checks the CD and the fixed disk, writes and runs temp.bat hidden behind the
// wait window, records the CD drive in the registry and ends the dialog. Each failed check shows
// one message box and returns to the dialog, which stays open for another try.
#pragma once

#include "framework/Dialog.h"
#include "framework/String.h"

#include <string>

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

// The system queries the run makes that tests need to steer.
struct PatchSystem {
    // The program's own file name.
    std::string (*GetModuleFileName)();
    // Bytes available to the caller on the disk of pszRoot; false when the query fails.
    bool (*GetFreeBytes)(const char* pszRoot, LONGLONG& freeBytes);
    // Starts the batch file hidden; answers its process handle, or null.
    HANDLE (*StartBatchFile)(const CString& batchPath);
};

const PatchSystem& RealPatchSystem();

// The free space the temporary copy of the CD needs: 680 MiB.
const double MIN_TEMP_FREE_BYTES = 713031680.0;

extern const char kPatchCaption[];
extern const char kScriptFileName[];
extern const char kBatchFileName[];
extern const char kSettingsKey[];
extern const char kCdPathValue[];

// Paths beside the program: the exe path with only its file-name part replaced by fileName.
CString PathBesideExe(const CString& exePath, const char* fileName);
// The folder of the program, as messages name it: without a final backslash unless a root.
CString ProgramFolder(const CString& exePath);

// Answers true when the run went to its end and ended the dialog; false when a check failed, its
// message was shown, and the dialog stays open for another try.
bool RunPatch(PatchHost& host, const PatchSystem& system = RealPatchSystem());
