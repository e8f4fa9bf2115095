// What the program leaves at the temp disk's root while its elevated batch file works there: the
// security of the copy's folders and of the stamp, and the folders themselves.
#include "RunChecks.h"
#include "TestDrives.h"
#include "TestFiles.h"

#include "patch/CdCopy.h"
#include "patch/PatchSystem.h"
#include "patch/RunStamp.h"
#include "support/AdminSecurity.h"

#include <gtest/gtest.h>

#include <map>

namespace {

std::string WellKnownSid(WELL_KNOWN_SID_TYPE type) {
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof sid;
    return ::CreateWellKnownSid(type, nullptr, sid, &size) ? SidText(sid) : std::string();
}

} // namespace

TEST(CopyFoldersTest, TheirDescriptorIsProtectedAndLetsNoOrdinaryUserChangeAnything) {
    CAdminOnlySecurity security;
    ASSERT_TRUE(security.IsValid());
    ASSERT_NE(nullptr, security.Attributes());
    EXPECT_EQ(security.Descriptor(), security.Attributes()->lpSecurityDescriptor);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(::GetSecurityDescriptorControl(security.Descriptor(), &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED) << "the root's entries would be inherited";
    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = nullptr;
    ASSERT_TRUE(::GetSecurityDescriptorDacl(security.Descriptor(), &present, &acl, &defaulted));
    ASSERT_TRUE(present && acl) << "a null DACL grants everyone everything";

    const std::string untrusted[] = {WellKnownSid(WinBuiltinUsersSid),
                                     WellKnownSid(WinAuthenticatedUserSid),
                                     WellKnownSid(WinWorldSid), WellKnownSid(WinCreatorOwnerSid)};
    const ACCESS_MASK changes = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                FILE_WRITE_ATTRIBUTES | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                                WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
    std::map<std::string, ACCESS_MASK> granted;
    for (DWORD i = 0; i < acl->AceCount; ++i) {
        void* pAce = nullptr;
        ASSERT_TRUE(::GetAce(acl, i, &pAce));
        const auto* ace = static_cast<const ACCESS_ALLOWED_ACE*>(pAce);
        ASSERT_EQ(ACCESS_ALLOWED_ACE_TYPE, ace->Header.AceType) << "entry " << i;
        EXPECT_EQ(OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, ace->Header.AceFlags)
            << "entry " << i;
        const std::string sid = SidText(const_cast<DWORD*>(&ace->SidStart));
        granted[sid] |= ace->Mask;
        for (const std::string& user : untrusted)
            EXPECT_FALSE(sid == user && (ace->Mask & changes)) << sid << " may change the copy";
    }
    EXPECT_EQ(DWORD(FILE_ALL_ACCESS), granted[WellKnownSid(WinLocalSystemSid)]);
    EXPECT_EQ(DWORD(FILE_ALL_ACCESS), granted[WellKnownSid(WinBuiltinAdministratorsSid)]);
    EXPECT_EQ(DWORD(FILE_GENERIC_READ | FILE_GENERIC_EXECUTE),
              granted[WellKnownSid(WinBuiltinUsersSid)]);
    EXPECT_EQ(3u, granted.size());
}

TEST(CopyFoldersTest, AFolderThatAppearedMeanwhileStopsThemAndOnlyTheProgramsOwnAreRemoved) {
    const std::string drive = drives::kFixedSecond;
    const std::string stamp = drive + "\\" + kRunStampName;
    RemoveCdEntriesFrom(drive);
    // Made by someone else after the data-loss guard looked; the sixth of the eight folders.
    ASSERT_TRUE(MakeFolder(drive + "\\Redist"));
    ASSERT_TRUE(WriteFileBytes(drive + "\\Redist\\mine.txt", "someone's own"));
    ASSERT_TRUE(WriteRunStamp(drive.c_str(), "D:"));

    const char* existing = nullptr;
    EXPECT_EQ(CopyEntriesResult::EntryExists,
              CreateCopyEntries(RealPatchSystem(), drive.c_str(), existing));
    ASSERT_NE(nullptr, existing);
    EXPECT_STREQ("Redist", existing);
    EXPECT_EQ(std::vector<std::string>{"Redist"}, CdEntriesOn(drive));
    EXPECT_TRUE(PathExists(drive + "\\Redist\\mine.txt"));
    EXPECT_FALSE(PathExists(stamp)) << "every folder of the program's is gone, so is the stamp";

    // With the way free, all 21 names are made; a batch file that cannot start takes them back.
    RemoveTree(drive + "\\Redist");
    ASSERT_TRUE(WriteRunStamp(drive.c_str(), "D:"));
    EXPECT_EQ(CopyEntriesResult::Created,
              CreateCopyEntries(RealPatchSystem(), drive.c_str(), existing));
    EXPECT_EQ(21u, CdEntriesOn(drive).size());
    const char* foreign = nullptr;
    EXPECT_EQ(LeftoversResult::Removed,
              RemoveCdLeftovers(RealPatchSystem(), drive.c_str(), foreign));
    EXPECT_EQ(std::vector<std::string>(), CdEntriesOn(drive));
    EXPECT_FALSE(PathExists(stamp));
}
