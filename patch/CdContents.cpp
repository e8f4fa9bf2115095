#include "CdContents.h"

#include "support/PathBasics.h"

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

bool IsProductCdIn(const CString& cdDrive) {
    if (::GetDriveTypeA(cdDrive + "\\") != DRIVE_CDROM)
        return false;
    return GetFileDosDateTime(cdDrive + "\\" + kCdMarkerName) != -1;
}
