#include "CdPathRecord.h"

#include "framework/RegKey.h"

const char kSettingsKey[] = "SOFTWARE\\Tavix Technologies\\NebuLark 5\\Settings";
const char kCdPathValue[] = "CDPath";

namespace {

// The product's own setup is a 32-bit program and keeps its settings in the registry's 32-bit
// view; the x86-64 build must write there too. The i686 build passes no view flag.
#ifdef _WIN64
const REGSAM kSettingsView = KEY_WOW64_32KEY;
#else
const REGSAM kSettingsView = 0;
#endif

} // namespace

CdPathResult RecordCdPath(const PatchSystem& system, const CString& cdDrive) {
    CRegKey key;
    // The key belongs to the installed product: it is opened, never created.
    if (key.Open(HKEY_LOCAL_MACHINE, kSettingsKey, KEY_ALL_ACCESS | kSettingsView) != ERROR_SUCCESS)
        return CdPathResult::NoKey;
    return system.SetStringValue(key.m_hKey, kCdPathValue, cdDrive) == ERROR_SUCCESS
               ? CdPathResult::Recorded
               : CdPathResult::Failed;
}
