// Path basics: the file-name part of a path, the search for the last separator it rests on, and
// the file probe that answers a file's packed DOS date-time.
//
// Paths are byte strings in the ANSI code page; positions count bytes from 0. Backslash and colon
// separate; the forward slash never does.
#pragma once

#include "framework/String.h"

#include <string>

// Byte-type answer for a trail byte of a double-byte character.
const int kTrailByte = 2;

// The packed DOS date-time of the file that pszPath names (wildcards allowed: the first match
// answers): the DOS time in the high 16 bits, the DOS date in the low 16 bits, both of the local
// last-write time. -1 when nothing matches, the first match is a folder, or its time lies outside
// the DOS date span (1980 to 2107). A valid DOS time never has all 16 bits set, so no real value
// is -1; a file written at 16:00 or later gives another negative value.
int GetFileDosDateTime(const CString& path);

// The part after the last backslash or colon; the whole path when it holds neither.
std::string GetPathFileName(const std::string& path);

// Position of the last member of set in text, or 0 when there is none at position 1 or later:
// position 0 is never examined.
int FindLastOf(const std::string& set, const std::string& text);

// strchr over a NUL-terminated text.
const char* FindChar(const char* text, char c);

// What the byte at position is: 2 for the trail byte of a double-byte character. This program
// works on single-byte text, so it answers 0 everywhere; the callers name it where double-byte
// text would be handled.
int GetByteType(const std::string& text, int position);
