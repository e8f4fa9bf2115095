// The files of a run beside the program: their names, and the paths derived from the program's
// own path.
#pragma once

#include "PatchSystem.h"
#include "framework/String.h"

extern const char kScriptFileName[];
extern const char kBatchFileName[];

// Paths beside the program: the exe path with only its file-name part replaced by fileName.
CString PathBesideExe(const CString& exePath, const char* fileName);
// The folder of the program, as messages name it: without a final backslash unless a root.
CString ProgramFolder(const CString& exePath);

// The script path as the batch file must carry it, so that the command interpreter, which reads
// the file in the OEM code page, reads the same path: converted exactly to the OEM code page, or
// else the short form of the program's folder (from system) when that has an exact OEM form.
// False when neither exists.
bool ScriptPathForBatch(const PatchSystem& system, const CString& scriptPath, CString& batchForm);
