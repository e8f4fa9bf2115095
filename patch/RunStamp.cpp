#include "RunStamp.h"

#include "CdContents.h"
#include "support/FreshFile.h"

#include <cstdlib>

const char kRunStampName[] = "NebuLark5-Patch.stamp";

namespace {

const char kEntryKey[] = "Entry=";
// A stamp lists 21 entries at the most: anything longer is not the program's.
const DWORD kMaxStampBytes = 16384;

CString RunStampPath(const CString& drive) {
    return drive + "\\" + kRunStampName;
}

bool IsRecorded(const std::vector<StampRecord>& records, const CString& name) {
    for (const StampRecord& record : records)
        if (record.name == name)
            return true;
    return false;
}

// Rights over the stamp that nobody outside the trusted accounts may have: changing its records,
// its attributes, the stamp itself or who may.
const ACCESS_MASK kChangesStamp = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_ATTRIBUTES |
                                  FILE_WRITE_EA | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                  GENERIC_ALL;

} // namespace

bool HasRunStamp(const CString& drive) {
    return !IsGone(RunStampPath(drive));
}

std::string FormatStamp(const std::string& header, const std::vector<StampRecord>& records) {
    std::string text = header;
    for (const StampRecord& record : records) {
        // The index as 16 hex digits, in two halves: wsprintf knows no 64-bit values.
        char line[64];
        ::wsprintfA(line, "%s%08lX %08lX%08lX ", kEntryKey,
                    static_cast<unsigned long>(record.id.volume),
                    static_cast<unsigned long>(record.id.index >> 32),
                    static_cast<unsigned long>(record.id.index & 0xFFFFFFFF));
        text += line;
        text += record.name.str();
        text += "\r\n";
    }
    return text;
}

bool ParseStamp(const std::string& text, std::string& header, std::vector<StampRecord>& records) {
    header.clear();
    records.clear();
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end + 1;
        const std::string line = text.substr(at, end - at);
        at = end;
        if (line.compare(0, sizeof kEntryKey - 1, kEntryKey) != 0) {
            header += line;
            continue;
        }
        const char* fields = line.c_str() + sizeof kEntryKey - 1;
        char* pEnd = nullptr;
        StampRecord record;
        record.id.volume = static_cast<DWORD>(std::strtoul(fields, &pEnd, 16));
        record.id.index = std::strtoull(pEnd, &pEnd, 16);
        if (*pEnd++ != ' ')
            return false;
        std::string name(pEnd);
        while (!name.empty() && (name.back() == '\n' || name.back() == '\r'))
            name.pop_back();
        record.name = CString(name);
        // Only the CD's names, as the program writes them, each once: a record of any other
        // name (empty, with a separator, a user's folder) is no record of the program's.
        if (!IsCdEntryName(record.name) || IsRecorded(records, record.name))
            return false;
        records.push_back(record);
    }
    return true;
}

bool CRunStamp::Create(const PatchSystem& system, const CString& drive, const CString& cdDrive,
                       SECURITY_ATTRIBUTES* security) {
    m_records.clear();
    m_path = RunStampPath(drive);
    m_file.Attach(system.CreateEntry(m_path, false, security));
    if (!IsHeld())
        return false;
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    char header[64];
    // The drive is two characters (D:); wsprintf knows no buffer size.
    ::wsprintfA(header, "CD=%.2s\r\nTime=%04u-%02u-%02u %02u:%02u:%02u\r\n",
                static_cast<const char*>(cdDrive), now.wYear, now.wMonth, now.wDay, now.wHour,
                now.wMinute, now.wSecond);
    m_header = header;
    if (Write())
        return true;
    const DWORD error = ::GetLastError();
    Delete();
    ::SetLastError(error);
    return false;
}

bool CRunStamp::TakeOver(const PatchSystem& system, const CTrustedOwners& trusted,
                         const CString& drive) {
    m_records.clear();
    m_path = RunStampPath(drive);
    // Opened, not created: the system's CreateEntry only makes entries new. Shared only for
    // reading, like a stamp the program creates.
    m_file.Attach(::CreateFileA(
        m_path, GENERIC_READ | GENERIC_WRITE | DELETE | READ_CONTROL, FILE_SHARE_READ, nullptr,
        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    std::string text;
    // Only a stamp that proves itself is believed. A folder, a link or any other reparse point of
    // that name is not one: the program writes a plain file. On a volume without ACLs nothing
    // proves who wrote it (and FAT takes file indexes from places in the folder, which a new
    // entry may get again): no stamp there is the program's. Elsewhere its owner must be trusted
    // and nobody else may change it, and every record must be one the program writes.
    bool bKeepsAcls = false;
    if (!IsHeld() || !::GetFileInformationByHandle(m_file, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
        !ReadKeepsAcls(system, drive, bKeepsAcls) || !bKeepsAcls ||
        !HasTrustedOwner(system, trusted, drive, m_file) ||
        !trusted.OnlyTheyMayChange(m_file, kChangesStamp) ||
        !ReadAll(m_file, kMaxStampBytes + 1, text) || text.size() > kMaxStampBytes ||
        !ParseStamp(text, m_header, m_records)) {
        m_file.Close();
        m_records.clear();
        return false;
    }
    return true;
}

bool CRunStamp::Holds(const CString& name, const EntryId& id) const {
    for (const StampRecord& record : m_records)
        if (record.name == name && record.id == id)
            return true;
    return false;
}

bool CRunStamp::Add(const CString& name, const EntryId& id) {
    m_records.push_back({name, id});
    return Write();
}

bool CRunStamp::Drop(const CString& name) {
    std::vector<StampRecord> kept;
    for (const StampRecord& record : m_records)
        if (!(record.name == name))
            kept.push_back(record);
    return Keep(kept);
}

bool CRunStamp::Keep(const std::vector<StampRecord>& records) {
    m_records = records;
    return Write();
}

bool CRunStamp::Write() {
    // In place: from the start, then cut to what was written, and through to the disk.
    const std::string text = FormatStamp(m_header, m_records);
    DWORD written = 0;
    return IsHeld() && ::SetFilePointer(m_file, 0, nullptr, FILE_BEGIN) == 0 &&
           ::WriteFile(m_file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size() && ::SetEndOfFile(m_file) && ::FlushFileBuffers(m_file);
}

bool CRunStamp::Delete() {
    if (!IsHeld())
        return IsGone(m_path);
    if (!DeleteThroughHandle(m_file, FILE_ATTRIBUTE_NORMAL))
        return false;
    m_file.Close();
    m_records.clear();
    return IsGone(m_path);
}
