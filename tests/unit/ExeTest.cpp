// The built install.exe as Windows sees the file.
#include "res/resource.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>

namespace {

std::string ExePath() {
    return BinaryPath("install.exe");
}

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
    const IMAGE_OPTIONAL_HEADER32& Optional() const {
        return *reinterpret_cast<const IMAGE_OPTIONAL_HEADER32*>(
            &m_bytes[PeOffset() + 4 + sizeof(IMAGE_FILE_HEADER)]);
    }
    // The names of the DLLs the file imports, in lower case.
    std::set<std::string> ImportedDlls() const {
        std::set<std::string> dlls;
        const IMAGE_DATA_DIRECTORY& dir = Optional().DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (DWORD at = Offset(dir.VirtualAddress);; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
            const auto& desc = *reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(&m_bytes[at]);
            if (desc.Name == 0)
                break;
            std::string name(&m_bytes[Offset(desc.Name)]);
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            dlls.insert(name);
        }
        return dlls;
    }

private:
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

} // namespace

TEST(ExeTest, IsA32BitGuiProgramThatNeedsOnlyWindowsOwnDlls) {
    const PeFile pe(ExePath());
    ASSERT_TRUE(pe.Valid());
    EXPECT_EQ(IMAGE_FILE_MACHINE_I386, pe.FileHeader().Machine);
    EXPECT_EQ(IMAGE_NT_OPTIONAL_HDR32_MAGIC, pe.Optional().Magic);
    EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, pe.Optional().Subsystem);

    const std::set<std::string> system = {"kernel32.dll", "user32.dll",   "gdi32.dll",
                                          "shell32.dll",  "comctl32.dll", "advapi32.dll",
                                          "msvcrt.dll"};
    const std::set<std::string> imported = pe.ImportedDlls();
    EXPECT_FALSE(imported.empty());
    for (const std::string& dll : imported)
        EXPECT_TRUE(system.count(dll)) << dll << " is not one of Windows' own DLLs";
}

TEST(ExeTest, CarriesVersionPayloadAndManifest) {
    const std::string path = ExePath();
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::string data(size, '\0');
    ASSERT_TRUE(::GetFileVersionInfoA(path.c_str(), 0, size, &data[0]));
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueA(&data[0], "\\", reinterpret_cast<void**>(&info), &length));
    EXPECT_EQ(0x00010000u, info->dwFileVersionMS);
    EXPECT_EQ(0x00000001u, info->dwFileVersionLS);
    EXPECT_EQ(0x00010000u, info->dwProductVersionMS);
    EXPECT_EQ(0x00000001u, info->dwProductVersionLS);
    EXPECT_EQ(DWORD(VFT_APP), info->dwFileType);
    EXPECT_EQ("install.EXE", VersionString(path, "OriginalFilename"));
    EXPECT_EQ("NebuLark 5", VersionString(path, "ProductName"));
    EXPECT_EQ("Tavix Technologies", VersionString(path, "CompanyName"));

    HMODULE hExe = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, hExe);
    HRSRC hPayload = ::FindResourceA(hExe, MAKEINTRESOURCEA(IDR_PAYLOAD), "RT_RCDATA");
    ASSERT_NE(nullptr, hPayload);
    EXPECT_EQ(192437u, ::SizeofResource(hExe, hPayload));
    const char* bytes = static_cast<const char*>(::LockResource(::LoadResource(hExe, hPayload)));
    EXPECT_EQ(PayloadBytes(), std::string(bytes, 192437));

    HRSRC hManifest = ::FindResourceA(hExe, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(nullptr, hManifest);
    const std::string manifest(
        static_cast<const char*>(::LockResource(::LoadResource(hExe, hManifest))),
        ::SizeofResource(hExe, hManifest));
    EXPECT_NE(std::string::npos, manifest.find("Microsoft.Windows.Common-Controls"));
    EXPECT_NE(std::string::npos, manifest.find("level=\"requireAdministrator\""));
    ::FreeLibrary(hExe);
}
