#include "framework/String.h"

#include <gtest/gtest.h>

TEST(CStringTest, ReplaceIsLeftToRightWithoutOverlapAndDoesNotRescanInsertedText) {
    struct Case {
        const char* text;
        const char* from;
        const char* to;
        const char* expected;
        int count;
    } cases[] = {
        {"aaa", "aa", "b", "ba", 1},
        {"%1%1", "%1", "D:", "D:D:", 2},
        {"x%2y", "%2", "%2%2", "x%2%2y", 1}, // the inserted text is not searched again
        {"c:\\install.exe.d\\install.exe", "install.exe", "setup.inx", "c:\\setup.inx.d\\setup.inx",
         2},
        {"abc", "z", "y", "abc", 0},
        {"", "a", "b", "", 0},
        {"abc", "", "x", "abc", 0},
        {"abc", "b", "", "ac", 1},
    };
    for (const Case& c : cases) {
        CString s(c.text);
        EXPECT_EQ(c.count, s.Replace(c.from, c.to)) << c.text;
        EXPECT_STREQ(c.expected, s) << c.text;
    }
}

TEST(CStringTest, LeftRightAndMidClampToTheText) {
    const CString s("D:\\");
    EXPECT_STREQ("D:", s.Left(2));
    EXPECT_STREQ("D:\\", s.Left(10));
    EXPECT_STREQ("", s.Left(-1));
    EXPECT_STREQ("", CString().Left(2)); // an empty root gives an empty drive
    EXPECT_STREQ(":\\", s.Right(2));
    EXPECT_STREQ("D:\\", s.Right(7));
    EXPECT_STREQ("", s.Right(0));
    EXPECT_STREQ("\\", s.Mid(2));
    EXPECT_STREQ("", s.Mid(3));
}

TEST(CStringTest, MakeLowerChangesOnlyAsciiLettersAndConcatenationAndComparisonWork) {
    CString s("C:\\Patch\\Install.EXE \xC4");
    s.MakeLower();
    EXPECT_STREQ("c:\\patch\\install.exe \xC4", s);
    CString joined = CString("D:") + "\\" + CString("x");
    joined += 'y';
    EXPECT_TRUE(joined == "D:\\xy");
    EXPECT_TRUE(joined != CString("D:\\x"));
    EXPECT_EQ(5, joined.GetLength());
    EXPECT_EQ(3, joined.Find("xy"));
    EXPECT_EQ(-1, joined.Find("zz"));
}
