// Scripts' bitmap operations (BitmapData): premultiplied storage read back as the reference
// reads it, clipping, and the results of each operation on small bitmaps.
#include "raster/BitmapOps.h"

#include <gtest/gtest.h>

#include <vector>

using namespace raster;

namespace {

Image Bitmap(int32_t w, int32_t h, uint32_t fill, bool opaque = false) {
    Image image;
    ResetBitmap(image, w, h, fill, opaque);
    return image;
}

}  // namespace

TEST(BitmapOps, StoredPixelsReadBackRoundedAsTheReference) {
    struct Case {
        uint32_t set;
        bool opaque;
        uint32_t read;
    } cases[] = {
        {0xFFFFFFFF, false, 0xFFFFFFFF}, {0x80FFFFFF, false, 0x80FFFFFF}, {0x80BBBBBB, false, 0x80BBBBBB},
        {0x00FFFFFF, false, 0x00000000}, {0x12121212, false, 0x120E0E0E}, {0xFEDDEEFF, false, 0xFEDDEEFF},
        {0x7F7F7F7F, false, 0x7F7E7E7E}, {0x20202020, false, 0x20202020}, {0x80FFFFFF, true, 0xFFFFFFFF},
        {0x00FFFFFF, true, 0xFFFFFFFF},  {0x01FFFFFF, false, 0x01FFFFFF},
    };
    for (const Case& c : cases) {
        Image image = Bitmap(2, 2, 0, c.opaque);
        SetPixel32(image, 1, 1, c.set, c.opaque);
        EXPECT_EQ(GetPixel32(image, 1, 1), c.read) << std::hex << c.set;
    }
    Image image = Bitmap(2, 2, 0xFF123456);
    SetPixel32(image, -1, 0, 0xFFFFFFFF, false);  // outside: nothing
    SetPixel32(image, 2, 0, 0xFFFFFFFF, false);
    EXPECT_EQ(GetPixel32(image, 0, 0), 0xFF123456u);
    EXPECT_EQ(GetPixel32(image, 2, 2), 0u);
    EXPECT_EQ(GetPixel32(image, -1, 0), 0u);
}

TEST(BitmapOps, FillRectIsClippedAndFlipsNegativeSizes) {
    struct Case {
        PixelRect rect;
        int filled;
    } cases[] = {
        {{0, 0, 0, 0}, 0},
        {{0, 0, 5, 5}, 25},
        {{-5, -5, 8, 8}, 9},
        {{15, 15, -8, -8}, 9},
        {{-10, -10, 100, 100}, 100},
        {{12, 0, 3, 3}, 0},
        {{INT32_MIN, 0, INT32_MIN, 1}, 0},
    };
    for (const Case& c : cases) {
        Image image = Bitmap(10, 10, 0);
        FillPixels(image, c.rect, 0xFFFF0000, false);
        int n = 0;
        for (uint32_t p : image.pixels)
            n += p == 0xFFFF0000;
        EXPECT_EQ(n, c.filled) << c.rect.x << "," << c.rect.y << " " << c.rect.width << "x" << c.rect.height;
    }
}

TEST(BitmapOps, ColorTransformActsOnStraightColours) {
    struct Case {
        uint32_t in;
        double mul, add;
        uint32_t out;
    } cases[] = {
        {0xFFFFFFFF, 0.5, 0, 0x7F7E7E7E}, {0xFF000000, 0, 32, 0x20202020},  {0xFFFFFFFF, 0, 0, 0x00000000},
        {0x80402010, 1, 0, 0x80402010},   {0xFF102030, 2, 300, 0xFFFFFFFF},
    };
    for (const Case& c : cases) {
        Image image = Bitmap(1, 1, c.in);
        BitmapColorTransform ct;
        for (int i = 0; i < 4; ++i) {
            ct.mul[i] = c.mul;
            ct.add[i] = c.add;
        }
        TransformPixels(image, {0, 0, 1, 1}, ct, false);
        EXPECT_EQ(GetPixel32(image, 0, 0), c.out) << std::hex << c.in;
    }
}

TEST(BitmapOps, CompareGivesColourOrAlphaDifferences) {
    struct Case {
        uint32_t a, b, out;
    } cases[] = {
        {0xFFAABBCC, 0xFFAABBCC, 0},          {0x00AAAAAA, 0x00BBBBBB, 0},
        {0xFFAABBCC, 0xFFDDEEFF, 0xFFCDCDCD}, {0xFFDDEEFF, 0xFFAABBCC, 0xFF333333},
        {0xFFAABBCC, 0xFEAABBCC, 0x01FFFFFF}, {0xFEAABBCC, 0xFFAABBCC, 0xFFFFFFFF},
        {0xFFAABBCC, 0xFEDDEEFF, 0xFFCDCDCD},
    };
    for (const Case& c : cases) {
        Image a = Bitmap(1, 1, c.a), b = Bitmap(1, 1, c.b), out;
        EXPECT_EQ(ComparePixels(a, b, out), c.out != 0) << std::hex << c.a << " " << c.b;
        EXPECT_EQ(GetPixel32(out, 0, 0), c.out) << std::hex << c.a << " " << c.b;
    }
}

TEST(BitmapOps, ColorBoundsAsTheReferenceReportsThem) {
    // A 3x3 white bitmap with green pixels at the listed places.
    struct Case {
        std::vector<std::pair<int, int>> green;
        bool find;
        PixelRect out;
    } cases[] = {
        {{{0, 0}}, true, {0, 0, 3, 3}},
        {{{0, 0}}, false, {0, 0, 0, 0}},  // the pixel at the origin alone reports empty
        {{{0, 0}, {1, 1}}, false, {0, 0, 2, 2}},
        {{{1, 1}}, false, {1, 1, 1, 1}},
        {{{2, 0}, {1, 2}}, false, {1, 0, 2, 3}},
        {{}, false, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        Image image = Bitmap(3, 3, 0xFFFFFFFF);
        for (auto [x, y] : c.green)
            SetPixel32(image, x, y, 0xFF00FF00, false);
        const PixelRect r = ColorBounds(image, 0xFFFFFFFF, 0xFFFFFFFF, c.find);
        EXPECT_EQ(r.x, c.out.x);
        EXPECT_EQ(r.y, c.out.y);
        EXPECT_EQ(r.width, c.out.width);
        EXPECT_EQ(r.height, c.out.height);
    }
}

TEST(BitmapOps, CopiesAreClippedToBothBitmaps) {
    struct Case {
        PixelRect from;
        int32_t dx, dy;
        int copied;
    } cases[] = {
        {{0, 0, 4, 4}, 0, 0, 16},  {{0, 0, 4, 4}, 2, 2, 4}, {{0, 0, 4, 4}, -3, -3, 1},
        {{-2, -2, 4, 4}, 0, 0, 4}, {{0, 0, 4, 4}, 4, 0, 0}, {{0, 0, INT32_MAX, INT32_MAX}, INT32_MIN, 0, 0},
    };
    for (const Case& c : cases) {
        Image src = Bitmap(4, 4, 0xFF0000FF), dst = Bitmap(4, 4, 0);
        CopyPixels(dst, src, c.from, c.dx, c.dy, nullptr, 0, 0, false, false);
        int n = 0;
        for (uint32_t p : dst.pixels)
            n += p == 0xFF0000FF;
        EXPECT_EQ(n, c.copied) << c.dx << "," << c.dy;
    }
}

TEST(BitmapOps, CopyPixelsThroughAnAlphaBitmapAndMerging) {
    Image src = Bitmap(1, 1, 0xFFFF0000), alpha = Bitmap(1, 1, 0x80000000), dst = Bitmap(1, 1, 0xFF0000FF);
    CopyPixels(dst, src, {0, 0, 1, 1}, 0, 0, &alpha, 0, 0, false, false);
    EXPECT_EQ(GetPixel32(dst, 0, 0), 0x80FF0000u);  // replaced, at the alpha bitmap's alpha
    dst = Bitmap(1, 1, 0xFF0000FF);
    CopyPixels(dst, src, {0, 0, 1, 1}, 0, 0, &alpha, 0, 0, true, false);
    EXPECT_EQ(GetPixel32(dst, 0, 0), 0xFF80007Fu);  // half red over blue
}

TEST(BitmapOps, ChannelsScrollFloodAndThreshold) {
    Image src = Bitmap(2, 1, 0xFF112233), dst = Bitmap(2, 1, 0xFF000000);
    CopyChannel(dst, src, {0, 0, 2, 1}, 0, 0, 1, 4, false);  // red into blue
    EXPECT_EQ(GetPixel32(dst, 1, 0), 0xFF000011u);

    Image scroll = Bitmap(3, 1, 0xFF000000);
    SetPixel32(scroll, 0, 0, 0xFFFFFFFF, false);
    ScrollPixels(scroll, 1, 0);
    EXPECT_EQ(GetPixel32(scroll, 0, 0), 0xFFFFFFFFu);  // uncovered: kept
    EXPECT_EQ(GetPixel32(scroll, 1, 0), 0xFFFFFFFFu);
    ScrollPixels(scroll, -100, 0);  // past the bitmap: nothing moves
    EXPECT_EQ(GetPixel32(scroll, 2, 0), 0xFF000000u);

    // A wall down the middle column stops the fill.
    Image flood = Bitmap(3, 3, 0xFFFFFFFF);
    for (int y = 0; y < 3; ++y)
        SetPixel32(flood, 1, y, 0xFF000000, false);
    std::vector<int32_t> stack;
    FloodFill(flood, 0, 0, 0xFF00FF00, false, stack);
    EXPECT_EQ(GetPixel32(flood, 0, 2), 0xFF00FF00u);
    EXPECT_EQ(GetPixel32(flood, 2, 0), 0xFFFFFFFFu);
    EXPECT_EQ(GetPixel32(flood, 1, 1), 0xFF000000u);
    // Round the end of a wall: down, along the bottom row and back up.
    Image around = Bitmap(3, 3, 0xFFFFFFFF);
    SetPixel32(around, 1, 0, 0xFF000000, false);
    SetPixel32(around, 1, 1, 0xFF000000, false);
    FloodFill(around, 0, 0, 0xFF00FF00, false, stack);
    EXPECT_EQ(GetPixel32(around, 2, 0), 0xFF00FF00u);
    EXPECT_EQ(GetPixel32(around, 1, 2), 0xFF00FF00u);

    struct Case {
        const char* op;
        int matched;
    } cases[] = {{"<", 1}, {"<=", 2}, {">", 1}, {">=", 2}, {"==", 1}, {"!=", 2}};
    for (const Case& c : cases) {
        Image t = Bitmap(3, 1, 0), from = Bitmap(3, 1, 0xFF000010);
        SetPixel32(from, 0, 0, 0xFF000001, false);
        SetPixel32(from, 2, 0, 0xFF000020, false);
        EXPECT_EQ(ThresholdPixels(t, from, {0, 0, 3, 1}, 0, 0, c.op, 0x10, 0xFFFF0000, 0xFF, false, false), c.matched)
            << c.op;
    }
    Image t = Bitmap(1, 1, 0);
    EXPECT_EQ(ThresholdPixels(t, t, {0, 0, 1, 1}, 0, 0, "=", 0, 0, 0, false, false), -1);
}

TEST(BitmapOps, NoiseFillsTheChannelsAskedWithinTheRange) {
    struct Case {
        int channels;
        bool gray;
    } cases[] = {{1 | 4, false}, {2, false}, {8, false}, {8, true}, {1, true}};
    for (const Case& c : cases) {
        Image image = Bitmap(4, 4, 0xFFFFFFFF);
        NoisePixels(image, 7, 1, 255, c.channels, c.gray, false);
        for (uint32_t p : image.pixels) {
            const uint32_t s = UnpremultiplyPixel(p);
            const uint32_t a = s >> 24, r = (s >> 16) & 0xFF, g = (s >> 8) & 0xFF, b = s & 0xFF;
            EXPECT_EQ(a == 0xFF, !(c.channels & 8) || a == 0xFF);
            if (c.gray) {
                EXPECT_TRUE(r == g && g == b);
            } else {
                EXPECT_EQ(g == 0, !(c.channels & 2));
            }
            EXPECT_GE(a, 1u);
        }
    }
    Image a = Bitmap(4, 4, 0), b = Bitmap(4, 4, 0);
    NoisePixels(a, 42, 0, 255, 7, false, false);
    NoisePixels(b, 42, 0, 255, 7, false, false);
    EXPECT_EQ(a.pixels, b.pixels);  // the same seed, the same noise
}

TEST(BitmapOps, HitsNeedAlphaAboveZeroAndTheThreshold) {
    Image image = Bitmap(2, 1, 0);
    SetPixel32(image, 1, 0, 0x80FFFFFF, false);
    EXPECT_FALSE(PixelHits(image, 0, 0, 0));
    EXPECT_TRUE(PixelHits(image, 1, 0, 0));
    EXPECT_TRUE(PixelHits(image, 1, 0, 0x80));
    EXPECT_FALSE(PixelHits(image, 1, 0, 0x81));
    EXPECT_FALSE(PixelHits(image, 5, 0, 0));
}

TEST(BitmapOps, MergeMovesEachChannelByItsMultiplier) {
    struct Case {
        int mul[4];
        uint32_t out;
    } cases[] = {
        {{0, 0, 0, 0}, 0xFF000000},
        {{256, 256, 256, 256}, 0xFFFF8040},
        {{128, 0, 256, 0}, 0xFF7F0040},
        {{-5, 999, 0, 0}, 0xFF008000},
    };
    for (const Case& c : cases) {
        Image src = Bitmap(1, 1, 0xFFFF8040), dst = Bitmap(1, 1, 0xFF000000);
        MergePixels(dst, src, {0, 0, 1, 1}, 0, 0, c.mul, false);
        EXPECT_EQ(GetPixel32(dst, 0, 0), c.out) << std::hex << c.out;
    }
}

TEST(BitmapOps, PaletteMapSumsTheFourLookups) {
    static uint32_t tables[4][256];
    for (uint32_t i = 0; i < 256; ++i) {
        tables[0][i] = (255 - i) << 16;  // red inverted
        tables[1][i] = i << 8;
        tables[2][i] = 0;  // blue dropped
        tables[3][i] = i << 24;
    }
    Image src = Bitmap(2, 1, 0xFF10A0C0), dst = Bitmap(2, 1, 0);
    PaletteMap(dst, src, {0, 0, 1, 1}, 1, 0, tables, false);
    EXPECT_EQ(GetPixel32(dst, 1, 0), 0xFFEFA000u);
    EXPECT_EQ(GetPixel32(dst, 0, 0), 0u);  // outside the copied rectangle
}
