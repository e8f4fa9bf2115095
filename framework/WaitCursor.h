// CWaitCursor: the wait cursor for as long as the object lives, then the cursor there was before.
#pragma once

#include <windows.h>

class CWaitCursor {
public:
    CWaitCursor() : m_hOldCursor(::SetCursor(::LoadCursorA(nullptr, IDC_WAIT))) {}
    ~CWaitCursor() { ::SetCursor(m_hOldCursor); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    HCURSOR m_hOldCursor;
};
