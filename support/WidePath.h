// Paths in the system's own wide form, for the walks of what the program deletes or measures. The
// ANSI find functions answer a best fit for a name the code page cannot write (a full-width
// "\uFF0E\uFF0E\uFF3CUsers" comes back as "..\Users"), and a path built from it leaves the
// folder: wide names stay exactly what the system holds.
#pragma once

#include "framework/String.h"

#include <windows.h>

#include <vector>

class CWidePath {
public:
    CWidePath() = default;
    // The exact wide form of an ANSI path; empty when it has none.
    explicit CWidePath(const CString& ansi);

    bool IsEmpty() const { return m_text.empty(); }
    const wchar_t* Get() const { return m_text.empty() ? L"" : &m_text[0]; }
    // The entry of that name in this folder.
    CWidePath Child(const wchar_t* pszName) const;

private:
    std::vector<wchar_t> m_text; // NUL-terminated unless empty
};

inline bool IsDotsName(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

// Calls visit(found) with each entry of folder but "." and "..", as the system names it. Answers
// whether the whole listing was read: false when the folder cannot be listed (an empty root has
// nothing to list, which counts as read) or the listing broke off (a disc taken out).
template <typename Visit> bool ForEachEntry(const CWidePath& folder, Visit visit) {
    WIN32_FIND_DATAW found;
    HANDLE hFind = ::FindFirstFileW(folder.Child(L"*").Get(), &found);
    if (hFind == INVALID_HANDLE_VALUE)
        return !folder.IsEmpty() && ::GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        if (!IsDotsName(found.cFileName))
            visit(found);
    } while (::FindNextFileW(hFind, &found));
    const bool bRead = ::GetLastError() == ERROR_NO_MORE_FILES;
    ::FindClose(hFind);
    return bRead;
}
