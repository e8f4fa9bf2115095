#include "framework/FileFind.h"
#include "support/PathHelpers.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

namespace {

struct PathCase {
    const char* path;
    const char* expected;
};

void ExpectEach(std::string (*operation)(const std::string&), const char* name,
                std::initializer_list<PathCase> cases) {
    for (const PathCase& c : cases)
        EXPECT_EQ(c.expected, operation(c.path)) << name << "(" << c.path << ")";
}

TEST(PathHelpersTest, GetPathRootTakesTheDriveOrTheNetworkShare) {
    ExpectEach(GetPathRoot, "GetPathRoot",
               {{"C:\\dir", "C:"},
                {"C:", "C:"},
                {"1:x", "1:"},
                {"\\\\server\\share\\dir", "\\\\server\\share"},
                {"\\\\server\\share\\", "\\\\server\\share"},
                {"\\\\server\\share", "\\\\server\\share"},
                {"\\\\server\\", "\\\\server"},
                {"\\\\server", "\\\\server"},
                {"\\\\", "\\\\"},
                {"\\dir", ""},
                {"dir\\file", ""},
                {"x", ""},
                {"", ""}});
}

TEST(PathHelpersTest, GetPathDirectoryKeepsWhatCallersRelyOn) {
    ExpectEach(GetPathDirectory, "GetPathDirectory",
               {{"C:\\dir\\file.txt", "C:\\dir"},
                {"C:\\file.txt", "C:"},
                {"D:file", "D"},
                {"file.txt", ""},
                {"\\file", ""},
                {"\\\\server\\share\\file", "\\\\server\\share"},
                {"", ""}});
}

TEST(PathHelpersTest, GetPathParentAnswersTheRealParentFolder) {
    ExpectEach(GetPathParent, "GetPathParent",
               {{"C:\\dir\\file.txt", "C:\\dir"},
                {"C:\\file.txt", "C:\\"},
                {"C:\\dir\\", "C:\\"},
                {"C:\\a\\b\\c", "C:\\a\\b"},
                {"\\\\server\\share\\dir", "\\\\server\\share"},
                {"\\\\server\\share\\dir\\f", "\\\\server\\share\\dir"},
                {"\\\\server\\share", ""},
                {"C:\\", ""},
                {"C:", ""},
                {"D:file", "D:"},
                {"dir\\file", "dir"},
                {"\\file", "\\"},
                {"\\", ""},
                {"file.txt", ""},
                {"", ""}});
}

TEST(PathHelpersTest, GetPathExtensionTakesTheLastDotAfterTheLastSeparator) {
    ExpectEach(GetPathExtension, "GetPathExtension",
               {{"file.txt", ".txt"},
                {"archive.tar.gz", ".gz"},
                {"file.", "."},
                {"C:\\dir.d\\file", ""},
                {".profile", ""},
                {"C:.x", ".x"},
                {"", ""}});
}

TEST(PathHelpersTest, ChangePathExtensionReplacesOrAppendsTheExtensionAsGiven) {
    struct Case {
        const char *path, *extension, *expected;
    } cases[] = {
        {"C:\\dir\\file.txt", ".bak", "C:\\dir\\file.bak"},
        {"C:\\dir.d\\file", ".bak", "C:\\dir.d\\file.bak"},
        {".profile", ".bak", ".profile.bak"},
        {"file.txt", "", "file"},
        {"file.txt", "bak", "filebak"}, // the caller brings the dot
        {"", ".x", ".x"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, ChangePathExtension(c.path, c.extension)) << c.path;
}

TEST(PathHelpersTest, LastCharacterAndItsAddress) {
    EXPECT_EQ(':', GetLastChar("C:"));
    EXPECT_EQ('\0', GetLastChar(""));
    EXPECT_EQ('\\', GetLastChar("C:\\"));
    const char text[] = "abc";
    EXPECT_EQ(text + 2, GetLastCharPtr(text));
    EXPECT_EQ(nullptr, GetLastCharPtr(""));
    EXPECT_EQ(0, GetByteType(text, 1));
}

// Every path of up to six characters from a small alphabet: nothing throws, and the parts put
// back together give the path wherever they must.
TEST(PathHelpersTest, GeneratedPathsSplitAndJoinConsistently) {
    const std::string alphabet = "\\:./ab";
    std::vector<std::string> paths = {""};
    for (size_t from = 0, length = 1; length <= 6; ++length) {
        const size_t to = paths.size();
        for (size_t i = from; i < to; ++i)
            for (char ch : alphabet)
                paths.push_back(paths[i] + ch);
        from = to;
    }
    ASSERT_EQ(55987u, paths.size());
    const std::string separators = "\\:";
    size_t checked = 0;
    for (const std::string& p : paths) {
        try {
            const int last = FindLastOf(separators, p);
            const std::string directory = GetPathDirectory(p), name = GetPathFileName(p);
            if (last > 0) {
                ASSERT_EQ(p, directory + p[static_cast<size_t>(last)] + name) << p;
                ++checked;
            }
            const std::string extension = GetPathExtension(p);
            ASSERT_EQ(p, ChangePathExtension(p, extension)) << p;
            ASSERT_EQ(p, ChangePathExtension(p, "") + extension) << p;
            const std::string root = GetPathRoot(p);
            ASSERT_EQ(root, p.substr(0, root.size())) << p;
            ASSERT_EQ(p.empty() ? '\0' : p.back(), GetLastChar(p)) << p;
            const std::string parent = GetPathParent(p);
            ASSERT_LE(parent.size(), p.size()) << p;
            if (!parent.empty() && parent.back() != '\\') {
                ASSERT_EQ(parent, p.substr(0, parent.size())) << p;
            }
        } catch (const std::exception& e) {
            FAIL() << "threw " << e.what() << " for " << p;
        }
    }
    EXPECT_GT(checked, 10000u);
}

class FindEntryTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(WriteFileBytes(folder / "plain.txt", "plain"));
        ASSERT_TRUE(WriteFileBytes(folder / "readonly.txt", "read only!"));
        ASSERT_TRUE(WriteFileBytes(folder / "hidden.txt", "h"));
        ASSERT_TRUE(MakeFolder(folder / "sub"));
        ASSERT_TRUE(
            ::SetFileAttributesA((folder / "readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY));
        ASSERT_TRUE(::SetFileAttributesA((folder / "hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN));
    }
    void TearDown() override {
        ::SetFileAttributesA((folder / "readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    }

    std::set<std::string> Search(unsigned requested) {
        std::set<std::string> names;
        FindRecord record{};
        record.handle = INVALID_HANDLE_VALUE;
        for (DWORD rc = FindFirstEntry(folder / "*", requested, &record); rc == 0;
             rc = FindNextEntry(&record))
            names.insert(record.name);
        EndFind(&record);
        EndFind(&record); // a second end does nothing
        EXPECT_EQ(INVALID_HANDLE_VALUE, record.handle);
        return names;
    }

    TempFolder folder;
};

TEST_F(FindEntryTest, RequestedAttributesDecideWhatIsSkipped) {
    EXPECT_EQ((std::set<std::string>{"plain.txt", "readonly.txt"}), Search(0));
    EXPECT_EQ((std::set<std::string>{"plain.txt", "readonly.txt", ".", "..", "sub"}), Search(0x10));
    EXPECT_EQ((std::set<std::string>{"plain.txt", "readonly.txt", "hidden.txt"}), Search(0x02));
    EXPECT_EQ((std::set<std::string>{"plain.txt", "readonly.txt", "hidden.txt", ".", "..", "sub"}),
              Search(0x1e));
    // Bits outside 0x1e change nothing.
    EXPECT_EQ(Search(0), Search(0x01 | 0x20 | 0x80));
}

TEST_F(FindEntryTest, FillsTheRecordWithDosTimeSizeAndAttributes) {
    ASSERT_TRUE(SetLocalWriteTime(folder / "plain.txt", 2003, 3, 3, 10, 20, 30));
    FindRecord record{};
    ASSERT_EQ(0u, FindFirstEntry(folder / "plain.txt", 0, &record));
    EXPECT_NE(INVALID_HANDLE_VALUE, record.handle);
    EXPECT_EQ(0x528F, record.time);
    EXPECT_EQ(0x2E63, record.date);
    EXPECT_EQ(5u, record.size);
    EXPECT_EQ("plain.txt", record.name);
    EXPECT_EQ(0x1eu, record.skipMask);
    EXPECT_EQ(0u, record.attributes & FILE_ATTRIBUTE_DIRECTORY);
    // At the end the search stays open until the owner ends it.
    EXPECT_EQ(DWORD(ERROR_NO_MORE_FILES), FindNextEntry(&record));
    EXPECT_NE(INVALID_HANDLE_VALUE, record.handle);
    EndFind(&record);

    ASSERT_EQ(0u, FindFirstEntry(folder / "readonly.txt", 0, &record));
    EXPECT_TRUE(record.attributes & FILE_ATTRIBUTE_READONLY);
    EndFind(&record);
}

TEST_F(FindEntryTest, EverythingSkippedEndsTheSearchWithNoMoreFiles) {
    FindRecord record{};
    EXPECT_EQ(DWORD(ERROR_NO_MORE_FILES), FindFirstEntry(folder / "hid*", 0, &record));
    EXPECT_EQ(INVALID_HANDLE_VALUE, record.handle);
}

TEST_F(FindEntryTest, APatternMatchingNothingFailsAtOnceAndLeavesTheEntryFields) {
    FindRecord record{};
    record.time = 0x1111;
    record.date = 0x2222;
    record.size = 33;
    record.attributes = 44;
    record.name = "before";
    const DWORD rc = FindFirstEntry(folder / "nothing*.xyz", 0, &record);
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), rc);
    EXPECT_EQ(INVALID_HANDLE_VALUE, record.handle);
    EXPECT_EQ(0x1111, record.time);
    EXPECT_EQ(0x2222, record.date);
    EXPECT_EQ(33u, record.size);
    EXPECT_EQ(44u, record.attributes);
    EXPECT_EQ("before", record.name);
}

TEST_F(FindEntryTest, ProbesRemoveAndRename) {
    EXPECT_TRUE(FileExists(folder / "plain.txt"));
    EXPECT_FALSE(FileExists(folder / "sub"));
    EXPECT_FALSE(FileExists(folder / "missing.txt"));
    ASSERT_TRUE(SetLocalWriteTime(folder / "plain.txt", 1975, 1, 1, 0, 0, 0));
    EXPECT_FALSE(FileExists(folder / "plain.txt"));
    EXPECT_EQ(-1, GetFileDosDateTime(std::string(folder / "plain.txt")));

    EXPECT_TRUE(RenameFile(folder / "plain.txt", folder / "moved.txt"));
    EXPECT_FALSE(RenameFile(folder / "plain.txt", folder / "again.txt"));
    EXPECT_TRUE(PathExists(folder / "moved.txt"));
    EXPECT_TRUE(RemoveFile(folder / "moved.txt"));
    EXPECT_FALSE(RemoveFile(folder / "moved.txt"));
}

TEST(PathHelpersTest, ShortAndModulePaths) {
    TempFolder folder;
    const std::string longName = folder / "A rather long file name.text";
    ASSERT_TRUE(WriteFileBytes(longName, "x"));
    const std::string shortPath = GetShortPath(longName);
    EXPECT_FALSE(shortPath.empty());
    EXPECT_TRUE(PathExists(shortPath));
    EXPECT_EQ("", GetShortPath(folder / "missing.txt"));

    char expected[MAX_PATH];
    ::GetModuleFileNameA(nullptr, expected, MAX_PATH);
    EXPECT_EQ(expected, GetModulePath());
}

class SearchFileTest : public testing::Test {
protected:
    void SetUp() override {
        ::GetCurrentDirectoryA(MAX_PATH, m_savedFolder);
        ASSERT_TRUE(::SetCurrentDirectoryA(cwd.path().c_str()));
        ::SetEnvironmentVariableA("=C:", "C:\\"); // the current folder of C: is its root
        RemoveTree("C:\\x");
        ASSERT_TRUE(MakeFolder("C:\\x"));
    }
    void TearDown() override {
        ::SetCurrentDirectoryA(m_savedFolder);
        RemoveTree("C:\\x");
        ::DeleteFileA("C:\\srch-colon.txt");
    }
    TempFolder cwd{"H:\\"};
    char m_savedFolder[MAX_PATH];
};

TEST_F(SearchFileTest, TriesTheNameAloneThenEachFolderInListOrder) {
    // Readme.txt lies at the root of the sample CD in D:.
    EXPECT_EQ("D:\\Readme.txt", SearchFileInFolders("Readme.txt", "C:\\x;;D:\\"));
    ASSERT_TRUE(WriteFileBytes("C:\\x\\Readme.txt", "x"));
    EXPECT_EQ("C:\\x\\Readme.txt", SearchFileInFolders("Readme.txt", "C:\\x;;D:\\"));
    ASSERT_TRUE(WriteFileBytes(cwd / "Readme.txt", "x"));
    EXPECT_EQ("Readme.txt", SearchFileInFolders("Readme.txt", "C:\\x;;D:\\"));

    EXPECT_EQ("", SearchFileInFolders("nowhere.txt", "C:\\x;;D:\\"));
    EXPECT_EQ("", SearchFileInFolders("Handbuch.pdf", "")); // only the name alone
    EXPECT_EQ("", SearchFileInFolders("Handbuch.pdf", ";;;"));
    EXPECT_EQ("", SearchFileInFolders("Handbuch.pdf", " D:\\")); // blanks belong to the entry
    EXPECT_EQ("D:\\Handbuch.pdf", SearchFileInFolders("Handbuch.pdf", "C:\\x;D:"
                                                                      "\\"));
    // A folder where a file is wanted never matches.
    EXPECT_EQ("", SearchFileInFolders("Disk1", "D:\\"));
}

TEST_F(SearchFileTest, AnEntryEndingInAColonGetsNoBackslash) {
    ASSERT_TRUE(WriteFileBytes("C:\\srch-colon.txt", "x"));
    EXPECT_EQ("C:srch-colon.txt", SearchFileInFolders("srch-colon.txt", "C:"));
}

class EmptyFolderTreeTest : public testing::Test {
protected:
    void SetUp() override {
        for (const char* sub : {"a", "a\\b", "a\\b\\c", "d"})
            ASSERT_TRUE(MakeFolder(root / sub));
        for (const char* file : {"top.txt", "a\\one.txt", "a\\b\\two.txt", "a\\b\\c\\three.txt",
                                 "a\\b\\c\\hidden.txt", "d\\system.sys"})
            ASSERT_TRUE(WriteFileBytes(root / file, file));
        ::SetFileAttributesA((root / "a\\b\\c\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
        ::SetFileAttributesA((root / "d\\system.sys").c_str(), FILE_ATTRIBUTE_SYSTEM);
        ::SetFileAttributesA((root / "d").c_str(), FILE_ATTRIBUTE_HIDDEN);
    }
    bool IsEmpty(const std::string& folder) {
        WIN32_FIND_DATAA found;
        HANDLE h = ::FindFirstFileA((folder + "\\*").c_str(), &found);
        int entries = 0;
        if (h != INVALID_HANDLE_VALUE) {
            do
                entries +=
                    std::string(found.cFileName) != "." && std::string(found.cFileName) != "..";
            while (::FindNextFileA(h, &found));
            ::FindClose(h);
        }
        return entries == 0;
    }
    TempFolder root;
};

TEST_F(EmptyFolderTreeTest, DeletesEverythingBelowAndKeepsTheFolder) {
    for (bool finalBackslash : {false, true}) {
        EmptyFolderTree(root.path() + (finalBackslash ? "\\" : ""));
        EXPECT_TRUE(PathExists(root.path()));
        EXPECT_TRUE(IsEmpty(root.path())) << (finalBackslash ? "with" : "without");
        SetUp();
    }
}

TEST_F(EmptyFolderTreeTest, AFileThatCannotGoKeepsItselfAndTheFoldersAboveIt) {
    HANDLE hHeld = ::CreateFileA((root / "a\\b\\c\\three.txt").c_str(), GENERIC_READ,
                                 FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hHeld);
    EmptyFolderTree(root.path());
    ::CloseHandle(hHeld);

    EXPECT_TRUE(PathExists(root / "a\\b\\c\\three.txt"));
    EXPECT_FALSE(PathExists(root / "a\\b\\c\\hidden.txt"));
    EXPECT_FALSE(PathExists(root / "a\\b\\two.txt"));
    EXPECT_FALSE(PathExists(root / "a\\one.txt"));
    EXPECT_FALSE(PathExists(root / "top.txt"));
    EXPECT_FALSE(PathExists(root / "d"));
}

TEST(EmptyFolderTreeEmptyTest, AnEmptyFolderStringDeletesNothing) {
    TempFolder cwd;
    char saved[MAX_PATH];
    ::GetCurrentDirectoryA(MAX_PATH, saved);
    ASSERT_TRUE(WriteFileBytes(cwd / "keep.txt", "x"));
    ASSERT_TRUE(::SetCurrentDirectoryA(cwd.path().c_str()));
    EmptyFolderTree("");
    ::SetCurrentDirectoryA(saved);
    EXPECT_TRUE(PathExists(cwd / "keep.txt"));
}

TEST(FileFindTest, WalksEveryEntryWithItsFullPath) {
    TempFolder folder;
    ASSERT_TRUE(WriteFileBytes(folder / "f.txt", "x"));
    ASSERT_TRUE(MakeFolder(folder / "sub"));
    CFileFind finder;
    ASSERT_TRUE(finder.FindFile((folder.path() + "\\*.*").c_str()));
    std::set<std::string> paths;
    int dots = 0;
    BOOL more;
    do {
        more = finder.FindNextFile();
        if (finder.IsDots()) {
            ++dots;
            continue;
        }
        paths.insert(finder.GetFilePath().str());
        EXPECT_EQ(finder.GetFileName() == "sub", finder.IsDirectory() != FALSE);
    } while (more);
    EXPECT_EQ(2, dots);
    EXPECT_EQ((std::set<std::string>{folder / "f.txt", folder / "sub"}), paths);
    EXPECT_FALSE(finder.FindNextFile());
    EXPECT_FALSE(finder.FindFile((folder.path() + "\\none*").c_str()));
}

} // namespace
