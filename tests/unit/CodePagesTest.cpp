// Paths from the program's ANSI code page into the OEM code pages the command interpreter reads
// batch files in: German (850) and US (437) consoles.
#include "patch/BatchTemplate.h"
#include "support/CodePages.h"

#include <gtest/gtest.h>

namespace {

struct Conversion {
    const char* ansi; // code page 1252
    UINT oemCp;
    const char* oem; // nullptr: no exact OEM form
};

const Conversion kConversions[] = {
    {"c:\\patch\\setup.inx", 850, "c:\\patch\\setup.inx"},
    {"c:\\patch\\setup.inx", 437, "c:\\patch\\setup.inx"},
    {"c:\\j\xFCrgen \xDC"
     "bung\\setup.inx",
     850,
     "c:\\j\x81rgen \x9A"
     "bung\\setup.inx"},
    {"c:\\j\xFCrgen \xDC"
     "bung\\setup.inx",
     437,
     "c:\\j\x81rgen \x9A"
     "bung\\setup.inx"},
    {"\xE4\xF6\xDF\xC4\xD6", 850, "\x84\x94\xE1\x8E\x99"},
    {"100%\\setup.inx", 850, "100%\\setup.inx"},
    {"c:\\preis 5\x80", 850, nullptr}, // the euro sign
    {"c:\\preis 5\x80", 437, nullptr},
    {"c:\\caf\xE9\\\xD8", 437, nullptr}, // no capital O with stroke in 437
    {"c:\\caf\xE9\\\xD8", 850, "c:\\caf\x82\\\x9D"},
};

TEST(CodePagesTest, AnsiPathsConvertExactlyToTheOemPageOrNotAtAll) {
    for (const Conversion& c : kConversions) {
        SCOPED_TRACE(std::string(c.ansi) + " to " + std::to_string(c.oemCp));
        std::string oem = "unchanged";
        const bool converted = ConvertCodePageExact(c.ansi, 1252, c.oemCp, oem);
        EXPECT_EQ(c.oem != nullptr, converted);
        if (c.oem) {
            EXPECT_EQ(c.oem, oem);
        }
    }
}

TEST(CodePagesTest, APercentIsDoubledAfterTheConversion) {
    std::string oem;
    ASSERT_TRUE(ConvertCodePageExact("c:\\100%\xFC\\setup.inx", 1252, 850, oem));
    const std::string batch = ExpandBatchTemplate("D:", "C:", oem.c_str(), 192437).str();
    EXPECT_NE(std::string::npos, batch.find("xcopy /Y \"c:\\100%%\x81\\setup.inx\"\n"));
}

} // namespace
