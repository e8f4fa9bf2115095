// CHandle: owns one kernel handle (process, thread, mutex, file, token, job, completion port) and
// closes it when it goes, as 7-Zip's CHandle does. Handles that stand for "none" differ by kind:
// CreateFile answers INVALID_HANDLE_VALUE, most others null; both count as no handle here.
#pragma once

#include <windows.h>

class CHandle {
public:
    CHandle() = default;
    explicit CHandle(HANDLE handle) : m_handle(handle) {}
    ~CHandle() { Close(); }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;

    bool IsValid() const { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_handle; }
    operator HANDLE() const { return m_handle; }

    // Closes the handle held, if any, and takes handle in its place.
    void Attach(HANDLE handle) {
        Close();
        m_handle = handle;
    }
    // Gives the handle up without closing it.
    HANDLE Detach() {
        HANDLE handle = m_handle;
        m_handle = nullptr;
        return handle;
    }
    // Answers whether the system closed it; true when there was nothing to close.
    bool Close() {
        if (!IsValid()) {
            m_handle = nullptr;
            return true;
        }
        const bool closed = ::CloseHandle(m_handle) != FALSE;
        m_handle = nullptr;
        return closed;
    }

private:
    HANDLE m_handle = nullptr;
};
