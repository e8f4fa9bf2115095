#include "support/PathBasics.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

TEST(PathBasicsTest, FindLastOfNeverExaminesPositionZero) {
    const std::string separators = "\\:";
    struct Case {
        const char* text;
        int expected;
    } cases[] = {
        {"C:\\dir\\file.txt", 6},
        {"file.txt", 0},
        {"\\file", 0},
        {"", 0},
        {"C:", 1},
        {"::", 1},
        {"a\\", 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, FindLastOf(separators, c.text)) << c.text;
    // A NUL inside the text never matches, even though strchr finds the set's terminator.
    EXPECT_EQ(0, FindLastOf(separators, std::string("ab\0c", 4)));
    EXPECT_EQ(1, FindLastOf(separators, std::string("a:\0", 3)));
}

TEST(PathBasicsTest, GetPathFileNameTakesThePartAfterTheLastBackslashOrColon) {
    struct Case {
        const char* path;
        const char* expected;
    } cases[] = {
        {"C:\\dir\\file.txt", "file.txt"},
        {"C:file.txt", "file.txt"},
        {"file.txt", "file.txt"},
        {"\\file", "file"},
        {":file", "file"},
        {"C:\\dir\\", ""},
        {"", ""},
        {"c:\\patch\\install.exe", "install.exe"},
        {"dir/sub/file.txt", "dir/sub/file.txt"}, // the forward slash never separates
        {"c:/patch/install.exe", "/patch/install.exe"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, GetPathFileName(c.path)) << c.path;
}

TEST(PathBasicsTest, FindCharAndGetByteType) {
    const char text[] = "a:b";
    EXPECT_EQ(text + 1, FindChar(text, ':'));
    EXPECT_EQ(nullptr, FindChar(text, '\\'));
    EXPECT_EQ(0, GetByteType("\x81\x40", 1));
}

class DosDateTimeTest : public testing::Test {
protected:
    TempFolder folder;
};

TEST_F(DosDateTimeTest, PacksTheLocalWriteTimeWithTheTimeInTheHighHalf) {
    const std::string file = folder / "file.txt";
    ASSERT_TRUE(WriteFileBytes(file, "x"));
    ASSERT_TRUE(SetLocalWriteTime(file, 2003, 3, 3, 10, 20, 30));
    EXPECT_EQ(0x528F2E63, GetFileDosDateTime(file.c_str()));

    // 16:00 or later sets the top bit: negative, but never -1.
    ASSERT_TRUE(SetLocalWriteTime(file, 2003, 3, 3, 23, 59, 58));
    const int late = GetFileDosDateTime(file.c_str());
    EXPECT_LT(late, 0);
    EXPECT_NE(-1, late);
    EXPECT_EQ(static_cast<int>((23u << 11 | 59u << 5 | 29u) << 16 | 0x2E63u), late);
}

TEST_F(DosDateTimeTest, AnswersMinusOneForFoldersMissingPathsAndTimesBefore1980) {
    EXPECT_EQ(-1, GetFileDosDateTime(folder.path().c_str()));
    EXPECT_EQ(-1, GetFileDosDateTime((folder / "missing.txt").c_str()));

    const std::string old = folder / "old.txt";
    ASSERT_TRUE(WriteFileBytes(old, "x"));
    ASSERT_TRUE(SetLocalWriteTime(old, 1975, 6, 15, 12, 0, 0));
    EXPECT_EQ(-1, GetFileDosDateTime(old.c_str()));
}

TEST_F(DosDateTimeTest, AWildcardAnswersForItsFirstMatchOnly) {
    const std::string file = folder / "b.txt";
    ASSERT_TRUE(WriteFileBytes(file, "x"));
    ASSERT_TRUE(SetLocalWriteTime(file, 2003, 3, 3, 10, 20, 30));
    EXPECT_EQ(0x528F2E63, GetFileDosDateTime((folder / "b*").c_str()));

    // The only match of "a*" that comes first is a folder: -1, though a file matches later.
    TempFolder other;
    ASSERT_TRUE(MakeFolder(other / "a"));
    ASSERT_TRUE(WriteFileBytes(other / "ab.txt", "x"));
    WIN32_FIND_DATAA first;
    HANDLE h = ::FindFirstFileA((other / "a*").c_str(), &first);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    ::FindClose(h);
    if (std::string(first.cFileName) != "a")
        GTEST_SKIP() << "the file system lists " << first.cFileName << " first";
    EXPECT_EQ(-1, GetFileDosDateTime((other / "a*").c_str()));
}
