// The batch file's clean-up under the real command interpreter.
#include "TestDrives.h"
#include "RunChecks.h"
#include "TestFiles.h"
#include "TimeLimits.h"

#include "patch/BatchProcess.h"
#include "patch/BatchTemplate.h"
#include "patch/CdContents.h"

#include <gtest/gtest.h>

namespace {

unsigned long PayloadSize() {
    return static_cast<unsigned long>(PayloadBytes().size());
}

// Runs a batch text the way the patch run does (held, hidden, in the system's command
// interpreter) and waits for it.
DWORD RunBatch(const std::string& text) {
    const std::string path = "C:\\records\\cleanup.bat";
    MakeFolder("C:\\records");
    CHeldFile held;
    EXPECT_TRUE(WriteBatchFile(path.c_str(), text.c_str(), held));
    CBatchProcess batch;
    EXPECT_TRUE(StartBatchFile(path.c_str(), batch));
    if (!batch.m_process.IsValid())
        return ~0u;
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(batch.m_process, ScaledMs(60000)));
    DWORD code = 0;
    ::GetExitCodeProcess(batch.m_process, &code);
    return code;
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
    // The temp disk Y: is gone (unplugged during the setup); the batch file stands on H:\, where
    // the CD's names are the user's own.
    LayOutCdCopy("H:");
    char previous[MAX_PATH];
    ::GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(::SetCurrentDirectoryA("H:\\"));
    const std::string expanded =
        ExpandBatchTemplate("D:", "Y:", "c:\\patch\\setup.inx", PayloadSize()).str();
    RunBatch(expanded.substr(expanded.find("\n\n") + 2));
    ::SetCurrentDirectoryA(previous);
    EXPECT_EQ(21u, CdEntriesOn("H:").size());
}

TEST_F(BatchCleanupTest, AFolderDeletionWithoutTheStarWouldWalkTheWholeDisk) {
    // Why the folder lines name "<folder>\*": the command interpreter's del /S from a disk's
    // root empties every folder of that name anywhere on the disk.
    ASSERT_TRUE(MakeFolder("H:\\Disk1"));
    EXPECT_EQ(0u, RunBatch("H:\ncd \\\ndel /Q/S Disk1\n"));
    EXPECT_FALSE(PathExists("H:\\Archiv\\Disk1\\keep.txt"));
    RemoveTree("H:\\Disk1");
}

} // namespace
