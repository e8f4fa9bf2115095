// The drives of the test prefix (laid out by scripts/wine-env.sh).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace drives {
const char kCdGood[] = "D:";         // the sample product CD
const char kCdNoMarker[] = "E:";     // a CD without the marker file, install.exe on it
const char kCdMarkerFolder[] = "F:"; // a CD whose marker is a folder
const char kCdOldMarker[] = "G:";    // a CD whose marker was written in 1975
const char kFixed[] = "C:";
const char kFixedSecond[] = "H:";
const char kFixedShared[] = "W:"; // a root every user may rename and delete in (mode 0777)
const char kFixedSmall[] = "S:";  // 128 KiB of tmpfs, only when the run had root
const char kFixedExact[] = "T:";  // exactly 713031680 bytes of tmpfs, likewise
const char kCdSlow[] = "K:";      // the sample CD with 24 MiB more, read at 6 MiB/s (FUSE, as root)
} // namespace drives

inline bool DriveExists(const char* drive) {
    return ::GetDriveTypeA((std::string(drive) + "\\").c_str()) > DRIVE_NO_ROOT_DIR;
}

// The roots of the prefix's CD-ROM drives, in drive order (K: only where it could be mounted).
inline std::vector<std::string> CdRoots() {
    std::vector<std::string> roots = {"D:\\", "E:\\", "F:\\", "G:\\"};
    if (DriveExists(drives::kCdSlow))
        roots.push_back(std::string(drives::kCdSlow) + "\\");
    return roots;
}
