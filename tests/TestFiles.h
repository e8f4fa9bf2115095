// File helpers of the tests: temporary folders, whole-file reads and writes, file times.
#pragma once

#include <windows.h>

#include <string>

// A fresh folder under the temporary folder (or under a given parent), removed with everything in
// it when the object goes. One that cannot be made throws: the test fails before it writes.
class TempFolder {
public:
    explicit TempFolder(const std::string& parent = std::string());
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "\\" + name; }

private:
    std::string m_path;
};

void RemoveTree(const std::string& path);
bool PathExists(const std::string& path);
bool ReadFileBytes(const std::string& path, std::string& bytes);
bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool MakeFolder(const std::string& path);
// Whether the entry open as hEntry is the one at path (the same volume and file index).
bool IsEntryAt(HANDLE hEntry, const std::string& path);
// Sets the last-write time of path to the given local time.
bool SetLocalWriteTime(const std::string& path, WORD year, WORD month, WORD day, WORD hour,
                       WORD minute, WORD second);
// FNV-1a 64, as the setup stub records it.
std::string Fnv1a64Hex(const std::string& bytes);
// A Unix path as Wine's Z: drive reaches it.
std::string UnixPathToWine(std::string path);
// A file of the source or build tree, reached through Wine's Z: drive.
std::string SourcePath(const std::string& relative);
std::string BinaryPath(const std::string& relative);
// The payload as the resource holds it.
std::string PayloadBytes();
