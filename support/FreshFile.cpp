#include "FreshFile.h"

#include "framework/DynCalls.h"

namespace {

// ntdll's file information, the same on every Windows from XP on, declared here since the
// headers of the SDK do not carry it for applications.
struct IoStatusBlock {
    union {
        LONG status;
        PVOID pointer;
    };
    ULONG_PTR information;
};
struct BasicInformation {
    LARGE_INTEGER creationTime, lastAccessTime, lastWriteTime, changeTime; // 0: unchanged
    ULONG attributes;                                                      // 0: unchanged
};
struct DispositionInformation {
    BOOLEAN deleteFile;
};
const int kFileBasicInformation = 4;
const int kFileDispositionInformation = 13;

bool SetInformation(HANDLE hEntry, void* pInformation, ULONG size, int informationClass) {
    const auto setInformationFile = Dyn().NtSetInformationFile;
    IoStatusBlock status = {};
    return setInformationFile &&
           setInformationFile(hEntry, &status, pInformation, size, informationClass) >= 0;
}

} // namespace

bool DeleteThroughHandle(HANDLE hEntry, DWORD attributes) {
    // A read-only entry refuses deletion. Zero times leave the times as they are, and attributes
    // of 0 would mean "unchanged" too: FILE_ATTRIBUTE_NORMAL stands for none.
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        BasicInformation basic = {};
        basic.attributes = attributes & ~FILE_ATTRIBUTE_READONLY;
        if (basic.attributes == 0)
            basic.attributes = FILE_ATTRIBUTE_NORMAL;
        if (!SetInformation(hEntry, &basic, sizeof basic, kFileBasicInformation))
            return false;
    }
    DispositionInformation disposition = {TRUE};
    return SetInformation(hEntry, &disposition, sizeof disposition, kFileDispositionInformation);
}

bool WriteNewFile(const CString& path, const std::string& bytes, SECURITY_ATTRIBUTES* security) {
    // The program's own file name beside itself, which it writes anew on every run: whatever has
    // the name (an earlier run's file) is replaced, as writing over it would; a link goes as a
    // link, never what it points to. By name on purpose, also where the program lies at a disk's
    // root: this name is the program's own to write, and DeleteFileA takes no folder.
    ::DeleteFileA(path);
    CHandle file(::CreateFileA(path, GENERIC_WRITE | DELETE, 0, security, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return false;
    const DWORD count = static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    const bool bWritten =
        count == 0 ||
        (::WriteFile(file, bytes.data(), count, &written, nullptr) && written == count);
    // A write that the system reports only when it flushes counts too.
    if (bWritten && ::FlushFileBuffers(file))
        return file.Close();
    // A half-written file must not be taken for a good one: it goes through the handle that made
    // it, so nothing else of its name can.
    DeleteThroughHandle(file, FILE_ATTRIBUTE_NORMAL);
    return false;
}

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
    // What is there now is not what was written, and so not provably the program's: it stays.
    // The run stops, and the next one replaces it.
    Release();
    return false;
}

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
