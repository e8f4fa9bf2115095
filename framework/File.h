// CFile: a file handle that closes itself. Failures are answered, not thrown.
#pragma once

#include <windows.h>

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeCreate = 0x1000, // a new file; an existing one is truncated
    };

    CFile() = default;
    ~CFile() { Close(); }
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Opens pszFileName as nOpenFlags asks; without modeCreate the file must exist.
    BOOL Open(const char* pszFileName, UINT nOpenFlags);
    // Writes nCount bytes at the current position; answers whether all of them were written.
    bool Write(const void* lpBuf, UINT nCount);
    void Close();
    bool IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }

    HANDLE m_hFile = INVALID_HANDLE_VALUE;
};
