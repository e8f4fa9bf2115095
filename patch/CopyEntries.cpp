#include "CopyEntries.h"

#include "CdContents.h"
#include "OwnEntry.h"
#include "support/AdminSecurity.h"

namespace {

// An entry is the program's when the stamp records it with this identity and a trusted account
// owns it.
class CRecordedEntry : public CEntryJudge {
public:
    CRecordedEntry(const PatchSystem& system, const CTrustedOwners& trusted, const CString& drive,
                   const CRunStamp& stamp, const CString& name)
        : m_system(system), m_trusted(trusted), m_drive(drive), m_stamp(stamp), m_name(name) {}
    bool IsOwn(HANDLE hEntry, const BY_HANDLE_FILE_INFORMATION& info) const override {
        return m_stamp.Holds(m_name, IdOf(info)) &&
               HasTrustedOwner(m_system, m_trusted, m_drive, hEntry);
    }

private:
    const PatchSystem& m_system;
    const CTrustedOwners& m_trusted;
    const CString& m_drive;
    const CRunStamp& m_stamp;
    CString m_name;
};

// Whether a creation failed because something of the name was there first.
bool WasMadeFirst(DWORD error) {
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
}

} // namespace

const char* FindCdEntryOnDrive(const CString& drive) {
    for (const CdEntry& entry : kCdEntries)
        if (!IsGone(drive + "\\" + entry.name))
            return entry.name;
    return nullptr;
}

bool CCopyEntries::TakeOverEarlierRun() {
    if (!HasRunStamp(m_drive) || !m_stamp.TakeOver(m_system, m_trusted, m_drive))
        return false;
    if (m_stamp.Records().empty()) {
        if (!FindCdEntryOnDrive(m_drive))
            m_stamp.Delete();
        return false;
    }
    Prune();
    return m_stamp.IsHeld();
}

CopyEntriesResult CCopyEntries::Create(const CString& cdDrive, const char*& existing) {
    existing = nullptr;
    // Where the volume keeps ACLs, nothing is made open to every user instead.
    bool bKeepsAcls = false;
    CAdminOnlySecurity security;
    if (!ReadKeepsAcls(m_system, m_drive, bKeepsAcls) || (bKeepsAcls && !security.IsValid()))
        return CopyEntriesResult::CannotCreate;
    SECURITY_ATTRIBUTES* attributes = bKeepsAcls ? security.Attributes() : nullptr;
    if (!m_stamp.Create(m_system, m_drive, cdDrive, attributes)) {
        if (WasMadeFirst(::GetLastError())) {
            existing = kRunStampName;
            return CopyEntriesResult::EntryExists;
        }
        return CopyEntriesResult::CannotCreate;
    }
    for (const CdEntry& entry : kCdEntries) {
        CHandle made(m_system.CreateEntry(PathOf(entry.name), entry.isFolder, attributes));
        BY_HANDLE_FILE_INFORMATION info;
        if (made.IsValid() && ::GetFileInformationByHandle(made, &info) &&
            m_stamp.Add(entry.name, IdOf(info)))
            continue;
        const DWORD error = made.IsValid() ? ERROR_WRITE_FAULT : ::GetLastError();
        made.Close();
        RemoveRecorded();
        // Someone made it since the data-loss guard looked: it is not the program's.
        if (WasMadeFirst(error)) {
            existing = entry.name;
            return CopyEntriesResult::EntryExists;
        }
        return CopyEntriesResult::CannotCreate;
    }
    return CopyEntriesResult::Created;
}

LeftoversResult CCopyEntries::Remove(const char*& foreign) {
    foreign = nullptr;
    for (const CdEntry& entry : kCdEntries) {
        CHandle held;
        BY_HANDLE_FILE_INFORMATION info;
        // An entry in use without sharing cannot be judged here; it cannot be removed either.
        const CString path = PathOf(entry.name);
        if (OpenEntry(path, false, held, info) &&
            !CRecordedEntry(m_system, m_trusted, m_drive, m_stamp, entry.name).IsOwn(held, info)) {
            foreign = entry.name;
            return LeftoversResult::NotOwn;
        }
    }
    RemoveRecorded();
    return m_stamp.IsHeld() ? LeftoversResult::Remaining : LeftoversResult::Removed;
}

void CCopyEntries::RemoveRecorded() {
    const std::vector<StampRecord> records = m_stamp.Records();
    for (const StampRecord& record : records) {
        const CRecordedEntry judge(m_system, m_trusted, m_drive, m_stamp, record.name);
        // A record never outlives its entry.
        if (RemoveEntry(PathOf(record.name), judge))
            m_stamp.Drop(record.name);
    }
    if (m_stamp.Records().empty())
        m_stamp.Delete();
}

void CCopyEntries::Prune() {
    if (!m_stamp.IsHeld())
        return;
    std::vector<StampRecord> kept;
    for (const StampRecord& record : m_stamp.Records()) {
        const CString path = PathOf(record.name);
        CHandle held;
        BY_HANDLE_FILE_INFORMATION info;
        // Another entry under the name means that the recorded one is gone; one in use may still
        // be the program's.
        if (OpenEntry(path, false, held, info) ? IdOf(info) == record.id : !IsGone(path))
            kept.push_back(record);
    }
    if (kept.empty())
        m_stamp.Delete();
    else
        m_stamp.Keep(kept);
}
