#include "DriveComboBox.h"

#include "support/SystemLibrary.h"

#include <cstring>

// The shell's file record has the size the shell expects of each architecture.
static_assert(sizeof(SHFILEINFOA) == (sizeof(void*) == 4 ? 352 : 360), "SHFILEINFOA size");

CDriveComboBox::~CDriveComboBox() {
    if (m_pImageList) {
        m_pImageList->Detach(); // the system image list belongs to the shell
        delete m_pImageList;
    }
    delete[] m_pszDriveStrings;
}

int CDriveComboBox::FillDriveList(bool bLargeIcons, int nDriveType) {
    if (m_pszDriveStrings)
        return -1;

    const DWORD nLength = ::GetLogicalDriveStringsA(0, nullptr); // counts the final NUL
    m_pszDriveStrings = new char[nLength + 1]();
    if (::GetLogicalDriveStringsA(nLength, m_pszDriveStrings) != nLength - 1)
        return -2;

    UINT uFlags = SHGFI_SYSICONINDEX | SHGFI_DISPLAYNAME;
    if (!bLargeIcons)
        uFlags |= SHGFI_SMALLICON;

    for (char* pszRoot = m_pszDriveStrings; *pszRoot; pszRoot += std::strlen(pszRoot) + 1) {
        // The shell is asked about every drive; only drives it can describe are listed.
        SHFILEINFOA info = {};
        if (!ShellGetFileInfo(pszRoot, 0, &info, sizeof info, uFlags))
            continue;
        if (nDriveType != -1 && ::GetDriveTypeA(pszRoot) != static_cast<UINT>(nDriveType))
            continue;
        COMBOBOXEXITEMA item = {};
        item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE | CBEIF_LPARAM;
        item.iItem = -1;
        item.pszText = info.szDisplayName;
        item.cchTextMax = 0;
        item.iImage = info.iIcon;
        item.iSelectedImage = info.iIcon;
        item.lParam = reinterpret_cast<LPARAM>(pszRoot);
        InsertItem(&item);
    }

    m_pImageList = new CImageList;
    SHFILEINFOA info = {};
    UINT uListFlags = SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES;
    if (!bLargeIcons)
        uListFlags |= SHGFI_SMALLICON;
    const HIMAGELIST hSystemList = reinterpret_cast<HIMAGELIST>(
        ShellGetFileInfo(".txt", FILE_ATTRIBUTE_NORMAL, &info, sizeof info, uListFlags));
    m_pImageList->Attach(hSystemList);
    m_pImageList->SetBkColor(CLR_NONE);
    SetImageList(m_pImageList->m_hImageList); // the control's previous list is not ours to keep

    return GetCount();
}
