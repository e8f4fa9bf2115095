#include "BatchTemplate.h"

#include "CdContents.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

const char kScriptSizePlaceholder[] = "%Z";

namespace {

const char kIndent[] = "       ";

// The patch proper. Lines that begin with "if", "for", "set", "goto", ":" or "exit" are the
// guards: the copy is judged by what both Windows' and Wine's command interpreters can see (xcopy's
// status where it reports one, whether a file is there, and its size), the copy's scripts are
// deleted only inside the copy's Disk1, and the product's setup starts only from a complete copy.
const char* const kPatchLines[] = {
    "@echo on",
    "%2",
    "cd \\ ",
    "xcopy /Y /E \"%1\\*.*\"",
    "if errorlevel 1 goto failed",
    "if not exist \"%2\\Disk1\\setup.exe\" goto failed",
    "cd \"Disk1\" ",
    "if errorlevel 1 goto failed",
    "if /I not \"%CD%\"==\"%2\\Disk1\" goto failed",
    "del *.inx",
    "xcopy /Y \"%3\"",
    "if errorlevel 1 goto failed",
    "%2 ",
    "cd \\ ",
    "for %%F in (\"%2\\Disk1\\setup.inx\") do if not \"%%~zF\"==\"%Z\" goto failed",
    "\"%2\\Disk1\\setup.exe\"  -noMSI ",
    "set NEBULARK_PATCH=0",
    "goto cleanup",
    ":failed",
    "set NEBULARK_PATCH=2",
    ":cleanup",
    nullptr, // the empty line
    "%2",
    "cd \\",
    // The clean-up deletes CD names relative to the current folder: only at the temp disk's root.
    "if /I not \"%CD%\"==\"%2\\\" goto end",
};

// After the clean-up: the batch file's exit status tells the program how the patch went.
const char* const kEndLines[] = {
    ":end",
    "exit %NEBULARK_PATCH%",
};

void AppendLine(CString& text, const char* line) {
    if (line) {
        text += kIndent;
        text += line;
    }
    text += '\n';
}

} // namespace

CString BuildBatchTemplate() {
    CString text;
    for (const char* line : kPatchLines)
        AppendLine(text, line);

    std::vector<CdEntry> entries(kCdEntries, kCdEntries + kCdEntryCount);
    std::sort(entries.begin(), entries.end(), [](const CdEntry& a, const CdEntry& b) {
        return std::strcmp(a.name, b.name) < 0; // byte order: 'A'-'Z' before 'a'-'z'
    });

    // "del /Q/S <folder>" would walk the whole drive from its root and empty every folder of that
    // name anywhere on it; "<folder>\*" keeps the deletion inside the copy.
    for (const CdEntry& entry : entries) {
        const CString line = entry.isFolder ? CString("del /Q/S ") + entry.name + "\\*"
                                            : CString("del /Q ") + entry.name;
        AppendLine(text, line);
    }
    for (const CdEntry& entry : entries) {
        if (entry.isFolder)
            AppendLine(text, CString("rmdir  /Q/S ") + entry.name);
    }
    // The copy is gone: the stamp that marked it as the program's goes last.
    AppendLine(text, CString("del /Q ") + kRunStampName);
    for (const char* line : kEndLines)
        AppendLine(text, line);
    return text;
}

const CString g_strBatchTemplate = BuildBatchTemplate();

CString ExpandBatchTemplate(const CString& cdDrive, const CString& tempDrive,
                            const CString& scriptPath, unsigned long scriptSize) {
    CString literalScriptPath(scriptPath);
    literalScriptPath.Replace("%", "%%");

    CString text(g_strBatchTemplate);
    // Before "%3": the script path may bring a "%Z" of its own, which must stay literal.
    char size[24];
    std::snprintf(size, sizeof size, "%lu", scriptSize);
    text.Replace(kScriptSizePlaceholder, size);
    text.Replace("%1", cdDrive);
    text.Replace("%2", tempDrive);
    text.Replace("%3", literalScriptPath);
    return text;
}
