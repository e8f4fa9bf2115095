// The tests' own time limits (waiting for a window, a process, a file). Where every process is
// slower, as 32-bit Wine is under qemu user-mode, the scripts set INSTALL_TEST_TIME_SCALE and
// every limit stretches by that one factor, so that no test fails on speed alone.
#pragma once

#include <windows.h>

#include <cstdlib>

inline DWORD ScaledMs(DWORD ms) {
    char value[8] = {};
    const DWORD n = ::GetEnvironmentVariableA("INSTALL_TEST_TIME_SCALE", value, sizeof value);
    const int scale = (n > 0 && n < sizeof value) ? std::atoi(value) : 1;
    return (ms == INFINITE || scale <= 1) ? ms : ms * static_cast<DWORD>(scale);
}

// The setup stub's sleep (STUB_SLEEP_MS), stretched like every other time of the tests: tests
// look at the run while it sleeps.
inline void SetStubSleepMs(DWORD ms) {
    char text[16];
    ::wsprintfA(text, "%lu", ScaledMs(ms));
    ::SetEnvironmentVariableA("STUB_SLEEP_MS", text);
}
