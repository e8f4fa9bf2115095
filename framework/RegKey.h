// CRegKey: owns one open registry key and closes it when it goes, in the manner of ATL's CRegKey.
#pragma once

#include <windows.h>

class CRegKey {
public:
    CRegKey() = default;
    ~CRegKey() { Close(); }
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;

    // Opens an existing key (it never creates one); answers the system's error code.
    LONG Open(HKEY hParent, const char* pszSubKey, REGSAM access) {
        Close();
        return ::RegOpenKeyExA(hParent, pszSubKey, 0, access, &m_hKey);
    }
    void Close() {
        if (m_hKey)
            ::RegCloseKey(m_hKey);
        m_hKey = nullptr;
    }

    HKEY m_hKey = nullptr;
};
