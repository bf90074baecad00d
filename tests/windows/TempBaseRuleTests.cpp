// The rule that turns TMP and the accessible paths into the working folder's base.
#include "platform/TempBaseRule.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

struct RuleCase {
    const char* what;
    std::optional<std::wstring> tmp;
    std::set<std::wstring> accessible;
    std::wstring base;
};

std::wstring Repeat(wchar_t c, size_t n) {
    return std::wstring(n, c);
}

// "C:\" followed by as many "a" as make a directory text of the given length.
std::wstring DirectoryOfLength(size_t length) {
    return L"C:\\" + Repeat(L'a', length - 3);
}

std::ostream& operator<<(std::ostream& out, const RuleCase& c) {
    return out << c.what;
}

class TempBaseRule : public testing::TestWithParam<RuleCase> {};

}  // namespace

TEST_P(TempBaseRule, GivesTheFirstComponentOfTheChosenDirectory) {
    const RuleCase& c = GetParam();
    const auto accessible = [&](const std::wstring& path) { return c.accessible.count(path) != 0; };
    EXPECT_EQ(temp_base::TempBaseFor(c.tmp, accessible), c.base);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TempBaseRule,
    testing::Values(
        RuleCase{"tmp on drive C", L"C:\\Users\\me\\Temp", {L"C:\\Users\\me\\Temp", L"\\"}, L"C:"},
        RuleCase{"forward slashes", L"D:/data/tmp", {L"D:/data/tmp", L"\\"}, L"D:"},
        RuleCase{"mixed separators", L"E:/x\\y", {L"E:/x\\y"}, L"E:"},
        RuleCase{"tmp unset, root", std::nullopt, {L"\\"}, L""},
        RuleCase{"tmp missing, root", L"C:\\missing", {L"\\"}, L""}, RuleCase{"tmp empty, root", L"", {L"\\"}, L""},
        RuleCase{"nothing accessible", std::nullopt, {}, L"."},
        RuleCase{"tmp missing, no root", L"C:\\missing", {}, L"."},
        RuleCase{"quoted", L"\"C:\\Quoted Dir\\tmp\"", {L"C:\\Quoted Dir\\tmp", L"\\"}, L"C:"},
        RuleCase{"quotes inside", L"C:\\\"a\"\\b", {L"C:\\a\\b"}, L"C:"},
        RuleCase{"quoted relative", L"\"relq\"", {L"relq", L"\\"}, L"relq"},
        RuleCase{"quoted, missing", L"\"C:\\nothing\"", {L"\\"}, L""},
        RuleCase{"accessible with quotes", L"\"q\"", {L"\"q\"", L"q"}, L"\"q\""},
        RuleCase{"relative, no separator", L"reltmp", {L"reltmp", L"\\"}, L"reltmp"},
        RuleCase{"relative, trailing slash", L"reltmp/", {L"reltmp/"}, L"reltmp"},
        RuleCase{"relative, nested", L"rel\\tmp", {L"rel\\tmp"}, L"rel"},
        RuleCase{"network path", L"\\\\server\\share\\tmp", {L"\\\\server\\share\\tmp"}, L""},
        RuleCase{"rooted without drive", L"\\temp", {L"\\temp"}, L""},
        RuleCase{"240 units", DirectoryOfLength(240), {DirectoryOfLength(240)}, L"C:"},
        RuleCase{"241 units", DirectoryOfLength(241), {DirectoryOfLength(241)}, L"test.swf"},
        RuleCase{"long, no separator", Repeat(L'b', 241), {Repeat(L'b', 241)}, L"test.swf"},
        RuleCase{"quoted, 240 once unquoted", L"\"" + DirectoryOfLength(240) + L"\"", {DirectoryOfLength(240)}, L"C:"},
        RuleCase{
            "quoted, 241 once unquoted", L"\"" + DirectoryOfLength(241) + L"\"", {DirectoryOfLength(241)}, L"test.swf"},
        RuleCase{"long but missing, root", DirectoryOfLength(300), {L"\\"}, L""}));

TEST(TempBaseRuleOrder, TriesTmpThenUnquotedThenRoot) {
    std::vector<std::wstring> asked;
    const auto nothing = [&](const std::wstring& path) {
        asked.push_back(path);
        return false;
    };
    EXPECT_EQ(temp_base::TempBaseFor<wchar_t>(L"\"C:\\x\"", nothing), L".");
    EXPECT_EQ(asked, (std::vector<std::wstring>{L"\"C:\\x\"", L"C:\\x", L"\\"}));
}

TEST(TempBaseRuleOrder, SkipsTheUnquotedTryWithoutQuotes) {
    std::vector<std::wstring> asked;
    const auto rootOnly = [&](const std::wstring& path) {
        asked.push_back(path);
        return path == L"\\";
    };
    EXPECT_EQ(temp_base::TempBaseFor<wchar_t>(L"C:\\x", rootOnly), L"");
    EXPECT_EQ(asked, (std::vector<std::wstring>{L"C:\\x", L"\\"}));
}

TEST(TempBaseRuleOrder, LooksNoFurtherOnceTmpIsAccessible) {
    std::vector<std::wstring> asked;
    const auto all = [&](const std::wstring& path) {
        asked.push_back(path);
        return true;
    };
    EXPECT_EQ(temp_base::TempBaseFor<wchar_t>(L"\"C:\\x\"", all), L"\"C:");
    EXPECT_EQ(asked, std::vector<std::wstring>{L"\"C:\\x\""});
}

TEST(TempBaseRuleNarrow, FollowsTheSameRuleInEightBitText) {
    const auto accessible = [](const std::string& path) { return path == "C:/Temp"; };
    EXPECT_EQ(temp_base::TempBaseFor<char>(std::string("C:/Temp"), accessible), "C:");
    EXPECT_EQ(temp_base::TempBaseFor<char>(std::nullopt, accessible), ".");
    EXPECT_EQ(temp_base::TempBaseFor<char>(std::string(241, 'x'), [](const std::string&) { return true; }), "test.swf");
}

TEST(TempBaseRuleUtf16, FollowsTheSameRuleInPortableText) {
    const auto accessible = [](const std::u16string& path) { return path == u"\\"; };
    EXPECT_EQ(temp_base::TempBaseFor<char16_t>(std::nullopt, accessible), u"");
}
