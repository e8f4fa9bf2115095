#include "TestFiles.h"

#include "res/resource.h"

#include <cstdio>
#include <stdexcept>

std::string UnixPathToWine(std::string path) {
    for (char& ch : path)
        if (ch == '/')
            ch = '\\';
    return "Z:" + path;
}

TempFolder::TempFolder(const std::string& parent) {
    std::string base = parent;
    if (base.empty()) {
        char temp[MAX_PATH];
        ::GetTempPathA(MAX_PATH, temp);
        base = temp;
    }
    if (!base.empty() && base.back() == '\\')
        base.pop_back();
    static unsigned counter = 0;
    for (;;) {
        char name[64];
        std::snprintf(name, sizeof name, "\\t%lu-%u", ::GetCurrentProcessId(), ++counter);
        m_path = base + name;
        if (::CreateDirectoryA(m_path.c_str(), nullptr))
            break;
        // Without its folder a test would write and delete at "\\x", the root of the current
        // drive: it fails here, before anything is written.
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
            throw std::runtime_error("TempFolder: " + m_path + " cannot be made");
    }
}

TempFolder::~TempFolder() {
    if (!m_path.empty())
        RemoveTree(m_path);
}

void RemoveTree(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    ::SetFileAttributesA(path.c_str(),
                         FILE_ATTRIBUTE_NORMAL | (attributes & FILE_ATTRIBUTE_DIRECTORY));
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::DeleteFileA(path.c_str());
        return;
    }
    WIN32_FIND_DATAA found;
    HANDLE hFind = ::FindFirstFileA((path + "\\*").c_str(), &found);
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name != "." && name != "..")
                RemoveTree(path + "\\" + name);
        } while (::FindNextFileA(hFind, &found));
        ::FindClose(hFind);
    }
    ::RemoveDirectoryA(path.c_str());
}

bool PathExists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool ReadFileBytes(const std::string& path, std::string& bytes) {
    bytes.clear();
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.append(buffer, n);
    std::fclose(f);
    return true;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

bool MakeFolder(const std::string& path) {
    return ::CreateDirectoryA(path.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

bool SetLocalWriteTime(const std::string& path, WORD year, WORD month, WORD day, WORD hour,
                       WORD minute, WORD second) {
    SYSTEMTIME local = {};
    local.wYear = year;
    local.wMonth = month;
    local.wDay = day;
    local.wHour = hour;
    local.wMinute = minute;
    local.wSecond = second;
    FILETIME localTime;
    FILETIME utcTime;
    if (!::SystemTimeToFileTime(&local, &localTime) ||
        !::LocalFileTimeToFileTime(&localTime, &utcTime))
        return false;
    HANDLE h =
        ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    const bool ok = ::SetFileTime(h, nullptr, nullptr, &utcTime) != FALSE;
    ::CloseHandle(h);
    return ok;
}

std::string Fnv1a64Hex(const std::string& bytes) {
    unsigned long long hash = 14695981039346656037ull;
    for (unsigned char ch : bytes)
        hash = (hash ^ ch) * 1099511628211ull;
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", hash);
    return text;
}

std::string SourcePath(const std::string& relative) {
    return UnixPathToWine(std::string(INSTALL_SOURCE_DIR) + "/" + relative);
}

std::string BinaryPath(const std::string& relative) {
    return UnixPathToWine(std::string(INSTALL_BINARY_DIR) + "/" + relative);
}

std::string PayloadBytes() {
    HMODULE hModule = ::GetModuleHandleA(nullptr);
    HRSRC hResource = ::FindResourceA(hModule, MAKEINTRESOURCEA(IDR_PAYLOAD), "RT_RCDATA");
    if (!hResource)
        return std::string();
    const char* data = static_cast<const char*>(::LockResource(::LoadResource(hModule, hResource)));
    return std::string(data, ::SizeofResource(hModule, hResource));
}

bool IsEntryAt(HANDLE hEntry, const std::string& path) {
    if (path.empty())
        return false;
    HANDLE hAtPath = ::CreateFileA(
        path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (hAtPath == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION a, b;
    const bool bSame = ::GetFileInformationByHandle(hEntry, &a) &&
                       ::GetFileInformationByHandle(hAtPath, &b) &&
                       a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
                       a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
    ::CloseHandle(hAtPath);
    return bSame;
}
