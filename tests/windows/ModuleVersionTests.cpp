// The version check against small test modules built with known version resources.
#include "flashcheck/ModuleVersion.h"

#include "TestFolder.h"
#include "utf/Utf.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

std::wstring Fixture(const std::wstring& name) {
    return ProgramFolder() + L"\\fixtures\\" + name;
}

bool IsLoaded(const std::wstring& path) {
    return GetModuleHandleW(path.c_str()) != nullptr;
}

struct VersionCase {
    const wchar_t* module;
    ProductVersion required;
    bool expected;
};

std::ostream& operator<<(std::ostream& out, const VersionCase& c) {
    return out << utf::Utf8FromWide(c.module) << " >= " << c.required.major << '.' << c.required.minor << '.'
               << c.required.release << '.' << c.required.build;
}

class VersionTable : public testing::TestWithParam<VersionCase> {};

constexpr uint32_t kMax = 0xFFFFFFFF;

}  // namespace

TEST_P(VersionTable, ComparesPartByPartMostSignificantFirst) {
    const VersionCase& c = GetParam();
    const std::wstring path = Fixture(c.module);
    ASSERT_TRUE(IsFile(path));
    EXPECT_EQ(CheckModuleVersion(path, c.required), c.expected);
    EXPECT_FALSE(IsLoaded(path));
}

INSTANTIATE_TEST_SUITE_P(Versions, VersionTable,
                         testing::Values(VersionCase{L"module-7.0.19.0.dll", {6, 0, 79, 0}, true},
                                         VersionCase{L"module-6.0.79.0.dll", {6, 0, 79, 0}, true},
                                         VersionCase{L"module-6.0.65.0.dll", {6, 0, 79, 0}, false},
                                         VersionCase{L"module-6.1.0.0.dll", {6, 0, 79, 0}, true},
                                         VersionCase{L"module-6.1.0.0.dll", {6, 0, kMax, kMax}, true},
                                         VersionCase{L"module-6.1.0.0.dll", {6, 2, 0, 0}, false},
                                         VersionCase{L"module-6.0.79.0.dll", {6, 0, 79, 1}, false},
                                         VersionCase{L"module-6.0.79.0.dll", {6, 0, 80, 0}, false},
                                         VersionCase{L"module-6.0.79.0.dll", {7, 0, 0, 0}, false},
                                         VersionCase{L"module-6.0.79.0.dll", {5, kMax, kMax, kMax}, true},
                                         VersionCase{L"module-7.0.19.0.dll", {0, 0, 0, 0}, true},
                                         VersionCase{L"module-6.0.65.0.dll", {0, 0, 0, 0}, true},
                                         VersionCase{L"module-6.0.79.65535.dll", {6, 0, 79, 65535}, true},
                                         VersionCase{L"module-6.0.79.65535.dll", {6, 0, 79, 65536}, false},
                                         VersionCase{L"module-6.0.79.65535.dll", {6, 0, 79, kMax}, false},
                                         VersionCase{L"module-6.0.79.65535.dll", {6, 0, 65536, 0}, false},
                                         VersionCase{L"module-7.0.19.0.dll", {6, 70000, 0, 0}, true},
                                         VersionCase{L"module-6.0.79.0-no-translation.dll", {6, 0, 79, 0}, true},
                                         VersionCase{L"module-6.0.79.0-no-translation.dll", {6, 0, 79, 1}, false},
                                         VersionCase{L"module-no-version.dll", {0, 0, 0, 0}, false},
                                         VersionCase{L"not-a-module.dll", {0, 0, 0, 0}, false}));

TEST(ModuleVersion, AMissingFileIsNeverRecentEnough) {
    EXPECT_FALSE(CheckModuleVersion(Fixture(L"missing.dll"), {0, 0, 0, 0}));
    ModuleVersion version;
    EXPECT_FALSE(version.Load(Fixture(L"missing.dll")));
    EXPECT_EQ(version.FixedInfo().dwSignature, 0u);
    EXPECT_EQ(version.CodePage(), 1252);
}

TEST(ModuleVersion, AModuleThisProcessCannotLoadFailsWhateverItsVersion) {
    // A 32-bit module with a valid 7.0.19.0 resource: the version functions could read it,
    // but the loader cannot map it into this process.
    const std::wstring path = Fixture(L"module-32bit-7.0.19.0.dll");
    if (!IsFile(path))
        GTEST_SKIP() << "the 32-bit test module needs i686-w64-mingw32-gcc";
    DWORD ignored = 0;
    ASSERT_NE(GetFileVersionInfoSizeW(path.c_str(), &ignored), 0u);
    EXPECT_FALSE(CheckModuleVersion(path, {0, 0, 0, 0}));
}

TEST(ModuleVersion, LoadCopiesTheFixedInformationAndTheFirstTranslation) {
    ModuleVersion version;
    ASSERT_TRUE(version.Load(Fixture(L"module-6.0.79.65535.dll")));
    EXPECT_EQ(version.FixedInfo().dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(version.FixedInfo().dwFileVersionMS, 0x00060000u);
    EXPECT_EQ(version.FixedInfo().dwFileVersionLS, 0x004FFFFFu);
    EXPECT_EQ(version.FixedInfo().dwProductVersionMS, 0x00630000u);  // 99.0, not consulted
    EXPECT_EQ(version.Language(), 0x409);
    EXPECT_EQ(version.CodePage(), 1200);
}

TEST(ModuleVersion, WithoutATranslationTheCodePageStays1252) {
    ModuleVersion version;
    ASSERT_TRUE(version.Load(Fixture(L"module-6.0.79.0-no-translation.dll")));
    EXPECT_EQ(version.FixedInfo().dwFileVersionMS, 0x00060000u);
    EXPECT_EQ(version.FixedInfo().dwFileVersionLS, 0x004F0000u);
    EXPECT_EQ(version.CodePage(), 1252);
    EXPECT_EQ(version.Language(), 0);
}

TEST(ModuleVersion, ReleasesTheModuleOnEveryPath) {
    for (const wchar_t* name : {L"module-7.0.19.0.dll", L"module-no-version.dll"}) {
        const std::wstring path = Fixture(name);
        ModuleVersion version;
        version.Load(path);
        EXPECT_FALSE(IsLoaded(path));
    }
}

TEST(ModuleVersion, NoVersionResourceFailsTheLoad) {
    ModuleVersion version;
    EXPECT_FALSE(version.Load(Fixture(L"module-no-version.dll")));
    EXPECT_EQ(version.FixedInfo().dwSignature, 0u);
}

TEST(FlashOcxPath, IsTheSystemFolderWithTheControlsSubPath) {
    wchar_t system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(GetSystemFolder(), std::wstring(system, length));
    EXPECT_EQ(FlashOcxPath(), std::wstring(system, length) + L"\\Macromed\\Flash\\flash.ocx");
}

// Other tests install and remove the control in this prefix: whichever state it is in, the
// check of the lowest version answers exactly whether the module is there.
TEST(FlashOcxPath, TheLowestVersionIsMetExactlyWhenTheControlIsInstalled) {
    EXPECT_EQ(CheckModuleVersion(FlashOcxPath(), {0, 0, 0, 0}), IsFile(FlashOcxPath()));
}
