#include "WidePath.h"

#include "CodePages.h"

CWidePath::CWidePath(const CString& ansi) {
    if (!AnsiToWideExact(ansi.str(), m_text) || m_text.size() < 2)
        m_text.clear();
}

CWidePath CWidePath::Child(const wchar_t* pszName) const {
    CWidePath child;
    if (IsEmpty())
        return child;
    child.m_text.assign(m_text.begin(), m_text.end() - 1);
    if (child.m_text.back() != L'\\')
        child.m_text.push_back(L'\\');
    while (*pszName)
        child.m_text.push_back(*pszName++);
    child.m_text.push_back(L'\0');
    return child;
}
