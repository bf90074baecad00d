// Strings 101 to 109 as the program loads them.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "ResourceModule.h"

namespace {

struct StringCase {
    int id;
    const wchar_t* text;
};

constexpr StringCase kStrings[] = {
    {101, L"&About Dovetta..."},
    {102, L"Movie file not found"},
    {103, L"Unable to write to a temporary file"},
    {104, L"Error"},
    {105, L"Unable to install flash player"},
    {106, L"The required Flash Player cannot be found in your computer. Install Flash Player now?"},
    {107, L"Notification"},
    {108, L"Corvane Album"},
    {109, L"Unable to install resource file!"},
};

void PrintTo(const StringCase& c, std::ostream* out) {
    *out << "string " << c.id;
}

class StringTableTest : public testing::TestWithParam<StringCase> {};

TEST_P(StringTableTest, LoadsExactText) {
    const StringCase& c = GetParam();
    wchar_t buffer[256] = {};
    const int copied = LoadStringW(ResourceModule(), c.id, buffer, 256);
    EXPECT_EQ(std::wstring(buffer, copied), c.text);
    // With no buffer the stored length comes back: nothing follows the text, not even a NUL.
    const wchar_t* stored = nullptr;
    const int storedLength = LoadStringW(ResourceModule(), c.id, reinterpret_cast<LPWSTR>(&stored), 0);
    EXPECT_EQ(storedLength, static_cast<int>(std::wcslen(c.text)));
}

INSTANTIATE_TEST_SUITE_P(Resources, StringTableTest, testing::ValuesIn(kStrings),
                         [](const auto& info) { return std::to_string(info.param.id); });

TEST(StringTable, HasNothingJustOutsideItsRange) {
    wchar_t buffer[16] = {};
    EXPECT_EQ(LoadStringW(ResourceModule(), 100, buffer, 16), 0);
    EXPECT_EQ(LoadStringW(ResourceModule(), 110, buffer, 16), 0);
}

}  // namespace
