// CImageList: owns an image list it holds, unless the list was only lent to it and is taken back
// with Detach before the wrapper goes (the shell's system image list must never be destroyed).
#pragma once

#include <windows.h>

#include <commctrl.h>

class CImageList {
public:
    CImageList() = default;
    ~CImageList() {
        if (m_hImageList)
            ::ImageList_Destroy(m_hImageList);
    }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    BOOL Attach(HIMAGELIST hImageList) {
        if (m_hImageList || !hImageList)
            return FALSE;
        m_hImageList = hImageList;
        return TRUE;
    }
    HIMAGELIST Detach() {
        HIMAGELIST hImageList = m_hImageList;
        m_hImageList = nullptr;
        return hImageList;
    }
    // Answers the previous background colour.
    COLORREF SetBkColor(COLORREF color) { return ::ImageList_SetBkColor(m_hImageList, color); }

    HIMAGELIST m_hImageList = nullptr;
};
