// The built install.exe as Windows sees the file; and, where this suite is the x86_64 one, the
// i686 product read as a file, for hosts that cannot run it.
#include "res/resource.h"

#include "CaseTrace.h"
#include "TestFiles.h"

#include "framework/SystemDlls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

class PeFile {
public:
    explicit PeFile(const std::string& path) { ReadFileBytes(path, m_bytes); }

    bool Valid() const {
        return m_bytes.size() > 0x40 && m_bytes.compare(0, 2, "MZ") == 0 &&
               m_bytes.compare(PeOffset(), 4, std::string("PE\0\0", 4)) == 0;
    }
    const IMAGE_FILE_HEADER& FileHeader() const {
        return *reinterpret_cast<const IMAGE_FILE_HEADER*>(&m_bytes[PeOffset() + 4]);
    }
    WORD Magic() const { return *reinterpret_cast<const WORD*>(OptionalBytes()); }
    WORD Subsystem() const {
        return Is64() ? Optional<IMAGE_OPTIONAL_HEADER64>().Subsystem
                      : Optional<IMAGE_OPTIONAL_HEADER32>().Subsystem;
    }
    size_t Size() const { return m_bytes.size(); }
    // The names of the DLLs the file imports, in lower case.
    std::set<std::string> ImportedDlls() const {
        std::set<std::string> dlls;
        for (const IMAGE_IMPORT_DESCRIPTOR* desc : ImportDescriptors()) {
            std::string name(&m_bytes[Offset(desc->Name)]);
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            dlls.insert(name);
        }
        return dlls;
    }
    // The functions the file imports by name, from every DLL.
    std::set<std::string> ImportedFunctions() const {
        std::set<std::string> functions;
        const size_t thunkSize = Is64() ? 8 : 4;
        const ULONGLONG byOrdinal = Is64() ? IMAGE_ORDINAL_FLAG64 : IMAGE_ORDINAL_FLAG32;
        for (const IMAGE_IMPORT_DESCRIPTOR* desc : ImportDescriptors()) {
            const DWORD thunks =
                desc->OriginalFirstThunk ? desc->OriginalFirstThunk : desc->FirstThunk;
            for (DWORD at = Offset(thunks);; at += static_cast<DWORD>(thunkSize)) {
                ULONGLONG thunk = 0;
                std::memcpy(&thunk, &m_bytes[at], thunkSize);
                if (thunk == 0)
                    break;
                if (!(thunk & byOrdinal)) // hint, then the name
                    functions.insert(&m_bytes[Offset(static_cast<DWORD>(thunk)) + 2]);
            }
        }
        return functions;
    }

private:
    const char* OptionalBytes() const {
        return &m_bytes[PeOffset() + 4 + sizeof(IMAGE_FILE_HEADER)];
    }
    bool Is64() const { return Magic() == IMAGE_NT_OPTIONAL_HDR64_MAGIC; }
    template <typename Header> const Header& Optional() const {
        return *reinterpret_cast<const Header*>(OptionalBytes());
    }
    std::vector<const IMAGE_IMPORT_DESCRIPTOR*> ImportDescriptors() const {
        std::vector<const IMAGE_IMPORT_DESCRIPTOR*> descriptors;
        const IMAGE_DATA_DIRECTORY& dir =
            Is64()
                ? Optional<IMAGE_OPTIONAL_HEADER64>().DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT]
                : Optional<IMAGE_OPTIONAL_HEADER32>().DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (DWORD at = Offset(dir.VirtualAddress);; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
            const auto* desc = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(&m_bytes[at]);
            if (desc->Name == 0)
                break;
            descriptors.push_back(desc);
        }
        return descriptors;
    }
    DWORD PeOffset() const { return *reinterpret_cast<const DWORD*>(&m_bytes[0x3C]); }
    DWORD Offset(DWORD rva) const {
        const IMAGE_FILE_HEADER& fh = FileHeader();
        const auto* sections = reinterpret_cast<const IMAGE_SECTION_HEADER*>(
            &m_bytes[PeOffset() + 4 + sizeof(IMAGE_FILE_HEADER) + fh.SizeOfOptionalHeader]);
        for (WORD i = 0; i < fh.NumberOfSections; ++i) {
            const IMAGE_SECTION_HEADER& s = sections[i];
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.Misc.VirtualSize)
                return rva - s.VirtualAddress + s.PointerToRawData;
        }
        return 0;
    }
    std::string m_bytes;
};

std::string VersionString(const std::string& path, const char* key) {
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &handle);
    std::string data(size, '\0');
    if (!size || !::GetFileVersionInfoA(path.c_str(), 0, size, &data[0]))
        return "<no version>";
    char* value = nullptr;
    UINT length = 0;
    const std::string query = std::string("\\StringFileInfo\\040704e4\\") + key;
    if (!::VerQueryValueA(&data[0], query.c_str(), reinterpret_cast<void**>(&value), &length))
        return "<missing>";
    return value;
}

// Every resource of a module, by type, name and language, with its bytes.
using ResourceMap = std::map<std::string, std::string>;

std::string ResourceKey(LPCSTR type, LPCSTR name, WORD language) {
    auto part = [](LPCSTR id) {
        return IS_INTRESOURCE(id) ? "#" + std::to_string(reinterpret_cast<UINT_PTR>(id))
                                  : std::string(id);
    };
    return part(type) + "/" + part(name) + "/" + std::to_string(language);
}

ResourceMap ReadResources(HMODULE hModule) {
    ResourceMap resources;
    struct Walk {
        static BOOL CALLBACK Language(HMODULE h, LPCSTR type, LPCSTR name, WORD lang,
                                      LONG_PTR out) {
            HRSRC hRes = ::FindResourceExA(h, type, name, lang);
            const char* bytes = static_cast<const char*>(::LockResource(::LoadResource(h, hRes)));
            (*reinterpret_cast<ResourceMap*>(out))[ResourceKey(type, name, lang)] =
                std::string(bytes, ::SizeofResource(h, hRes));
            return TRUE;
        }
        static BOOL CALLBACK Name(HMODULE h, LPCSTR type, LPSTR name, LONG_PTR out) {
            ::EnumResourceLanguagesA(h, type, name, Language, out);
            return TRUE;
        }
        static BOOL CALLBACK Type(HMODULE h, LPSTR type, LONG_PTR out) {
            ::EnumResourceNamesA(h, type, Name, out);
            return TRUE;
        }
    };
    ::EnumResourceTypesA(hModule, Walk::Type, reinterpret_cast<LONG_PTR>(&resources));
    return resources;
}

struct BuiltExe {
    std::string path;
    WORD machine;
    WORD magic;
    const char* manifestArch;
};

// The exes this suite can check: its own build's, and the i686 product when the build names it.
std::vector<BuiltExe> BuiltExes() {
#ifdef _WIN64
    std::vector<BuiltExe> exes = {{BinaryPath("install.exe"), IMAGE_FILE_MACHINE_AMD64,
                                   IMAGE_NT_OPTIONAL_HDR64_MAGIC, "amd64"}};
#else
    std::vector<BuiltExe> exes = {
        {BinaryPath("install.exe"), IMAGE_FILE_MACHINE_I386, IMAGE_NT_OPTIONAL_HDR32_MAGIC, "X86"}};
#endif
#ifdef INSTALL_I686_EXE
    exes.push_back({UnixPathToWine(INSTALL_I686_EXE), IMAGE_FILE_MACHINE_I386,
                    IMAGE_NT_OPTIONAL_HDR32_MAGIC, "X86"});
#endif
    return exes;
}

} // namespace

TEST(ExeTest, IsAGuiProgramOfItsArchitectureThatNeedsOnlyWindowsOwnDlls) {
    const std::set<std::string> system = {"kernel32.dll", "user32.dll",   "gdi32.dll",
                                          "comctl32.dll", "advapi32.dll", "msvcrt.dll"};
    for (const BuiltExe& exe : BuiltExes()) {
        const CaseTrace trace(exe.path);
        const PeFile pe(exe.path);
        ASSERT_TRUE(pe.Valid());
        EXPECT_EQ(exe.machine, pe.FileHeader().Machine);
        EXPECT_EQ(exe.magic, pe.Magic());
        EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, pe.Subsystem());
        const std::set<std::string> imported = pe.ImportedDlls();
        EXPECT_FALSE(imported.empty());
        for (const std::string& dll : imported)
            EXPECT_TRUE(system.count(dll)) << dll << " is not one of Windows' own DLLs";
        // Release builds are stripped: the payload plus 300 KiB is the budget of the product.
        if (exe.machine == IMAGE_FILE_MACHINE_I386) {
            EXPECT_LE(pe.Size(), 192437u + 300u * 1024u);
        }
    }
}

// Functions of Windows' own DLLs that Windows XP SP3 lacks, from the minimum versions Microsoft
// documents (Vista and later, or only the 64-bit editions of XP). The i686 product starts on XP:
// a single one of these in its import table stops it with "procedure entry point not found".
const char* const kNotOnWindowsXp[] = {
    "GetTickCount64",
    "FlsAlloc",
    "FlsFree",
    "FlsGetValue",
    "FlsSetValue",
    "InitOnceInitialize",
    "InitOnceExecuteOnce",
    "InitOnceBeginInitialize",
    "InitOnceComplete",
    "InitializeSRWLock",
    "AcquireSRWLockExclusive",
    "AcquireSRWLockShared",
    "ReleaseSRWLockExclusive",
    "ReleaseSRWLockShared",
    "TryAcquireSRWLockExclusive",
    "TryAcquireSRWLockShared",
    "InitializeConditionVariable",
    "SleepConditionVariableCS",
    "SleepConditionVariableSRW",
    "WakeConditionVariable",
    "WakeAllConditionVariable",
    "InitializeCriticalSectionEx",
    "SetDefaultDllDirectories",
    "AddDllDirectory",
    "RemoveDllDirectory",
    "SetProcessDPIAware",
    "IsProcessDPIAware",
    "SetProcessDpiAwareness",
    "SetProcessDpiAwarenessContext",
    "RegGetValueA",
    "RegGetValueW",
    "RegDeleteTreeA",
    "RegSetKeyValueA",
    "RegDeleteKeyExA",
    "ReOpenFile",
    "GetFinalPathNameByHandleA",
    "GetFinalPathNameByHandleW",
    "CreateSymbolicLinkA",
    "CreateSymbolicLinkW",
    "GetFileInformationByHandleEx",
    "SetFileInformationByHandle",
    "CancelIoEx",
    "CreateFile2",
    "CreateEventExA",
    "CreateEventExW",
    "CreateMutexExA",
    "CreateMutexExW",
    "CreateSemaphoreExW",
    "QueryFullProcessImageNameA",
    "QueryFullProcessImageNameW",
    "GetErrorMode",
    "GetSystemTimePreciseAsFileTime",
    "GetCurrentProcessorNumber",
    "FlushProcessWriteBuffers",
    "InterlockedCompareExchange64",
    "LocaleNameToLCID",
    "LCIDToLocaleName",
    "GetLocaleInfoEx",
    "CompareStringEx",
    "GetUserDefaultLocaleName",
    "Wow64DisableWow64FsRedirection",
    "Wow64RevertWow64FsRedirection",
    "ChangeWindowMessageFilter",
    "SHGetKnownFolderPath",
    "SetThreadStackGuarantee",
    "GetProductInfo",
};

TEST(ExeTest, TheI686ProductImportsNothingWindowsXpLacks) {
    bool checked = false;
    for (const BuiltExe& exe : BuiltExes()) {
        if (exe.machine != IMAGE_FILE_MACHINE_I386)
            continue;
        const CaseTrace trace(exe.path);
        const PeFile pe(exe.path);
        ASSERT_TRUE(pe.Valid());
        const std::set<std::string> imported = pe.ImportedFunctions();
        EXPECT_TRUE(imported.count("CreateFileA")) << "the import table was not read";
        for (const char* name : kNotOnWindowsXp)
            EXPECT_FALSE(imported.count(name)) << name << " is not on Windows XP SP3";
        checked = true;
    }
    EXPECT_TRUE(checked) << "no i686 install.exe to check";
}

TEST(ExeTest, PreloadingTakesEachLateSystemDllFromTheSystemFolder) {
    // Where SetDefaultDllDirectories is missing, the program loads these first thing, so that a
    // system DLL's later load by name finds them instead of a file beside the program.
    PreloadSystemDlls();
    const std::string system = SystemFolder().str();
    int held = 0;
    for (int i = 0; i < kLateSystemDllCount; ++i) {
        const std::string name = std::string(kLateSystemDlls[i]) + ".dll";
        const CaseTrace trace(name);
        if (::GetFileAttributesA((system + "\\" + name).c_str()) == INVALID_FILE_ATTRIBUTES)
            continue; // not on this system, so nothing can be preloaded
        ++held;
        HMODULE hModule = ::GetModuleHandleA(name.c_str());
        ASSERT_NE(nullptr, hModule) << "not loaded";
        char path[MAX_PATH] = {};
        ::GetModuleFileNameA(hModule, path, MAX_PATH);
        EXPECT_EQ(0, lstrcmpiA((system + "\\" + name).c_str(), path));
    }
    EXPECT_GE(held, 6) << "the system folder holds too few of them for the test to mean much";
}

TEST(ExeTest, CarriesVersionPayloadAndTheManifestOfItsArchitecture) {
    for (const BuiltExe& exe : BuiltExes()) {
        const CaseTrace trace(exe.path);
        DWORD handle = 0;
        const DWORD size = ::GetFileVersionInfoSizeA(exe.path.c_str(), &handle);
        ASSERT_GT(size, 0u);
        std::string data(size, '\0');
        ASSERT_TRUE(::GetFileVersionInfoA(exe.path.c_str(), 0, size, &data[0]));
        VS_FIXEDFILEINFO* info = nullptr;
        UINT length = 0;
        ASSERT_TRUE(::VerQueryValueA(&data[0], "\\", reinterpret_cast<void**>(&info), &length));
        EXPECT_EQ(0x00010000u, info->dwFileVersionMS);
        EXPECT_EQ(0x00000001u, info->dwFileVersionLS);
        EXPECT_EQ(0x00010000u, info->dwProductVersionMS);
        EXPECT_EQ(0x00000001u, info->dwProductVersionLS);
        EXPECT_EQ(DWORD(VFT_APP), info->dwFileType);
        EXPECT_EQ("install.EXE", VersionString(exe.path, "OriginalFilename"));
        EXPECT_EQ("NebuLark 5", VersionString(exe.path, "ProductName"));
        EXPECT_EQ("Tavix Technologies", VersionString(exe.path, "CompanyName"));

        HMODULE hExe = ::LoadLibraryExA(exe.path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, hExe);
        HRSRC hPayload = ::FindResourceA(hExe, MAKEINTRESOURCEA(IDR_PAYLOAD), "RT_RCDATA");
        ASSERT_NE(nullptr, hPayload);
        EXPECT_EQ(192437u, ::SizeofResource(hExe, hPayload));
        const char* bytes =
            static_cast<const char*>(::LockResource(::LoadResource(hExe, hPayload)));
        EXPECT_EQ(PayloadBytes(), std::string(bytes, 192437));

        HRSRC hManifest = ::FindResourceA(hExe, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
        ASSERT_NE(nullptr, hManifest);
        const std::string manifest(
            static_cast<const char*>(::LockResource(::LoadResource(hExe, hManifest))),
            ::SizeofResource(hExe, hManifest));
        // Its own architecture for the program; any for the common controls, whose assembly
        // exists once per architecture.
        EXPECT_NE(std::string::npos, manifest.find(std::string("processorArchitecture=\"") +
                                                   exe.manifestArch + "\" name=\"Tavix"));
        EXPECT_NE(std::string::npos,
                  manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\" "
                                "processorArchitecture=\"*\""));
        EXPECT_NE(std::string::npos, manifest.find("level=\"requireAdministrator\""));
        // Vista, 7, 8, 8.1 and 10/11, in the compatibility namespace.
        EXPECT_NE(
            std::string::npos,
            manifest.find("<compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\">"));
        for (const char* os :
             {"e2011457-1546-43c5-a5fe-008deee3d3f0", "35138b9a-5d96-4fbd-8e2d-a2440225f93a",
              "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38", "1f676c76-80e1-4239-95bb-83d0f6d0da78",
              "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"})
            EXPECT_NE(std::string::npos,
                      manifest.find(std::string("<supportedOS Id=\"{") + os + "}\"/>"))
                << os;
        // System DPI awareness, in an asm.v3 application element (asm.v1 stops Windows XP).
        EXPECT_NE(std::string::npos,
                  manifest.find("<application xmlns=\"urn:schemas-microsoft-com:asm.v3\">\n"
                                "    <windowsSettings>\n"
                                "      <dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/"
                                "WindowsSettings\">true</dpiAware>"));
        ::FreeLibrary(hExe);
    }
}

TEST(ExeTest, CarriesExactlyTheResourcesTheTestsCheck) {
    // The tests link the same compiled resources and check every message, dialog and icon in
    // their own module; each exe must carry the same ones, byte for byte, and its manifest.
    ResourceMap expected = ReadResources(::GetModuleHandleA(nullptr));
    ASSERT_FALSE(expected.empty());
    for (const BuiltExe& exe : BuiltExes()) {
        const CaseTrace trace(exe.path);
        HMODULE hExe = ::LoadLibraryExA(exe.path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, hExe);
        ResourceMap actual = ReadResources(hExe);
        ::FreeLibrary(hExe);
        EXPECT_EQ(1u, actual.erase(ResourceKey(RT_MANIFEST, MAKEINTRESOURCEA(1), 0x409)) +
                          actual.erase(ResourceKey(RT_MANIFEST, MAKEINTRESOURCEA(1), 0)));
        EXPECT_EQ(expected.size(), actual.size());
        for (const auto& resource : expected)
            EXPECT_TRUE(actual.count(resource.first) && actual[resource.first] == resource.second)
                << resource.first;
    }
}
