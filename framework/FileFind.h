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
    // Why the search ended once FindNextFile answered FALSE: ERROR_NO_MORE_FILES when every entry
    // was read, another code when the listing broke off (a CD taken out, a network error).
    DWORD GetEndError() const { return m_dwEndError; }

    // The current entry.
    CString GetFileName() const { return m_found.cFileName; }
    CString GetFilePath() const;
    BOOL IsDirectory() const { return MatchesMask(FILE_ATTRIBUTE_DIRECTORY); }
    BOOL MatchesMask(DWORD dwMask) const { return (m_found.dwFileAttributes & dwMask) != 0; }
    ULONGLONG GetLength() const {
        return (static_cast<ULONGLONG>(m_found.nFileSizeHigh) << 32) | m_found.nFileSizeLow;
    }
    void GetLastWriteTime(FILETIME* pTimeStamp) const { *pTimeStamp = m_found.ftLastWriteTime; }
    // "." or "..".
    BOOL IsDots() const;

private:
    // FindClose, not CloseHandle, ends a search: the find handle has an owner of its own.
    class CFindHandle {
    public:
        CFindHandle() = default;
        ~CFindHandle() { Close(); }
        CFindHandle(const CFindHandle&) = delete;
        CFindHandle& operator=(const CFindHandle&) = delete;
        bool IsValid() const { return m_handle != INVALID_HANDLE_VALUE; }
        HANDLE Get() const { return m_handle; }
        void Attach(HANDLE handle) {
            Close();
            m_handle = handle;
        }
        void Close() {
            if (IsValid())
                ::FindClose(m_handle);
            m_handle = INVALID_HANDLE_VALUE;
        }

    private:
        HANDLE m_handle = INVALID_HANDLE_VALUE;
    };

    CFindHandle m_hContext;
    bool m_bHasNext = false;
    DWORD m_dwEndError = 0;
    WIN32_FIND_DATAA m_found = {};
    WIN32_FIND_DATAA m_next = {};
    CString m_strRoot; // the searched folder, with its final separator
};
