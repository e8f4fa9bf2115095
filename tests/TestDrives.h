// The drives of the test prefix (laid out by scripts/wine-env.sh).
#pragma once

#include <windows.h>

#include <string>

namespace drives {
const char kCdGood[] = "D:";         // the sample product CD
const char kCdNoMarker[] = "E:";     // a CD without the marker file, install.exe on it
const char kCdMarkerFolder[] = "F:"; // a CD whose marker is a folder
const char kCdOldMarker[] = "G:";    // a CD whose marker was written in 1975
const char kFixed[] = "C:";
const char kFixedSecond[] = "H:";
const char kFixedSmall[] = "S:"; // 128 KiB of tmpfs, only when the run had root
const char kFixedExact[] = "T:"; // exactly 713031680 bytes of tmpfs, likewise
} // namespace drives

inline bool DriveExists(const char* drive) {
    return ::GetDriveTypeA((std::string(drive) + "\\").c_str()) > DRIVE_NO_ROOT_DIR;
}
