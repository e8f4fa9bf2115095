#include "CdContents.h"

#include "support/CodePages.h"
#include "support/PathBasics.h"
#include "support/WidePath.h"

#include <windows.h>

const char kCdMarkerName[] = "Nebulark5.ico";
const char kCdSetupFolder[] = "Disk1";
const char kCdSetupPath[] = "Disk1\\setup.exe";

// In the order the CD's index lists them; the batch file sorts them itself.
const CdEntry kCdEntries[kCdEntryCount] = {
    {"Disk1", true},           {"Docs", true},
    {"DirectX", true},         {"Extras", true},
    {"Fonts", true},           {"Redist", true},
    {"Tools", true},           {"movies", true},
    {"AUTORUN.INF", false},    {"Autorun.exe", false},
    {"Bestellung.txt", false}, {"Handbuch.pdf", false},
    {"Liesmich.txt", false},   {"Lizenz.rtf", false},
    {"Nebulark5.ico", false},  {"Readme.txt", false},
    {"Support.url", false},    {"Version.txt", false},
    {"autorun.dat", false},    {"nebulark.cfg", false},
    {"update.txt", false},
};

bool IsCdEntryName(const CString& name) {
    for (const CdEntry& entry : kCdEntries)
        if (name == entry.name)
            return true;
    return false;
}

bool IsProductCdIn(const CString& cdDrive) {
    if (::GetDriveTypeA(cdDrive + "\\") != DRIVE_CDROM)
        return false;
    return GetFileDosDateTime(cdDrive + "\\" + kCdMarkerName) != -1;
}

namespace {

wchar_t UpperAscii(wchar_t ch) {
    return ch >= L'a' && ch <= L'z' ? static_cast<wchar_t>(ch - L'a' + L'A') : ch;
}

// The product's names are ASCII, and Windows compares names without regard to case. A name with
// any other character is none of them, whatever the system would make of its case: refused, the
// safe side.
bool IsProductName(const wchar_t* pszName) {
    for (const CdEntry& entry : kCdEntries) {
        const char* a = entry.name;
        const wchar_t* b = pszName;
        while (*a && UpperAscii(static_cast<unsigned char>(*a)) == UpperAscii(*b))
            ++a, ++b;
        if (*a == '\0' && *b == L'\0')
            return true;
    }
    return false;
}

} // namespace

CdRootCheck CheckCdRoot(const CString& cdDrive, CString& foreign) {
    CdRootCheck result = CdRootCheck::OnlyProductNames;
    const bool bRead = ForEachEntry(CWidePath(cdDrive + "\\"), [&](const WIN32_FIND_DATAW& found) {
        if (result == CdRootCheck::OnlyProductNames && !IsProductName(found.cFileName)) {
            result = CdRootCheck::ForeignEntry;
            foreign = WideToAnsiForDisplay(found.cFileName);
        }
    });
    return result == CdRootCheck::OnlyProductNames && !bRead ? CdRootCheck::Unreadable : result;
}
