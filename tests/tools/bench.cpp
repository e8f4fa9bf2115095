// Measurements for scripts/bench.sh.
//
//   bench startup <exe> <caption> <runs>   start-up to a visible dialog, in milliseconds
//   bench run <install.exe>                a whole patch run: "Weiter >>>" to the program's end
//   bench batch <temp.bat>                 the same batch file run directly, hidden
//   bench walk <cd root>                   the space check's walk of a whole CD
//
// Each prints one line per measurement: "<what> <milliseconds>".
#include "e2e/RemoteUi.h"
#include "patch/BatchProcess.h"
#include "patch/FreeSpace.h"
#include "res/Caption.h"
#include "res/resource.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

double Now() {
    static LARGE_INTEGER frequency = {};
    if (!frequency.QuadPart)
        ::QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::string FolderOf(const std::string& path) {
    return path.substr(0, path.find_last_of('\\'));
}

int Startup(const char* exe, const char* caption, int runs) {
    for (int i = 0; i < runs; ++i) {
        const double start = Now();
        RemoteProgram program(exe, FolderOf(exe));
        HWND hDlg = program.WaitForDialog(caption, 30000);
        const double visible = Now();
        if (!hDlg) {
            std::printf("startup failed\n");
            return 1;
        }
        std::printf("startup %.1f\n", visible - start);
        ::PostMessageA(hDlg, WM_CLOSE, 0, 0);
        program.WaitForExit(10000);
    }
    return 0;
}

int Run(const char* exe) {
    RemoteProgram program(exe, FolderOf(exe));
    HWND hDlg = program.WaitForDialog(kPatchCaption, 30000);
    if (!hDlg)
        return 1;
    const double start = Now();
    Click(::GetDlgItem(hDlg, IDC_NEXT));
    if (program.WaitForExit(600000) != 0)
        return 1;
    std::printf("run %.1f\n", Now() - start);
    return 0;
}

int Batch(const char* batch) {
    const double start = Now();
    CBatchProcess process;
    if (!StartBatchFile(batch, process))
        return 1;
    while (process.Process().Wait(20) == WAIT_TIMEOUT) {
        process.ReadOutput();
        if (process.IsAtHold())
            process.Release();
    }
    std::printf("batch %.1f\n", Now() - start);
    return 0;
}

int Walk(const char* cdRoot) {
    const double start = Now();
    ULONGLONG bytes = 0, copied = 0;
    if (!MeasureCdCopy(cdRoot, 4096, bytes, copied))
        return 1;
    std::printf("walk %.1f\n", Now() - start);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "startup") == 0)
        return Startup(argv[2], argv[3], std::atoi(argv[4]));
    if (argc == 3 && std::strcmp(argv[1], "run") == 0)
        return Run(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "batch") == 0)
        return Batch(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "walk") == 0)
        return Walk(argv[2]);
    std::fprintf(stderr, "usage: bench startup <exe> <caption> <runs> | run <install.exe> | "
                         "batch <temp.bat> | walk <cd root>\n");
    return 2;
}
