#include "BatchTemplate.h"

#include "CdContents.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

const char kIndent[] = "       ";

// The patch proper. Lines that begin with "if", "for", "set", "goto", ":" or "exit" are the
// guards: the copy is judged by what both Windows' and Wine's command interpreters can see (xcopy's
// status where it reports one, whether a file is there, and its size), the copy's scripts are
// deleted only inside the copy's Disk1, and the product's setup starts only from a complete copy.
const char* const kPatchLines[] = {
    "@echo on",
    // A user's variable named CD would stand in for the current folder in the guards.
    "set \"CD=\"",
    "%2",
    "cd \\ ",
    // Every program the batch file starts reads NUL: the interpreter's own input is the hold's.
    "\"%X\" /Y /E \"%1\\*.*\" <nul",
    "if errorlevel 1 goto failed",
    "if not exist \"%2\\%S\" goto failed",
    "cd \"Disk1\" ",
    "if errorlevel 1 goto failed",
    "if /I not \"%CD%\"==\"%2\\Disk1\" goto failed",
    "del *.inx",
    "\"%X\" /Y \"%3\" <nul",
    "if errorlevel 1 goto failed",
    "%2 ",
    "for %%F in (\"%2\\Disk1\\setup.inx\") do if not \"%%~zF\"==\"%Z\" goto failed",
    // The setup starts inside the copy's Disk1, which only administrators may change: a program
    // or DLL it names bare is looked for in the current folder before the system's, and any user
    // may put files at a data disk's root.
    "if /I not \"%CD%\"==\"%2\\Disk1\" goto failed",
    "\"%2\\%S\"  -noMSI <nul",
    // 9009 is the command interpreter's own status for a program it could not start (Windows'
    // for one it cannot find, Wine's for every failed start); any other is the setup's own.
    "if errorlevel 9009 if not errorlevel 9010 goto nosetup",
    // The hold: a setup may hand its work to processes of its own and end; the copy stays until
    // the program, which follows the setup's whole tree, writes a line to the interpreter's
    // input. The prompt tells the program that the batch file is here, and the setup's status.
    "set /p NEBULARK_GATE=gate %ERRORLEVEL%:",
    "set NEBULARK_PATCH=0",
    "goto cleanup",
    ":nosetup",
    "set NEBULARK_PATCH=3",
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
        CString named(line);
        named.Replace("%S", kCdSetupPath); // the copy's setup, as the wait knows it too
        text += kIndent;
        text += named;
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
    for (const char* line : kEndLines)
        AppendLine(text, line);
    return text;
}

const CString g_strBatchTemplate = BuildBatchTemplate();

CString ExpandBatchTemplate(const CString& cdDrive, const CString& tempDrive,
                            const CString& scriptPath, unsigned long scriptSize,
                            const CString& xcopyPath) {
    // The paths are written so that the command interpreter reads them back literally.
    CString literalScriptPath(scriptPath);
    literalScriptPath.Replace("%", "%%");
    CString literalXcopyPath(xcopyPath);
    literalXcopyPath.Replace("%", "%%");
    char size[24];
    ::wsprintfA(size, "%lu", scriptSize);

    // One pass from left to right over a copy of the template: an inserted text is never
    // searched again, so a folder such as c:\%1%2%Z stays literal.
    const std::string& text = g_strBatchTemplate.str();
    std::string expanded;
    expanded.reserve(text.size() + 256);
    for (size_t at = 0; at < text.size(); ++at) {
        const char next = at + 1 < text.size() ? text[at + 1] : '\0';
        const char* value = nullptr;
        if (text[at] == '%') {
            switch (next) {
            case '1':
                value = cdDrive;
                break;
            case '2':
                value = tempDrive;
                break;
            case '3':
                value = literalScriptPath;
                break;
            case 'X':
                value = literalXcopyPath;
                break;
            case 'Z':
                value = size;
                break;
            }
        }
        if (value) {
            expanded += value;
            ++at;
        } else {
            expanded += text[at];
        }
    }
    return CString(expanded);
}
