#include "FileFind.h"

#include <cstring>

BOOL CFileFind::FindFile(const char* pszName, DWORD dwUnused) {
    (void)dwUnused;
    Close();
    if (!pszName)
        pszName = "*.*";
    m_hContext.Attach(::FindFirstFileA(pszName, &m_next));
    if (!m_hContext.IsValid())
        return FALSE;
    m_bHasNext = true;

    // Entries are reported by name only; their paths are made from the full form of the pattern.
    char full[MAX_PATH];
    char* pszFilePart = nullptr;
    const DWORD length = ::GetFullPathNameA(pszName, MAX_PATH, full, &pszFilePart);
    if (length > 0 && length < MAX_PATH) {
        if (pszFilePart)
            *pszFilePart = '\0';
        m_strRoot = full;
    } else {
        const char* pszSlash = std::strrchr(pszName, '\\');
        m_strRoot =
            pszSlash ? CString(pszName, static_cast<int>(pszSlash - pszName + 1)) : CString();
    }
    return TRUE;
}

BOOL CFileFind::FindNextFile() {
    if (!m_hContext.IsValid() || !m_bHasNext)
        return FALSE;
    m_found = m_next;
    m_bHasNext = ::FindNextFileA(m_hContext.Get(), &m_next) != FALSE;
    if (!m_bHasNext)
        m_dwEndError = ::GetLastError();
    return m_bHasNext;
}

void CFileFind::Close() {
    m_hContext.Close();
    m_bHasNext = false;
    m_dwEndError = 0;
}

CString CFileFind::GetFilePath() const {
    return m_strRoot + m_found.cFileName;
}

BOOL CFileFind::IsDots() const {
    if (!IsDirectory())
        return FALSE;
    const char* name = m_found.cFileName;
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}
