// Reading dialog templates and initialisation lists: the compiled test resources, rebuilt
// templates, and damaged data.
#include "TestControl.h"
#include "TestResources.h"

#include "framework/DialogInit.h"
#include "framework/DialogTemplate.h"
#include "framework/Resources.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr UINT kInitListType = 240;

std::span<const std::byte> Template(UINT id) {
    return FindResourceBytes(GetModuleHandleW(nullptr), RT_DIALOG, id);
}

std::span<const std::byte> InitList(UINT id) {
    return FindResourceBytes(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kInitListType), id);
}

std::string Text(std::span<const std::byte> bytes) {
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::vector<std::byte> Bytes(std::initializer_list<unsigned> values) {
    std::vector<std::byte> out;
    for (unsigned v : values)
        out.push_back(std::byte(v));
    return out;
}

std::span<const std::byte> AsBytes(const std::vector<std::uint32_t>& words) {
    return {reinterpret_cast<const std::byte*>(words.data()), words.size() * 4};
}

TEST(DialogTemplate, ReadsTheClassicForm) {
    const auto info = ParseDialogTemplate(Template(IDD_HOST_CLASSIC));
    ASSERT_TRUE(info);
    EXPECT_FALSE(info->extended);
    EXPECT_EQ(info->cx, 200);
    EXPECT_EQ(info->cy, 120);
    EXPECT_TRUE(info->style & DS_SETFONT);
    ASSERT_EQ(info->items.size(), 4u);

    EXPECT_EQ(info->items[0].id, static_cast<std::uint32_t>(IDC_TEXT));
    EXPECT_EQ(info->items[0].classOrdinal, 0x0082);  // static
    EXPECT_FALSE(NamesClassIdentifier(info->items[0]));

    const DialogTemplateItem& hosted = info->items[1];
    EXPECT_EQ(hosted.id, static_cast<std::uint32_t>(IDC_HOSTED));
    EXPECT_EQ(hosted.className, test_control::kClsidText);
    EXPECT_TRUE(NamesClassIdentifier(hosted));
    EXPECT_EQ((std::vector<int>{hosted.x, hosted.y, hosted.cx, hosted.cy}), (std::vector<int>{10, 20, 100, 50}));
    EXPECT_TRUE(hosted.style & WS_TABSTOP);

    EXPECT_EQ(info->items[2].classOrdinal, 0x0080);  // button
    EXPECT_TRUE(info->items[3].style & WS_DISABLED);
    for (const DialogTemplateItem& item : info->items)
        EXPECT_EQ(item.offset % 4, 0u);
}

TEST(DialogTemplate, ReadsTheExtendedForm) {
    const auto info = ParseDialogTemplate(Template(IDD_HOST_EXTENDED));
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->extended);
    EXPECT_EQ(info->exStyle, static_cast<std::uint32_t>(WS_EX_APPWINDOW));
    EXPECT_TRUE(info->style & WS_THICKFRAME);
    ASSERT_EQ(info->items.size(), 1u);
    EXPECT_EQ(info->items[0].id, static_cast<std::uint32_t>(IDC_HOSTED));
    EXPECT_EQ(info->items[0].className, test_control::kClsidText);
    EXPECT_EQ((std::vector<int>{info->items[0].x, info->items[0].y, info->items[0].cx, info->items[0].cy}),
              (std::vector<int>{1, 1, 170, 80}));
}

TEST(DialogTemplate, RebuildingLeavesOutTheHostedItemsAndKeepsTheRest) {
    for (UINT id : {IDD_HOST_CLASSIC, IDD_HOST_EXTENDED}) {
        const std::span<const std::byte> original = Template(id);
        const auto info = ParseDialogTemplate(original);
        ASSERT_TRUE(info) << id;
        std::vector<bool> keep;
        for (const DialogTemplateItem& item : info->items)
            keep.push_back(!NamesClassIdentifier(item));

        const std::vector<std::uint32_t> rebuilt = RebuildDialogTemplate(original, *info, keep);
        const auto again = ParseDialogTemplate(AsBytes(rebuilt));
        ASSERT_TRUE(again) << id;
        EXPECT_EQ(again->extended, info->extended);
        EXPECT_EQ(again->style, info->style);
        EXPECT_EQ(again->headerSize, info->headerSize);
        std::vector<const DialogTemplateItem*> kept;
        for (std::size_t i = 0; i < info->items.size(); ++i)
            if (keep[i])
                kept.push_back(&info->items[i]);
        ASSERT_EQ(again->items.size(), kept.size()) << id;
        for (std::size_t i = 0; i < kept.size(); ++i) {
            EXPECT_EQ(again->items[i].id, kept[i]->id);
            EXPECT_EQ(again->items[i].size, kept[i]->size);
            EXPECT_EQ(std::memcmp(AsBytes(rebuilt).data() + again->items[i].offset, original.data() + kept[i]->offset,
                                  kept[i]->size),
                      0);
        }
    }
}

TEST(DialogTemplate, EveryTruncationIsRefused) {
    for (UINT id : {IDD_HOST_CLASSIC, IDD_HOST_EXTENDED}) {
        const std::span<const std::byte> whole = Template(id);
        const auto info = ParseDialogTemplate(whole);
        ASSERT_TRUE(info);
        const std::size_t end = info->items.back().offset + info->items.back().size;
        for (std::size_t length = 0; length < end; ++length)
            EXPECT_FALSE(ParseDialogTemplate(whole.first(length))) << id << " cut at " << length;
    }
}

TEST(DialogTemplate, ItemDataRunningPastTheEndIsRefused) {
    // A classic template without font, one item whose creation data claims 0x100 bytes.
    const std::vector<std::byte> data =
        Bytes({0x00, 0x00, 0xC8, 0x80, 0, 0, 0,    0,   1, 0, 0, 0, 0,  0, 100, 0, 50, 0,  // header
               0,    0,    0,    0,    0, 0,                                               // menu, class, title
               0,    0,    0,    0x50, 0, 0, 0,    0,   0, 0, 0, 0, 10, 0, 10,  0, 1,  0,  // item
               0xFF, 0xFF, 0x82, 0x00, 0, 0, 0x00, 0x01});                                 // class, title, data
    EXPECT_FALSE(ParseDialogTemplate(data));
}

TEST(DialogInitList, ReadsEntriesAndTheStateAfterTheKey) {
    const auto classic = ParseDialogInit(InitList(IDD_HOST_CLASSIC));
    ASSERT_TRUE(classic);
    ASSERT_EQ(classic->size(), 1u);
    EXPECT_EQ((*classic)[0].controlId, IDC_HOSTED);
    EXPECT_EQ((*classic)[0].message, kInitLoadFromStream);
    EXPECT_EQ(Text(*PersistedStreamOf((*classic)[0])), "PERSIST");

    const auto extended = ParseDialogInit(InitList(IDD_HOST_EXTENDED));
    ASSERT_TRUE(extended);
    const auto state = FindPersistedStream(*extended, IDC_HOSTED);
    ASSERT_TRUE(state);
    EXPECT_EQ(Text(*state), "STATE!!") << "the three-character key is skipped";
    EXPECT_FALSE(FindPersistedStream(*extended, IDC_HOSTED_SECOND));

    const auto lists = ParseDialogInit(InitList(IDD_LIST_INIT));
    ASSERT_TRUE(lists);
    EXPECT_EQ(lists->size(), 2u);
}

struct ListCase {
    const char* name;
    std::vector<std::byte> data;
    bool valid;
    std::size_t entries;
};

class InitListShapes : public testing::TestWithParam<ListCase> {};

TEST_P(InitListShapes, AreReadOrRefused) {
    const ListCase& c = GetParam();
    const auto list = ParseDialogInit(c.data);
    EXPECT_EQ(list.has_value(), c.valid);
    if (list) {
        EXPECT_EQ(list->size(), c.entries);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InitListShapes,
    testing::Values(ListCase{"only_the_end_marker", Bytes({0, 0}), true, 0},
                    ListCase{"one_entry", Bytes({0xE8, 3, 0x76, 3, 2, 0, 0, 0, 'a', 'b', 0, 0}), true, 1},
                    ListCase{"no_end_marker", Bytes({0xE8, 3, 0x76, 3, 2, 0, 0, 0, 'a', 'b'}), false, 0},
                    ListCase{"length_past_the_end", Bytes({0xE8, 3, 0x76, 3, 9, 0, 0, 0, 'a', 'b', 0, 0}), false, 0},
                    ListCase{"huge_length", Bytes({0xE8, 3, 0x76, 3, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0}), false, 0},
                    ListCase{"header_cut_short", Bytes({0xE8, 3, 0x76}), false, 0},
                    ListCase{"empty", Bytes({}), false, 0}),
    [](const testing::TestParamInfo<ListCase>& info) { return std::string(info.param.name); });

TEST(DialogInitList, KeyLengthPastTheEntryGivesNoState) {
    const std::vector<std::byte> keyTooLong = Bytes({3, 0, 0, 0, 'K', 0, 'E', 0});
    const std::vector<std::byte> keyOverflowing = Bytes({0, 0, 0, 0x80, 'x'});
    const std::vector<std::byte> noKeyLength = Bytes({1, 0});
    for (const auto* data : {&keyTooLong, &keyOverflowing, &noKeyLength}) {
        DialogInitEntry entry{IDC_HOSTED, kInitLoadFromStream, *data};
        EXPECT_FALSE(PersistedStreamOf(entry));
    }
    const std::vector<std::byte> exact = Bytes({1, 0, 0, 0, 'K', 0});
    DialogInitEntry entry{IDC_HOSTED, kInitLoadFromStream, exact};
    ASSERT_TRUE(PersistedStreamOf(entry));
    EXPECT_TRUE(PersistedStreamOf(entry)->empty()) << "a key and no state: an empty stream";
    entry.message = kInitListBoxAddString;
    EXPECT_FALSE(PersistedStreamOf(entry));
}

}  // namespace
