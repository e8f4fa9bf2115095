// CComboBoxEx: the extended combo box ("ComboBoxEx32"). Each method is one message.
#pragma once

#include "Wnd.h"

#include <commctrl.h>

class CComboBoxEx : public CWnd {
public:
    // Answers the new item's index, or -1 (CB_ERR) on failure.
    int InsertItem(const COMBOBOXEXITEMA* pItem) {
        return static_cast<int>(SendMessage(CBEM_INSERTITEMA, 0, (LPARAM)pItem));
    }
    int GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
    // -1 (CB_ERR) when nothing is selected.
    int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
    // Answers the selected index, or -1 (CB_ERR) when nIndex lies outside the list.
    int SetCurSel(int nIndex) { return static_cast<int>(SendMessage(CB_SETCURSEL, nIndex)); }
    DWORD_PTR GetItemData(int nIndex) const {
        return static_cast<DWORD_PTR>(SendMessage(CB_GETITEMDATA, nIndex));
    }
    BOOL GetItem(COMBOBOXEXITEMA* pItem) const {
        return static_cast<BOOL>(SendMessage(CBEM_GETITEMA, 0, (LPARAM)pItem));
    }
    // Gives the control an image list; answers the list it had before, which it does not own.
    HIMAGELIST SetImageList(HIMAGELIST hImageList) {
        return reinterpret_cast<HIMAGELIST>(SendMessage(CBEM_SETIMAGELIST, 0, (LPARAM)hImageList));
    }
    HIMAGELIST GetImageList() const {
        return reinterpret_cast<HIMAGELIST>(SendMessage(CBEM_GETIMAGELIST));
    }
};
