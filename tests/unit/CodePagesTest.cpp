// Paths from the program's ANSI code page into the OEM code pages the command interpreter reads
// batch files in: German (850) and US (437) consoles.
#include "patch/BatchTemplate.h"
#include "support/CodePages.h"

#include "CaseTrace.h"

#include <gtest/gtest.h>

namespace {

struct Conversion {
    UINT fromCp;
    const char* text;
    UINT toCp;
    const char* converted; // nullptr: no exact form in toCp
};

const Conversion kConversions[] = {
    {1252, "c:\\patch\\setup.inx", 850, "c:\\patch\\setup.inx"},
    {1252, "c:\\patch\\setup.inx", 437, "c:\\patch\\setup.inx"},
    {1252,
     "c:\\j\xFCrgen \xDC"
     "bung\\setup.inx",
     850,
     "c:\\j\x81rgen \x9A"
     "bung\\setup.inx"},
    {1252,
     "c:\\j\xFCrgen \xDC"
     "bung\\setup.inx",
     437,
     "c:\\j\x81rgen \x9A"
     "bung\\setup.inx"},
    {1252, "\xE4\xF6\xDF\xC4\xD6", 850, "\x84\x94\xE1\x8E\x99"},
    {1252, "100%\\setup.inx", 850, "100%\\setup.inx"},
    {1252, "c:\\preis 5\x80", 850, nullptr}, // the euro sign
    {1252, "c:\\preis 5\x80", 437, nullptr},
    {1252, "c:\\caf\xE9\\\xD8", 437, nullptr}, // no capital O with stroke in 437
    {1252, "c:\\caf\xE9\\\xD8", 850, "c:\\caf\x82\\\x9D"},
    // A system with UTF-8 for both code pages: every path has its exact form.
    {65001,
     "c:\\j\xC3\xBCrgen \xE2\x82\xAC \xC5\x81\xC3\xB3"
     "d\xC5\xBA\\setup.inx",
     65001,
     "c:\\j\xC3\xBCrgen \xE2\x82\xAC \xC5\x81\xC3\xB3"
     "d\xC5\xBA\\setup.inx"},
};

TEST(CodePagesTest, PathsConvertExactlyToTheOemPageOrNotAtAll) {
    for (const Conversion& c : kConversions) {
        const CaseTrace trace(std::string(c.text) + " from " + std::to_string(c.fromCp) + " to " +
                              std::to_string(c.toCp));
        std::string out = "unchanged";
        const bool converted = ConvertCodePageExact(c.text, c.fromCp, c.toCp, out);
        EXPECT_EQ(c.converted != nullptr, converted);
        if (c.converted) {
            EXPECT_EQ(c.converted, out);
        }
    }
}

TEST(CodePagesTest, APercentIsDoubledAfterTheConversion) {
    std::string oem;
    ASSERT_TRUE(ConvertCodePageExact("c:\\100%\xFC\\setup.inx", 1252, 850, oem));
    const std::string batch = ExpandBatchTemplate("D:", "C:", oem.c_str(), 192437).str();
    EXPECT_NE(std::string::npos, batch.find("xcopy.exe\" /Y \"c:\\100%%\x81\\setup.inx\" <nul\n"));
}

} // namespace
