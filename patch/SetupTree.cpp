#include "SetupTree.h"

#include "support/SystemLibrary.h"

namespace {

// The batch file's own processes before its hold: the interpreter and its two xcopy runs (the
// CD's copy and the script's); console hosts are counted as they are seen.
const DWORD kBatchOwnProcesses = 3;

bool IsSameFile(const CString& image, const CString& path) {
    return !image.IsEmpty() && lstrcmpiA(image, path) == 0;
}

} // namespace

CSetupTree::CSetupTree(const PatchSystem& system, const CBatchProcess& batch)
    : m_system(system), m_batch(batch), m_consoleHost(SystemProgramPath("conhost.exe", false)),
      m_consoleHostAsRun(SystemProgramPath("conhost.exe", true)) {}

bool CSetupTree::IsRunning() {
    return m_batch.Job() ? IsRunningInJob() : IsRunningInSnapshots();
}

bool CSetupTree::SetupHasRun() const {
    DWORD total = 0;
    if (!m_batch.Job() || !m_system.CountJobProcesses(m_batch.Job(), total))
        return true;
    return total > kBatchOwnProcesses + m_consoleHosts;
}

bool CSetupTree::RunsAsTreeProcess(const CProcess& process) const {
    if (process.HasEnded())
        return false;
    const CString image = process.GetImagePath();
    return !IsSameFile(image, m_consoleHost) && !IsSameFile(image, m_consoleHostAsRun);
}

bool CSetupTree::IsRunningInJob() {
    // Sized for what the job holds now, and again while it grows.
    std::vector<ULONG_PTR> list(64);
    for (;;) {
        auto* ids = reinterpret_cast<JOBOBJECT_BASIC_PROCESS_ID_LIST*>(&list[0]);
        if (::QueryInformationJobObject(m_batch.Job(), JobObjectBasicProcessIdList, ids,
                                        static_cast<DWORD>(list.size() * sizeof list[0]), nullptr))
            break;
        // What cannot be asked runs, as far as the copy is concerned.
        if (::GetLastError() != ERROR_MORE_DATA || list.size() > 65536)
            return true;
        list.resize(list.size() * 2);
    }
    const auto* ids = reinterpret_cast<const JOBOBJECT_BASIC_PROCESS_ID_LIST*>(&list[0]);
    bool bRuns = false;
    DWORD hosts = 0;
    for (DWORD i = 0; i < ids->NumberOfProcessIdsInList; ++i) {
        const DWORD processId = static_cast<DWORD>(ids->ProcessIdList[i]);
        if (processId == m_batch.Id())
            continue;
        CProcess process;
        BOOL bInJob = FALSE;
        // Jobs nest from Windows 8 on, where this access includes what the image path needs.
        if (!process.Open(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, processId)) {
            // Gone since the list was made; one that may not be opened runs on.
            bRuns = bRuns || ::GetLastError() == ERROR_ACCESS_DENIED;
            continue;
        }
        // The id may have gone to another process since the list was made; one that cannot be
        // asked is taken as the list names it.
        if (!::IsProcessInJob(process, m_batch.Job(), &bInJob))
            bInJob = TRUE;
        if (!bInJob || process.HasEnded())
            continue;
        if (RunsAsTreeProcess(process))
            bRuns = true;
        else
            ++hosts;
    }
    m_consoleHosts = hosts;
    return bRuns;
}

bool CSetupTree::IsRunningInSnapshots() {
    std::vector<ProcessEntry> processes;
    if (!m_system.ListProcesses(processes))
        return true;
    if (m_members.empty())
        m_members.push_back({m_batch.Id(), m_batch.Created(), nullptr});
    // A child may be listed before its parent: look until nothing joins.
    for (bool bJoined = true; bJoined;) {
        bJoined = false;
        for (const ProcessEntry& entry : processes) {
            const Member* pParent = nullptr;
            bool bKnown = false;
            for (const Member& member : m_members) {
                bKnown = bKnown || member.processId == entry.processId;
                if (member.processId == entry.parentId)
                    pParent = &member;
            }
            if (bKnown || !pParent)
                continue;
            auto process = std::make_unique<CProcess>();
            FILETIME created;
            // Created before its named parent: the parent's id was another process's then.
            if (!process->Open(CProcess::ImageQueryAccess() | SYNCHRONIZE, entry.processId) ||
                !process->GetCreationTime(created) ||
                ::CompareFileTime(&created, &pParent->created) < 0)
                continue;
            m_members.push_back({entry.processId, created, std::move(process)});
            bJoined = true;
        }
    }
    for (const Member& member : m_members)
        if (member.process && RunsAsTreeProcess(*member.process))
            return true;
    return false;
}
