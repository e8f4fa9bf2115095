// Names the case of a table-driven test in every failure reported while it lives, as
// SCOPED_TRACE does, without GoogleTest's per-thread trace stack: on Windows that starts a
// watcher thread, and under qemu user-mode a second thread in a 32-bit process loses the
// completion of device I/O (GetDriveTypeA then hangs in the mount manager's query). The tests
// run on one thread; TestMain prints the cases in force after each failure.
#pragma once

#include <string>
#include <vector>

class CaseTrace {
public:
    explicit CaseTrace(std::string what) { Stack().push_back(std::move(what)); }
    ~CaseTrace() { Stack().pop_back(); }
    CaseTrace(const CaseTrace&) = delete;
    CaseTrace& operator=(const CaseTrace&) = delete;

    // The cases in force, outermost first.
    static std::vector<std::string>& Stack() {
        static std::vector<std::string> stack;
        return stack;
    }
};
