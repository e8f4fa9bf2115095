#include "FreshFile.h"

bool WriteNewFile(const CString& path, const std::string& bytes, SECURITY_ATTRIBUTES* security) {
    // Deleting a link removes the link, never what it points to.
    ::DeleteFileA(path);
    CHandle file(::CreateFileA(path, GENERIC_WRITE, 0, security, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                               nullptr));
    if (!file.IsValid())
        return false;
    const DWORD count = static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    const bool bWritten =
        count == 0 ||
        (::WriteFile(file, bytes.data(), count, &written, nullptr) && written == count);
    // A write that the system only reports when it flushes at the close counts too.
    const bool bClosed = file.Close();
    if (bWritten && bClosed)
        return true;
    // A half-written file must not be taken for a good one.
    ::DeleteFileA(path);
    return false;
}

namespace {

// The whole content of an open file, up to limit bytes.
bool ReadAll(HANDLE hFile, size_t limit, std::string& bytes) {
    bytes.assign(limit, '\0');
    size_t total = 0;
    while (total < limit) {
        DWORD read = 0;
        if (!::ReadFile(hFile, &bytes[total], static_cast<DWORD>(limit - total), &read, nullptr))
            return false;
        if (read == 0)
            break;
        total += read;
    }
    bytes.resize(total);
    return true;
}

} // namespace

bool CHeldFile::Write(const CString& path, const std::string& bytes) {
    Release();
    if (!WriteNewFile(path, bytes, nullptr))
        return false;
    // Read sharing only: the command interpreter and xcopy may read it, nobody may write or
    // delete it. Between the close and this open another process could have swapped it: the
    // content read through this very handle must be what was written.
    m_hFile.Attach(::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string held;
    if (IsHeld() && ReadAll(m_hFile, bytes.size() + 1, held) && held == bytes)
        return true;
    Release();
    ::DeleteFileA(path);
    return false;
}
