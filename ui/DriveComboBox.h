// A drop-down list of the computer's drives of one type, each shown with the name and icon the
// shell gives it; each item's data is the drive's root text (D:\).
#pragma once

#include "framework/ComboBoxEx.h"
#include "framework/ImageList.h"

class CDriveComboBox : public CComboBoxEx {
public:
    CDriveComboBox() = default;
    ~CDriveComboBox() override;

    // Fills the list once with the drives of nDriveType (DRIVE_FIXED, DRIVE_CDROM, ...; -1 for
    // all), with the shell's large or small icons. Answers the number of items; -1 when the list
    // was filled before; -2 when the set of drives changed between the two queries.
    int FillDriveList(bool bLargeIcons, int nDriveType);

    // The drive roots, each ended by a NUL, the list by one more; the items point into it.
    char* m_pszDriveStrings = nullptr;
    // Wraps the shell's system image list, which is only borrowed.
    CImageList* m_pImageList = nullptr;
};
