// The version block (id 1): fixed part, the "040904b0" strings in stored order, and the
// translation entry, read with the system's version functions from a copy of the block.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "ResourceModule.h"
#include "VersionBlock.h"

namespace {

struct VersionString {
    const wchar_t* key;
    const wchar_t* value;
};

constexpr VersionString kStrings[] = {
    {L"Comments", L""},
    {L"CompanyName", L""},
    {L"FileDescription", L"Dovetta MFC Application"},
    {L"FileVersion", L"2004, 12, 15, 0"},
    {L"InternalName", L"Dovetta"},
    {L"LegalCopyright", L"Copyright (C) 2026 Dovetta"},
    {L"LegalTrademarks", L""},
    {L"OriginalFilename", L"Dovetta.EXE"},
    {L"PrivateBuild", L""},
    {L"ProductName", L"Dovetta Application"},
    {L"ProductVersion", L"2004, 12, 15, 0"},
    {L"SpecialBuild", L""},
};

class VersionBlockTest : public testing::Test {
protected:
    void SetUp() override {
        const auto bytes = ResourceBytes(16 /* RT_VERSION */, 1);
        ASSERT_FALSE(bytes.empty()) << "no version block 1 in English (US)";
        // The version functions may write into the block they are given: hand them a copy.
        m_block.assign(bytes.begin(), bytes.end());
    }

    // The value at `path`, or an empty span if the query fails.
    std::span<const std::uint8_t> Query(const std::wstring& path) {
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(m_block.data(), path.c_str(), &value, &length) || !value)
            return {};
        return {static_cast<const std::uint8_t*>(value), length};
    }

    std::vector<std::uint8_t> m_block;
};

TEST_F(VersionBlockTest, FixedPartCarriesVersion2004_12_15_0ForA32BitApplication) {
    const auto fixed = Query(L"\\");
    ASSERT_EQ(fixed.size(), sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO info;
    std::memcpy(&info, fixed.data(), sizeof info);
    EXPECT_EQ(info.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(info.dwStrucVersion, 0x00010000u);
    EXPECT_EQ(info.dwFileVersionMS, 0x07D4000Cu);
    EXPECT_EQ(info.dwFileVersionLS, 0x000F0000u);
    EXPECT_EQ(info.dwProductVersionMS, 0x07D4000Cu);
    EXPECT_EQ(info.dwProductVersionLS, 0x000F0000u);
    EXPECT_EQ(info.dwFileFlagsMask, 0x3Fu);
    EXPECT_EQ(info.dwFileFlags, 0u);
    EXPECT_EQ(info.dwFileOS, 0x4u);
    EXPECT_EQ(info.dwFileType, 1u);
    EXPECT_EQ(info.dwFileSubtype, 0u);
    EXPECT_EQ(info.dwFileDateMS, 0u);
    EXPECT_EQ(info.dwFileDateLS, 0u);
}

TEST_F(VersionBlockTest, EachStringKeyGivesItsValue) {
    for (const VersionString& s : kStrings) {
        SCOPED_TRACE(testing::Message() << "key " << testing::PrintToString(std::wstring(s.key)));
        const auto value = Query(std::wstring(L"\\StringFileInfo\\040904b0\\") + s.key);
        ASSERT_FALSE(value.data() == nullptr) << "key missing";
        // For text the length counts characters, up to and including the NUL where stored.
        const auto* text = reinterpret_cast<const wchar_t*>(value.data());
        EXPECT_EQ(std::wstring(text, wcsnlen(text, value.size())), s.value);
    }
}

TEST_F(VersionBlockTest, StringKeysAreStoredInOrderInOneEnglishUnicodeTable) {
    const auto root = ParseVersionNode(m_block);
    ASSERT_TRUE(root) << "version block lengths point outside the block";
    EXPECT_EQ(root->key, L"VS_VERSION_INFO");
    ASSERT_EQ(root->children.size(), 2u);
    EXPECT_EQ(root->children[0].key, L"StringFileInfo");
    EXPECT_EQ(root->children[1].key, L"VarFileInfo");
    const VersionNode& fileInfo = root->children[0];
    ASSERT_EQ(fileInfo.children.size(), 1u);
    EXPECT_EQ(fileInfo.children[0].key, L"040904b0");

    std::vector<std::wstring> keys, expectedKeys;
    for (const VersionNode& s : fileInfo.children[0].children) {
        keys.push_back(s.key);
        EXPECT_EQ(s.type, 1) << "key stored as binary";
    }
    for (const VersionString& s : kStrings)
        expectedKeys.push_back(s.key);
    EXPECT_EQ(keys, expectedKeys);
}

TEST_F(VersionBlockTest, TranslationIsUsEnglishUnicode) {
    const auto translation = Query(L"\\VarFileInfo\\Translation");
    ASSERT_EQ(translation.size(), 4u);
    EXPECT_EQ(translation[0] | translation[1] << 8, 0x0409);
    EXPECT_EQ(translation[2] | translation[3] << 8, 0x04B0);
}

}  // namespace
