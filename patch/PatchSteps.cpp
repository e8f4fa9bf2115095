#include "PatchSteps.h"

#include "CdContents.h"
#include "PatchRun.h"
#include "framework/File.h"
#include "framework/Module.h"
#include "res/resource.h"
#include "support/PathBasics.h"

#include <shellapi.h>

#include <cstdio>
#include <string>

const char kSettingsKey[] = "SOFTWARE\\Tavix Technologies\\NebuLark 5\\Settings";
const char kCdPathValue[] = "CDPath";

namespace {

const char kCdMarkerSuffix[] = "\\Nebulark5.ico";

// The product's own setup is a 32-bit program and keeps its settings in the registry's 32-bit
// view; the x86-64 build must write there too. The i686 build passes no view flag.
#ifdef _WIN64
const REGSAM kSettingsView = KEY_WOW64_32KEY;
#else
const REGSAM kSettingsView = 0;
#endif

// The shell's start record has the size the shell expects of each architecture.
static_assert(sizeof(SHELLEXECUTEINFOA) == (sizeof(void*) == 4 ? 60 : 112),
              "SHELLEXECUTEINFOA size");

} // namespace

PayloadResult WritePayload(const CString& scriptPath, DWORD& nWritten) {
    nWritten = 0;
    HINSTANCE hModule = AfxGetInstanceHandle();
    HRSRC hResource = ::FindResourceA(hModule, MAKEINTRESOURCEA(IDR_PAYLOAD), "RT_RCDATA");
    if (!hResource)
        return PayloadResult::MissingResource;
    HGLOBAL hData = ::LoadResource(hModule, hResource);
    const void* pBytes = hData ? ::LockResource(hData) : nullptr;
    const DWORD nBytes = ::SizeofResource(hModule, hResource);
    if (!pBytes)
        return PayloadResult::MissingResource;

    CFile file;
    if (!file.Open(scriptPath, CFile::modeCreate))
        return PayloadResult::CannotWrite;
    file.Close();
    if (!file.Open(scriptPath, CFile::modeWrite))
        return PayloadResult::CannotWrite;
    const bool bWritten = file.Write(pBytes, nBytes);
    file.Close();
    if (!bWritten) {
        ::DeleteFileA(scriptPath);
        return PayloadResult::CannotWrite;
    }
    nWritten = nBytes;
    return PayloadResult::Written;
}

ULONGLONG RoundUpToClusters(ULONGLONG bytes, ULONGLONG clusterBytes) {
    return (bytes + clusterBytes - 1) / clusterBytes * clusterBytes;
}

namespace {

bool MeasureFolder(const std::string& folder, ULONGLONG clusterBytes, ULONGLONG& bytes) {
    WIN32_FIND_DATAA found;
    HANDLE hFind = ::FindFirstFileA((folder + "*").c_str(), &found);
    if (hFind == INVALID_HANDLE_VALUE)
        return ::GetLastError() == ERROR_FILE_NOT_FOUND; // an empty disc
    bool ok = true;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            bytes += clusterBytes;
            ok = MeasureFolder(folder + name + "\\", clusterBytes, bytes) && ok;
        } else {
            const ULONGLONG size =
                (static_cast<ULONGLONG>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
            bytes += RoundUpToClusters(size, clusterBytes);
        }
    } while (::FindNextFileA(hFind, &found));
    ok = ::GetLastError() == ERROR_NO_MORE_FILES && ok;
    ::FindClose(hFind);
    return ok;
}

} // namespace

bool MeasureCdCopy(const CString& cdRoot, ULONGLONG clusterBytes, ULONGLONG& bytes) {
    bytes = 0;
    std::string root = cdRoot.str();
    if (root.empty() || root.back() != '\\')
        root += '\\';
    return MeasureFolder(root, clusterBytes ? clusterBytes : 1, bytes);
}

ULONGLONG ClusterBytesOf(const CString& root) {
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (!::GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters) ||
        sectorsPerCluster == 0 || bytesPerSector == 0)
        return 4096;
    return static_cast<ULONGLONG>(sectorsPerCluster) * bytesPerSector;
}

bool IsProductCdIn(const CString& cdDrive) {
    if (::GetDriveTypeA(cdDrive + "\\") != DRIVE_CDROM)
        return false;
    return GetFileDosDateTime(cdDrive + kCdMarkerSuffix) != -1;
}

const char* FindCdEntryOnDrive(const CString& drive) {
    for (const CdEntry& entry : kCdEntries) {
        const CString path = drive + "\\" + entry.name;
        if (::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
            return entry.name;
    }
    return nullptr;
}

CString RunStampPath(const CString& drive) {
    return drive + "\\" + kRunStampName;
}

bool WriteRunStamp(const CString& tempDrive, const CString& cdDrive) {
    const CString path = RunStampPath(tempDrive);
    FILE* pFile = std::fopen(path, "w");
    if (!pFile)
        return false;
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    const bool bPrinted = std::fprintf(pFile, "CD=%s\nTime=%04u-%02u-%02u %02u:%02u:%02u\n",
                                       static_cast<const char*>(cdDrive), now.wYear, now.wMonth,
                                       now.wDay, now.wHour, now.wMinute, now.wSecond) >= 0;
    if (std::fclose(pFile) == 0 && bPrinted)
        return true;
    ::DeleteFileA(path);
    return false;
}

namespace {

// Deletes path and, for a real folder, everything in it. A link (junction, symbolic link) is
// removed itself: what it points to is not the program's.
void RemoveNoFollow(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        ::SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::DeleteFileA(path.c_str());
        return;
    }
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAA found;
        HANDLE hFind = ::FindFirstFileA((path + "\\*").c_str(), &found);
        if (hFind != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = found.cFileName;
                if (name != "." && name != "..")
                    RemoveNoFollow(path + "\\" + name);
            } while (::FindNextFileA(hFind, &found));
            ::FindClose(hFind);
        }
    }
    ::RemoveDirectoryA(path.c_str());
}

} // namespace

void RemoveCdLeftovers(const CString& drive) {
    for (const CdEntry& entry : kCdEntries)
        RemoveNoFollow((drive + "\\" + entry.name).str());
    ::DeleteFileA(RunStampPath(drive));
}

bool WriteBatchFile(const CString& batchPath, const CString& text) {
    FILE* pFile = std::fopen(batchPath, "w+");
    if (!pFile)
        return false;
    const bool bPrinted = std::fprintf(pFile, "%s\n", static_cast<const char*>(text)) >= 0;
    const bool bFlushed = std::fflush(pFile) == 0;
    const bool bClosed = std::fclose(pFile) == 0;
    // A half-written batch file would still run, and do half the work.
    if (bPrinted && bFlushed && bClosed)
        return true;
    ::DeleteFileA(batchPath);
    return false;
}

HANDLE StartBatchFile(const CString& batchPath) {
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.hwnd = nullptr;
    info.lpVerb = nullptr; // the default action of a .bat: run it in the command interpreter
    info.lpFile = batchPath;
    info.lpParameters = "";
    info.lpDirectory = nullptr;
    info.nShow = SW_HIDE;
    if (!::ShellExecuteExA(&info))
        return nullptr;
    return info.hProcess;
}

void RecordCdPath(const CString& cdDrive) {
    HKEY hKey;
    // The key belongs to the installed product: it is opened, never created.
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_ALL_ACCESS | kSettingsView,
                        &hKey) != ERROR_SUCCESS)
        return;
    // REG_SZ data carries its terminating NUL, so every reader gets a terminated text.
    ::RegSetValueExA(hKey, kCdPathValue, 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(static_cast<const char*>(cdDrive)),
                     static_cast<DWORD>(cdDrive.GetLength() + 1));
    ::RegCloseKey(hKey);
}
