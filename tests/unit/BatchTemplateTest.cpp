#include "patch/BatchTemplate.h"
#include "patch/CdContents.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t from = 0;
    for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', from)) {
        lines.push_back(text.substr(from, at - from));
        from = at + 1;
    }
    EXPECT_EQ(text.size(), from) << "the text must end with a line feed";
    return lines;
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// The expansion for the CD in D:, the copy on C: and the script in c:\patch.
const char kExpectedForDC[] =
    "       @echo on\n"
    "       set \"CD=\"\n"
    "       C:\n"
    "       cd \\ \n"
    "       \"C:\\windows\\system32\\xcopy.exe\" /Y /E \"D:\\*.*\" <nul\n"
    "       if errorlevel 1 goto failed\n"
    "       if not exist \"C:\\Disk1\\setup.exe\" goto failed\n"
    "       cd \"Disk1\" \n"
    "       if errorlevel 1 goto failed\n"
    "       if /I not \"%CD%\"==\"C:\\Disk1\" goto failed\n"
    "       del *.inx\n"
    "       \"C:\\windows\\system32\\xcopy.exe\" /Y \"c:\\patch\\setup.inx\" <nul\n"
    "       if errorlevel 1 goto failed\n"
    "       C: \n"
    "       for %%F in (\"C:\\Disk1\\setup.inx\") do if not \"%%~zF\"==\"192437\" "
    "goto failed\n"
    "       if /I not \"%CD%\"==\"C:\\Disk1\" goto failed\n"
    "       \"C:\\Disk1\\setup.exe\"  -noMSI <nul\n"
    "       if errorlevel 9009 if not errorlevel 9010 goto nosetup\n"
    "       set /p NEBULARK_GATE=gate %ERRORLEVEL%:\n"
    "       set NEBULARK_PATCH=0\n"
    "       goto cleanup\n"
    "       :nosetup\n"
    "       set NEBULARK_PATCH=3\n"
    "       goto cleanup\n"
    "       :failed\n"
    "       set NEBULARK_PATCH=2\n"
    "       :cleanup\n"
    "\n"
    "       C:\n"
    "       cd \\\n"
    "       if /I not \"%CD%\"==\"C:\\\" goto end\n"
    "       del /Q AUTORUN.INF\n"
    "       del /Q Autorun.exe\n"
    "       del /Q Bestellung.txt\n"
    "       del /Q/S DirectX\\*\n"
    "       del /Q/S Disk1\\*\n"
    "       del /Q/S Docs\\*\n"
    "       del /Q/S Extras\\*\n"
    "       del /Q/S Fonts\\*\n"
    "       del /Q Handbuch.pdf\n"
    "       del /Q Liesmich.txt\n"
    "       del /Q Lizenz.rtf\n"
    "       del /Q Nebulark5.ico\n"
    "       del /Q Readme.txt\n"
    "       del /Q/S Redist\\*\n"
    "       del /Q Support.url\n"
    "       del /Q/S Tools\\*\n"
    "       del /Q Version.txt\n"
    "       del /Q autorun.dat\n"
    "       del /Q/S movies\\*\n"
    "       del /Q nebulark.cfg\n"
    "       del /Q update.txt\n"
    "       rmdir  /Q/S DirectX\n"
    "       rmdir  /Q/S Disk1\n"
    "       rmdir  /Q/S Docs\n"
    "       rmdir  /Q/S Extras\n"
    "       rmdir  /Q/S Fonts\n"
    "       rmdir  /Q/S Redist\n"
    "       rmdir  /Q/S Tools\n"
    "       rmdir  /Q/S movies\n"
    "       :end\n"
    "       exit %NEBULARK_PATCH%\n";

// The template without the guard lines: the 41 lines of the plain patch, unchanged in order (the
// copy stays in Disk1 for the setup: no return to the root before it).
std::vector<std::string> WithoutGuards(const std::vector<std::string>& lines) {
    std::vector<std::string> plain;
    for (const std::string& line : lines) {
        const std::string text = line.size() > 7 ? line.substr(7) : std::string();
        bool guard = false;
        for (const char* start : {"if ", "for ", "set ", "goto ", ":", "exit "})
            guard = guard || text.compare(0, std::strlen(start), start) == 0;
        if (!guard)
            plain.push_back(line);
    }
    return plain;
}

} // namespace

TEST(BatchTemplateTest, ExpandsToTheExpectedBatchByteForByte) {
    EXPECT_EQ(std::string(kExpectedForDC),
              ExpandBatchTemplate("D:", "C:", "c:\\patch\\setup.inx", 192437,
                                  "C:\\windows\\system32\\xcopy.exe")
                  .str());
}

TEST(BatchTemplateTest, HasFortyOneLinesIndentedBySevenSpacesButTheEmptyOne) {
    const std::vector<std::string> lines = WithoutGuards(Lines(g_strBatchTemplate.str()));
    ASSERT_EQ(41u, lines.size());
    EXPECT_EQ(std::string::npos, g_strBatchTemplate.str().find('\r'));
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i == 9)
            EXPECT_EQ("", lines[i]);
        else
            EXPECT_EQ("       ", lines[i].substr(0, 7)) << "line " << i + 1;
    }
    EXPECT_EQ("       cd \\ ", lines[2]); // one trailing space
    EXPECT_EQ("       %2 ", lines[7]);    // one trailing space
    EXPECT_EQ("       cd \\", lines[11]); // none
    EXPECT_EQ("       \"%2\\Disk1\\setup.exe\"  -noMSI <nul", lines[8]);
}

TEST(BatchTemplateTest, EveryPlaceholderIsReplacedAsOftenAsItOccurs) {
    const std::string raw = g_strBatchTemplate.str();
    EXPECT_EQ(1, Count(raw, "%1"));
    EXPECT_EQ(9, Count(raw, "%2")); // four in the plain patch, five in its guards
    EXPECT_EQ(1, Count(raw, "%3"));
    EXPECT_EQ(1, Count(raw, "%Z"));
    EXPECT_EQ(2, Count(raw, "%X"));

    const std::string expanded =
        ExpandBatchTemplate("Q:", "W:", "x:\\p\\setup.inx", 77, "S:\\sys\\xcopy.exe").str();
    for (const char* placeholder : {"%1", "%2", "%3", "%Z", "%X"})
        EXPECT_EQ(0, Count(expanded, placeholder)) << placeholder;
    EXPECT_EQ(1, Count(expanded, "Q:"));
    EXPECT_EQ(9, Count(expanded, "W:"));
    EXPECT_EQ(1, Count(expanded, "x:\\p\\setup.inx"));
    EXPECT_EQ(1, Count(expanded, "\"%%~zF\"==\"77\""));
    EXPECT_EQ(2, Count(expanded, "\"S:\\sys\\xcopy.exe\" /Y "));
}

TEST(BatchTemplateTest, APercentOfTheScriptPathIsDoubledForTheCommandInterpreter) {
    const std::string expanded =
        ExpandBatchTemplate("D:", "C:", "c:\\100%\\setup.inx", 192437).str();
    EXPECT_NE(std::string::npos, expanded.find("xcopy.exe\" /Y \"c:\\100%%\\setup.inx\" <nul\n"));
    // Text the paths bring in is not read as a placeholder.
    const std::string tricky =
        ExpandBatchTemplate("D:", "C:", "c:\\%1%2%Z%X\\setup.inx", 192437, "c:\\w%3\\xcopy.exe")
            .str();
    EXPECT_NE(std::string::npos,
              tricky.find("\"c:\\w%%3\\xcopy.exe\" /Y \"c:\\%%1%%2%%Z%%X\\setup.inx\" <nul\n"));
}

TEST(BatchTemplateTest, CleanUpNamesEveryCdEntryOnceInByteOrderAndEveryFolderOnceMore) {
    const std::vector<std::string> lines = WithoutGuards(Lines(g_strBatchTemplate.str()));
    ASSERT_EQ(41u, lines.size());
    const std::string delFolder = "       del /Q/S ", delFile = "       del /Q ",
                      rmdir = "       rmdir  /Q/S ";

    std::vector<std::string> deleted, removed;
    std::set<std::string> folders, files;
    for (size_t i = 12; i < 33; ++i) {
        const std::string& line = lines[i];
        if (line.compare(0, delFolder.size(), delFolder) == 0) {
            ASSERT_EQ("\\*", line.substr(line.size() - 2)) << line;
            deleted.push_back(line.substr(delFolder.size(), line.size() - delFolder.size() - 2));
            folders.insert(deleted.back());
        } else {
            ASSERT_EQ(delFile, line.substr(0, delFile.size())) << line;
            deleted.push_back(line.substr(delFile.size()));
            files.insert(deleted.back());
        }
    }
    for (size_t i = 33; i < 41; ++i) {
        ASSERT_EQ(rmdir, lines[i].substr(0, rmdir.size()));
        removed.push_back(lines[i].substr(rmdir.size()));
    }

    // Ascending byte order: every upper-case initial before every lower-case one.
    for (size_t i = 1; i < deleted.size(); ++i)
        EXPECT_LT(std::strcmp(deleted[i - 1].c_str(), deleted[i].c_str()), 0) << deleted[i];
    for (size_t i = 1; i < removed.size(); ++i)
        EXPECT_LT(std::strcmp(removed[i - 1].c_str(), removed[i].c_str()), 0) << removed[i];

    std::set<std::string> cdFolders, cdFiles;
    for (const CdEntry& entry : kCdEntries)
        (entry.isFolder ? cdFolders : cdFiles).insert(entry.name);
    EXPECT_EQ(cdFolders, folders);
    EXPECT_EQ(cdFiles, files);
    EXPECT_EQ(cdFolders, std::set<std::string>(removed.begin(), removed.end()));
}

TEST(CdContentsTest, TheCdHasEightFoldersAndThirteenFilesWithDisk1AndTheMarker) {
    std::set<std::string> names;
    int folders = 0;
    bool disk1 = false, marker = false;
    for (const CdEntry& entry : kCdEntries) {
        names.insert(entry.name);
        folders += entry.isFolder;
        disk1 |= entry.isFolder && std::strcmp(entry.name, kCdSetupFolder) == 0;
        marker |= !entry.isFolder && std::strcmp(entry.name, kCdMarkerName) == 0;
        // Names are used bare in the batch file: nothing the command interpreter would parse.
        EXPECT_EQ(nullptr, std::strpbrk(entry.name, " %&|<>^\"\\/:*?")) << entry.name;
    }
    EXPECT_EQ(21u, names.size());
    EXPECT_EQ(8, folders);
    EXPECT_TRUE(disk1);
    EXPECT_TRUE(marker);
}
