// Stands in for the product's Disk1\setup.exe on the sample CD. It records how it was started and
// which compiled setup scripts (*.inx) lie beside it, so the tests can tell what the batch file
// did. The record goes to the file named by STUB_RECORD (C:\stub-record.txt when unset), one
// "key=value" line each:
//   cmdline=<the command line>      cwd=<the working folder>      exe=<its own path>
//   inx=<name> <size> <FNV-1a 64 of the bytes, hex>     (one line per *.inx)
// With STUB_SLEEP_MS set it waits that long before it ends.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

unsigned long long HashFile(const std::string& path, unsigned long long& size) {
    unsigned long long hash = 14695981039346656037ull;
    size = 0;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return 0;
    int ch;
    while ((ch = std::fgetc(f)) != EOF) {
        hash = (hash ^ static_cast<unsigned char>(ch)) * 1099511628211ull;
        ++size;
    }
    std::fclose(f);
    return hash;
}

} // namespace

int main() {
    char buffer[MAX_PATH];
    const char* recordPath = std::getenv("STUB_RECORD");
    FILE* out = std::fopen(recordPath && *recordPath ? recordPath : "C:\\stub-record.txt", "w");
    if (!out)
        return 2;
    std::fprintf(out, "cmdline=%s\n", ::GetCommandLineA());
    ::GetCurrentDirectoryA(MAX_PATH, buffer);
    std::fprintf(out, "cwd=%s\n", buffer);
    ::GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    std::fprintf(out, "exe=%s\n", buffer);

    std::string folder(buffer);
    folder.erase(folder.find_last_of('\\') + 1);
    WIN32_FIND_DATAA found;
    HANDLE hFind = ::FindFirstFileA((folder + "*.inx").c_str(), &found);
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            unsigned long long size = 0;
            const unsigned long long hash = HashFile(folder + found.cFileName, size);
            std::fprintf(out, "inx=%s %llu %016llx\n", found.cFileName, size, hash);
        } while (::FindNextFileA(hFind, &found));
        ::FindClose(hFind);
    }
    std::fclose(out);

    if (const char* sleepMs = std::getenv("STUB_SLEEP_MS")) {
        ::Sleep(static_cast<DWORD>(std::atoi(sleepMs)));
        // Only a stub that was not ended says so.
        if (FILE* end =
                std::fopen(recordPath && *recordPath ? recordPath : "C:\\stub-record.txt", "a")) {
            std::fprintf(end, "ended=slept\n");
            std::fclose(end);
        }
    }
    return 0;
}
