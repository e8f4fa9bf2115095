// Stands in for the product's Disk1\setup.exe on the sample CD. It records how it was started and
// which compiled setup scripts (*.inx) lie beside it, so the tests can tell what the batch file
// did. The record goes to the file named by STUB_RECORD (C:\stub-record.txt when unset), one
// "key=value" line each:
//   cmdline=<the command line>      cwd=<the working folder>      exe=<its own path>
//   inx=<name> <size> <FNV-1a 64 of the bytes, hex>     (one line per *.inx)
// With STUB_SLEEP_MS set it waits that long before it ends.
//
// With STUB_HANDOFF_MS set it hands its work on, as setups that copy themselves to the temporary
// folder do: it lists the files of its own folder, copies itself into %TEMP%, starts that copy
// and ends at once. The copy waits STUB_HANDOFF_MS, then reads every listed file and records
// "handoff=<name> <size> whole" (or "missing", "short"); with STUB_SLEEPER_MS set it starts one
// more copy of itself, outside the copy of the CD, that sleeps that long and records
// "sleeper=ended"; then it records "handoff=ended" and ends.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
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

const char* RecordPath() {
    const char* recordPath = std::getenv("STUB_RECORD");
    return recordPath && *recordPath ? recordPath : "C:\\stub-record.txt";
}

void Record(const std::string& line) {
    if (FILE* f = std::fopen(RecordPath(), "a")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

bool StartSelf(const std::string& exe, const std::string& arguments) {
    std::string commandLine = "\"" + exe + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &process))
        return false;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return true;
}

std::string TempCopyPath() {
    char folder[MAX_PATH];
    ::GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + "nebulark-handoff.exe";
}

// The copy in the temporary folder: reads the listed files of the setup's folder once the
// setup has ended.
int HandedOff(std::string folder) {
    folder += '\\';
    ::Sleep(static_cast<DWORD>(std::atoi(std::getenv("STUB_HANDOFF_MS"))));
    FILE* list = std::fopen((TempCopyPath() + ".lst").c_str(), "r");
    char name[MAX_PATH];
    unsigned long long listed = 0;
    while (list && std::fscanf(list, "%259[^|]|%llu\n", name, &listed) == 2) {
        unsigned long long size = 0;
        HashFile(folder + name, size);
        const DWORD attributes = ::GetFileAttributesA((folder + name).c_str());
        Record(std::string("handoff=") + name + " " + std::to_string(listed) +
               (attributes == INVALID_FILE_ATTRIBUTES ? " missing"
                : size == listed                      ? " whole"
                                                      : " short"));
    }
    if (list)
        std::fclose(list);
    if (std::getenv("STUB_SLEEPER_MS"))
        StartSelf(TempCopyPath(), "--sleeper");
    Record("handoff=ended");
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--handed-off") == 0)
        return HandedOff(argv[2]);
    if (argc == 2 && std::strcmp(argv[1], "--sleeper") == 0) {
        ::Sleep(static_cast<DWORD>(std::atoi(std::getenv("STUB_SLEEPER_MS"))));
        Record("sleeper=ended");
        return 0;
    }
    char buffer[MAX_PATH];
    FILE* out = std::fopen(RecordPath(), "w");
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

    if (std::getenv("STUB_HANDOFF_MS")) {
        FILE* list = std::fopen((TempCopyPath() + ".lst").c_str(), "w");
        hFind = ::FindFirstFileA((folder + "*").c_str(), &found);
        if (list && hFind != INVALID_HANDLE_VALUE) {
            do {
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    std::fprintf(list, "%s|%lu\n", found.cFileName, found.nFileSizeLow);
            } while (::FindNextFileA(hFind, &found));
            ::FindClose(hFind);
        }
        if (list)
            std::fclose(list);
        ::GetModuleFileNameA(nullptr, buffer, MAX_PATH);
        const bool bCopied = ::CopyFileA(buffer, TempCopyPath().c_str(), FALSE) != FALSE;
        return bCopied && StartSelf(TempCopyPath(),
                                    "--handed-off \"" + folder.substr(0, folder.size() - 1) + "\"")
                   ? 0
                   : 4;
    }

    if (const char* sleepMs = std::getenv("STUB_SLEEP_MS")) {
        ::Sleep(static_cast<DWORD>(std::atoi(sleepMs)));
        // Only a stub that was not ended says so.
        Record("ended=slept");
    }
    return 0;
}
