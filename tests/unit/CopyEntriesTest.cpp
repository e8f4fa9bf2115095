// What the program leaves at the temp disk's root while its elevated batch file works there: the
// security of the copy's folders and of the stamp, and the folders themselves.
#include "CaseTrace.h"
#include "RunChecks.h"
#include "TestDrives.h"
#include "TestFiles.h"

#include "patch/CdContents.h"
#include "patch/CopyEntries.h"
#include "patch/OwnEntry.h"
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

TEST(CopyEntriesTest, TheirDescriptorIsProtectedAndLetsNoOrdinaryUserChangeAnything) {
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

TEST(CopyEntriesTest, AFolderThatAppearedMeanwhileStopsThemAndOnlyTheProgramsOwnAreRemoved) {
    const std::string drive = drives::kFixedSecond;
    const std::string stamp = drive + "\\" + kRunStampName;
    RemoveCdEntriesFrom(drive);
    // Made by someone else after the data-loss guard looked; the sixth of the eight folders.
    ASSERT_TRUE(MakeFolder(drive + "\\Redist"));
    ASSERT_TRUE(WriteFileBytes(drive + "\\Redist\\mine.txt", "someone's own"));

    const char* existing = nullptr;
    {
        CCopyEntries copy(RealPatchSystem(), OwnTrust(), drive.c_str());
        EXPECT_EQ(CopyEntriesResult::EntryExists, copy.Create("D:", existing));
        ASSERT_NE(nullptr, existing);
        EXPECT_STREQ("Redist", existing);
    }
    EXPECT_EQ(std::vector<std::string>{"Redist"}, CdEntriesOn(drive));
    EXPECT_TRUE(PathExists(drive + "\\Redist\\mine.txt"));
    EXPECT_FALSE(PathExists(stamp)) << "every folder of the program's is gone, so is the stamp";

    // With the way free, all 21 names are made; a batch file that cannot start takes them back.
    RemoveTree(drive + "\\Redist");
    CCopyEntries copy(RealPatchSystem(), OwnTrust(), drive.c_str());
    EXPECT_EQ(CopyEntriesResult::Created, copy.Create("D:", existing));
    EXPECT_EQ(21u, CdEntriesOn(drive).size());
    const char* foreign = nullptr;
    EXPECT_EQ(LeftoversResult::Removed, copy.Remove(foreign));
    EXPECT_EQ(std::vector<std::string>(), CdEntriesOn(drive));
    EXPECT_FALSE(PathExists(stamp));

    // A stamp proves itself only through an owner the program's own files get: where they get
    // Administrators, one of the user's (as the same account's unelevated programs make them) is
    // not the program's.
    LayOutInterruptedRun(drive);
    EXPECT_FALSE(CCopyEntries(RealPatchSystem(), CTrustedOwners("S-1-5-32-544"), drive.c_str())
                     .TakeOverEarlierRun());
    CCopyEntries own(RealPatchSystem(), OwnTrust(), drive.c_str());
    ASSERT_TRUE(own.TakeOverEarlierRun());
    EXPECT_EQ(LeftoversResult::Removed, own.Remove(foreign));
}

namespace {

// Entry creation that fails at the fourth of the CD's entries, after looking at the stamp as a
// run cut off at that moment would leave it.
int g_entriesMade = 0;
std::vector<std::string> g_recordsAtTheCut;
HANDLE CreateEntryFailingTheFourth(const char* pszPath, bool bFolder, SECURITY_ATTRIBUTES* sa) {
    if (std::string(pszPath).find(kRunStampName) == std::string::npos && ++g_entriesMade == 4) {
        g_recordsAtTheCut = StampRecordNames(std::string(pszPath).substr(0, 2));
        ::SetLastError(ERROR_DISK_FULL);
        return INVALID_HANDLE_VALUE;
    }
    return RealPatchSystem().CreateEntry(pszPath, bFolder, sa);
}

} // namespace

TEST(CopyEntriesTest, TheStampRecordsWhatWasMadeAtEveryMomentAndNoRecordOutlivesItsEntry) {
    const std::string drive = drives::kFixedSecond;
    const std::string stamp = drive + "\\" + kRunStampName;
    RemoveCdEntriesFrom(drive);
    RemoveTree(stamp);
    std::vector<std::string> names;
    for (const CdEntry& entry : kCdEntries)
        names.push_back(entry.name);
    {
        const CaseTrace trace("cut off after the third entry");
        PatchSystem failing = RealPatchSystem();
        failing.CreateEntry = CreateEntryFailingTheFourth;
        CCopyEntries copy(failing, OwnTrust(), drive.c_str());
        const char* existing = nullptr;
        EXPECT_EQ(CopyEntriesResult::CannotCreate, copy.Create("D:", existing));
        EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 3), g_recordsAtTheCut);
        EXPECT_EQ(std::vector<std::string>(), CdEntriesOn(drive)) << "what was made stays";
        EXPECT_FALSE(PathExists(stamp));
    }
    const CaseTrace trace("written, read back, pruned");
    CCopyEntries copy(RealPatchSystem(), OwnTrust(), drive.c_str());
    const char* existing = nullptr;
    ASSERT_EQ(CopyEntriesResult::Created, copy.Create("D:", existing));
    EXPECT_EQ(names, StampRecordNames(drive));
    // Each record carries the identity the entry has.
    const std::string text = StampText(drive);
    std::string header;
    std::vector<StampRecord> records;
    ParseStamp(text, header, records);
    EXPECT_EQ("CD=D:\r\n", header.substr(0, 7));
    ASSERT_EQ(21u, records.size());
    for (const StampRecord& record : records) {
        CHandle held;
        BY_HANDLE_FILE_INFORMATION info;
        ASSERT_TRUE(OpenEntry((drive + "\\" + record.name.str()).c_str(), false, held, info));
        EXPECT_TRUE(IdOf(info) == record.id) << record.name.str();
    }
    EXPECT_EQ(text, FormatStamp(header, records));

    // The batch file's clean-up deleted all but two; one of them someone replaced meanwhile.
    for (const std::string& name : names)
        if (name != "Docs" && name != "Readme.txt")
            RemoveTree(drive + "\\" + name);
    ReplaceWithUsersOwn(drive + "\\Docs");
    copy.Prune();
    EXPECT_EQ(std::vector<std::string>{"Readme.txt"}, StampRecordNames(drive));
    RemoveTree(drive + "\\Readme.txt");
    copy.Prune();
    EXPECT_FALSE(PathExists(stamp)) << "a stamp of no entry is left";
    EXPECT_TRUE(PathExists(drive + "\\Docs\\mine.txt"));
    RemoveTree(drive + "\\Docs");
}
