// The processes that the batch file's command interpreter has started, and those they started, at
// any depth: the copies' xcopy runs, the product's setup and whatever it hands its work to (a
// copy of itself in the temporary folder, its engine, a program it starts at its end). The copy
// of the CD must stay while any of them runs.
//
// Where jobs nest (Windows 8 on) the batch file's accounting job holds the tree: its live
// processes are the job's, polled, and its count of processes shows a setup that ran and ended
// between two looks. Elsewhere the tree is followed in process snapshots: a process created after
// a process of the tree, naming it as its parent, joins it. Neither sees a process started
// through COM or a service, nor one that left the job; the snapshots miss a process that starts
// a child and ends between two looks.
#pragma once

#include "BatchProcess.h"
#include "PatchSystem.h"

#include <memory>
#include <vector>

class CSetupTree {
public:
    CSetupTree(const PatchSystem& system, const CBatchProcess& batch);

    // Looks again; answers whether a process of the tree runs, other than the interpreter itself
    // and console hosts (which end with the programs they serve).
    bool IsRunning();
    // Whether a process beyond the batch file's own (its interpreter, its console host and its
    // two xcopy runs) has been in the tree, seen or not; asked at the hold, after IsRunning,
    // where the batch file has run everything else it runs. Where the job cannot tell (before
    // Windows 8), true: the setup line's status is all there is.
    bool SetupHasRun() const;

private:
    bool IsRunningInJob();
    bool IsRunningInSnapshots();
    // Whether the process, held, still runs and is no console host.
    bool RunsAsTreeProcess(const CProcess& process) const;

    const PatchSystem& m_system;
    const CBatchProcess& m_batch;
    CString m_consoleHost;
    CString m_consoleHostAsRun;
    DWORD m_consoleHosts = 0; // console hosts in the job at the last look
    struct Member {
        DWORD processId;
        FILETIME created;
        std::unique_ptr<CProcess> process; // held: its id names no other process
    };
    std::vector<Member> m_members; // snapshots only: the tree's processes seen, ended ones too
};
