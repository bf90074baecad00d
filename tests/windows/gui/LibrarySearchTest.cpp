// A library of a system name planted beside an album - a downloads folder - is never loaded by
// the player. Wine takes its own built-in libraries unless told otherwise; a setting for the
// programs of these tests makes it prefer a library file on disk, which is what Windows does.
#include "GuiAlbum.h"

#include "platform/Handles.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

const wchar_t* const kProgramsOfTheseTests[] = {L"album.exe", L"library_search_probe.exe",
                                                L"library_search_probe_open.exe"};
const wchar_t* const kPlantedNames[] = {L"version", L"uxtheme"};

std::wstring WineProgramSettings(const wchar_t* program) {
    return std::wstring(L"Software\\Wine\\AppDefaults\\") + program;
}

// Wine's per-program library settings: the planted names from a file on disk first.
void PreferPlantedNamesOnDisk(bool prefer) {
    for (const wchar_t* program : kProgramsOfTheseTests) {
        const std::wstring key = WineProgramSettings(program) + L"\\DllOverrides";
        if (!prefer) {
            ::RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
            ::RegDeleteKeyW(HKEY_CURRENT_USER, WineProgramSettings(program).c_str());
            continue;
        }
        UniqueRegKey settings;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                    settings.put(), nullptr),
                  ERROR_SUCCESS);
        const wchar_t order[] = L"native,builtin";
        for (const wchar_t* name : kPlantedNames)
            ASSERT_EQ(
                ::RegSetValueExW(settings.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(order), sizeof order),
                ERROR_SUCCESS);
    }
}

// A downloads folder with planted libraries, and whatever program is copied in beside them.
class PlantedLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(PreferPlantedNamesOnDisk(true));
        for (const wchar_t* name : kPlantedNames) {
            const std::wstring file = std::wstring(name) + L".dll";
            ASSERT_TRUE(::CopyFileW(Bin(L"fixtures\\planted\\" + file).c_str(), (downloads / file).c_str(), FALSE));
        }
    }
    void TearDown() override { PreferPlantedNamesOnDisk(false); }

    std::wstring CopyIn(const std::wstring& program) {
        const std::wstring target = downloads / program;
        EXPECT_TRUE(::CopyFileW(Bin(program).c_str(), target.c_str(), FALSE));
        return target;
    }
    bool WasLoaded(const std::wstring& library) const { return IsFile(downloads / (library + L".loaded")); }
    std::optional<DWORD> RunProbe(const std::wstring& probe, const std::wstring& library) {
        RunningProgram program(CopyIn(probe), library, downloads.Path());
        return program.WaitForExit(kExitTimeoutMs);
    }

    TestFolder downloads;
};

class PlantedLibraryByName : public PlantedLibraryTest, public ::testing::WithParamInterface<const wchar_t*> {};

// The control case: an ordinary program loads the planted library, so the cases below show a
// real defence and not a setting under which it is never loaded anyway.
TEST_P(PlantedLibraryByName, AnOrdinaryProgramBesideItLoadsIt) {
    EXPECT_EQ(RunProbe(L"library_search_probe_open.exe", GetParam()), 0u);
    EXPECT_TRUE(WasLoaded(GetParam()));
}

// The restriction is made before static constructors of ordinary priority run, which is where
// the player's application object does its whole start-up: the system's library is loaded.
TEST_P(PlantedLibraryByName, TheStartUpRestrictionPrecedesStaticConstruction) {
    EXPECT_EQ(RunProbe(L"library_search_probe.exe", GetParam()), 0u);
    EXPECT_FALSE(WasLoaded(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Names, PlantedLibraryByName, ::testing::Values(L"version.dll", L"uxtheme.dll"));

// The window library loads the theme library by name when the first window is made, long after
// the program's imports were resolved; without the restriction the planted one is taken.
TEST_F(PlantedLibraryTest, ThePlayerNeverLoadsIt) {
    ASSERT_EQ(RunToEnd(Bin(L"MovieControlSetup.exe"), L"/Q"), 0u);
    PlayerRun run;
    ASSERT_TRUE(run.Packed());
    const std::wstring album = downloads / L"album.exe";
    ASSERT_TRUE(::CopyFileW(run.Album().c_str(), album.c_str(), FALSE));

    run.Start(album);
    HWND player = run.WaitForPlayer(L"Autumn Journey");
    ASSERT_TRUE(player) << "no player window";
    ::PostMessageW(player, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.Program().WaitForExit(kExitTimeoutMs), 0u);
    EXPECT_FALSE(WasLoaded(L"uxtheme.dll"));
}

// --- What the shipped programs import -------------------------------------------------------

// Libraries the system always takes from its own folder (its known libraries), whatever lies
// beside a program. Anything else is loaded by full path at run time instead of imported.
const char* const kKnownSystemLibraries[] = {"advapi32.dll", "comdlg32.dll", "gdi32.dll",    "kernel32.dll",
                                             "msvcrt.dll",   "ole32.dll",    "oleaut32.dll", "shell32.dll",
                                             "shlwapi.dll",  "user32.dll"};

template <typename T>
bool ReadAt(const std::string& image, size_t offset, T& value) {
    if (offset > image.size() || image.size() - offset < sizeof(T))
        return false;
    std::memcpy(&value, image.data() + offset, sizeof(T));
    return true;
}

// The names in the import directory of a 64-bit program file; empty when it cannot be read.
std::vector<std::string> ImportedLibraries(const std::wstring& path) {
    const std::string image = ReadFileContent(path);
    IMAGE_DOS_HEADER dos{};
    IMAGE_NT_HEADERS64 nt{};
    if (!ReadAt(image, 0, dos) || !ReadAt(image, size_t(dos.e_lfanew), nt) || nt.Signature != IMAGE_NT_SIGNATURE)
        return {};
    const size_t sections =
        size_t(dos.e_lfanew) + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) + nt.FileHeader.SizeOfOptionalHeader;
    auto fileOffset = [&](DWORD rva) -> size_t {
        for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
            IMAGE_SECTION_HEADER section{};
            if (!ReadAt(image, sections + i * sizeof section, section))
                break;
            if (rva >= section.VirtualAddress && rva < section.VirtualAddress + section.SizeOfRawData)
                return section.PointerToRawData + (rva - section.VirtualAddress);
        }
        return image.size();
    };
    std::vector<std::string> names;
    const DWORD directory = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (size_t entry = fileOffset(directory);; entry += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        IMAGE_IMPORT_DESCRIPTOR import{};
        if (!ReadAt(image, entry, import) || import.Name == 0)
            break;
        const size_t name = fileOffset(import.Name);
        if (name >= image.size())
            break;
        std::string text(image.data() + name, strnlen(image.data() + name, image.size() - name));
        std::transform(text.begin(), text.end(), text.begin(), [](char c) { return char(std::tolower(c)); });
        names.push_back(text);
    }
    return names;
}

class ShippedProgram : public ::testing::TestWithParam<const wchar_t*> {};

TEST_P(ShippedProgram, ImportsOnlyKnownSystemLibraries) {
    const std::vector<std::string> imports = ImportedLibraries(Bin(GetParam()));
    ASSERT_FALSE(imports.empty());
    for (const std::string& name : imports)
        EXPECT_NE(std::find(std::begin(kKnownSystemLibraries), std::end(kKnownSystemLibraries), name),
                  std::end(kKnownSystemLibraries))
            << name;
}

INSTANTIATE_TEST_SUITE_P(Programs, ShippedProgram,
                         ::testing::Values(L"Dovetta.exe", L"Dovetta-trace.exe", L"MovieControlSetup.exe"));

}  // namespace
