// CFileFind: a search over a folder's entries in the manner of MFC: FindFile opens the search
// and reads ahead one entry; each FindNextFile makes that entry current and answers whether one
// more follows, so the last entry is current after the call that answered FALSE.
#pragma once

#include "String.h"

#include <windows.h>

class CFileFind {
public:
    CFileFind() = default;
    ~CFileFind() { Close(); }
    CFileFind(const CFileFind&) = delete;
    CFileFind& operator=(const CFileFind&) = delete;

    // Starts a search for pszName ("*.*" when null); answers whether anything matched.
    BOOL FindFile(const char* pszName = nullptr, DWORD dwUnused = 0);
    // (windows.h turns this name into FindNextFileA, for the declaration and every call alike.)
    BOOL FindNextFile();
    void Close();

    // The current entry.
    CString GetFileName() const { return m_found.cFileName; }
    CString GetFilePath() const;
    BOOL IsDirectory() const { return (m_found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    // "." or "..".
    BOOL IsDots() const;

private:
    HANDLE m_hContext = INVALID_HANDLE_VALUE;
    bool m_bHasNext = false;
    WIN32_FIND_DATAA m_found = {};
    WIN32_FIND_DATAA m_next = {};
    CString m_strRoot; // the searched folder, with its final separator
};
