// The real patch run in real windows, against the test prefix's drives: the sample CD in D:, the
// broken CDs in E: to G:, the fixed disks C:, H:, S: and T:.
#include "CaseTrace.h"
#include "PatchHost.h"
#include "RunChecks.h"
#include "TestDrives.h"
#include "TestFiles.h"
#include "TimeLimits.h"
#include "UiDriver.h"

#include "framework/ResString.h"
#include "patch/BatchProcess.h"
#include "patch/BatchTemplate.h"
#include "patch/CdContents.h"
#include "patch/CdPathRecord.h"
#include "patch/ProgramPaths.h"
#include "patch/FreeSpace.h"
#include "patch/RunStamp.h"
#include "res/Caption.h"
#include "patch/OwnEntry.h"
#include "support/CodePages.h"

#include <gtest/gtest.h>

#include <aclapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <sstream>

namespace {

// What the run asks of the system, steerable per test.
std::string g_modulePath;
ModulePathStatus g_moduleStatus = ModulePathStatus::Ok;
bool g_noShortNames = false;
enum class FreeSpace { Real, Fixed, Fails } g_freeSpace = FreeSpace::Real;
LONGLONG g_freeBytes = 0;
bool g_failStart = false;

ModulePathStatus TestModuleFileName(std::string& path) {
    path = g_modulePath;
    return g_moduleStatus;
}
// A volume without 8.3 names, as other volumes than the system's often are.
std::string TestShortPathName(const std::string& path) {
    return g_noShortNames ? std::string() : RealPatchSystem().GetShortPathName(path);
}
bool TestFreeBytes(const char* pszRoot, LONGLONG& freeBytes) {
    if (g_freeSpace == FreeSpace::Fails)
        return false;
    if (g_freeSpace == FreeSpace::Fixed) {
        freeBytes = g_freeBytes;
        return true;
    }
    return RealPatchSystem().GetFreeBytes(pszRoot, freeBytes);
}
// What the batch file said, for a test that fails (the program itself sends it nowhere).
const char kBatchOutputPath[] = "C:\\records\\batch-output.txt";
// The program copies what the batch file says into it while the run lasts; every run of a test
// adds to it.
CHandle g_batchOutput;
bool TestStartBatchFile(const CString& batchPath, CBatchProcess& batch) {
    if (g_failStart)
        return false;
    g_batchOutput.Attach(::CreateFileA(kBatchOutputPath, FILE_APPEND_DATA,
                                       FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS, 0,
                                       nullptr));
    return StartBatchFileWithOutput(
        batchPath, batch, g_batchOutput.IsValid() ? g_batchOutput.Get() : INVALID_HANDLE_VALUE);
}
// The entry at this path (known by its identity) is another account's, as an unprivileged user's
// entry on a data disk would be owned; those at these paths are Administrators', as an elevated
// administrator's new files and a disk's root are on Windows; every other entry answers its real
// owner.
std::string g_otherOwnerPath;
std::vector<std::string> g_administratorsOwn;
bool TestFileOwner(HANDLE hEntry, std::string& ownerSid) {
    for (const std::string& path : g_administratorsOwn)
        if (IsEntryAt(hEntry, path)) {
            ownerSid = "S-1-5-32-544";
            return true;
        }
    if (!IsEntryAt(hEntry, g_otherOwnerPath))
        return RealPatchSystem().GetFileOwner(hEntry, ownerSid);
    ownerSid = "S-1-5-21-1111-2222-3333-1001";
    return true;
}
// The volume of this root keeps no ACLs, as FAT32 and exFAT disks do; that one's flags cannot be
// read.
std::string g_noAclRoot;
std::string g_unreadableFlagsRoot;
bool TestVolumeFlags(const char* pszRoot, DWORD& flags) {
    if (lstrcmpiA(pszRoot, g_unreadableFlagsRoot.c_str()) == 0 ||
        !RealPatchSystem().GetVolumeFlags(pszRoot, flags))
        return false;
    if (lstrcmpiA(pszRoot, g_noAclRoot.c_str()) == 0)
        flags &= ~FILE_PERSISTENT_ACLS;
    return true;
}
// The disk refuses to make the entry at this path.
std::string g_refusedEntryPath;
HANDLE TestCreateEntry(const char* pszPath, bool bFolder, SECURITY_ATTRIBUTES* security) {
    if (lstrcmpiA(pszPath, g_refusedEntryPath.c_str()) == 0) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    return RealPatchSystem().CreateEntry(pszPath, bFolder, security);
}
// The registry refuses the value (the key is there).
bool g_refuseValue = false;
LONG TestSetStringValue(HKEY hKey, const char* pszName, const CString& text) {
    return g_refuseValue ? ERROR_ACCESS_DENIED
                         : RealPatchSystem().SetStringValue(hKey, pszName, text);
}
// The programs of these paths (a part of the path in lower case, "\\xcopy.exe") are missing
// from every snapshot, as if each had run between two of them.
std::vector<std::string> g_hiddenImages;
bool TestListProcesses(std::vector<ProcessEntry>& processes) {
    if (!RealPatchSystem().ListProcesses(processes))
        return false;
    std::vector<ProcessEntry> shown;
    for (const ProcessEntry& entry : processes) {
        HANDLE hProcess = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.processId);
        char image[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        const bool bNamed =
            hProcess && ::QueryFullProcessImageNameA(hProcess, 0, image, &size) != FALSE;
        if (hProcess)
            ::CloseHandle(hProcess);
        ::CharLowerA(image);
        bool bHidden = false;
        for (const std::string& part : g_hiddenImages)
            bHidden = bHidden || (bNamed && std::strstr(image, part.c_str()) != nullptr);
        if (!bHidden)
            shown.push_back(entry);
    }
    processes = shown;
    return true;
}
// This many processes of the job are unseen, as if the setup's had never been in it.
DWORD g_hiddenFromJob = 0;
bool TestCountJobProcesses(HANDLE hJob, DWORD& total) {
    if (!RealPatchSystem().CountJobProcesses(hJob, total))
        return false;
    total -= total >= g_hiddenFromJob ? g_hiddenFromJob : total;
    return true;
}
const PatchSystem kTestSystem = {TestModuleFileName,   TestShortPathName,  TestFreeBytes,
                                 TestStartBatchFile,   TestFileOwner,      TestVolumeFlags,
                                 TestCreateEntry,      TestSetStringValue, TestListProcesses,
                                 TestCountJobProcesses};

const char kRecordPath[] = "C:\\records\\stub.txt";

// A path in the sample CD of D:, through Wine's Z: drive.
std::string SampleCdPath(const std::string& relative) {
    std::string path = BinaryPath("wine/drives/cd-good/" + relative);
    for (char& ch : path)
        if (ch == '/')
            ch = '\\';
    return path;
}

// Folders and files added to the sample CD for one test (wide names: the ANSI code page may not
// write them), removed again, the last first, when the object goes.
class SampleCdAdditions {
public:
    ~SampleCdAdditions() { RemoveAll(); }
    void AddFolder(const std::wstring& relative) {
        const std::wstring path = Wide(relative);
        EXPECT_TRUE(::CreateDirectoryW(path.c_str(), nullptr));
        m_paths.push_back(path);
    }
    void AddFile(const std::wstring& relative, const std::string& bytes) {
        const std::wstring path = Wide(relative);
        HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        DWORD written = 0;
        EXPECT_TRUE(
            h != INVALID_HANDLE_VALUE &&
            ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
        if (h != INVALID_HANDLE_VALUE)
            ::CloseHandle(h);
        m_paths.push_back(path);
    }
    void RemoveAll() {
        for (; !m_paths.empty(); m_paths.pop_back())
            if (!::DeleteFileW(m_paths.back().c_str()))
                ::RemoveDirectoryW(m_paths.back().c_str());
    }

private:
    static std::wstring Wide(const std::wstring& relative) {
        const std::string root = SampleCdPath("");
        return std::wstring(root.begin(), root.end()) + relative;
    }
    std::vector<std::wstring> m_paths;
};

// A folder whose ANSI form under code page 1252 is a best fit that leaves its folder: ..\..\victim.
const wchar_t kFullWidthDots[] = L"\uFF0E\uFF0E\uFF3C\uFF0E\uFF0E\uFF3Cvictim";

// The identity of the entry at path, as the program's stamp records it.
EntryId IdAt(const std::string& path) {
    HANDLE h =
        ::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION info = {};
    EXPECT_TRUE(h != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(h, &info)) << path;
    if (h != INVALID_HANDLE_VALUE)
        ::CloseHandle(h);
    return IdOf(info);
}

// Gives Everyone the right to write the file at path, as a DACL read back through its handle
// shows it.
void LetEveryoneWrite(const std::string& path) {
    BYTE everyone[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof everyone;
    ASSERT_TRUE(::CreateWellKnownSid(WinWorldSid, nullptr, everyone, &size));
    DWORD aclBytes[64] = {};
    PACL acl = reinterpret_cast<PACL>(aclBytes);
    ASSERT_TRUE(
        ::InitializeAcl(acl, sizeof aclBytes, ACL_REVISION) &&
        ::AddAccessAllowedAce(acl, ACL_REVISION, FILE_GENERIC_READ | FILE_GENERIC_WRITE, everyone));
    ASSERT_EQ(DWORD(ERROR_SUCCESS),
              ::SetNamedSecurityInfoA(const_cast<char*>(path.c_str()), SE_FILE_OBJECT,
                                      DACL_SECURITY_INFORMATION, nullptr, nullptr, acl, nullptr));
    PACL read = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(DWORD(ERROR_SUCCESS),
              ::GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                      nullptr, nullptr, &read, nullptr, &descriptor));
    bool bWritable = false;
    for (DWORD i = 0; read && i < read->AceCount; ++i) {
        void* pAce = nullptr;
        ::GetAce(read, i, &pAce);
        const auto* ace = static_cast<const ACCESS_ALLOWED_ACE*>(pAce);
        bWritable = bWritable || (::EqualSid(const_cast<DWORD*>(&ace->SidStart), everyone) &&
                                  (ace->Mask & FILE_WRITE_DATA));
    }
    ::LocalFree(descriptor);
    ASSERT_TRUE(bWritable) << "the system kept no DACL that lets Everyone write " << path;
}

std::map<std::string, std::vector<std::string>> StubRecord() {
    return ReadStubRecord(kRecordPath);
}

// A failed check: exactly its message, and nothing was run or recorded.
void ExpectOnlyMessage(const UiDriver& ui, unsigned nID, const std::string& expectedText = "") {
    ASSERT_EQ(1u, ui.boxes().size());
    const SeenMessageBox& box = ui.boxes()[0];
    EXPECT_EQ(kPatchCaption, box.caption);
    EXPECT_EQ(expectedText.empty() ? LoadResString(nID).str() : expectedText, box.text);
    EXPECT_EQ(std::vector<int>{IDOK}, box.buttons);
    EXPECT_FALSE(box.hasIcon);
    EXPECT_TRUE(StubRecord().empty()) << "the product's setup was started";
    std::string cdPath;
    DWORD type;
    EXPECT_FALSE(ReadCdPath(cdPath, type)) << "CDPath was recorded";
}

class PatchRunTest : public testing::Test {
protected:
    void SetUp() override {
        g_modulePath = "C:\\Patch\\Install.EXE";
        g_moduleStatus = ModulePathStatus::Ok;
        g_noShortNames = false;
        g_freeSpace = FreeSpace::Real;
        g_failStart = false;
        g_otherOwnerPath.clear();
        g_administratorsOwn.clear();
        g_noAclRoot.clear();
        g_unreadableFlagsRoot.clear();
        g_refusedEntryPath.clear();
        g_refuseValue = false;
        g_hiddenImages.clear();
        g_hiddenFromJob = 0;
        for (const char* drive :
             {drives::kFixed, drives::kFixedSecond, drives::kFixedExact, drives::kFixedShared}) {
            RemoveCdEntriesFrom(drive);
            ::DeleteFileA((std::string(drive) + "\\" + kRunStampName).c_str());
        }
        RemoveTree("H:\\Tools");
        RemoveTree("C:\\patch");
        RemoveTree("C:\\records");
        // What an earlier test left and cannot go (still in use) is said here, not taken for the
        // program's failure.
        for (const char* drive :
             {drives::kFixed, drives::kFixedSecond, drives::kFixedExact, drives::kFixedShared})
            ASSERT_EQ(std::vector<std::string>(), CdEntriesOn(drive)) << "left on " << drive;
        ASSERT_TRUE(MakeFolder("C:\\patch"));
        ASSERT_TRUE(MakeFolder("C:\\records"));
        ::SetEnvironmentVariableA("STUB_RECORD", kRecordPath);
        ::SetEnvironmentVariableA("STUB_SLEEP_MS", nullptr);
        // The product's key is there, so a run that records CDPath when it must not is seen.
        SettingsKeyDelete();
        ASSERT_TRUE(SettingsKeyCreate());
    }
    void TearDown() override {
        // A failed run tells what the program knew: its messages, the step it had reached, and
        // what the batch file said.
        if (HasFailure()) {
            std::string output;
            ReadFileBytes(kBatchOutputPath, output);
            std::printf("the test's runs:%s\nwhat the batch files said:\n%s\n", m_runs.c_str(),
                        output.c_str());
        }
        g_batchOutput.Close();
        RemoveTree("C:\\patch");
        RemoveTree("C:\\records");
        SettingsKeyDelete();
    }

    // Runs the dialog with the given roots; answers how it ended.
    INT_PTR Run(const char* cdRoot, const char* tempRoot, UiDriver& ui) {
        PatchHostDlg dlg(cdRoot, tempRoot, kTestSystem);
        const INT_PTR result = dlg.DoModal();
        EXPECT_FALSE(ui.timedOut()) << "the dialog had to be ended by the deadline";
        EXPECT_FALSE(dlg.m_bBusy);
        m_runs += "\n  ended with " + std::to_string(result) + ", the wait's last step \"" +
                  ui.lastStep() + "\", messages:";
        for (const SeenMessageBox& box : ui.boxes())
            m_runs += "\n    " + box.text;
        return result;
    }

    std::string m_runs; // what each run of the test showed
};

TEST_F(PatchRunTest, RunFromTheFixedDiskCopiesTheCdRunsSetupWithOurScriptAndCleansUp) {
    ASSERT_TRUE(SettingsKeyCreate());
    SetStubSleepMs(1500);
    bool sawWait = false, waitTextOk = false, hostDisabled = false, busy = false;
    // While the setup runs, Escape, Enter and the close command leave the wait window as it is.
    bool keysSent = false, shownAfterKeys = false;
    PatchHostDlg* pHost = nullptr;
    UiDriver ui;
    ui.onTick = [&] {
        HWND hWait = FindThreadDialog(kWaitCaption);
        HWND hHost = FindThreadDialog(kPatchCaption);
        if (hWait && ::IsWindowVisible(hWait) && hHost) {
            sawWait = true;
            HWND hStatic = ::GetWindow(hWait, GW_CHILD);
            waitTextOk = WindowText(hStatic) == "Bitte warten...";
            hostDisabled = !::IsWindowEnabled(hHost);
            pHost = reinterpret_cast<PatchHostDlg*>(::GetWindowLongPtrA(hHost, DWLP_USER));
            busy = pHost && pHost->m_bBusy;
            EXPECT_EQ(hHost, ::GetParent(hWait));
            const bool setupRuns = WindowText(::GetDlgItem(hWait, IDC_WAIT_STEP)) ==
                                   LoadResString(IDS_STEP_SETUP).str();
            if (keysSent) {
                shownAfterKeys = true;
            } else if (setupRuns) {
                EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(hWait, IDCANCEL)));
                for (UINT vk : {VK_ESCAPE, VK_RETURN})
                    ::PostMessageA(hWait, WM_KEYDOWN, vk, 0);
                ::PostMessageA(hWait, WM_CLOSE, 0, 0);
                keysSent = true;
            }
        }
    };
    EXPECT_EQ(IDOK, Run("D:\\", "C:\\", ui));
    EXPECT_TRUE(ui.boxes().empty()) << ui.boxes()[0].text;
    EXPECT_TRUE(sawWait);
    EXPECT_TRUE(waitTextOk);
    EXPECT_TRUE(hostDisabled);
    EXPECT_TRUE(busy);
    EXPECT_TRUE(keysSent) << "the setup's step was never shown";
    EXPECT_TRUE(shownAfterKeys) << "Escape, Enter or the close command hid the wait window";
    EXPECT_EQ(nullptr, FindThreadDialog(kWaitCaption));

    // The script beside the program, byte for byte; every derived path in lower case.
    ExpectCompletedRun("c:\\patch\\", "D:", "C:", kRecordPath);
    ExpectCdPathRecorded("D:");
}

TEST_F(PatchRunTest, WithoutTheSettingsKeyNothingIsRecordedAndNothingIsSaid) {
    SettingsKeyDelete();
    UiDriver ui;
    EXPECT_EQ(IDOK, Run("D:\\", "H:\\", ui));
    EXPECT_TRUE(ui.boxes().empty());
    std::string cdPath;
    DWORD type;
    EXPECT_FALSE(ReadCdPath(cdPath, type));
    EXPECT_FALSE(SettingsKeyExists()) << "the key must not be created";
    EXPECT_EQ(1u, StubRecord()["exe"].size());
    EXPECT_EQ(std::vector<std::string>(), CdEntriesOn("H:"));
}

TEST_F(PatchRunTest, CdPathGoesToTheRegistryViewOfTheProductsOwn32BitSetup) {
    // Both views hold the key: only the 32-bit one gets the value (a 32-bit prefix has one view).
    ASSERT_TRUE(SettingsKeyCreate(true, true));
    EXPECT_EQ(CdPathResult::Recorded, RecordCdPath(kTestSystem, "D:"));
    ExpectCdPathRecorded("D:");
    std::string cdPath;
    DWORD type;
    EXPECT_FALSE(ReadCdPathOutsideTheProductView(cdPath, type));
    // A key in the other view only is not the product's: nothing is recorded anywhere.
    SettingsKeyDelete();
    ASSERT_TRUE(SettingsKeyCreate(false, true));
    EXPECT_EQ(CdPathResult::NoKey, RecordCdPath(kTestSystem, "E:"));
    EXPECT_FALSE(ReadCdPath(cdPath, type));
    EXPECT_FALSE(ReadCdPathOutsideTheProductView(cdPath, type));
}

TEST_F(PatchRunTest, EachFailureAroundTheBatchFileNamesItsOwnCause) {
    struct Case {
        const char* why;
        std::function<void()> arrange;
        INT_PTR result;
        std::string message;
        bool bSetupRan;
    } cases[] = {
        {"the temp disk refuses the stamp",
         [] { g_refusedEntryPath = std::string("C:\\") + kRunStampName; }, IDABORT,
         "Auf dem Laufwerk C: k\xF6nnen die tempor\xE4ren Dateien nicht angelegt werden. Bitte "
         "w\xE4hlen Sie ein anderes Laufwerk.",
         false},
        {"the temp disk refuses an entry of the copy", [] { g_refusedEntryPath = "C:\\Docs"; },
         IDABORT,
         "Auf dem Laufwerk C: k\xF6nnen die tempor\xE4ren Dateien nicht angelegt werden. Bitte "
         "w\xE4hlen Sie ein anderes Laufwerk.",
         false},
        {"the registry refuses CDPath", [] { g_refuseValue = true; }, IDOK,
         "Das Setup von NebuLark 5 ist beendet, aber das CD-Laufwerk D: konnte nicht in der "
         "Windows-Registrierung gespeichert werden. Bitte starten Sie die Installation erneut.",
         true},
    };
    for (const Case& c : cases) {
        const CaseTrace trace(c.why);
        g_refusedEntryPath.clear();
        g_refuseValue = false;
        ::DeleteFileA(kRecordPath);
        c.arrange();
        UiDriver ui;
        EXPECT_EQ(c.result, Run("D:\\", "C:\\", ui));
        ASSERT_EQ(1u, ui.boxes().size());
        EXPECT_EQ(c.message, ui.boxes()[0].text);
        EXPECT_EQ(c.bSetupRan, !StubRecord().empty());
        EXPECT_EQ(std::vector<std::string>(), CdEntriesOn("C:"));
        EXPECT_FALSE(PathExists(std::string("C:\\") + kRunStampName));
    }
}

TEST_F(PatchRunTest, AbbrechenNeverEndsTheProductsSetupEvenWhereItsStartWasMissed) {
    // A copy that runs for seconds is seen for certain, and "Abbrechen" is offered with it; once
    // the copy has ended it is withdrawn, though the setup's start was missed.
    if (!DriveExists(drives::kCdSlow))
        GTEST_SKIP() << "the slow CD K: needs a run as root with /dev/fuse";
    g_hiddenImages = {"\\disk1\\setup.exe"};
    SetStubSleepMs(3000);
    bool bOffered = false, bAsked = false;
    UiDriver ui;
    ui.AnswerWith(IDYES);
    ui.onTick = [&] {
        HWND hWait = FindThreadDialog(kWaitCaption);
        if (!hWait || bAsked)
            return;
        HWND hCancel = ::GetDlgItem(hWait, IDCANCEL);
        if (StubRecord().empty()) {
            bOffered = bOffered || ::IsWindowEnabled(hCancel);
            return;
        }
        // The setup runs (the stub has written its record and sleeps); unseen, the copy's step
        // stays, but not "Abbrechen": a click does nothing.
        bAsked = true;
        EXPECT_FALSE(::IsWindowEnabled(hCancel)) << "offered after the copy had ended";
        ::PostMessageA(hCancel, BM_CLICK, 0, 0);
        ::PostMessageA(hWait, WM_KEYDOWN, VK_ESCAPE, 0);
    };
    EXPECT_EQ(IDOK, Run("K:\\", "C:\\", ui));
    ASSERT_TRUE(bAsked);
    EXPECT_TRUE(bOffered) << "never offered during the copy";
    EXPECT_TRUE(ui.boxes().empty()) << ui.boxes()[0].text;
    EXPECT_EQ(std::vector<std::string>{"slept"}, StubRecord()["ended"]) << "the setup was ended";
    ExpectCompletedRun("c:\\patch\\", "K:", "C:", kRecordPath);
    ExpectCdPathRecorded("K:");
}

TEST_F(PatchRunTest, TheCopyStaysUntilTheSetupsWholeTreeHasEnded) {
    // The setup hands its work to a copy of itself in the temporary folder and ends at once; that
    // copy reads every file of the copy's Disk1 seconds later, then starts a sleeper outside the
    // copy of the CD and ends.
    const auto setEnv = [](const char* name, DWORD ms) {
        ::SetEnvironmentVariableA(name, std::to_string(ScaledMs(ms)).c_str());
    };
    setEnv("STUB_HANDOFF_MS", 2000);
    setEnv("STUB_SLEEPER_MS", 2500);
    std::vector<std::string> stepsWhileTheSleeperRuns;
    UiDriver ui;
    ui.onTick = [&] {
        auto record = StubRecord();
        const auto& handoff = record["handoff"];
        if (!handoff.empty() && handoff.back() == "ended" && record["sleeper"].empty())
            stepsWhileTheSleeperRuns.push_back(ui.lastStep());
    };
    const INT_PTR result = Run("D:\\", "C:\\", ui);
    ::SetEnvironmentVariableA("STUB_HANDOFF_MS", nullptr);
    ::SetEnvironmentVariableA("STUB_SLEEPER_MS", nullptr);
    EXPECT_EQ(IDOK, result);
    EXPECT_TRUE(ui.boxes().empty()) << ui.boxes()[0].text;
    auto record = StubRecord();
    ASSERT_GE(record["handoff"].size(), 5u) << "the setup's copy read too little";
    EXPECT_EQ("ended", record["handoff"].back()) << "the run ended before the setup's copy did";
    for (size_t i = 0; i + 1 < record["handoff"].size(); ++i) {
        const std::string& file = record["handoff"][i];
        EXPECT_EQ(" whole", file.substr(file.size() - 6)) << file;
    }
    EXPECT_EQ(std::vector<std::string>{"ended"}, record["sleeper"])
        << "the run ended before the program the setup started at its end";
    ASSERT_FALSE(stepsWhileTheSleeperRuns.empty());
    for (const std::string& step : stepsWhileTheSleeperRuns)
        EXPECT_EQ(LoadResString(IDS_STEP_SETUP).str(), step);
    ExpectCompletedRun("c:\\patch\\", "D:", "C:", kRecordPath);
    ExpectCdPathRecorded("D:");
}

TEST_F(PatchRunTest, ASetupNoProcessOfWhichWasSeenInTheJobIsNoPatch) {
    // The stub runs, but the job shows no process beyond the batch file's own: as a setup that
    // the system refused to start (its status 1260 or 5 on Windows) would leave it.
    g_hiddenFromJob = 1;
    UiDriver ui;
    EXPECT_EQ(IDABORT, Run("D:\\", "C:\\", ui));
    ASSERT_EQ(1u, ui.boxes().size());
    EXPECT_EQ(LoadResString(IDS_SETUP_NOT_STARTED).str(), ui.boxes()[0].text);
    std::string cdPath;
    DWORD type;
    EXPECT_FALSE(ReadCdPath(cdPath, type)) << "CDPath was recorded";
    EXPECT_EQ(std::vector<std::string>(), CdEntriesOn("C:"));
    EXPECT_FALSE(PathExists(std::string("C:\\") + kRunStampName));
}

TEST_F(PatchRunTest, ACopyNeverSeenRunningIsNeverWalked) {
    // The bar walks the copy's folders only while the copy is seen running: a copy missed
    // between two looks may be followed by the setup and the clean-up at once, and a walk then
    // would keep a folder of the copy from going.
    if (!DriveExists(drives::kCdSlow))
        GTEST_SKIP() << "the slow CD K: needs a run as root with /dev/fuse";
    g_hiddenImages = {"\\xcopy.exe"};
    unsigned highest = 0;
    bool bCopyShown = false;
    UiDriver ui;
    ui.onTick = [&] {
        unsigned copied = 0;
        if (StubRecord().empty() &&
            std::sscanf(ui.lastStep().c_str(), "Die CD wird kopiert: %u", &copied) == 1) {
            bCopyShown = true;
            highest = copied > highest ? copied : highest;
        }
    };
    EXPECT_EQ(IDOK, Run("K:\\", "C:\\", ui));
    EXPECT_TRUE(ui.boxes().empty());
    EXPECT_TRUE(bCopyShown);
    EXPECT_EQ(0u, highest) << "a copy never seen running was measured";
    ExpectCompletedRun("c:\\patch\\", "K:", "C:", kRecordPath);
}

TEST_F(PatchRunTest, ASetupTheCommandInterpreterCannotStartIsAFailureNotAPatch) {
    // Once copied, the copy's setup.exe is spoilt (as a virus scanner may do to a new program
    // file): nothing is installed, and the run must say so and record nothing.
    if (!DriveExists(drives::kCdSlow))
        GTEST_SKIP() << "the slow CD K: needs a run as root with /dev/fuse";
    ASSERT_TRUE(SettingsKeyCreate());
    bool bSpoilt = false;
    UiDriver ui;
    ui.onTick = [&] {
        // Disk1's own files are copied before its subfolder, whose cabinet takes seconds.
        if (!bSpoilt && PathExists("C:\\Disk1\\Daten"))
            bSpoilt = WriteFileBytes("C:\\Disk1\\setup.exe", "no program");
    };
    EXPECT_EQ(IDABORT, Run("K:\\", "C:\\", ui));
    ASSERT_TRUE(bSpoilt) << "the copy's setup.exe was never reached";
    ExpectOnlyMessage(ui, IDS_SETUP_NOT_STARTED);
    EXPECT_EQ(std::vector<std::string>(), CdEntriesOn("C:"));
    EXPECT_FALSE(PathExists(std::string("C:\\") + kRunStampName));
}

TEST_F(PatchRunTest, StartedFromTheCdOnlyAsksToCopyItToTheHardDisk) {
    g_modulePath = "E:\\install.exe";
    UiDriver ui;
    EXPECT_EQ(IDABORT, Run("D:\\", "C:\\", ui));
    ExpectOnlyMessage(ui, IDS_COPY_TO_HARDDISK);
    EXPECT_FALSE(PathExists("E:\\setup.inx"));
    EXPECT_FALSE(PathExists("E:\\temp.bat"));
}

TEST_F(PatchRunTest, NoProductCdInTheChosenDriveAsksForTheCdAfterTheScriptIsWritten) {
    struct Case {
        const char* cdRoot;
        const char* why;
    } cases[] = {
        {"C:\\", "a fixed disk, not a CD drive"},
        {"E:\\", "the marker file is missing"},
        {"F:\\", "the marker is a folder"},
        {"G:\\", "the marker was written before 1980"},
        {"", "no CD drive chosen"},
    };
    for (const Case& c : cases) {
        const CaseTrace trace(c.why);
        ::DeleteFileA("C:\\patch\\setup.inx");
        UiDriver ui;
        EXPECT_EQ(IDABORT, Run(c.cdRoot, "C:\\", ui));
        ExpectOnlyMessage(ui, IDS_INSERT_CD_RETRY);
        EXPECT_TRUE(PathExists("C:\\patch\\setup.inx"));
        EXPECT_FALSE(PathExists("C:\\patch\\temp.bat"));
    }
}

TEST_F(PatchRunTest, ExactlyTheNeededFreeSpaceIsEnoughAndOneByteLessIsNot) {
    g_freeSpace = FreeSpace::Fixed;
    // One byte short: the disk is refused.
    g_freeBytes = 713031679;
    {
        UiDriver ui;
        EXPECT_EQ(IDABORT, Run("D:\\", "C:\\", ui));
        ExpectOnlyMessage(ui, IDS_NO_SPACE);
    }
    // Exactly enough: the run goes past the space check, here to the next check, which stops it
    // at a user's own C:\Docs.
    ASSERT_TRUE(MakeFolder("C:\\Docs"));
    g_freeBytes = 713031680;
    {
        UiDriver ui;
        EXPECT_EQ(IDABORT, Run("D:\\", "C:\\", ui));
        ASSERT_EQ(1u, ui.boxes().size());
        EXPECT_NE(LoadResString(IDS_NO_SPACE).str(), ui.boxes()[0].text);
    }
    RemoveTree("C:\\Docs");
}

TEST_F(PatchRunTest, AFailedFreeSpaceQueryCountsAsNotEnoughSpace) {
    g_freeSpace = FreeSpace::Fails;
    UiDriver ui;
    EXPECT_EQ(IDABORT, Run("D:\\", "C:\\", ui));
    ExpectOnlyMessage(ui, IDS_NO_SPACE);
    EXPECT_FALSE(PathExists("C:\\patch\\temp.bat"));
}

TEST_F(PatchRunTest, RealFreeSpaceOfASmallDiskIsRefusedAndOfExactly680MiBIsUsed) {
    if (!DriveExists(drives::kFixedSmall) || !DriveExists(drives::kFixedExact))
        GTEST_SKIP() << "the tmpfs disks S: and T: need a run as root";
    LONGLONG exact = 0;
    ASSERT_TRUE(RealPatchSystem().GetFreeBytes("T:\\", exact));
    ASSERT_EQ(713031680, exact) << "T: must be empty at the start";
    {
        UiDriver ui;
        EXPECT_EQ(IDABORT, Run("D:\\", "S:\\", ui));
        ExpectOnlyMessage(ui, IDS_NO_SPACE);
    }
    {
        UiDriver ui;
        EXPECT_EQ(IDOK, Run("D:\\", "T:\\", ui));
        EXPECT_TRUE(ui.boxes().empty());
        EXPECT_EQ(1u, StubRecord()["exe"].size());
        EXPECT_EQ(std::vector<std::string>(), CdEntriesOn("T:"));
    }
}

TEST_F(PatchRunTest, AScriptThatCannotBeWrittenBesideTheProgramNamesItsFolder) {
    ASSERT_TRUE(MakeFolder("C:\\patch\\locked"));
    ASSERT_TRUE(MakeFolder("C:\\patch\\locked\\setup.inx")); // cannot be replaced
    struct Case {
        const char* modulePath;
        const char* folder;
        const char* why;
    } cases[] = {
        {"C:\\gone\\install.exe", "c:\\gone", "the folder does not exist"},
        {"C:\\patch\\locked\\install.exe", "c:\\patch\\locked", "setup.inx cannot be replaced"},
        {"S:\\install.exe", "s:\\", "the disk is too small for the script"},
    };
    const bool bSmallDisk = DriveExists(drives::kFixedSmall);
    for (const Case& c : cases) {
        const CaseTrace trace(c.why);
        if (c.modulePath[0] == 'S' && !bSmallDisk)
            break; // the last case; reported as skipped below
        g_modulePath = c.modulePath;
        UiDriver ui;
        EXPECT_EQ(IDABORT, Run("D:\\", "C:\\", ui));
        CString expected = LoadResString(IDS_FOLDER_NOT_WRITABLE);
        expected.Replace("%s", c.folder);
        ExpectOnlyMessage(ui, IDS_FOLDER_NOT_WRITABLE, expected.str());
        EXPECT_NE(std::string::npos, ui.boxes()[0].text.find(c.folder));
    }
    if (!bSmallDisk)
        GTEST_SKIP() << "the small disk's case: the 128 KiB tmpfs disk S: needs a run as root";
    EXPECT_FALSE(PathExists("S:\\setup.inx")) << "a partial script is left";
}

TEST_F(PatchRunTest, OnlyTheFileNamePartOfTheProgramPathIsReplaced) {
    EXPECT_STREQ("c:\\install.exe.d\\setup.inx",
                 PathBesideExe("c:\\install.exe.d\\install.exe", "setup.inx"));
    EXPECT_STREQ("c:\\patch\\temp.bat", PathBesideExe("c:\\patch\\install.exe", "temp.bat"));
    EXPECT_STREQ("temp.bat", PathBesideExe("install.exe", "temp.bat"));

    ASSERT_TRUE(MakeFolder("C:\\patch\\install.exe.d"));
    g_modulePath = "C:\\patch\\Install.exe.d\\INSTALL.EXE";
    UiDriver ui;
    EXPECT_EQ(IDABORT, Run("E:\\", "C:\\", ui)); // stops at the CD check, after the script
    ExpectOnlyMessage(ui, IDS_INSERT_CD_RETRY);
    EXPECT_TRUE(PathExists("C:\\patch\\install.exe.d\\setup.inx"));
    EXPECT_FALSE(PathExists("C:\\patch\\setup.inx.d"));
}

TEST_F(PatchRunTest, APercentInTheProgramFolderReachesTheCommandInterpreterLiterally) {
    ASSERT_TRUE(MakeFolder("C:\\patch\\100%"));
    g_modulePath = "C:\\patch\\100%\\install.exe";
    UiDriver ui;
    EXPECT_EQ(IDOK, Run("D:\\", "C:\\", ui));
    EXPECT_TRUE(ui.boxes().empty());
    std::string batch;
    ASSERT_TRUE(ReadFileBytes("C:\\patch\\100%\\temp.bat", batch));
    EXPECT_NE(std::string::npos,
              batch.find("xcopy.exe\" /Y \"c:\\patch\\100%%\\setup.inx\" <nul\r\n"));
    // cmd copied our script from that folder into the copy's Disk1.
    EXPECT_EQ(std::vector<std::string>{PayloadRecordLine()}, StubRecord()["inx"]);
}

TEST_F(PatchRunTest, AFolderWithUmlautsReachesTheCommandInterpreterInItsOemCodePage) {
    // ANSI 1252 in the program; the command interpreter reads the batch file in the OEM page:
    // 437 in Wine's default pair, 850 where the run is given a German locale.
    if (const char* oemCp = std::getenv("EXPECT_OEM_CP")) {
        ASSERT_EQ(static_cast<UINT>(std::atoi(oemCp)), ::GetOEMCP());
    }
    ASSERT_EQ(1252u, ::GetACP());
    const std::string folder = "C:\\patch\\J\xFCrgen \xDC"
                               "bung \xE4\xF6\xDF \xC4";
    ASSERT_TRUE(MakeFolder(folder));
    g_modulePath = folder + "\\install.exe";
    UiDriver ui;
    EXPECT_EQ(IDOK, Run("D:\\", "C:\\", ui));
    EXPECT_TRUE(ui.boxes().empty()) << ui.boxes()[0].text;
    std::string batch, oem;
    ASSERT_TRUE(ReadFileBytes(folder + "\\temp.bat", batch));
    ASSERT_TRUE(AnsiToOem("c:\\patch\\j\xFCrgen \xDC"
                          "bung \xE4\xF6\xDF \xC4\\setup.inx",
                          oem));
    EXPECT_NE(std::string::npos, batch.find("xcopy.exe\" /Y \"" + oem + "\" <nul\r\n"));
    EXPECT_EQ(std::vector<std::string>{PayloadRecordLine()}, StubRecord()["inx"]);
    ExpectCdPathRecorded("D:");
}

// Run only under a Japanese locale (ANSI 932), by a test entry of its own: the trail byte of
// "\x83\x58" is an 'X'.
TEST_F(PatchRunTest, DISABLED_AFolderOfDoubleByteCharactersIsTheOneThePatchRunsIn) {
    ASSERT_EQ(932u, ::GetACP()) << "needs the ANSI code page 932 (LC_ALL=ja_JP.UTF-8)";
    const std::wstring wide = L"C:\\\u30C6\u30B9\u30C8"; // C:\ and three katakana
    std::string folder;
    ASSERT_TRUE(WideToAnsiExact(wide.c_str(), static_cast<int>(wide.size()), folder));
    ASSERT_EQ("\x83\x58", folder.substr(5, 2));
    ASSERT_TRUE(MakeFolder(folder));
    g_modulePath = folder + "\\install.exe";
    UiDriver ui;
    EXPECT_EQ(IDOK, Run("D:\\", "C:\\", ui));
    EXPECT_TRUE(ui.boxes().empty()) << ui.boxes()[0].text;
    ExpectCompletedRun("c" + folder.substr(1) + "\\", "D:", "C:", kRecordPath);
    ExpectCdPathRecorded("D:");
    RemoveTree(folder);
}

TEST_F(PatchRunTest, AFolderTheCommandInterpreterCannotNameIsReachedByItsShortFormOrRefused) {
    // "\x80" is the euro sign: in the ANSI page, not in the OEM pages 437 and 850.
    const std::string folder = "C:\\patch\\Preis 5\x80";
    ASSERT_TRUE(MakeFolder(folder));
    g_modulePath = folder + "\\install.exe";
    {
        const CaseTrace trace("the volume keeps short names");
        UiDriver ui;
        EXPECT_EQ(IDOK, Run("D:\\", "C:\\", ui));
        EXPECT_TRUE(ui.boxes().empty());
        std::string batch;
        ASSERT_TRUE(ReadFileBytes(folder + "\\temp.bat", batch));
        EXPECT_EQ(std::string::npos, batch.find('\x80'));
        EXPECT_EQ(std::vector<std::string>{PayloadRecordLine()}, StubRecord()["inx"]);
    }
    ::DeleteFileA((folder + "\\setup.inx").c_str());
    ::DeleteFileA((folder + "\\temp.bat").c_str());
    ::DeleteFileA(kRecordPath);
    SettingsKeyDelete();
    ASSERT_TRUE(SettingsKeyCreate());
    struct Case {
        ModulePathStatus status;
        bool noShortNames;
        unsigned message;
        const char* why;
    } refusals[] = {
        {ModulePathStatus::Ok, true, IDS_FOLDER_NOT_READABLE, "no short name on the volume"},
        {ModulePathStatus::NotNameable, false, IDS_FOLDER_NOT_READABLE, "no ANSI name"},
        {ModulePathStatus::TooLong, false, IDS_PATH_TOO_LONG, "the path fills the buffer"},
    };
    for (const Case& c : refusals) {
        const CaseTrace trace(c.why);
        g_moduleStatus = c.status;
        g_noShortNames = c.noShortNames;
        UiDriver ui;
        EXPECT_EQ(IDABORT, Run("D:\\", "C:\\", ui));
        ExpectOnlyMessage(ui, c.message);
        // Refused before anything is written.
        EXPECT_FALSE(PathExists(folder + "\\setup.inx"));
        EXPECT_FALSE(PathExists(folder + "\\temp.bat"));
    }
}

// A CD file of 750 MiB, sparse (cheap to make and to read), in the sample CD's folder, and what
// the user keeps on the temp disk T: of exactly 680 MiB. Everything is put back afterwards.
class CopyFailureTest : public PatchRunTest {
protected:
    void SetUp() override {
        PatchRunTest::SetUp();
        if (!DriveExists(drives::kFixedExact))
            GTEST_SKIP() << "the 680 MiB tmpfs disk T: needs a run as root";
        RemoveTree("T:\\Eigene");
        ASSERT_TRUE(WriteFileBytes("T:\\mein.inx", "the user's own script"));
        ASSERT_TRUE(MakeFolder("T:\\Eigene"));
        ASSERT_TRUE(WriteFileBytes("T:\\Eigene\\Brief.txt", "the user's own letter"));
    }
    void TearDown() override {
        if (!m_hiddenFile.empty())
            ::MoveFileA((m_hiddenFile + ".hidden").c_str(), m_hiddenFile.c_str());
        m_hiddenFile.clear();
        if (!m_bigFile.empty()) {
            if (m_saved.empty())
                ::DeleteFileA(m_bigFile.c_str());
            else
                WriteFileBytes(m_bigFile, m_saved);
        }
        m_bigFile.clear();
        m_saved.clear();
        ::DeleteFileA("T:\\mein.inx");
        RemoveTree("T:\\Eigene");
        RemoveCdEntriesFrom("T:");
        PatchRunTest::TearDown();
    }
    // Takes the CD's file at relative away until the test ends.
    void HideCdFile(const std::string& relative) {
        m_hiddenFile = SampleCdPath(relative);
        ASSERT_TRUE(::MoveFileA(m_hiddenFile.c_str(), (m_hiddenFile + ".hidden").c_str()));
    }
    // Makes (or grows) the CD's file at relative to 750 MiB.
    void MakeBigCdFile(const std::string& relative) {
        m_bigFile = SampleCdPath(relative);
        ReadFileBytes(m_bigFile, m_saved);
        HANDLE h =
            ::CreateFileA(m_bigFile.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, h);
        LARGE_INTEGER size;
        size.QuadPart = 750LL * 1048576;
        EXPECT_TRUE(::SetFilePointerEx(h, size, nullptr, FILE_BEGIN) && ::SetEndOfFile(h));
        ::CloseHandle(h);
    }
    void ExpectUserFilesKeptAndNoCopyLeft() {
        std::string bytes;
        EXPECT_TRUE(ReadFileBytes("T:\\mein.inx", bytes) && bytes == "the user's own script");
        EXPECT_TRUE(ReadFileBytes("T:\\Eigene\\Brief.txt", bytes) &&
                    bytes == "the user's own letter");
        EXPECT_EQ(std::vector<std::string>(), CdEntriesOn("T:"));
        EXPECT_FALSE(PathExists("T:\\setup.inx"));
    }

    std::string m_bigFile;
    std::string m_saved;
    std::string m_hiddenFile;
};

struct CdShape {
    const char* bigFile;
    const char* why;
};
const CdShape kCdShapes[] = {
    {"Handbuch.pdf", "a top-level file, copied before Disk1"},
    {"Disk1/data2.cab", "a file in Disk1"},
    {"movies/intro.avi", "a file in a folder copied after Disk1"},
};

TEST(CdMeasureTest, SumsClustersOfFilesAndFoldersAndTheCopyLeavesOutHiddenAndSystemOnes) {
    TempFolder cd;
    ASSERT_FALSE(cd.path().empty());
    // 50 folders of 60 files each, 1 to 60 bytes: each file takes one 4096-byte cluster.
    for (int folder = 0; folder < 50; ++folder) {
        const std::string dir = cd / ("f" + std::to_string(folder));
        ASSERT_TRUE(MakeFolder(dir));
        for (int file = 1; file <= 60; ++file)
            ASSERT_TRUE(WriteFileBytes(dir + "\\" + std::to_string(file), std::string(file, 'x')));
    }
    ASSERT_TRUE(WriteFileBytes(cd / "big", std::string(4097, 'x'))); // two clusters
    // What xcopy /E leaves out without /H: a hidden file, a system file, and a hidden folder with
    // a file in it (five clusters).
    for (const char* name : {"hidden.txt", "system.sys", "f0\\hidden.txt"})
        ASSERT_TRUE(WriteFileBytes(cd / name, "x"));
    ASSERT_TRUE(MakeFolder(cd / "secret"));
    ASSERT_TRUE(WriteFileBytes(cd / "secret\\inside.txt", "x"));
    for (const char* name : {"hidden.txt", "f0\\hidden.txt", "secret"})
        ASSERT_TRUE(::SetFileAttributesA((cd / name).c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(::SetFileAttributesA((cd / "system.sys").c_str(), FILE_ATTRIBUTE_SYSTEM));
    ULONGLONG bytes = 0, copied = 0;
    ASSERT_TRUE(MeasureCdCopy(cd.path().c_str(), 4096, bytes, copied));
    EXPECT_EQ((50ull + 3000ull + 2ull + 5ull) * 4096ull, bytes);
    EXPECT_EQ((50ull + 3000ull + 2ull) * 4096ull, copied);
    EXPECT_FALSE(MeasureCdCopy("Q:\\", 4096, bytes, copied)) << "a drive that cannot be read";
}

TEST_F(CopyFailureTest, ACdThatCannotFitIsRefusedBeforeAnythingIsWritten) {
    for (const CdShape& shape : kCdShapes) {
        const CaseTrace trace(shape.why);
        MakeBigCdFile(shape.bigFile);
        UiDriver ui;
        EXPECT_EQ(IDABORT, Run("D:\\", "T:\\", ui));
        ExpectOnlyMessage(ui, IDS_NO_SPACE);
        EXPECT_FALSE(PathExists("C:\\patch\\temp.bat"));
        ExpectUserFilesKeptAndNoCopyLeft();
        TearDown();
        SetUp();
    }
}

TEST_F(CopyFailureTest, ACopyThatFailsInsideTheBatchFileIsReportedAndCleanedUp) {
    // The space check believes in 100 GiB, so the batch file itself meets the full disk; the
    // last case's CD lacks its setup, which the copy cannot tell.
    g_freeSpace = FreeSpace::Fixed;
    g_freeBytes = 100LL << 30;
    const CdShape withoutSetup = {nullptr, "the CD's Disk1 holds no setup.exe"};
    for (const CdShape& shape : {kCdShapes[0], kCdShapes[1], withoutSetup}) {
        const CaseTrace trace(shape.why);
        if (shape.bigFile)
            MakeBigCdFile(shape.bigFile);
        else
            HideCdFile("Disk1/setup.exe");
        UiDriver ui;
        EXPECT_EQ(IDABORT, Run("D:\\", "T:\\", ui));
        ExpectOnlyMessage(ui, IDS_COPY_FAILED, MessageNaming(IDS_COPY_FAILED, "T:"));
        ExpectUserFilesKeptAndNoCopyLeft();
        TearDown();
        SetUp();
        g_freeSpace = FreeSpace::Fixed;
    }
}

TEST_F(PatchRunTest, LeftoversOfAnInterruptedRunAreRemovedOnlyWhenTheUserSaysSo) {
    ASSERT_TRUE(MakeFolder("H:\\Eigene"));
    ASSERT_TRUE(WriteFileBytes("H:\\Eigene\\Disk1.txt", "the user's own"));
    LayOutInterruptedRun("H:");
    // In the copy's Docs, a folder whose ANSI form leaves it for the user's H:\victim.
    ASSERT_TRUE(MakeFolder("H:\\victim"));
    ASSERT_TRUE(WriteFileBytes("H:\\victim\\precious.txt", "the user's own"));
    ASSERT_TRUE(
        ::CreateDirectoryW((std::wstring(L"H:\\Docs\\") + kFullWidthDots).c_str(), nullptr));
    {
        const CaseTrace trace("No: nothing is touched, the dialog stays");
        UiDriver ui;
        ui.AnswerWith(IDNO);
        EXPECT_EQ(IDABORT, Run("D:\\", "H:\\", ui));
        ASSERT_EQ(1u, ui.boxes().size());
        EXPECT_EQ(MessageNaming(IDS_REMOVE_LEFTOVERS, "H:"), ui.boxes()[0].text);
        EXPECT_EQ((std::vector<int>{IDYES, IDNO}), ui.boxes()[0].buttons);
        EXPECT_EQ(21u, CdEntriesOn("H:").size());
        EXPECT_TRUE(PathExists(std::string("H:\\") + kRunStampName));
        EXPECT_TRUE(StubRecord().empty());
    }
    {
        const CaseTrace trace("Yes: the leftovers go and the run completes");
        UiDriver ui;
        ui.AnswerWith(IDYES);
        EXPECT_EQ(IDOK, Run("D:\\", "H:\\", ui));
        EXPECT_EQ(1u, ui.boxes().size());
        EXPECT_EQ(1u, StubRecord()["exe"].size());
        EXPECT_EQ(std::vector<std::string>(), CdEntriesOn("H:"));
        EXPECT_FALSE(PathExists(std::string("H:\\") + kRunStampName)) << "the batch file keeps it";
        ExpectCdPathRecorded("D:");
    }
    EXPECT_TRUE(PathExists("H:\\Eigene\\Disk1.txt"));
    EXPECT_TRUE(PathExists("H:\\victim\\precious.txt"));
    RemoveTree("H:\\Eigene");
    RemoveTree("H:\\victim");
}

TEST_F(PatchRunTest, ACdNameTheAnsiCodePageCannotWriteIsMeasuredAsItselfAndPatches) {
    // The space check walks the CD: a best-fit name would lead it out of Docs, to nothing.
    SampleCdAdditions extra;
    extra.AddFolder(std::wstring(L"Docs\\") + kFullWidthDots);
    extra.AddFile(std::wstring(L"Docs\\") + kFullWidthDots + L"\\inhalt.txt", "inside");
    UiDriver ui;
    EXPECT_EQ(IDOK, Run("D:\\", "C:\\", ui));
    EXPECT_TRUE(ui.boxes().empty()) << ui.boxes()[0].text;
    ExpectCompletedRun("c:\\patch\\", "D:", "C:", kRecordPath);
}

TEST_F(PatchRunTest, WhatTheProgramDidNotMakeIsNeverRemovedAndNoUnsafeDiskIsUsed) {
    const std::string stamp = std::string("H:\\") + kRunStampName;
    SampleCdAdditions extra;
    const auto entryExists = [](const char* drive, const char* name) {
        return "Auf dem Laufwerk " + std::string(drive) + " gibt es bereits \x84" + name +
               "\x93. Es geh\xF6rt nicht zu den tempor\xE4ren Dateien dieser Installation und wird "
               "nicht ver\xE4ndert. Bitte w\xE4hlen Sie ein anderes Laufwerk.";
    };
    struct Case {
        const char* why;
        std::function<void()> layOut;
        const char* temp;    // the chosen temp disk's root
        std::string message; // the last message of the run
        const char* kept;    // a file that must still be there
        bool bStampKept;
    } cases[] = {
        {"a temp disk whose root every user may rearrange", [] {}, "W:\\",
         "Auf dem Laufwerk W: d\xFCrfen auch andere Benutzer Ordner umbenennen und l\xF6schen. Die "
         "tempor\xE4ren Dateien w\xE4ren dort nicht sicher. Bitte w\xE4hlen Sie ein anderes "
         "Laufwerk.",
         nullptr, false},
        {"leftovers whose Disk1 was replaced since the stamp was written",
         [] {
             LayOutInterruptedRun("H:");
             ReplaceWithUsersOwn("H:\\Disk1");
         },
         "H:\\", entryExists("H:", "Disk1"), "H:\\Disk1\\mine.txt", true},
        {"a kept stamp whose Docs went, and a Docs the user made since",
         [] {
             LayOutInterruptedRun("H:");
             // The batch file's clean-up got through all but Tools and Docs.
             for (const CdEntry& entry : kCdEntries)
                 if (std::string(entry.name) != "Tools" && std::string(entry.name) != "Docs")
                     RemoveTree(std::string("H:\\") + entry.name);
             ReplaceWithUsersOwn("H:\\Docs");
         },
         "H:\\", entryExists("H:", "Docs"), "H:\\Docs\\mine.txt", true},
        {"a stamp without records (an earlier version's) beside leftovers",
         [&] {
             LayOutInterruptedRun("H:");
             ASSERT_TRUE(WriteFileBytes(stamp, "CD=D:\r\n"));
         },
         "H:\\", entryExists("H:", "Disk1"), "H:\\Docs\\copied.txt", true},
        {"an entry recorded by the stamp that another account owns",
         [] {
             LayOutInterruptedRun("H:");
             g_otherOwnerPath = "H:\\Tools"; // an unprivileged user's, however it came there
         },
         "H:\\", entryExists("H:", "Tools"), "H:\\Tools\\copied.txt", true},
        {"a folder named like the stamp beside a user's Docs",
         [&] {
             ASSERT_TRUE(MakeFolder(stamp));
             ASSERT_TRUE(MakeFolder("H:\\Docs"));
             ASSERT_TRUE(WriteFileBytes("H:\\Docs\\Brief.txt", "the user's own"));
         },
         "H:\\", entryExists("H:", "Docs"), "H:\\Docs\\Brief.txt", true},
        {"volume flags that cannot be read",
         [] {
             LayOutInterruptedRun("H:");
             g_unreadableFlagsRoot = "H:\\";
         },
         "H:\\",
         "Das Laufwerk H: kann die tempor\xE4ren Dateien nicht vor \xC4nderungen sch\xFCtzen. "
         "Bitte w\xE4hlen Sie ein Laufwerk mit NTFS.",
         "H:\\Disk1\\copied.txt", true},
        {"a stamp whose DACL lets Everyone write it",
         [&] {
             LayOutInterruptedRun("H:");
             LetEveryoneWrite(stamp);
         },
         "H:\\", entryExists("H:", "Disk1"), "H:\\Disk1\\copied.txt", true},
        {"the user's SID where the program's own files get Administrators: the root's entry for "
         "the user (Wine's DACL from the mode) is not trusted",
         [] {
             LayOutInterruptedRun("H:");
             g_administratorsOwn = {"C:\\patch\\setup.inx", "H:\\"};
         },
         "H:\\",
         "Auf dem Laufwerk H: d\xFCrfen auch andere Benutzer Ordner umbenennen und l\xF6schen. Die "
         "tempor\xE4ren Dateien w\xE4ren dort nicht sicher. Bitte w\xE4hlen Sie ein anderes "
         "Laufwerk.",
         "H:\\Disk1\\copied.txt", true},
        {"a CD with a top-level name beyond the product's, which the user has too",
         [&] {
             extra.AddFile(L"notes.txt", "another revision's notes");
             ASSERT_TRUE(WriteFileBytes("H:\\notes.txt", "the user's own notes"));
         },
         "H:\\",
         "Die CD enth\xE4lt \x84notes.txt\x93, das nicht zur NebuLark 5 CD geh\xF6rt. Bitte legen "
         "Sie die NebuLark 5 CD in Ihr CD-Laufwerk ein, und versuchen Sie es erneut.",
         "H:\\notes.txt", false},
        // Last, on a disk of its own: where it fails, it empties that disk.
        {"a stamp the program did not write, recording the disk's root and a user's folder",
         [] {
             // T: holds exactly 680 MiB; the run must meet the stamp, not the space check.
             g_freeSpace = FreeSpace::Fixed;
             g_freeBytes = 100LL << 30;
             ASSERT_TRUE(MakeFolder("T:\\Backups"));
             ASSERT_TRUE(WriteFileBytes("T:\\Backups\\keep.txt", "the user's own"));
             const std::vector<StampRecord> records = {{"", IdAt("T:\\")},
                                                       {"Backups", IdAt("T:\\Backups")}};
             ASSERT_TRUE(WriteFileBytes(std::string("T:\\") + kRunStampName,
                                        FormatStamp("CD=D:\r\n", records)));
         },
         "T:\\", entryExists("T:", kRunStampName), "T:\\Backups\\keep.txt", true},
    };
    for (const Case& c : cases) {
        const CaseTrace trace(c.why);
        const std::string drive = std::string(c.temp).substr(0, 2);
        if (!DriveExists(drive.c_str()))
            GTEST_SKIP() << drive << " is missing from the prefix";
        RemoveCdEntriesFrom(drive);
        RemoveTree(drive + "\\" + kRunStampName);
        g_otherOwnerPath.clear();
        g_administratorsOwn.clear();
        g_unreadableFlagsRoot.clear();
        g_freeSpace = FreeSpace::Real;
        extra.RemoveAll();
        c.layOut();
        const std::vector<std::string> before = CdEntriesOn(drive);
        std::string keptBefore, keptAfter;
        if (c.kept) {
            ASSERT_TRUE(ReadFileBytes(c.kept, keptBefore));
        }
        UiDriver ui;
        ui.AnswerWith(IDYES); // to the offer to remove leftovers, where it comes
        EXPECT_EQ(IDABORT, Run("D:\\", c.temp, ui));
        ASSERT_FALSE(ui.boxes().empty());
        EXPECT_EQ(c.message, ui.boxes().back().text);
        EXPECT_EQ(before, CdEntriesOn(drive)) << "an entry was made or removed";
        if (c.kept) {
            EXPECT_TRUE(ReadFileBytes(c.kept, keptAfter) && keptAfter == keptBefore) << c.kept;
        }
        EXPECT_EQ(c.bStampKept, PathExists(drive + "\\" + kRunStampName));
        EXPECT_TRUE(StubRecord().empty());
    }
    g_otherOwnerPath.clear();
    g_administratorsOwn.clear();
    g_unreadableFlagsRoot.clear();
    RemoveCdEntriesFrom("H:");
    RemoveTree(stamp);
    ::DeleteFileA("H:\\notes.txt");
    RemoveTree("T:\\Backups");
    RemoveTree(std::string("T:\\") + kRunStampName);
}

TEST_F(PatchRunTest, ATempDiskWithoutAclsIsRefusedWhereTheSystemDiskKeepsThem) {
    DWORD flags = 0;
    ASSERT_TRUE(RealPatchSystem().GetVolumeFlags("C:\\", flags));
    ASSERT_TRUE(flags & FILE_PERSISTENT_ACLS) << "the system volume keeps no ACLs here";
    g_noAclRoot = "H:\\";
    UiDriver ui;
    EXPECT_EQ(IDABORT, Run("D:\\", "H:\\", ui));
    ExpectOnlyMessage(ui, IDS_TEMP_DISK_UNPROTECTED,
                      "Das Laufwerk H: kann die tempor\xE4ren Dateien nicht vor \xC4nderungen "
                      "sch\xFCtzen. Bitte w\xE4hlen Sie ein Laufwerk mit NTFS.");
    EXPECT_EQ(std::vector<std::string>(), CdEntriesOn("H:"));
    EXPECT_FALSE(PathExists(std::string("H:\\") + kRunStampName));
    EXPECT_FALSE(PathExists("C:\\patch\\temp.bat"));
}

TEST_F(PatchRunTest, ACopyStillInUseAtTheCleanUpKeepsTheStampAndTheNextRunOffersToRemoveIt) {
    SetStubSleepMs(1500);
    // While the product's setup runs, something opens a file of the copy and keeps it open, as
    // a virus scanner or a helper left running by the setup would.
    HANDLE hInUse = INVALID_HANDLE_VALUE;
    UiDriver ui;
    ui.onTick = [&] {
        if (hInUse == INVALID_HANDLE_VALUE && !StubRecord().empty())
            hInUse = ::CreateFileA("H:\\Docs\\Deutsch\\Handbuch.txt", GENERIC_READ, FILE_SHARE_READ,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
    };
    EXPECT_EQ(IDOK, Run("D:\\", "H:\\", ui));
    ASSERT_NE(INVALID_HANDLE_VALUE, hInUse) << "the copy was never opened";
    // The user learns of what is left, and on which disk.
    ASSERT_EQ(1u, ui.boxes().size());
    EXPECT_EQ(MessageNaming(IDS_LEFTOVERS_AFTER_SETUP, "H:"), ui.boxes()[0].text);
    EXPECT_NE(std::string::npos, ui.boxes()[0].text.find(" H: "));
    ExpectCdPathRecorded("D:");
    EXPECT_TRUE(PathExists("H:\\Docs\\Deutsch\\Handbuch.txt"));
    EXPECT_TRUE(PathExists(std::string("H:\\") + kRunStampName));
    ::CloseHandle(hInUse);

    UiDriver next;
    next.AnswerWith(IDNO);
    EXPECT_EQ(IDABORT, Run("D:\\", "H:\\", next));
    ASSERT_EQ(1u, next.boxes().size());
    EXPECT_EQ(MessageNaming(IDS_REMOVE_LEFTOVERS, "H:"), next.boxes()[0].text);
}

TEST_F(PatchRunTest, AnXcopyBatAtTheTempDisksRootDoesNotRunAndTheRunPatches) {
    // The batch file works at the temp disk's root, where any user may place files.
    ASSERT_TRUE(WriteFileBytes("C:\\xcopy.bat", "@echo planted> C:\\records\\planted.txt\r\n"));
    UiDriver ui;
    EXPECT_EQ(IDOK, Run("D:\\", "C:\\", ui));
    ::DeleteFileA("C:\\xcopy.bat");
    EXPECT_TRUE(ui.boxes().empty());
    EXPECT_FALSE(PathExists("C:\\records\\planted.txt")) << "the planted xcopy.bat ran";
    ExpectCompletedRun("c:\\patch\\", "D:", "C:", kRecordPath);
    ExpectCdPathRecorded("D:");
}

TEST_F(PatchRunTest, AStampWithoutACopyBesideItIsSimplyRemoved) {
    ASSERT_TRUE(WriteFileBytes(std::string("H:\\") + kRunStampName, "CD=D:\r\n"));
    UiDriver ui;
    EXPECT_EQ(IDOK, Run("D:\\", "H:\\", ui));
    EXPECT_TRUE(ui.boxes().empty());
    EXPECT_FALSE(PathExists(std::string("H:\\") + kRunStampName));
}

TEST_F(PatchRunTest, ABatchFileThatCannotBeCreatedIsReported) {
    ASSERT_TRUE(MakeFolder("C:\\patch\\temp.bat")); // a folder in its place
    UiDriver ui;
    EXPECT_EQ(IDABORT, Run("D:\\", "C:\\", ui));
    ExpectOnlyMessage(ui, IDS_CANNOT_CREATE_BAT);
}

TEST_F(PatchRunTest, ABatchFileThatCannotBeStartedIsAFailureAndRecordsNothing) {
    ASSERT_TRUE(SettingsKeyCreate());
    g_failStart = true;
    UiDriver ui;
    EXPECT_EQ(IDABORT, Run("D:\\", "C:\\", ui));
    ExpectOnlyMessage(ui, IDS_CANNOT_START_BAT);
    std::string cdPath;
    DWORD type;
    EXPECT_FALSE(ReadCdPath(cdPath, type));
    EXPECT_EQ(nullptr, FindThreadDialog(kWaitCaption));
    EXPECT_FALSE(PathExists(std::string("C:\\") + kRunStampName)) << "the stamp is left";
}

TEST_F(PatchRunTest, AUsersOwnEntryWithACdNameOnTheTargetStopsTheRunAndIsKept) {
    ASSERT_TRUE(MakeFolder("H:\\Tools"));
    ASSERT_TRUE(WriteFileBytes("H:\\Tools\\mine.txt", "the user's own"));
    UiDriver ui;
    EXPECT_EQ(IDABORT, Run("D:\\", "H:\\", ui));
    ExpectOnlyMessage(
        ui, IDS_TARGET_ENTRY_EXISTS,
        "Auf dem Laufwerk H: gibt es bereits \x84Tools\x93. Es geh\xF6rt nicht zu den "
        "tempor\xE4ren Dateien dieser Installation und wird nicht ver\xE4ndert. Bitte "
        "w\xE4hlen Sie ein anderes Laufwerk.");
    EXPECT_TRUE(PathExists("H:\\Tools\\mine.txt"));
    EXPECT_FALSE(PathExists("C:\\patch\\temp.bat"));
    RemoveTree("H:\\Tools");
}

TEST_F(PatchRunTest, TheWaitSurvivesAThrowingHandlerAndAQuitMessage) {
    SetStubSleepMs(2500);
    PatchHostDlg* pHost = nullptr;
    bool posted = false;
    UiDriver ui;
    ui.onTick = [&] {
        HWND hWait = FindThreadDialog(kWaitCaption);
        HWND hHost = FindThreadDialog(kPatchCaption);
        if (!posted && hWait && hHost) {
            posted = true;
            pHost = reinterpret_cast<PatchHostDlg*>(::GetWindowLongPtrA(hHost, DWLP_USER));
            ::PostMessageA(hHost, WM_TEST_THROW, 0, 0);
            ::PostQuitMessage(0);
            ::PostMessageA(hHost, WM_TEST_THROW, 0, 0);
        }
    };
    PatchHostDlg dlg("D:\\", "C:\\", kTestSystem);
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_FALSE(ui.timedOut());
    EXPECT_TRUE(posted);
    EXPECT_EQ(2, dlg.m_nThrown);
    EXPECT_TRUE(ui.boxes().empty());
    EXPECT_EQ(1u, StubRecord()["exe"].size());
    // The quit message was taken by the wait and went nowhere else.
    MSG msg;
    EXPECT_FALSE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

} // namespace
