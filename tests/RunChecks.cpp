#include "RunChecks.h"

#include "TestFiles.h"

#include "patch/BatchTemplate.h"
#include "patch/CdContents.h"
#include "patch/CopyEntries.h"
#include "patch/CdPathRecord.h"
#include "patch/OwnEntry.h"
#include "patch/RunStamp.h"
#include "framework/ResString.h"

#include <gtest/gtest.h>

#include <sstream>

std::map<std::string, std::vector<std::string>> ReadStubRecord(const std::string& path) {
    std::map<std::string, std::vector<std::string>> record;
    std::string text;
    if (!ReadFileBytes(path, text))
        return record;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t eq = line.find('=');
        if (eq != std::string::npos)
            record[line.substr(0, eq)].push_back(line.substr(eq + 1));
    }
    return record;
}

std::string WithCrLf(const std::string& text) {
    std::string out;
    for (char ch : text) {
        if (ch == '\n')
            out += '\r';
        out += ch;
    }
    return out;
}

namespace {

// The views the product's settings key is prepared in. The product's setup is 32-bit and keeps
// its key in the 32-bit view, where the x86-64 build records too; in a 64-bit prefix a key made
// only in the 64-bit view would be invisible to it. A 32-bit prefix has the one view.
#ifdef _WIN64
const REGSAM kKeyViews[] = {KEY_WOW64_32KEY, KEY_WOW64_64KEY};
#else
const REGSAM kKeyViews[] = {0};
#endif

bool ReadCdPathIn(REGSAM view, std::string& value, DWORD& type) {
    HKEY hKey;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ | view, &hKey) !=
        ERROR_SUCCESS)
        return false;
    char data[64] = {};
    DWORD size = sizeof data - 1;
    const LONG rc = ::RegQueryValueExA(hKey, kCdPathValue, nullptr, &type,
                                       reinterpret_cast<BYTE*>(data), &size);
    ::RegCloseKey(hKey);
    value = data;
    return rc == ERROR_SUCCESS;
}

} // namespace

bool SettingsKeyCreate(bool bProductView, bool bOtherView) {
    for (REGSAM view : kKeyViews) {
        if (!(view == kKeyViews[0] ? bProductView : bOtherView))
            continue;
        HKEY hKey;
        if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, 0,
                              KEY_ALL_ACCESS | view, nullptr, &hKey, nullptr) != ERROR_SUCCESS)
            return false;
        ::RegCloseKey(hKey);
    }
    return true;
}

void SettingsKeyDelete() {
    for (REGSAM view : kKeyViews)
        ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, view, 0);
}

bool SettingsKeyExists() {
    for (REGSAM view : kKeyViews) {
        HKEY hKey;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ | view, &hKey) ==
            ERROR_SUCCESS) {
            ::RegCloseKey(hKey);
            return true;
        }
    }
    return false;
}

bool ReadCdPath(std::string& value, DWORD& type) {
    return ReadCdPathIn(kKeyViews[0], value, type);
}

bool ReadCdPathOutsideTheProductView(std::string& value, DWORD& type) {
#ifdef _WIN64
    return ReadCdPathIn(KEY_WOW64_64KEY, value, type);
#else
    (void)value;
    (void)type;
    return false;
#endif
}

void ExpectCdPathRecorded(const char* cdDrive) {
    std::string cdPath;
    DWORD type = 0;
    ASSERT_TRUE(ReadCdPath(cdPath, type)) << "no CDPath";
    EXPECT_EQ(cdDrive, cdPath);
    EXPECT_EQ(DWORD(REG_SZ), type);
}

std::vector<std::string> CdEntriesOn(const std::string& drive) {
    std::vector<std::string> found;
    for (const CdEntry& entry : kCdEntries)
        if (PathExists(drive + "\\" + entry.name))
            found.push_back(entry.name);
    return found;
}

void RemoveCdEntriesFrom(const std::string& drive) {
    for (const std::string& name : CdEntriesOn(drive))
        RemoveTree(drive + "\\" + name);
}

std::string PayloadRecordLine() {
    const std::string payload = PayloadBytes();
    return "setup.inx " + std::to_string(payload.size()) + " " + Fnv1a64Hex(payload);
}

void ExpectCompletedRun(const std::string& programFolder, const char* cdDrive,
                        const char* tempDrive, const std::string& recordPath) {
    std::string script, batch;
    ASSERT_TRUE(ReadFileBytes(programFolder + "setup.inx", script));
    EXPECT_EQ(PayloadBytes(), script);
    ASSERT_TRUE(ReadFileBytes(programFolder + "temp.bat", batch));
    const CString expanded =
        ExpandBatchTemplate(cdDrive, tempDrive, (programFolder + "setup.inx").c_str(),
                            static_cast<unsigned long>(PayloadBytes().size()));
    EXPECT_EQ(WithCrLf(expanded.str()) + "\r\n", batch);

    auto record = ReadStubRecord(recordPath);
    ASSERT_EQ(1u, record["exe"].size()) << "the setup stub did not run";
    EXPECT_STRCASEEQ((std::string(tempDrive) + "\\Disk1\\setup.exe").c_str(),
                     record["exe"][0].c_str());
    ASSERT_EQ(1u, record["cwd"].size());
    EXPECT_STRCASEEQ((std::string(tempDrive) + "\\Disk1").c_str(), record["cwd"][0].c_str());
    ASSERT_EQ(1u, record["cmdline"].size());
    EXPECT_NE(std::string::npos, record["cmdline"][0].find(" -noMSI"));
    EXPECT_EQ(std::vector<std::string>{PayloadRecordLine()}, record["inx"]);
    EXPECT_EQ(std::vector<std::string>(), CdEntriesOn(tempDrive));
}

std::string MessageNaming(unsigned nID, const std::string& first, const std::string& second) {
    std::string text = LoadResString(nID).str();
    const size_t at = text.find("%s");
    if (at == std::string::npos)
        return text;
    text.replace(at, 2, first);
    const size_t next = text.find("%s", at + first.size());
    if (next != std::string::npos)
        text.replace(next, 2, second);
    return text;
}

const CTrustedOwners& OwnTrust() {
    static const CTrustedOwners trusted = [] {
        char folder[MAX_PATH], path[MAX_PATH];
        ::GetTempPathA(MAX_PATH, folder);
        ::GetTempFileNameA(folder, "own", 0, path);
        const CHandle file(::CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        return TrustedOwnersFor(RealPatchSystem(), file);
    }();
    return trusted;
}

void LayOutInterruptedRun(const std::string& drive) {
    {
        // The run is cut off once the entries are made: the stamp's handle goes, the stamp stays.
        CCopyEntries copy(RealPatchSystem(), OwnTrust(), drive.c_str());
        const char* existing = nullptr;
        ASSERT_EQ(CopyEntriesResult::Created, copy.Create("D:", existing)) << existing;
    }
    for (const CdEntry& entry : kCdEntries) {
        const std::string path = drive + "\\" + entry.name;
        if (entry.isFolder) {
            ASSERT_TRUE(MakeFolder(path));
            ASSERT_TRUE(WriteFileBytes(path + "\\copied.txt", "x"));
        } else {
            ASSERT_TRUE(WriteFileBytes(path, "x"));
        }
    }
}

std::string StampText(const std::string& drive) {
    const std::string path = drive + "\\" + kRunStampName;
    HANDLE hStamp = ::CreateFileA(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
    if (hStamp == INVALID_HANDLE_VALUE)
        return std::string();
    char buffer[16384];
    DWORD read = 0;
    const BOOL bRead = ::ReadFile(hStamp, buffer, sizeof buffer, &read, nullptr);
    ::CloseHandle(hStamp);
    return std::string(buffer, bRead ? read : 0);
}

std::vector<std::string> StampRecordNames(const std::string& drive) {
    std::string header;
    std::vector<StampRecord> records;
    ParseStamp(StampText(drive), header, records);
    std::vector<std::string> names;
    for (const StampRecord& record : records)
        names.push_back(record.name.str());
    return names;
}

void ReplaceWithUsersOwn(const std::string& path) {
    const std::string aside = path + ".program";
    ASSERT_TRUE(::MoveFileA(path.c_str(), aside.c_str()));
    ASSERT_TRUE(MakeFolder(path));
    ASSERT_TRUE(WriteFileBytes(path + "\\mine.txt", "the user's own"));
    RemoveTree(aside);
}
