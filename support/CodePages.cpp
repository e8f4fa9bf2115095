#include "CodePages.h"

#include <vector>

// Wide text lives in plain vectors: std::wstring would pull the runtime's whole wide-string
// instantiation into the program.
namespace {

using WideText = std::vector<wchar_t>;

bool ToWide(const std::string& text, UINT codePage, WideText& wide) {
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
    out.clear();
    if (length == 0)
        return true;
    BOOL usedDefault = FALSE;
    const int n = ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0,
                                        nullptr, &usedDefault);
    if (n <= 0 || usedDefault)
        return false;
    out.resize(static_cast<size_t>(n));
    usedDefault = FALSE;
    if (::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide, length, &out[0], n, nullptr,
                              &usedDefault) != n ||
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
