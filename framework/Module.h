// The program's own module: where its resources and its file name come from.
#pragma once

#include <windows.h>

// The executable's instance handle; resources are searched in it as well.
inline HINSTANCE AfxGetInstanceHandle() {
    return ::GetModuleHandleA(nullptr);
}
inline HINSTANCE AfxGetResourceHandle() {
    return AfxGetInstanceHandle();
}
