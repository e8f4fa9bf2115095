#include "CodePages.h"

#include <vector>

// Wide text lives in plain vectors: std::wstring would pull the runtime's whole wide-string
// instantiation into the program.
namespace {

using WideText = std::vector<wchar_t>;

// CP_ACP and CP_OEMCP as the code pages they stand for: where the system uses UTF-8 for both
// (Windows 10 1903 and later offer it), that is 65001, whose conversions take other flags.
UINT RealCodePage(UINT codePage) {
    if (codePage == CP_ACP)
        return ::GetACP();
    if (codePage == CP_OEMCP)
        return ::GetOEMCP();
    return codePage;
}

bool ToWide(const std::string& text, UINT codePage, WideText& wide) {
    codePage = RealCodePage(codePage);
    wide.clear();
    if (text.empty())
        return true;
    const int length = static_cast<int>(text.size());
    const int n =
        ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
    if (n <= 0)
        return false;
    wide.resize(static_cast<size_t>(n));
    return ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), length, &wide[0],
                                 n) == n;
}

bool FromWide(const wchar_t* wide, int length, UINT codePage, std::string& out) {
    codePage = RealCodePage(codePage);
    out.clear();
    if (length == 0)
        return true;
    // UTF-8 has a form for every character, and rejects both the best-fit flag and the
    // used-default pointer (ERROR_INVALID_PARAMETER): the way back below proves it exact.
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* pUsedDefault = utf8 ? nullptr : &usedDefault;
    const int n =
        ::WideCharToMultiByte(codePage, flags, wide, length, nullptr, 0, nullptr, pUsedDefault);
    if (n <= 0 || usedDefault)
        return false;
    out.resize(static_cast<size_t>(n));
    if (::WideCharToMultiByte(codePage, flags, wide, length, &out[0], n, nullptr, pUsedDefault) !=
            n ||
        usedDefault)
        return false;
    // The way back must give the same characters: no substitute slipped through.
    WideText back;
    return ToWide(out, codePage, back) && back == WideText(wide, wide + length);
}

} // namespace

bool ConvertCodePageExact(const std::string& text, UINT fromCp, UINT toCp, std::string& out) {
    WideText wide;
    return ToWide(text, fromCp, wide) &&
           FromWide(wide.data(), static_cast<int>(wide.size()), toCp, out);
}

bool WideToAnsiExact(const wchar_t* text, int length, std::string& out) {
    return FromWide(text, length, CP_ACP, out);
}

bool AnsiToWideExact(const std::string& text, std::vector<wchar_t>& wide) {
    if (!ToWide(text, CP_ACP, wide))
        return false;
    wide.push_back(L'\0');
    return true;
}

std::string WideToAnsiForDisplay(const wchar_t* text) {
    char buffer[MAX_PATH * 2] = {};
    const int n =
        ::WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, sizeof buffer, nullptr, nullptr);
    return n > 0 ? std::string(buffer) : std::string("?");
}
