// Goes through install.exe the way a user would, for the main job when no one sits at the screen:
// picks the first CD drive (or, with "last-cd", the last one) and the first fixed disk, clicks
// "Weiter >>>", and reports what it saw, the wait window's steps included.
//
//   autopilot <install.exe> <working folder> <screenshot folder> [last-cd]
//
// Writes main-dialog.bmp and wait-window.bmp (screen grabs around those windows) into the
// screenshot folder. Exits with install.exe's exit code, or 2 when something did not appear.
#include "e2e/RemoteUi.h"
#include "res/Caption.h"
#include "res/resource.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Saves the screen area of the window, with a margin, as a 24-bit BMP.
bool GrabWindow(HWND hWnd, const std::string& path) {
    RECT rect;
    if (!::GetWindowRect(hWnd, &rect))
        return false;
    ::InflateRect(&rect, 12, 12);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    HDC hScreen = ::GetDC(nullptr);
    HDC hMem = ::CreateCompatibleDC(hScreen);
    HBITMAP hBitmap = ::CreateCompatibleBitmap(hScreen, width, height);
    HGDIOBJ hOld = ::SelectObject(hMem, hBitmap);
    ::BitBlt(hMem, 0, 0, width, height, hScreen, rect.left, rect.top, SRCCOPY);
    ::SelectObject(hMem, hOld);

    BITMAPINFOHEADER info = {sizeof info, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    const DWORD stride = ((width * 3 + 3) / 4) * 4;
    std::string pixels(stride * height, '\0');
    ::GetDIBits(hMem, hBitmap, 0, height, &pixels[0], reinterpret_cast<BITMAPINFO*>(&info),
                DIB_RGB_COLORS);
    ::DeleteObject(hBitmap);
    ::DeleteDC(hMem);
    ::ReleaseDC(nullptr, hScreen);

    BITMAPFILEHEADER file = {0x4D42, DWORD(sizeof file + sizeof info + pixels.size()), 0, 0,
                             DWORD(sizeof file + sizeof info)};
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    std::fwrite(&file, sizeof file, 1, f);
    std::fwrite(&info, sizeof info, 1, f);
    std::fwrite(pixels.data(), 1, pixels.size(), f);
    return std::fclose(f) == 0;
}

void ListItems(const RemoteProgram& program, HWND hCombo, const char* what) {
    const int count = static_cast<int>(::SendMessageA(hCombo, CB_GETCOUNT, 0, 0));
    // The items live in the program's memory, which cannot be read where it runs under qemu
    // user-mode: its addresses are not the host's.
    if (std::getenv("INSTALL_WINE_QEMU")) {
        std::printf("%s: %d drives (their names cannot be read under qemu user-mode)\n", what,
                    count);
        return;
    }
    std::printf("%s:\n", what);
    for (int i = 0; i < count; ++i)
        std::printf("  %s %-4s %s\n", i == ::SendMessageA(hCombo, CB_GETCURSEL, 0, 0) ? "*" : " ",
                    program.ItemRoot(hCombo, i).c_str(), program.ItemText(hCombo, i).c_str());
}

// Prints each new line of the wait window's step until the window goes.
void FollowSteps(HWND hWait) {
    std::string last;
    while (::IsWindow(hWait)) {
        const std::string step = WindowText(::GetDlgItem(hWait, IDC_WAIT_STEP));
        // The copy's figures change often: one line for the copy is enough.
        const bool copying = step.rfind("Die CD wird kopiert", 0) == 0;
        if (!step.empty() && step != last &&
            !(copying && last.rfind("Die CD wird kopiert", 0) == 0))
            std::printf("  step: %s\n", step.c_str());
        if (!step.empty())
            last = step;
        std::fflush(stdout);
        ::Sleep(50);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: autopilot <install.exe> <working folder> <screenshot folder> "
                             "[last-cd]\n");
        return 2;
    }
    const std::string shots = argv[3];
    RemoteProgram program(argv[1], argv[2]);
    if (!program.Ok()) {
        std::printf("install.exe did not start (error %lu)\n", program.StartError());
        return 2;
    }
    HWND hDlg = program.WaitForDialog(kPatchCaption);
    if (!hDlg) {
        std::printf("the main dialog did not appear\n");
        return 2;
    }
    std::printf("main dialog \"%s\" is up\n", WindowText(hDlg).c_str());
    ::Sleep(500); // let it paint
    if (argc > 4 && std::strcmp(argv[4], "last-cd") == 0)
        ChooseLastDrive(::GetDlgItem(hDlg, IDC_CD_DRIVE));
    ListItems(program, ::GetDlgItem(hDlg, IDC_CD_DRIVE), "CD drives");
    ListItems(program, ::GetDlgItem(hDlg, IDC_TEMP_DRIVE), "fixed disks");
    if (GrabWindow(hDlg, shots + "\\main-dialog.bmp"))
        std::printf("screenshot: main-dialog\n");

    std::printf("clicking \"Weiter >>>\"\n");
    std::fflush(stdout);
    Click(::GetDlgItem(hDlg, IDC_NEXT));
    if (HWND hWait = program.WaitForDialog(kWaitCaption, 10000)) {
        std::printf("wait window \"%s\": %s\n", WindowText(hWait).c_str(),
                    WindowText(::GetWindow(hWait, GW_CHILD)).c_str());
        ::Sleep(1200); // well into the copy, or the setup
        if (GrabWindow(hWait, shots + "\\wait-window.bmp"))
            std::printf("screenshot: wait-window\n");
        FollowSteps(hWait);
    } else if (HWND hBox = program.WaitForMessageBox(kPatchCaption, 2000)) {
        std::printf("message: %s\n", WindowText(::GetDlgItem(hBox, 0xFFFF)).c_str());
        GrabWindow(hBox, shots + "\\message.bmp");
        Click(::GetDlgItem(hBox, IDOK));
        ::PostMessageA(hDlg, WM_CLOSE, 0, 0);
    }
    std::fflush(stdout);
    const DWORD code = program.WaitForExit(300000);
    if (code == STILL_ACTIVE) {
        std::printf("install.exe did not end within five minutes\n");
        return 2;
    }
    std::printf("install.exe ended with exit code %lu\n", code);
    return static_cast<int>(code);
}
