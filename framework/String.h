// CString: the framework's 8-bit text value, a thin wrapper over std::string with the
// MFC names the program is written against.
#pragma once

#include <string>

class CString {
public:
    CString() = default;
    CString(const char* psz) : m_str(psz ? psz : "") {}
    CString(const char* pch, int nLength) : m_str(pch, nLength > 0 ? nLength : 0) {}
    CString(const std::string& str) : m_str(str) {}

    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    char GetAt(int nIndex) const { return m_str[nIndex]; }

    // Left and Right clamp their count to the text, as MFC does.
    CString Left(int nCount) const;
    CString Right(int nCount) const;
    CString Mid(int nFirst) const;

    // Replaces every occurrence of pszOld, left to right and without overlap; the inserted text
    // is not searched again. Returns the number of replacements.
    int Replace(const char* pszOld, const char* pszNew);
    // Lower case as in the "C" locale: only A to Z change, and never a byte of a double-byte
    // character of the ANSI code page, as MFC's multi-byte MakeLower leaves them.
    void MakeLower();
    int Find(const char* pszSub, int nStart = 0) const;

    CString& operator=(const char* psz);
    CString& operator+=(const CString& str);
    CString& operator+=(const char* psz);
    CString& operator+=(char ch);

    operator const char*() const { return m_str.c_str(); }
    const std::string& str() const { return m_str; }

    friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
    friend bool operator==(const CString& a, const char* b) { return a.m_str == (b ? b : ""); }
    friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
    friend bool operator!=(const CString& a, const char* b) { return !(a == b); }

private:
    std::string m_str;
};

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, const char* b);
CString operator+(const char* a, const CString& b);
