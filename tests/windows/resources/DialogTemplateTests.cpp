// The three dialog templates, read back field by field from the module's resource bytes.
#include <gtest/gtest.h>

#include "DialogTemplate.h"
#include "ResourceModule.h"

namespace {

constexpr std::uint16_t kButton = 0x0080;
constexpr std::uint16_t kStatic = 0x0082;
constexpr std::uint32_t kNoId = 0xFFFF;  // id -1

const std::wstring kFlashClassId = L"{D27CDB6E-AE6D-11CF-96B8-444553540000}";

DialogTemplate AboutTemplate() {
    DialogTemplate d;
    d.style = 0x80C800C0;
    d.cx = 235;
    d.cy = 55;
    d.title = L"About Dovetta";
    d.pointSize = 8;
    d.typeface = L"MS Shell Dlg";
    d.items = {
        {0, 0, 0x50000003, 11, 17, 20, 20, kNoId, NameOrNumber::Number(kStatic), NameOrNumber::Number(128), {}},
        {0,
         0,
         0x50020080,
         40,
         10,
         119,
         8,
         kNoId,
         NameOrNumber::Number(kStatic),
         NameOrNumber::Text(L"Dovetta Version 1.5"),
         {}},
        {0,
         0,
         0x50020000,
         40,
         25,
         119,
         8,
         kNoId,
         NameOrNumber::Number(kStatic),
         NameOrNumber::Text(L"Copyright (C) 2026 Dovetta"),
         {}},
        {0, 0, 0x50030001, 178, 7, 50, 14, 1, NameOrNumber::Number(kButton), NameOrNumber::Text(L"OK"), {}},
    };
    return d;
}

DialogTemplate PlayerTemplate() {
    DialogTemplate d;
    d.extended = true;
    d.exStyle = 0x00040000;
    d.style = 0x90CF0040;
    d.cx = 454;
    d.cy = 306;
    d.title = L"Dovetta";
    d.pointSize = 8;
    d.weight = 0;
    d.italic = 0;
    d.charset = 1;
    d.typeface = L"MS Shell Dlg";
    d.items = {
        {0, 0, 0x50010000, 1, 1, 452, 305, 1000, NameOrNumber::Text(kFlashClassId), NameOrNumber::Text(L""), {}}};
    return d;
}

DialogTemplate StatusTemplate() {
    DialogTemplate d;
    d.style = 0x80CB00C0;
    d.cx = 382;
    d.cy = 263;
    d.title = L"Dovetta";
    d.pointSize = 8;
    d.typeface = L"MS Shell Dlg";
    d.items = {{0, 0, 0x50000006, 2, 2, 378, 259, kNoId, NameOrNumber::Number(kStatic), NameOrNumber::Text(L""), {}}};
    return d;
}

struct TemplateCase {
    const char* name;
    int id;
    DialogTemplate (*expected)();
};

void PrintTo(const TemplateCase& c, std::ostream* out) {
    *out << "template " << c.id;
}

class DialogTemplateTest : public testing::TestWithParam<TemplateCase> {};

TEST_P(DialogTemplateTest, MatchesFieldByFieldAndHasNoTrailingBytes) {
    const auto bytes = ResourceBytes(5 /* RT_DIALOG */, GetParam().id);
    ASSERT_FALSE(bytes.empty()) << "no dialog " << GetParam().id << " in English (US)";
    const auto parsed = ParseDialogTemplate(bytes);
    ASSERT_TRUE(parsed) << "dialog " << GetParam().id << " ends inside its own data";
    EXPECT_EQ(parsed->dialog, GetParam().expected());
    EXPECT_EQ(parsed->length, bytes.size());
}

INSTANTIATE_TEST_SUITE_P(Resources, DialogTemplateTest,
                         testing::Values(TemplateCase{"About", 100, AboutTemplate},
                                         TemplateCase{"Player", 102, PlayerTemplate},
                                         TemplateCase{"Status", 130, StatusTemplate}),
                         [](const auto& info) { return std::string(info.param.name); });

// A fault the reader must report rather than read past: a template cut inside its last item.
TEST(DialogTemplateReader, RejectsTruncatedTemplate) {
    const auto bytes = ResourceBytes(5 /* RT_DIALOG */, 102);
    ASSERT_GT(bytes.size(), 2u);
    EXPECT_FALSE(ParseDialogTemplate(bytes.first(bytes.size() - 2)));
}

}  // namespace
