// Builds a sample product CD in a folder: the CD's top-level entries, the marker file, and in
// Disk1 our setup stub and a few compiled setup scripts of the CD's own.
//
//   make_sample_cd <folder> <stub setup.exe> <marker icon> [variant]
//   make_sample_cd --list          prints the top-level names, one a line
//
// Variants: good (default); no-marker (the marker file is missing); marker-folder (a folder
// stands in the marker's place); old-marker (the marker was last written in 1975).
#include "patch/CdContents.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

bool WriteText(const std::string& path, const std::string& text) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

bool SetYear(const std::string& path, WORD year) {
    HANDLE h =
        ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    SYSTEMTIME st = {};
    st.wYear = year;
    st.wMonth = 6;
    st.wDay = 15;
    st.wHour = 12;
    FILETIME ft;
    const bool ok = ::SystemTimeToFileTime(&st, &ft) && ::SetFileTime(h, nullptr, nullptr, &ft);
    ::CloseHandle(h);
    return ok;
}

int Fail(const std::string& what) {
    std::fprintf(stderr, "make_sample_cd: %s (error %lu)\n", what.c_str(), ::GetLastError());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--list") == 0) {
        for (const CdEntry& entry : kCdEntries)
            std::printf("%s\n", entry.name);
        return 0;
    }
    if (argc < 4)
        return Fail("usage: make_sample_cd <folder> <stub setup.exe> <marker icon> [variant]");
    const std::string root = std::string(argv[1]) + "\\";
    const std::string variant = argc > 4 ? argv[4] : "good";
    ::CreateDirectoryA(argv[1], nullptr);

    for (const CdEntry& entry : kCdEntries) {
        const std::string path = root + entry.name;
        const bool isMarker = std::strcmp(entry.name, kCdMarkerName) == 0;
        if (isMarker && variant == "no-marker")
            continue;
        if (entry.isFolder || (isMarker && variant == "marker-folder")) {
            if (!::CreateDirectoryA(path.c_str(), nullptr) &&
                ::GetLastError() != ERROR_ALREADY_EXISTS)
                return Fail("cannot create " + path);
            if (!WriteText(path + "\\inhalt.txt", std::string("Ordner ") + entry.name + "\r\n"))
                return Fail("cannot write into " + path);
            continue;
        }
        if (isMarker) {
            if (!::CopyFileA(argv[3], path.c_str(), FALSE))
                return Fail("cannot copy the marker to " + path);
            if (variant == "old-marker" && !SetYear(path, 1975))
                return Fail("cannot date " + path);
            continue;
        }
        if (!WriteText(path, std::string("NebuLark 5: ") + entry.name + "\r\n"))
            return Fail("cannot write " + path);
    }

    const std::string disk1 = root + kCdSetupFolder + "\\";
    if (!::CopyFileA(argv[2], (disk1 + "setup.exe").c_str(), FALSE))
        return Fail("cannot copy the setup stub");
    const char* const scripts[] = {"setup.inx", "lang0007.inx", "update.inx"};
    for (const char* name : scripts) {
        if (!WriteText(disk1 + name, std::string("aLuZ CD's own script ") + name))
            return Fail(std::string("cannot write ") + name);
    }
    if (!WriteText(disk1 + "data1.cab", std::string(4096, 'N')))
        return Fail("cannot write data1.cab");
    // A deeper folder, so the copy and the clean-up have a tree to walk.
    ::CreateDirectoryA((root + "Docs\\Deutsch").c_str(), nullptr);
    if (!WriteText(root + "Docs\\Deutsch\\Handbuch.txt", "Handbuch\r\n"))
        return Fail("cannot write Docs\\Deutsch");
    return 0;
}
