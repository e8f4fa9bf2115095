#include "BatchTemplate.h"

#include "CdContents.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

const char kIndent[] = "       ";

const char* const kFixedLines[] = {
    "@echo on",
    "%2",
    "cd \\ ",
    "xcopy /Y /E \"%1\\*.*\"",
    "cd \"Disk1\" ",
    "del *.inx",
    "xcopy /Y \"%3\"",
    "%2 ",
    "cd \\ ",
    "\"%2\\Disk1\\setup.exe\"  -noMSI ",
    nullptr, // the empty line
    "%2",
    "cd \\",
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
    for (const char* line : kFixedLines)
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
    return text;
}

const CString g_strBatchTemplate = BuildBatchTemplate();

CString ExpandBatchTemplate(const CString& cdDrive, const CString& tempDrive,
                            const CString& scriptPath) {
    CString literalScriptPath(scriptPath);
    literalScriptPath.Replace("%", "%%");

    CString text(g_strBatchTemplate);
    text.Replace("%1", cdDrive);
    text.Replace("%2", tempDrive);
    text.Replace("%3", literalScriptPath);
    return text;
}
