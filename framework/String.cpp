#include "String.h"

#include <windows.h>

#include <cstring>

CString CString::Left(int nCount) const {
    if (nCount <= 0)
        return CString();
    return CString(m_str.substr(0, static_cast<size_t>(nCount)));
}

CString CString::Right(int nCount) const {
    if (nCount <= 0)
        return CString();
    if (nCount >= GetLength())
        return *this;
    return CString(m_str.substr(m_str.size() - static_cast<size_t>(nCount)));
}

CString CString::Mid(int nFirst) const {
    if (nFirst <= 0)
        return *this;
    if (nFirst >= GetLength())
        return CString();
    return CString(m_str.substr(static_cast<size_t>(nFirst)));
}

int CString::Replace(const char* pszOld, const char* pszNew) {
    const size_t oldLen = pszOld ? std::strlen(pszOld) : 0;
    if (oldLen == 0)
        return 0;
    const std::string with = pszNew ? pszNew : "";
    std::string out;
    int count = 0;
    size_t from = 0;
    for (size_t at = m_str.find(pszOld, 0, oldLen); at != std::string::npos;
         at = m_str.find(pszOld, from, oldLen)) {
        out.append(m_str, from, at - from);
        out += with;
        from = at + oldLen;
        ++count;
    }
    if (count == 0)
        return 0;
    out.append(m_str, from, std::string::npos);
    m_str.swap(out);
    return count;
}

void CString::MakeLower() {
    for (size_t i = 0; i < m_str.size(); ++i) {
        const unsigned char ch = static_cast<unsigned char>(m_str[i]);
        // A double-byte character of the ANSI code page (932, 936, 949, 950) stays as it is: its
        // trail byte may lie between 'A' and 'Z' and is no letter.
        if (::IsDBCSLeadByte(ch))
            ++i;
        else if (ch >= 'A' && ch <= 'Z')
            m_str[i] = static_cast<char>(ch - 'A' + 'a');
    }
}

int CString::Find(const char* pszSub, int nStart) const {
    if (nStart < 0 || nStart > GetLength())
        return -1;
    const size_t at = m_str.find(pszSub ? pszSub : "", static_cast<size_t>(nStart));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

CString& CString::operator=(const char* psz) {
    m_str = psz ? psz : "";
    return *this;
}

CString& CString::operator+=(const CString& str) {
    m_str += str.m_str;
    return *this;
}

CString& CString::operator+=(const char* psz) {
    if (psz)
        m_str += psz;
    return *this;
}

CString& CString::operator+=(char ch) {
    m_str += ch;
    return *this;
}

CString operator+(const CString& a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}

CString operator+(const CString& a, const char* b) {
    CString r(a);
    r += b;
    return r;
}

CString operator+(const char* a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}
