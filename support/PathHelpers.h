// Part of the support library as a whole: the patch run calls only some of these helpers.
//
// Path and file helpers in the manner of the DOS file services: find-first and find-next over a
// caller's record with attribute masks, delete and rename that answer yes or no, the file probe
// for the standard string, and the pure operations that split a path into root, folder, parent
// and extension. Around them: a search for a file along a folder list, the short form of a
// path, the program's own path, and the emptying of a folder tree.
//
// Positions count bytes from 0; backslash and colon separate, the forward slash never does.
#pragma once

#include "PathBasics.h"

#include <windows.h>

#include <string>

// The state of one search over a folder's entries. The caller owns it; the find operations fill
// it. `handle` is INVALID_HANDLE_VALUE while no search is open.
struct FindRecord {
    unsigned short time;     // DOS time of the entry's last write, local time
    unsigned short date;     // DOS date of it
    unsigned int size;       // low 32 bits of the entry's size
    unsigned int attributes; // the attribute bits as the system reports them
    std::string name;        // the entry's (long) name, without folder
    unsigned int skipMask;   // attribute bits that make an entry be skipped
    HANDLE handle;
    WIN32_FIND_DATAA findData;
};

// The packed DOS date-time of the file (see the CString form), for the standard string.
int GetFileDosDateTime(const std::string& path);
// Whether path names an existing file (not a folder) with a DOS-expressible last-write time.
bool FileExists(std::string path);

// Starts a search for pattern. Hidden (0x02), system (0x04), volume-label (0x08) and folder
// (0x10) entries are skipped unless requested; "." and ".." are folders like any other. Answers
// 0 with the first acceptable entry in the record, or the system's error code: at once when
// nothing matches (the record's entry fields untouched), ERROR_NO_MORE_FILES when every match
// was skipped. A search is open after 0 only.
DWORD FindFirstEntry(const std::string& pattern, unsigned int requestedAttributes,
                     FindRecord* record);
// The next acceptable entry; ERROR_NO_MORE_FILES at the end. Leaves the search open whatever it
// answers: the owner always finishes with EndFind.
DWORD FindNextEntry(FindRecord* record);
// Ends the search, if one is open. Harmless when called again.
void EndFind(FindRecord* record);

// By name, for callers that own the folder: the patch run never calls them at a disk's root, where
// it deletes only through handles that judged the entry (patch/OwnEntry.h).
bool RemoveFile(const std::string& path);
bool RenameFile(const std::string& oldPath, const std::string& newPath);

// The short (8.3) form of an existing path; the empty string when the path does not exist or
// its short form does not fit 260 characters.
std::string GetShortPath(const std::string& path);
// The program's own full path; the empty string when it does not fit 259 characters.
std::string GetModulePath();

// The first existing file among: fileName itself, then each entry of the semicolon-separated
// folder list followed by fileName (a backslash is put between them unless the entry ends in a
// backslash or a colon). Empty entries are skipped; blanks belong to an entry. The empty string
// when none exists.
std::string SearchFileInFolders(const std::string& fileName, const std::string& folders);

// Deletes everything below folder, hidden and system entries included, and leaves the folder.
// What the system refuses to delete stays, with every folder above it, without a word. An empty
// folder string deletes nothing. By name, like RemoveFile: the patch run never calls it.
void EmptyFolderTree(std::string folder);

// The drive ("C:", whatever the letter) or the network root ("\\server\share"), else empty.
std::string GetPathRoot(const std::string& path);
// The part before the last backslash or colon (C:\file.txt gives C:; D:file gives D).
std::string GetPathDirectory(const std::string& path);
// The folder that holds the path's last part: C:\dir\file.txt gives C:\dir, C:\file.txt gives
// C:\, \\server\share\dir gives \\server\share. A root has no parent (the empty string), nor has
// a bare name.
std::string GetPathParent(const std::string& path);
// The extension with its dot (file.txt gives .txt), or empty; a dot at position 0 or before the
// last separator is none.
std::string GetPathExtension(const std::string& path);
// The path with its extension replaced by newExtension, which brings its own dot; an empty one
// removes the extension.
std::string ChangePathExtension(const std::string& path, const std::string& newExtension);

// The last character, or NUL for the empty string.
char GetLastChar(const std::string& text);
// The last character's address; null for the empty text.
const char* GetLastCharPtr(const char* text);
// The byte-type hook over a NUL-terminated text: 0 everywhere (single-byte text).
int GetByteType(const char* text, int position);
