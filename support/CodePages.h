// Text between the program's ANSI code page and the console's OEM code page, in which the
// command interpreter reads a batch file. Conversions go through Unicode and are exact: a
// character without a form in the target code page is a failure, never a best-fit stand-in.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Converts text from code page fromCp to toCp; false when a character has no exact form there.
bool ConvertCodePageExact(const std::string& text, UINT fromCp, UINT toCp, std::string& out);

// length wide characters in the ANSI code page; false when one has no exact ANSI form.
bool WideToAnsiExact(const wchar_t* text, int length, std::string& out);
// An ANSI text in wide characters, NUL-terminated; false when a byte sequence is no character.
bool AnsiToWideExact(const std::string& text, std::vector<wchar_t>& wide);
// A wide name as a message may show it: in the ANSI code page, a best fit or "?" where a
// character has no form there. Never a path.
std::string WideToAnsiForDisplay(const wchar_t* text);

// An ANSI path as the command interpreter must read it from a batch file: in the OEM code page.
inline bool AnsiToOem(const std::string& ansi, std::string& oem) {
    return ConvertCodePageExact(ansi, CP_ACP, CP_OEMCP, oem);
}
