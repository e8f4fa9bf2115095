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

// How the program's own path could be read.
enum class ModulePathStatus {
    Ok,
    // The path filled the whole buffer: it may be cut, and may lack its terminating NUL.
    TooLong,
    // Neither the path nor its short form can be written in the ANSI code page.
    NotNameable,
};

// The system queries the run makes that tests need to steer.
struct PatchSystem {
    // The program's own file name in the ANSI code page; where the folder's name has characters
    // outside it, its short form.
    ModulePathStatus (*GetModuleFileName)(std::string& path);
    // The short (8.3) form of an existing ANSI path, exact in the ANSI code page; "" if none.
    std::string (*GetShortPathName)(const std::string& path);
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

// The script path as the batch file must carry it, so that the command interpreter, which reads
// the file in the OEM code page, reads the same path: converted exactly to the OEM code page, or
// else the short form of the program's folder (from system) when that has an exact OEM form.
// False when neither exists.
bool ScriptPathForBatch(const PatchSystem& system, const CString& scriptPath, CString& batchForm);

// Answers true when the run went to its end and ended the dialog; false when a check failed, its
// message was shown, and the dialog stays open for another try.
bool RunPatch(PatchHost& host, const PatchSystem& system = RealPatchSystem());
