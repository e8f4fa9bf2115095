// The real install.exe as its own process, driven from outside the way a user would drive it,
// against the sample product CD in D:.
#include "RemoteUi.h"

#include "CaseTrace.h"

#include "RunChecks.h"
#include "TestDrives.h"
#include "TestFiles.h"
#include "TimeLimits.h"

#include "framework/Handle.h"
#include "framework/ResString.h"
#include "patch/RunStamp.h"
#include "res/Caption.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>

namespace {

const char kRecordPath[] = "C:\\records\\e2e.txt";
const std::string kStamp = std::string("C:\\") + kRunStampName;

// What the program shows now, for a test that fails: its message and the wait window's step.
std::string Shows(const RemoteProgram& program) {
    HWND hBox = program.WaitForMessageBox(kPatchCaption, 0);
    HWND hWait = program.WaitForDialog(kWaitCaption, 0);
    return "; it shows the message \"" + (hBox ? WindowText(::GetDlgItem(hBox, 0xFFFF)) : "") +
           "\" and the step \"" + (hWait ? WindowText(::GetDlgItem(hWait, IDC_WAIT_STEP)) : "") +
           "\"";
}

// A visible message box of the program with this text, waited for; null on timeout, when what
// the program shows instead is printed.
HWND WaitForMessage(const RemoteProgram& program, const std::string& text) {
    for (int i = 0; i < 100; ++i) {
        HWND hBox = program.WaitForMessageBox(kPatchCaption, 200);
        if (hBox && WindowText(::GetDlgItem(hBox, 0xFFFF)) == text)
            return hBox;
        ::Sleep(50);
    }
    std::printf("waited in vain for \"%s\"%s\n", text.c_str(), Shows(program).c_str());
    return nullptr;
}

// Waits for the program to end after a run, and says what it shows if it does not.
void ExpectEndedAfterTheRun(const RemoteProgram& program) {
    ASSERT_EQ(0u, program.WaitForExit())
        << "the program did not end after the run" << Shows(program);
}

// With the settings key in place, starts the program from folder, clicks "Weiter >>>" in its
// dialog and waits for it to end.
void RunToTheEnd(const std::string& exePath, const std::string& folder) {
    ASSERT_TRUE(SettingsKeyCreate());
    RemoteProgram program(exePath, folder);
    ASSERT_TRUE(program.Ok()) << "CreateProcess failed: " << program.StartError();
    HWND hDlg = program.WaitForDialog(kPatchCaption);
    ASSERT_NE(nullptr, hDlg);
    Click(::GetDlgItem(hDlg, IDC_NEXT));
    ExpectEndedAfterTheRun(program);
}

// Goes through the program's dialog with the slow CD K: (the last CD drive) and the settings key
// in place, clicks "Weiter >>>" and answers the wait window, or null; hDlg is the main dialog.
HWND StartSlowCopy(const RemoteProgram& program, HWND& hDlg) {
    hDlg = nullptr;
    if (!SettingsKeyCreate() || !program.Ok())
        return nullptr;
    hDlg = program.WaitForDialog(kPatchCaption);
    if (!hDlg)
        return nullptr;
    ChooseLastDrive(::GetDlgItem(hDlg, IDC_CD_DRIVE));
    Click(::GetDlgItem(hDlg, IDC_NEXT));
    return program.WaitForDialog(kWaitCaption, 10000);
}

// The processes of a batch run that are still there: the command interpreter, xcopy, the setup.
int BatchProcessesLeft() {
    const CHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = ::Process32First(snapshot, &entry); more;
         more = ::Process32Next(snapshot, &entry))
        for (const char* name : {"cmd.exe", "xcopy.exe", "setup.exe"})
            count += lstrcmpiA(entry.szExeFile, name) == 0;
    return count;
}

// What the wait window shows: its step line, the bar and its range, and whether "Abbrechen" is
// enabled.
struct WaitView {
    std::string step;
    int position, low, high;
    bool canCancel;
};
// Read from outside, one control after the other: a reading during a change of step comes out
// empty (the step line read before and after differs) and is taken again.
WaitView ReadWaitWindow(HWND hWait) {
    for (;;) {
        HWND hStep = ::GetDlgItem(hWait, IDC_WAIT_STEP);
        HWND hBar = ::GetDlgItem(hWait, IDC_WAIT_PROGRESS);
        const WaitView view = {WindowText(hStep),
                               static_cast<int>(::SendMessageA(hBar, PBM_GETPOS, 0, 0)),
                               static_cast<int>(::SendMessageA(hBar, PBM_GETRANGE, TRUE, 0)),
                               static_cast<int>(::SendMessageA(hBar, PBM_GETRANGE, FALSE, 0)),
                               ::IsWindowEnabled(::GetDlgItem(hWait, IDCANCEL)) != FALSE};
        if (!::IsWindow(hWait) || WindowText(hStep) == view.step)
            return view;
    }
}

bool IsCopyStep(const WaitView& view) {
    return view.step.rfind("Die CD wird kopiert: ", 0) == 0;
}

class EndToEndTest : public testing::Test {
protected:
    void SetUp() override {
        RemoveCdEntriesFrom("C:");
        ::DeleteFileA(kStamp.c_str());
        RemoveTree("C:\\patch");
        RemoveTree("C:\\records");
        ASSERT_TRUE(MakeFolder("C:\\patch"));
        ASSERT_TRUE(MakeFolder("C:\\records"));
        ASSERT_TRUE(
            ::CopyFileA(BinaryPath("install.exe").c_str(), "C:\\patch\\install.exe", FALSE));
        ::SetEnvironmentVariableA("STUB_RECORD", kRecordPath);
        SetStubSleepMs(1500);
        SettingsKeyDelete();
    }
    void TearDown() override {
        RemoveCdEntriesFrom("C:");
        ::DeleteFileA(kStamp.c_str());
        RemoveTree("C:\\patch");
        RemoveTree("C:\\records");
        SettingsKeyDelete();
    }
};

TEST_F(EndToEndTest, WeiterPatchesTheProductFromTheSampleCdAndEnds) {
    ASSERT_TRUE(SettingsKeyCreate());
    RemoteProgram program("C:\\patch\\install.exe", "C:\\patch");
    ASSERT_TRUE(program.Ok()) << "CreateProcess failed: " << program.StartError();
    HWND hDlg = program.WaitForDialog(kPatchCaption);
    ASSERT_NE(nullptr, hDlg);

    HWND hCd = ::GetDlgItem(hDlg, IDC_CD_DRIVE);
    HWND hTemp = ::GetDlgItem(hDlg, IDC_TEMP_DRIVE);
    EXPECT_EQ(0, ::SendMessageA(hCd, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(0, ::SendMessageA(hTemp, CB_GETCURSEL, 0, 0));
    // The items are read from the program's memory, which cannot work where it runs under qemu
    // user-mode: its addresses are not the host's. The window tests check the lists in-process.
    const bool readsItems = std::getenv("INSTALL_WINE_QEMU") == nullptr;
    if (readsItems) {
        EXPECT_EQ("D:\\", program.ItemRoot(hCd, 0));
        EXPECT_NE(std::string::npos, program.ItemText(hCd, 0).find("D:"))
            << program.ItemText(hCd, 0);
    }
    // Pick the second fixed disk, then back to C: as a user might.
    const int fixedCount = static_cast<int>(::SendMessageA(hTemp, CB_GETCOUNT, 0, 0));
    ASSERT_GE(fixedCount, 2);
    if (readsItems) {
        EXPECT_EQ("H:\\", program.ItemRoot(hTemp, 1));
    }
    ::SendMessageA(hTemp, CB_SETCURSEL, 1, 0);
    ::SendMessageA(hTemp, CB_SETCURSEL, 0, 0);
    if (readsItems) {
        EXPECT_EQ("C:\\", program.ItemRoot(hTemp, 0));
    }

    Click(::GetDlgItem(hDlg, IDC_NEXT));
    HWND hWait = program.WaitForDialog(kWaitCaption, 10000);
    EXPECT_NE(nullptr, hWait) << "no wait window";
    if (hWait) {
        EXPECT_EQ("Bitte warten...", WindowText(::GetWindow(hWait, GW_CHILD)));
        // The dialog is disabled right after the wait window is shown.
        for (int i = 0; i < 100 && ::IsWindowEnabled(hDlg); ++i)
            ::Sleep(10);
        EXPECT_FALSE(::IsWindowEnabled(hDlg));
        // While the batch file runs, nobody can rewrite, replace or delete what it runs on.
        for (const char* path : {"C:\\patch\\temp.bat", "C:\\patch\\setup.inx"}) {
            for (DWORD access : {DWORD(GENERIC_WRITE), DWORD(DELETE)}) {
                HANDLE h = ::CreateFileA(path, access,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, 0, nullptr);
                EXPECT_EQ(INVALID_HANDLE_VALUE, h) << path << " opened with access " << access;
                EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), ::GetLastError()) << path;
                if (h != INVALID_HANDLE_VALUE)
                    ::CloseHandle(h);
            }
        }
    }
    ASSERT_NO_FATAL_FAILURE(ExpectEndedAfterTheRun(program));

    ExpectCompletedRun("c:\\patch\\", "D:", "C:", kRecordPath);

    ExpectCdPathRecorded("D:");
}

TEST_F(EndToEndTest, WhileTheCdIsCopiedTheWaitWindowShowsHowFarAndThenTheSetup) {
    if (!DriveExists(drives::kCdSlow))
        GTEST_SKIP() << "the slow CD K: needs a run as root with /dev/fuse";
    RemoteProgram program("C:\\patch\\install.exe", "C:\\patch");
    HWND hDlg = nullptr;
    HWND hWait = StartSlowCopy(program, hDlg);
    ASSERT_NE(nullptr, hWait) << "no wait window";
    EXPECT_EQ("Bitte warten...", WindowText(::GetDlgItem(hWait, 0xFFFF)));

    // Read as a user would watch it, until the setup runs.
    std::vector<WaitView> copying;
    WaitView setup = {};
    const DWORD deadline = ::GetTickCount() + ScaledMs(30000);
    while (static_cast<LONG>(deadline - ::GetTickCount()) > 0 && ::IsWindow(hWait)) {
        const WaitView view = ReadWaitWindow(hWait);
        if (IsCopyStep(view)) {
            copying.push_back(view);
        } else if (view.step == LoadResString(IDS_STEP_SETUP).str()) {
            // The step has just changed: a moment later the window is settled (the stub sleeps).
            ::Sleep(ScaledMs(300));
            setup = ReadWaitWindow(hWait);
            break;
        }
        ::Sleep(100);
    }
    ASSERT_GE(copying.size(), 3u) << "the copy was not seen three times";
    // "Abbrechen" comes once the copy is seen to run, and stays while it runs.
    bool bOffered = false;
    for (size_t i = 0; i < copying.size(); ++i) {
        const CaseTrace trace("reading " + std::to_string(i) + ": " + copying[i].step);
        // 24 MiB of cabinet and the sample's small files, counted up to whole megabytes.
        EXPECT_NE(std::string::npos, copying[i].step.find(" von 25 MB."));
        EXPECT_LE(copying[i].low, copying[i].position);
        EXPECT_LE(copying[i].position, copying[i].high);
        // Withdrawn once the copy's xcopy has ended, before the setup is seen: the bar is full.
        EXPECT_TRUE(copying[i].canCancel || !bOffered || copying[i].position == copying[i].high)
            << "withdrawn during the copy";
        bOffered = bOffered || copying[i].canCancel;
        if (i > 0) {
            EXPECT_LE(copying[i - 1].position, copying[i].position) << "the bar went back";
        }
    }
    EXPECT_TRUE(bOffered) << "never offered during the copy";
    EXPECT_LT(copying.front().position, copying.back().position) << "the bar did not rise";
    EXPECT_EQ(LoadResString(IDS_STEP_SETUP).str(), setup.step) << "the setup step was not seen";
    EXPECT_EQ(setup.high, setup.position) << "the copy is complete once the setup runs";
    EXPECT_FALSE(setup.canCancel) << "the setup runs: it has its own Cancel";

    ASSERT_NO_FATAL_FAILURE(ExpectEndedAfterTheRun(program));
    ExpectCompletedRun("c:\\patch\\", "K:", "C:", kRecordPath);
    ExpectCdPathRecorded("K:");
}

TEST_F(EndToEndTest, AbbrechenDuringTheCopyStopsEverythingAndWeiterWorksAgain) {
    if (!DriveExists(drives::kCdSlow))
        GTEST_SKIP() << "the slow CD K: needs a run as root with /dev/fuse";
    RemoteProgram program("C:\\patch\\install.exe", "C:\\patch");
    HWND hDlg = nullptr;
    HWND hWait = StartSlowCopy(program, hDlg);
    ASSERT_NE(nullptr, hWait) << "no wait window";
    // Well into the copy.
    WaitView view = {};
    for (int i = 0; i < 300; ++i) {
        view = ReadWaitWindow(hWait);
        if (IsCopyStep(view) && view.canCancel && view.position > 0)
            break;
        ::Sleep(20);
    }
    ASSERT_TRUE(IsCopyStep(view) && view.canCancel && view.position > 0) << view.step;

    Click(::GetDlgItem(hWait, IDCANCEL));
    HWND hAsk = WaitForMessage(program, LoadResString(IDS_CONFIRM_STOP_COPY).str());
    ASSERT_NE(nullptr, hAsk);
    EXPECT_TRUE(::GetWindowLongA(::GetDlgItem(hAsk, IDNO), GWL_STYLE) & BS_DEFPUSHBUTTON)
        << "No is not the default";
    Click(::GetDlgItem(hAsk, IDYES));
    HWND hDone = WaitForMessage(program, LoadResString(IDS_INSTALL_CANCELLED).str());
    ASSERT_NE(nullptr, hDone) << "the stop was not reported";
    EXPECT_EQ(0, BatchProcessesLeft()) << "processes of the batch file are left";
    EXPECT_EQ(std::vector<std::string>(), CdEntriesOn("C:"));
    EXPECT_FALSE(PathExists(kStamp));
    std::string cdPath;
    DWORD type;
    EXPECT_FALSE(ReadCdPath(cdPath, type)) << "CDPath was recorded";
    EXPECT_TRUE(ReadStubRecord(kRecordPath).empty()) << "the product's setup was started";
    Click(::GetDlgItem(hDone, IDOK));
    for (int i = 0; i < 100 && !::IsWindowEnabled(hDlg); ++i)
        ::Sleep(20);
    EXPECT_TRUE(::IsWindowEnabled(hDlg)) << "the main dialog stays disabled";

    // Another try runs to its end.
    Click(::GetDlgItem(hDlg, IDC_NEXT));
    ASSERT_EQ(0u, program.WaitForExit())
        << "the program did not end after the second run" << Shows(program);
    ExpectCompletedRun("c:\\patch\\", "K:", "C:", kRecordPath);
    ExpectCdPathRecorded("K:");
}

TEST_F(EndToEndTest, ANameOfTheCopyCannotBeTakenByAnotherDuringTheRun) {
    ASSERT_TRUE(SettingsKeyCreate());
    std::string cdFile;
    ASSERT_TRUE(ReadFileBytes("D:\\Readme.txt", cdFile));
    RemoteProgram program("C:\\patch\\install.exe", "C:\\patch");
    ASSERT_TRUE(program.Ok()) << "CreateProcess failed: " << program.StartError();
    HWND hDlg = program.WaitForDialog(kPatchCaption);
    ASSERT_NE(nullptr, hDlg);
    Click(::GetDlgItem(hDlg, IDC_NEXT));
    for (int i = 0; i < 400 && ReadStubRecord(kRecordPath).empty(); ++i)
        ::Sleep(25);
    ASSERT_FALSE(ReadStubRecord(kRecordPath).empty()) << "the setup never started";
    // While the product's setup runs, someone tries to make a folder of a CD file's name at the
    // root, for the clean-up's "del /Q Readme.txt" to reach into. The program made the name its
    // own before the copy: it cannot be taken, and the copy stays as it was.
    EXPECT_FALSE(::CreateDirectoryA("C:\\Readme.txt", nullptr));
    EXPECT_EQ(DWORD(ERROR_ALREADY_EXISTS), ::GetLastError());
    std::string copied;
    EXPECT_TRUE(ReadFileBytes("C:\\Readme.txt", copied));
    EXPECT_EQ(cdFile, copied);
    ASSERT_NO_FATAL_FAILURE(ExpectEndedAfterTheRun(program));
    EXPECT_FALSE(PathExists("C:\\Readme.txt")) << "the clean-up left the program's copy";
    ExpectCdPathRecorded("D:");
}

TEST_F(EndToEndTest, LeftoversWithAFileInUseKeepTheStampUntilTheyCanAllGo) {
    LayOutInterruptedRun("C:");
    ASSERT_TRUE(SettingsKeyCreate());
    // Held without delete sharing, as a virus scanner or a viewer would hold it.
    HANDLE hHeld = ::CreateFileA("C:\\Docs\\copied.txt", GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hHeld);
    RemoteProgram program("C:\\patch\\install.exe", "C:\\patch");
    ASSERT_TRUE(program.Ok()) << "CreateProcess failed: " << program.StartError();
    HWND hDlg = program.WaitForDialog(kPatchCaption);
    ASSERT_NE(nullptr, hDlg);
    Click(::GetDlgItem(hDlg, IDC_NEXT));
    HWND hOffer = WaitForMessage(program, MessageNaming(IDS_REMOVE_LEFTOVERS, "C:"));
    ASSERT_NE(nullptr, hOffer);
    Click(::GetDlgItem(hOffer, IDYES));
    HWND hLeft = WaitForMessage(program, MessageNaming(IDS_LEFTOVERS_REMAIN, "C:"));
    ASSERT_NE(nullptr, hLeft) << "no word that files are left";
    Click(::GetDlgItem(hLeft, IDOK));
    ASSERT_EQ(hDlg, program.WaitForDialog(kPatchCaption));
    EXPECT_TRUE(PathExists(kStamp)) << "the stamp went while files of the copy stay";
    EXPECT_EQ(std::vector<std::string>{"Docs"}, StampRecordNames("C:"))
        << "it lists only what stayed";
    EXPECT_TRUE(PathExists("C:\\Docs\\copied.txt"));
    ::CloseHandle(hHeld);

    // Once the file is free, the next try offers the removal again and then patches.
    Click(::GetDlgItem(hDlg, IDC_NEXT));
    hOffer = WaitForMessage(program, MessageNaming(IDS_REMOVE_LEFTOVERS, "C:"));
    ASSERT_NE(nullptr, hOffer);
    Click(::GetDlgItem(hOffer, IDYES));
    ASSERT_NO_FATAL_FAILURE(ExpectEndedAfterTheRun(program));
    ExpectCompletedRun("c:\\patch\\", "D:", "C:", kRecordPath);
    EXPECT_FALSE(PathExists(kStamp));
    ExpectCdPathRecorded("D:");
}

TEST_F(EndToEndTest, AProgramFolderWithPercentSignsRunsToTheEnd) {
    // A folder name that the command interpreter would read as %TEMP% on its command line.
    const std::string folder = "C:\\patch\\Patch %TEMP% v2";
    ASSERT_TRUE(MakeFolder(folder));
    ASSERT_TRUE(
        ::CopyFileA(BinaryPath("install.exe").c_str(), (folder + "\\install.exe").c_str(), FALSE));
    ASSERT_NO_FATAL_FAILURE(RunToTheEnd(folder + "\\install.exe", folder));
    ExpectCompletedRun("c:\\patch\\patch %temp% v2\\", "D:", "C:", kRecordPath);
    ExpectCdPathRecorded("D:");
}

TEST_F(EndToEndTest, DllsPlacedBesideTheProgramAreNeverLoaded) {
    // Any local user may write into a folder such as C:\Patch; the program runs as administrator.
    // These are the names the system would otherwise look for in the program's folder first.
    const char* const names[] = {"shcore", "dwmapi", "propsys", "userenv", "cryptbase", "profapi"};
    const std::string planted = BinaryPath("tests/planted.dll");
    for (const char* name : names)
        ASSERT_TRUE(::CopyFileA(planted.c_str(),
                                (std::string("C:\\patch\\") + name + ".dll").c_str(), FALSE))
            << name;
    ASSERT_NO_FATAL_FAILURE(RunToTheEnd("C:\\patch\\install.exe", "C:\\patch"));
    ExpectCdPathRecorded("D:");
    for (const char* name : names)
        EXPECT_FALSE(PathExists(std::string("C:\\patch\\") + name + ".dll.planted"))
            << name << ".dll was loaded from the program's folder";
}

TEST_F(EndToEndTest, AnInstanceMutexItMayNotOpenMeansACopyRunsElsewhereAndIsSaid) {
    // Another session's copy holds the mutex, and this one may only wait on it: SYNCHRONIZE for
    // everyone, nothing more.
    BYTE everyone[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof everyone;
    ASSERT_TRUE(::CreateWellKnownSid(WinWorldSid, nullptr, everyone, &sidSize));
    DWORD aclBytes[32] = {};
    PACL acl = reinterpret_cast<PACL>(aclBytes);
    SECURITY_DESCRIPTOR descriptor;
    ASSERT_TRUE(::InitializeAcl(acl, sizeof aclBytes, ACL_REVISION) &&
                ::AddAccessAllowedAce(acl, ACL_REVISION, SYNCHRONIZE, everyone) &&
                ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
                ::SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE));
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, &descriptor, FALSE};
    HANDLE hMutex = ::CreateMutexA(&attributes, FALSE, kSingleInstanceMutex);
    ASSERT_NE(nullptr, hMutex);

    RemoteProgram program("C:\\patch\\install.exe", "C:\\patch");
    ASSERT_TRUE(program.Ok()) << "CreateProcess failed: " << program.StartError();
    HWND hBox = program.WaitForMessageBox(kPatchCaption);
    ASSERT_NE(nullptr, hBox) << "nothing was said";
    EXPECT_EQ(LoadResString(IDS_ALREADY_RUNNING).str(), WindowText(::GetDlgItem(hBox, 0xFFFF)));
    EXPECT_EQ(nullptr, ::GetDlgItem(hBox, IDCANCEL));
    EXPECT_EQ(nullptr, program.WaitForDialog(kPatchCaption, 0)) << "a main dialog opened";
    Click(::GetDlgItem(hBox, IDOK));
    EXPECT_EQ(0u, program.WaitForExit(20000));
    EXPECT_FALSE(PathExists("C:\\patch\\setup.inx"));
    ::CloseHandle(hMutex);
}

TEST_F(EndToEndTest, AFolderTheAnsiCodePageCannotNameIsReachedThroughItsShortForm) {
    // "Łódź": Ł and ź are not in code page 1252, so no ANSI path names this folder.
    const wchar_t folder[] = L"C:\\patch\\\u0141\u00f3d\u017a";
    ASSERT_TRUE(::CreateDirectoryW(folder, nullptr));
    const std::wstring exe = std::wstring(folder) + L"\\install.exe";
    const std::string built = BinaryPath("install.exe");
    ASSERT_TRUE(::CopyFileA(built.c_str(), "C:\\patch\\install.exe", FALSE));
    ASSERT_TRUE(::MoveFileW(L"C:\\patch\\install.exe", exe.c_str()));
    // The test starts it by its short form, as an ANSI program can; the program finds its own
    // way to the folder.
    wchar_t shortExe[MAX_PATH] = {};
    ASSERT_GT(::GetShortPathNameW(exe.c_str(), shortExe, MAX_PATH), 0u);
    std::string shortAnsi;
    for (const wchar_t* p = shortExe; *p; ++p)
        shortAnsi += static_cast<char>(*p < 0x80 ? *p : '?');
    ASSERT_EQ(std::string::npos, shortAnsi.find('?')) << "the short form is not plain ASCII";
    ASSERT_NO_FATAL_FAILURE(RunToTheEnd(shortAnsi, "C:\\patch"));
    EXPECT_EQ(std::vector<std::string>{PayloadRecordLine()}, ReadStubRecord(kRecordPath)["inx"]);
    ExpectCdPathRecorded("D:");
    for (const wchar_t* name : {L"\\temp.bat", L"\\setup.inx", L"\\install.exe"}) {
        const std::wstring path = std::wstring(folder) + name;
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(path.c_str()));
        ::DeleteFileW(path.c_str());
    }
    EXPECT_TRUE(::RemoveDirectoryW(folder));
}

TEST_F(EndToEndTest, ASecondStartBringsTheRunningCopyToTheFrontAndEnds) {
    for (const bool bAtOnce : {false, true}) {
        const CaseTrace trace(bAtOnce ? "both started at the same moment"
                                      : "the second started while the first shows its dialog");
        RemoteProgram first("C:\\patch\\install.exe", "C:\\patch");
        ASSERT_TRUE(first.Ok()) << "CreateProcess failed: " << first.StartError();
        HWND hDlg = nullptr;
        if (!bAtOnce) {
            hDlg = first.WaitForDialog(kPatchCaption);
            ASSERT_NE(nullptr, hDlg);
            ::ShowWindow(hDlg, SW_MINIMIZE);
        }
        RemoteProgram second("C:\\patch\\install.exe", "C:\\patch");
        ASSERT_TRUE(second.Ok()) << "CreateProcess failed: " << second.StartError();

        // Whichever copy came second ends by itself, with no message (a message box would wait
        // for its OK); the other shows the one dialog.
        const RemoteProgram* pEnded = nullptr;
        const RemoteProgram* pRunning = nullptr;
        for (int i = 0; i < 400 && !pEnded; ++i) {
            if (second.WaitForExit(0) != STILL_ACTIVE)
                pEnded = &second, pRunning = &first;
            else if (first.WaitForExit(0) != STILL_ACTIVE)
                pEnded = &first, pRunning = &second;
            else
                ::Sleep(ScaledMs(50));
        }
        ASSERT_NE(nullptr, pEnded) << "neither copy ended by itself";
        EXPECT_EQ(0u, pEnded->WaitForExit(0));
        if (!bAtOnce) {
            EXPECT_EQ(&second, pEnded);
        }
        hDlg = pRunning->WaitForDialog(kPatchCaption);
        ASSERT_NE(nullptr, hDlg);
        EXPECT_FALSE(::IsIconic(hDlg)) << "the running copy was not brought back";
        EXPECT_EQ(nullptr, pRunning->WaitForMessageBox(kPatchCaption, 0));

        // The running copy goes on as before.
        EXPECT_EQ(STILL_ACTIVE, pRunning->WaitForExit(0));
        ::PostMessageA(hDlg, WM_CLOSE, 0, 0);
        EXPECT_EQ(0u, pRunning->WaitForExit(20000));
    }
}

TEST_F(EndToEndTest, BeendenThenYesEndsTheProgramWithNothingWritten) {
    RemoteProgram program("C:\\patch\\install.exe", "C:\\patch");
    ASSERT_TRUE(program.Ok()) << "CreateProcess failed: " << program.StartError();
    HWND hDlg = program.WaitForDialog(kPatchCaption);
    ASSERT_NE(nullptr, hDlg);

    Click(::GetDlgItem(hDlg, IDOK));
    HWND hBox = program.WaitForMessageBox("Nebulark 5");
    ASSERT_NE(nullptr, hBox);
    EXPECT_EQ(LoadResString(IDS_CONFIRM_ABORT).str(), WindowText(::GetDlgItem(hBox, 0xFFFF)));
    ASSERT_NE(nullptr, ::GetDlgItem(hBox, IDNO));
    Click(::GetDlgItem(hBox, IDYES));
    EXPECT_EQ(0u, program.WaitForExit(20000));

    EXPECT_FALSE(PathExists("C:\\patch\\setup.inx"));
    EXPECT_FALSE(PathExists("C:\\patch\\temp.bat"));
    EXPECT_FALSE(PathExists(kRecordPath));
}

TEST_F(EndToEndTest, StartedFromTheCdItAsksToBeCopiedAndEndsOnEscape) {
    RemoteProgram program("E:\\install.exe", "C:\\");
    ASSERT_TRUE(program.Ok()) << "CreateProcess failed: " << program.StartError();
    HWND hDlg = program.WaitForDialog(kPatchCaption);
    ASSERT_NE(nullptr, hDlg);

    Click(::GetDlgItem(hDlg, IDC_NEXT));
    HWND hBox = program.WaitForMessageBox(kPatchCaption);
    ASSERT_NE(nullptr, hBox);
    EXPECT_EQ(LoadResString(IDS_COPY_TO_HARDDISK).str(), WindowText(::GetDlgItem(hBox, 0xFFFF)));
    EXPECT_EQ(nullptr, ::GetDlgItem(hBox, IDCANCEL));
    Click(::GetDlgItem(hBox, IDOK));

    // The dialog stays for another try; the close box ends it without a question.
    ASSERT_EQ(hDlg, program.WaitForDialog(kPatchCaption));
    ::PostMessageA(hDlg, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, program.WaitForExit(20000));
    EXPECT_FALSE(PathExists("E:\\setup.inx"));
    EXPECT_FALSE(PathExists("E:\\temp.bat"));
}

} // namespace
