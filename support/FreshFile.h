// Files the program creates itself and then relies on. It runs as administrator and writes into
// folders that other users may change: nothing is written through a file or link that was there
// before, and what it later hands to the command interpreter cannot change meanwhile.
#pragma once

#include "framework/Handle.h"
#include "framework/String.h"

#include <windows.h>

#include <string>

// Creates path afresh with bytes: an existing file of that name is deleted first, then the file
// is created new (never opened) and written through an unshared handle. security may be null.
// False when any step fails; a file it created is deleted again through that handle.
bool WriteNewFile(const CString& path, const std::string& bytes, SECURITY_ATTRIBUTES* security);

// A file the program wrote and holds open for reading, shared only for reading: nobody can
// change, replace or delete it while it is held. Released on destruction.
class CHeldFile {
public:
    CHeldFile() = default;

    // Writes path afresh (WriteNewFile), opens it again to hold it, and checks that it holds
    // exactly bytes. False when any step fails; a file that holds other bytes by then is not
    // provably the program's and stays.
    bool Write(const CString& path, const std::string& bytes);
    void Release() { m_hFile.Close(); }
    bool IsHeld() const { return m_hFile.IsValid(); }
    // The handle it is held by, which may read it and its security.
    HANDLE Handle() const { return m_hFile.Get(); }

private:
    CHandle m_hFile;
};

// Marks the entry open as hEntry (with DELETE, and FILE_WRITE_ATTRIBUTES where it is read-only)
// for deletion through that very handle, on every Windows from XP on; a read-only flag is taken
// off first, through the same handle. It goes with its last handle.
bool DeleteThroughHandle(HANDLE hEntry, DWORD attributes);

// The whole content of an open file from where it stands, up to limit bytes, in bytes; false when
// a read fails.
bool ReadAll(HANDLE hFile, size_t limit, std::string& bytes);
