// Icon group 128 and its four images: 32x32 and 16x16 with 16 colours, then with 256
// colours, image ids 1 to 4, each a DIB with a one-bit mask that the system accepts.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "ByteReader.h"
#include "ResourceModule.h"

namespace {

constexpr int kIconType = 3, kIconGroupType = 14;

struct IconEntry {
    int width, height, colourCount, bitCount;
    std::uint16_t id;
    bool operator==(const IconEntry&) const = default;
};

void PrintTo(const IconEntry& e, std::ostream* out) {
    *out << "{" << e.width << "x" << e.height << ", " << e.colourCount << " colours, " << e.bitCount << " bpp, id "
         << e.id << "}";
}

// Colour count 0 stands for 256 in the group's one-byte field.
constexpr IconEntry kEntries[] = {
    {32, 32, 16, 4, 1},
    {16, 16, 16, 4, 2},
    {32, 32, 0, 8, 3},
    {16, 16, 0, 8, 4},
};

int RowBytes(int width, int bitCount) {
    return (width * bitCount + 31) / 32 * 4;
}

// Header, full colour table, colour bits and mask.
std::size_t DibSize(int size, int bitCount) {
    return sizeof(BITMAPINFOHEADER) + (std::size_t{1} << bitCount) * sizeof(RGBQUAD) +
           std::size_t(RowBytes(size, bitCount) + RowBytes(size, 1)) * size;
}

struct GroupEntry {
    IconEntry entry;
    int reserved, planes;
    std::uint32_t bytes;
};

std::vector<GroupEntry> ReadGroup(std::span<const std::uint8_t> bytes, bool& ok) {
    ByteReader in(bytes);
    const std::uint16_t reserved = in.U16(), type = in.U16(), count = in.U16();
    std::vector<GroupEntry> entries;
    for (std::uint16_t i = 0; i < count && in.ok(); ++i) {
        GroupEntry g{};
        g.entry.width = in.U8();
        g.entry.height = in.U8();
        g.entry.colourCount = in.U8();
        g.reserved = in.U8();
        g.planes = in.U16();
        g.entry.bitCount = in.U16();
        g.bytes = in.U32();
        g.entry.id = in.U16();
        entries.push_back(g);
    }
    ok = in.ok() && reserved == 0 && type == 1 && in.remaining() == 0;
    return entries;
}

TEST(IconGroup, ListsFourImagesInOrderWithIds1To4) {
    const auto bytes = ResourceBytes(kIconGroupType, 128);
    ASSERT_FALSE(bytes.empty()) << "no icon group 128 in English (US)";
    bool wellFormed = false;
    const auto group = ReadGroup(bytes, wellFormed);
    EXPECT_TRUE(wellFormed) << "group header or size wrong";
    std::vector<IconEntry> entries;
    for (const GroupEntry& g : group) {
        entries.push_back(g.entry);
        EXPECT_EQ(g.reserved, 0);
        EXPECT_EQ(g.planes, 1);
        EXPECT_EQ(g.bytes, DibSize(g.entry.width, g.entry.bitCount)) << "image " << g.entry.id;
    }
    EXPECT_EQ(entries, std::vector<IconEntry>(std::begin(kEntries), std::end(kEntries)));
}

class IconImageTest : public testing::TestWithParam<IconEntry> {};

TEST_P(IconImageTest, IsADibWithMaskThatTheSystemAccepts) {
    const IconEntry& e = GetParam();
    const auto bytes = ResourceBytes(kIconType, e.id);
    ASSERT_EQ(bytes.size(), DibSize(e.width, e.bitCount));
    BITMAPINFOHEADER header;
    std::memcpy(&header, bytes.data(), sizeof header);
    EXPECT_EQ(header.biSize, sizeof header);
    EXPECT_EQ(header.biWidth, e.width);
    EXPECT_EQ(header.biHeight, 2 * e.height) << "colour image and mask";
    EXPECT_EQ(header.biPlanes, 1);
    EXPECT_EQ(header.biBitCount, e.bitCount);
    EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));

    // The mask makes some pixels transparent and leaves others drawn.
    const auto mask = bytes.last(std::size_t(RowBytes(e.width, 1)) * e.height);
    int transparent = 0;
    for (int y = 0; y < e.height; ++y)
        for (int x = 0; x < e.width; ++x)
            transparent += (mask[y * RowBytes(e.width, 1) + x / 8] >> (7 - x % 8)) & 1;
    EXPECT_GT(transparent, 0);
    EXPECT_LT(transparent, e.width * e.height);

    HICON icon = CreateIconFromResourceEx(const_cast<PBYTE>(bytes.data()), static_cast<DWORD>(bytes.size()), TRUE,
                                          0x00030000, e.width, e.height, LR_DEFAULTCOLOR);
    ASSERT_NE(icon, nullptr) << "error " << GetLastError();
    DestroyIcon(icon);
}

INSTANTIATE_TEST_SUITE_P(Resources, IconImageTest, testing::ValuesIn(kEntries),
                         [](const auto& info) { return "Id" + std::to_string(info.param.id); });

// What the program itself does with the group: the standard-size icon by number.
TEST(IconGroup, LoadsAtTheStandardIconSize) {
    HICON icon =
        static_cast<HICON>(LoadImageW(ResourceModule(), MAKEINTRESOURCEW(128), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    ASSERT_NE(icon, nullptr) << "error " << GetLastError();
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP mask{};
    GetObjectW(info.hbmMask, sizeof mask, &mask);
    EXPECT_EQ(mask.bmWidth, GetSystemMetrics(SM_CXICON));
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
}

}  // namespace
