#include "PathBasics.h"

#include "framework/FileFind.h"

#include <cstring>

namespace {

// Backslash and colon, built afresh on every call.
std::string SeparatorSet() {
    std::string set;
    set += '\\';
    set += ':';
    return set;
}

} // namespace

int GetFileDosDateTime(const CString& path) {
    CFileFind finder;
    if (!finder.FindFile(path))
        return -1;
    finder.FindNextFile(); // only the first match is looked at
    if (finder.IsDirectory())
        return -1;
    FILETIME writeTime;
    finder.GetLastWriteTime(&writeTime);
    FILETIME localTime;
    ::FileTimeToLocalFileTime(&writeTime, &localTime);
    WORD dosDate = 0;
    WORD dosTime = 0;
    if (!::FileTimeToDosDateTime(&localTime, &dosDate, &dosTime))
        return -1;
    return static_cast<int>((static_cast<unsigned>(dosTime) & 0xFFFF) << 16 |
                            (static_cast<unsigned>(dosDate) & 0xFFFF));
}

std::string GetPathFileName(const std::string& path) {
    const int p = FindLastOf(SeparatorSet(), path);
    if (p > 0)
        return path.substr(static_cast<size_t>(p) + 1);
    if (!path.empty() && (path[0] == '\\' || path[0] == ':'))
        return path.substr(1);
    return path;
}

int FindLastOf(const std::string& set, const std::string& text) {
    for (int i = static_cast<int>(text.size()) - 1; i >= 1; --i) {
        const char ch = text[static_cast<size_t>(i)];
        if (ch == '\0' || FindChar(set.c_str(), ch) == nullptr)
            continue;
        if (GetByteType(text, i) == kTrailByte) {
            --i; // skip the lead byte too
            continue;
        }
        return i;
    }
    return 0;
}

const char* FindChar(const char* text, char c) {
    return std::strchr(text, c);
}

int GetByteType(const std::string& text, int position) {
    (void)text;
    (void)position;
    return 0;
}
