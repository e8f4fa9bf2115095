#include "PathHelpers.h"

#include "framework/FileFind.h"
#include "framework/Module.h"

#include <mbstring.h>

#include <cstring>

namespace {

const unsigned int kSkippableAttributes = 0x1e; // hidden, system, volume label, folder

// A set built afresh on every call: start, then backslash, then colon.
std::string MakeSet(const char* start) {
    std::string set(start);
    set += '\\';
    set += ':';
    return set;
}

// Position of the extension's dot, or 0 when the path has none.
int ExtensionDot(const std::string& path) {
    const int p = FindLastOf(MakeSet("."), path);
    return (p > 0 && path[static_cast<size_t>(p)] == '.') ? p : 0;
}

// Skips the entries the record's mask excludes, then copies the current one into the record.
DWORD FillRecord(FindRecord* record) {
    while (record->findData.dwFileAttributes & record->skipMask) {
        if (!::FindNextFileA(record->handle, &record->findData))
            return ::GetLastError();
    }
    FILETIME localTime;
    ::FileTimeToLocalFileTime(&record->findData.ftLastWriteTime, &localTime);
    ::FileTimeToDosDateTime(&localTime, &record->date, &record->time);
    record->size = record->findData.nFileSizeLow;
    record->attributes = record->findData.dwFileAttributes;
    record->name = record->findData.cFileName;
    return 0;
}

bool IsRootOnly(const std::string& path) {
    const std::string root = GetPathRoot(path);
    return !root.empty() && (path == root || path == root + "\\");
}

} // namespace

int GetFileDosDateTime(const std::string& path) {
    return GetFileDosDateTime(CString(path));
}

bool FileExists(std::string path) {
    return GetFileDosDateTime(path) != -1;
}

DWORD FindFirstEntry(const std::string& pattern, unsigned int requestedAttributes,
                     FindRecord* record) {
    record->skipMask = ~requestedAttributes & kSkippableAttributes;
    record->handle = ::FindFirstFileA(pattern.c_str(), &record->findData);
    if (record->handle == INVALID_HANDLE_VALUE)
        return ::GetLastError();
    const DWORD error = FillRecord(record);
    if (error != 0)
        EndFind(record);
    return error;
}

DWORD FindNextEntry(FindRecord* record) {
    if (!::FindNextFileA(record->handle, &record->findData))
        return ::GetLastError();
    return FillRecord(record);
}

void EndFind(FindRecord* record) {
    if (record->handle != INVALID_HANDLE_VALUE) {
        ::FindClose(record->handle);
        record->handle = INVALID_HANDLE_VALUE;
    }
}

// By name: the patch run never calls these at a disk's root (see the header).
bool RemoveFile(const std::string& path) {
    return ::DeleteFileA(path.c_str()) != FALSE;
}

bool RenameFile(const std::string& oldPath, const std::string& newPath) {
    return ::MoveFileA(oldPath.c_str(), newPath.c_str()) != FALSE;
}

std::string GetShortPath(const std::string& path) {
    char buffer[260];
    const DWORD length = ::GetShortPathNameA(path.c_str(), buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer)
        return std::string(); // missing, or the short form does not fit
    return std::string(buffer, length);
}

std::string GetModulePath() {
    char buffer[260];
    const DWORD nSize = 259;
    const DWORD length = ::GetModuleFileNameA(AfxGetInstanceHandle(), buffer, nSize);
    if (length == 0 || length >= nSize)
        return std::string(); // a cut-off path names nothing
    return std::string(buffer, length);
}

std::string SearchFileInFolders(const std::string& fileName, const std::string& folders) {
    if (FileExists(fileName))
        return fileName;
    size_t at = 0;
    for (;;) {
        while (at < folders.size() && folders[at] == ';')
            ++at;
        if (at >= folders.size())
            return std::string();
        const size_t end = std::min(folders.find(';', at), folders.size());
        std::string candidate = folders.substr(at, end - at);
        const char last = GetLastChar(candidate);
        if (last != ':' && last != '\\')
            candidate += '\\';
        candidate += fileName;
        if (FileExists(candidate))
            return candidate;
        at = end;
    }
}

void EmptyFolderTree(std::string folder) {
    // "\*.*" would be the root of the current drive.
    if (folder.empty())
        return;
    CString pattern(folder);
    if (_mbscmp(reinterpret_cast<const unsigned char*>(static_cast<const char*>(pattern.Right(1))),
                reinterpret_cast<const unsigned char*>("\\")) != 0)
        pattern += "\\";
    pattern += "*.*";

    CFileFind finder;
    if (!finder.FindFile(pattern, 0))
        return;
    BOOL bMore;
    do {
        bMore = finder.FindNextFile();
        if (finder.IsDots())
            continue;
        const CString path = finder.GetFilePath();
        if (!finder.IsDirectory()) {
            ::DeleteFileA(path); // by name: the patch run never empties a tree (see the header)
        } else {
            EmptyFolderTree(path.str());
            ::RemoveDirectoryA(path);
        }
    } while (bMore);
}

std::string GetPathRoot(const std::string& path) {
    const size_t length = path.size();
    if (length < 2)
        return std::string();
    if (path[1] == ':')
        return path.substr(0, 2);
    if (path[0] != '\\' || path[1] != '\\')
        return std::string();
    // A network path: up to, not including, the second backslash after the leading pair.
    size_t i = 3;
    int backslashes = 0;
    while (backslashes < 2 && i < length) {
        if (path[i - 1] == '\\' && ++backslashes == 2)
            break;
        ++i;
    }
    if (i - 1 < length && path[i - 1] == '\\')
        --i;
    return i > length ? path : path.substr(0, i);
}

std::string GetPathDirectory(const std::string& path) {
    return path.substr(0, static_cast<size_t>(FindLastOf(MakeSet(""), path)));
}

std::string GetPathParent(const std::string& path) {
    std::string trimmed = path;
    // A final backslash names the same folder as the path without it.
    if (trimmed.size() > 1 && GetLastChar(trimmed) == '\\' && !IsRootOnly(trimmed))
        trimmed.pop_back();
    if (trimmed.empty() || trimmed == "\\" || IsRootOnly(trimmed))
        return std::string();

    // The last separator, position 0 included (\file lies in \).
    const std::string separators = MakeSet("");
    int p = FindLastOf(separators, trimmed);
    if (p == 0 && separators.find(trimmed[0]) == std::string::npos)
        return std::string(); // a bare name
    const size_t n = static_cast<size_t>(p);
    if (trimmed[n] == ':')
        return trimmed.substr(0, n + 1); // D:file lies in D:
    std::string parent = trimmed.substr(0, n);
    // The backslash of a drive's root belongs to it (C:\), as does the lone one of \file.
    if (parent.empty() || (parent.size() == 2 && parent[1] == ':'))
        parent += '\\';
    return parent;
}

std::string GetPathExtension(const std::string& path) {
    const int p = ExtensionDot(path);
    return p > 0 ? path.substr(static_cast<size_t>(p)) : std::string();
}

std::string ChangePathExtension(const std::string& path, const std::string& newExtension) {
    const int p = ExtensionDot(path);
    return (p > 0 ? path.substr(0, static_cast<size_t>(p)) : path) + newExtension;
}

char GetLastChar(const std::string& text) {
    if (text.empty())
        return '\0';
    int i = static_cast<int>(text.size()) - 1;
    while (i > 0 && GetByteType(text, i) == kTrailByte)
        --i;
    return text[static_cast<size_t>(i)];
}

const char* GetLastCharPtr(const char* text) {
    const size_t n = text ? std::strlen(text) : 0;
    if (n == 0)
        return nullptr; // there is no last character to point to
    const char* p = text + n - 1;
    if (GetByteType(text, static_cast<int>(n - 1)) == kTrailByte)
        --p;
    return p;
}

int GetByteType(const char* text, int position) {
    (void)text;
    (void)position;
    return 0;
}
