#include "File.h"

BOOL CFile::Open(const char* pszFileName, UINT nOpenFlags) {
    Close();
    DWORD dwAccess = GENERIC_READ;
    switch (nOpenFlags & 3) {
    case modeWrite:
        dwAccess = GENERIC_WRITE;
        break;
    case modeReadWrite:
        dwAccess = GENERIC_READ | GENERIC_WRITE;
        break;
    default:
        break;
    }
    DWORD dwShare = 0; // compatibility and exclusive modes share nothing
    switch (nOpenFlags & 0x70) {
    case shareDenyWrite:
        dwShare = FILE_SHARE_READ;
        break;
    case shareDenyRead:
        dwShare = FILE_SHARE_WRITE;
        break;
    case shareDenyNone:
        dwShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
        break;
    default:
        break;
    }
    const DWORD dwCreate = (nOpenFlags & modeCreate) ? CREATE_ALWAYS : OPEN_EXISTING;
    m_hFile = ::CreateFileA(pszFileName, dwAccess, dwShare, nullptr, dwCreate,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    return IsOpen();
}

bool CFile::Write(const void* lpBuf, UINT nCount) {
    if (!IsOpen())
        return false;
    DWORD written = 0;
    if (!::WriteFile(m_hFile, lpBuf, nCount, &written, nullptr))
        return false;
    return written == nCount;
}

void CFile::Close() {
    if (IsOpen()) {
        ::CloseHandle(m_hFile);
        m_hFile = INVALID_HANDLE_VALUE;
    }
}
