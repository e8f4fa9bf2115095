// The batch file's clean-up under the real command interpreter.
#include "CaseTrace.h"
#include "TestDrives.h"
#include "RunChecks.h"
#include "TestFiles.h"
#include "TimeLimits.h"

#include "patch/BatchProcess.h"
#include "patch/BatchTemplate.h"
#include "patch/CdContents.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// What the last batch file said, shown when a test fails.
const char kOutputPath[] = "C:\\records\\run-output.txt";

unsigned long PayloadSize() {
    return static_cast<unsigned long>(PayloadBytes().size());
}

// Runs a batch text the way the patch run does (held, hidden, in the system's command
// interpreter, which starts in the batch file's folder) and waits for it; ~0 when it could not
// run.
DWORD RunBatch(const std::string& text, const std::string& folder = "C:\\records") {
    const std::string path = folder + "\\run.bat";
    MakeFolder("C:\\records");
    CHeldFile held;
    EXPECT_TRUE(WriteBatchFile(path.c_str(), text.c_str(), held));
    // What the batch file says goes to a file of the test's, shown when the test fails.
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    const CHandle output(::CreateFileA(kOutputPath, GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                       CREATE_ALWAYS, 0, nullptr));
    CBatchProcess batch;
    EXPECT_TRUE(StartBatchFileWithOutput(path.c_str(), batch, output));
    if (!batch.Process().IsValid())
        return ~0u;
    // Drained as the program drains it, and let go at its hold at once.
    const DWORD deadline = ::GetTickCount() + ScaledMs(60000);
    while (batch.Process().Wait(20) == WAIT_TIMEOUT &&
           static_cast<LONG>(deadline - ::GetTickCount()) > 0) {
        batch.ReadOutput();
        if (batch.IsAtHold())
            batch.Release();
    }
    batch.ReadOutput();
    EXPECT_EQ(WAIT_OBJECT_0, batch.Process().Wait(0));
    DWORD code = ~0u;
    batch.Process().GetExitCode(code);
    held.Release();
    ::DeleteFileA(path.c_str());
    return code;
}

// The lines of the expanded template from the one that begins with first to the one that begins
// with last, both included.
std::string TemplateLines(const std::string& expanded, const std::string& first,
                          const std::string& last) {
    const size_t from = expanded.find("       " + first);
    const size_t to = expanded.find('\n', expanded.find("       " + last, from));
    EXPECT_NE(std::string::npos, from) << first;
    EXPECT_NE(std::string::npos, to) << last;
    return from == std::string::npos || to == std::string::npos
               ? std::string()
               : expanded.substr(from, to + 1 - from);
}

void LayOutCdCopy(const std::string& drive) {
    for (const CdEntry& entry : kCdEntries) {
        const std::string path = drive + "\\" + entry.name;
        if (entry.isFolder) {
            ASSERT_TRUE(MakeFolder(path));
            ASSERT_TRUE(MakeFolder(path + "\\sub"));
            ASSERT_TRUE(WriteFileBytes(path + "\\sub\\f.txt", "x"));
            ASSERT_TRUE(WriteFileBytes(path + "\\g.txt", "x"));
        } else {
            ASSERT_TRUE(WriteFileBytes(path, "x"));
        }
    }
}

class BatchCleanupTest : public testing::Test {
protected:
    void SetUp() override {
        // Never the root itself: Wine would remove the folder behind the drive.
        RemoveCdEntriesFrom("H:");
        RemoveTree("H:\\Archiv");
        ASSERT_TRUE(MakeFolder("H:\\Archiv"));
        ASSERT_TRUE(MakeFolder("H:\\Archiv\\Disk1"));
        ASSERT_TRUE(WriteFileBytes("H:\\Archiv\\Disk1\\keep.txt", "a user's own file"));
    }
    void TearDown() override {
        if (HasFailure()) {
            std::string said;
            ReadFileBytes(kOutputPath, said);
            std::printf("the last batch file said:\n%s\n", said.c_str());
        }
        RemoveCdEntriesFrom("H:");
        RemoveTree("H:\\Archiv");
        RemoveTree("C:\\records");
    }
};

TEST_F(BatchCleanupTest, RemovesTheCopyAndNothingOfTheSameNameDeeperOnTheDisk) {
    LayOutCdCopy("H:");
    // The clean-up part of the batch file: from the second switch to the temp drive on.
    const std::string expanded =
        ExpandBatchTemplate("D:", "H:", "c:\\patch\\setup.inx", PayloadSize()).str();
    const size_t cleanup = expanded.find("\n\n") + 2;
    EXPECT_EQ(0u, RunBatch(expanded.substr(cleanup)));

    for (const CdEntry& entry : kCdEntries)
        EXPECT_FALSE(PathExists(std::string("H:\\") + entry.name)) << entry.name;
    EXPECT_TRUE(PathExists("H:\\Archiv\\Disk1\\keep.txt"));
}

TEST_F(BatchCleanupTest, WhenTheTempDiskCannotBeEnteredNothingIsDeletedWhereverTheBatchStands) {
    // The temp disk Y: is gone (unplugged during the setup); the batch file stands at H:\, where
    // the CD's names are the user's own.
    LayOutCdCopy("H:");
    const std::string expanded =
        ExpandBatchTemplate("D:", "Y:", "c:\\patch\\setup.inx", PayloadSize()).str();
    // The clean-up ends at once; its status is the batch file's unset result, not a failure of
    // its own.
    EXPECT_EQ(0u, RunBatch(expanded.substr(expanded.find("\n\n") + 2), "H:"));
    EXPECT_EQ(21u, CdEntriesOn("H:").size());
}

TEST_F(BatchCleanupTest, TheCopysScriptsAreDeletedOnlyInsideItsOwnDisk1) {
    // Standing anywhere but at the temp disk's root, "cd Disk1" finds another Disk1, or none:
    // the user's own scripts there stay.
    ASSERT_TRUE(WriteFileBytes("H:\\Archiv\\Disk1\\mein.inx", "the user's own script"));
    const std::string expanded =
        ExpandBatchTemplate("D:", "H:", "c:\\patch\\setup.inx", PayloadSize()).str();
    const std::string enterAndDelete = TemplateLines(expanded, "cd \"Disk1\"", "del *.inx");
    ASSERT_FALSE(enterAndDelete.empty());
    EXPECT_EQ(2u, RunBatch(enterAndDelete + "       exit 0\n       :failed\n       exit 2\n",
                           "H:\\Archiv"));
    EXPECT_TRUE(PathExists("H:\\Archiv\\Disk1\\mein.inx"));
}

// Whole runs of the batch file to H:, where the guards must keep the product's setup from running
// on anything but a complete copy with our script.
TEST_F(BatchCleanupTest, TheSetupRunsOnlyFromACompleteCopyWithOurScript) {
    const std::string record = "C:\\records\\stub.txt";
    ::SetEnvironmentVariableA("STUB_RECORD", record.c_str());
    ::SetEnvironmentVariableA("STUB_SLEEP_MS", nullptr);
    ASSERT_TRUE(MakeFolder("C:\\records"));
    ASSERT_TRUE(WriteFileBytes("C:\\records\\setup.inx", PayloadBytes()));
    // A CD whose setup is no program: the command interpreter cannot start it.
    ASSERT_TRUE(MakeFolder("C:\\records\\cd"));
    ASSERT_TRUE(MakeFolder("C:\\records\\cd\\Disk1"));
    ASSERT_TRUE(WriteFileBytes("C:\\records\\cd\\Disk1\\setup.exe", "no program"));
    struct Case {
        const char* why;
        const char* cdDrive;
        const char* scriptPath;
        const char* userCd; // a variable of the user's named CD
        DWORD exitCode;
    } cases[] = {
        {"a user's own variable named CD", "D:", "c:\\records\\setup.inx", "C:\\Elsewhere",
         kBatchExitPatched},
        {"a script that cannot be copied", "D:", "c:\\records\\missing.inx", nullptr,
         kBatchExitCopyFailed},
        {"a setup that cannot be started", "C:\\records\\cd", "c:\\records\\setup.inx", nullptr,
         kBatchExitSetupNotStarted},
    };
    for (const Case& c : cases) {
        const CaseTrace trace(c.why);
        ::DeleteFileA(record.c_str());
        ::SetEnvironmentVariableA("CD", c.userCd);
        const DWORD exitCode =
            RunBatch(ExpandBatchTemplate(c.cdDrive, "H:", c.scriptPath, PayloadSize()).str());
        ::SetEnvironmentVariableA("CD", nullptr);
        EXPECT_EQ(c.exitCode, exitCode);
        const auto stub = ReadStubRecord(record);
        if (c.exitCode == kBatchExitPatched) {
            EXPECT_EQ(std::vector<std::string>{PayloadRecordLine()},
                      stub.count("inx") ? stub.at("inx") : std::vector<std::string>());
            EXPECT_EQ(std::vector<std::string>{"H:\\Disk1"},
                      stub.count("cwd") ? stub.at("cwd") : std::vector<std::string>());
        } else {
            EXPECT_TRUE(stub.empty()) << "the product's setup ran";
        }
        EXPECT_EQ(std::vector<std::string>(), CdEntriesOn("H:"));
    }
}

TEST_F(BatchCleanupTest, TheSetupStartsOnlyInsideTheCopysDisk1) {
    // From the copied script's check to the setup's start, where the current folder is another
    // Disk1 than the copy's: the copy's setup must not start there, with that folder's files
    // within its reach.
    const std::string record = "C:\\records\\stub.txt";
    ::SetEnvironmentVariableA("STUB_RECORD", record.c_str());
    ::SetEnvironmentVariableA("STUB_SLEEP_MS", nullptr);
    ASSERT_TRUE(MakeFolder("H:\\Disk1"));
    ASSERT_TRUE(
        ::CopyFileA(BinaryPath("tests/setup_stub.exe").c_str(), "H:\\Disk1\\setup.exe", FALSE));
    ASSERT_TRUE(WriteFileBytes("H:\\Disk1\\setup.inx", PayloadBytes()));
    const std::string expanded =
        ExpandBatchTemplate("D:", "H:", "c:\\patch\\setup.inx", PayloadSize()).str();
    const std::string start = TemplateLines(expanded, "for %%F", "\"H:\\Disk1\\setup.exe\"");
    ASSERT_FALSE(start.empty());
    EXPECT_EQ(2u, RunBatch(start + "       exit 0\n       :failed\n       exit 2\n",
                           "H:\\Archiv\\Disk1"));
    EXPECT_TRUE(ReadStubRecord(record).empty()) << "the setup started outside the copy's Disk1";
}

} // namespace
