#include "ProgramPaths.h"

#include "support/CodePages.h"
#include "support/PathBasics.h"

const char kScriptFileName[] = "setup.inx";
const char kBatchFileName[] = "temp.bat";

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
