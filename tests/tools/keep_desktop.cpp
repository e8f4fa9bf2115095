// Keeps Wine's desktop process alive for a whole test run: without a window of its own it exits
// about a second after the last window closes, and the next test starts it again with its pipes.
#include <windows.h>

int main(int argc, char** argv) {
    ::GetDesktopWindow();
    const DWORD seconds = argc > 1 ? static_cast<DWORD>(atoi(argv[1])) : 3600;
    ::Sleep(seconds * 1000);
    return 0;
}
