#include "ResString.h"

#include "Module.h"

CString LoadResString(unsigned nID) {
    char buffer[4095];
    const int length = ::LoadStringA(AfxGetResourceHandle(), nID, buffer, sizeof buffer);
    if (length <= 0)
        return CString();
    return CString(buffer, length);
}
