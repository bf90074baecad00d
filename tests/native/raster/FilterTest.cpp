// Layer filters: the box blur's exact values, a drop shadow's offset and knockout, a colour
// matrix on a known pixel, and the bounds filters add.
#include "Canvas.h"
#include "LayerFilter.h"
#include "raster/DrawList.h"

#include <gtest/gtest.h>

using namespace raster;
using rastertest::Canvas;
using rastertest::RectPath;

namespace {

const Color kClear{0, 0, 0, 0};
const Color kWhite{255, 255, 255, 255};

// One filtered layer holding `shape` filled with `color`, rendered on `canvas`.
void DrawFiltered(Canvas& canvas, const Path& shape, Color color, const Filter& filter) {
    DrawList list;
    LayerOptions options;
    options.filters = {&filter, 1};
    list.PushLayer(options);
    list.Fill(shape, {}, FillRule::NonZero, Paint::Solid(color), {});
    list.PopLayer();
    canvas.Render(list, Quality::Low);
}

Filter BoxBlur(float size, int passes) {
    Filter f;
    f.kind = FilterKind::Blur;
    f.blurX = f.blurY = size;
    f.passes = passes;
    return f;
}

}  // namespace

TEST(LayerFilter, OnePassBoxBlurSpreadsAPixelEvenly) {
    Canvas c(9, 9, kClear);
    const Path dot = RectPath(4, 4, 5, 5);
    DrawFiltered(c, dot, kWhite, BoxBlur(3, 1));
    // A 3 x 3 box: each of the nine pixels gets 255 / 9 of every channel, premultiplied.
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x) {
            const bool inBox = x >= 3 && x <= 5 && y >= 3 && y <= 5;
            ASSERT_EQ(c.At(x, y), inBox ? 0x1C1C1C1Cu : 0u) << x << "," << y;
        }
}

TEST(LayerFilter, PassesRepeatTheBoxAndBlurGrowsTheBounds) {
    Canvas c(13, 1, kClear);
    Filter f = BoxBlur(3, 2);
    f.blurY = 0;
    DrawFiltered(c, RectPath(6, 0, 7, 1), kWhite, f);
    // Two passes of [1 1 1] / 3: 1 2 3 2 1 (/ 9), reaching two pixels each side.
    const uint32_t want[] = {0, 0, 0, 0, 28, 57, 85, 57, 28, 0, 0, 0, 0};
    for (int x = 0; x < 13; ++x)
        EXPECT_NEAR(double(rastertest::Alpha(c.At(x, 0))), double(want[x]), 1.0) << x;
    const IntRect content{6, 0, 7, 1};
    const FilterList list{&f, 1};
    const IntRect reach = LayerFilter::Reach(content, list, {0, 0, 100, 100});
    EXPECT_EQ(reach.x0, 4);
    EXPECT_EQ(reach.x1, 9);
}

TEST(LayerFilter, DropShadowFallsByItsOffsetAndKnockoutLeavesOnlyTheShadow) {
    struct Case {
        bool knockout;
        uint32_t atSource;  // a pixel of the square the shadow does not reach
        uint32_t atShadow;  // a pixel only the shadow covers
        uint32_t overlap;   // covered by both
    };
    const Case cases[] = {
        {false, 0xFFFF0000u, 0xFF000000u, 0xFFFF0000u},
        {true, 0x00000000u, 0xFF000000u, 0x00000000u},
    };
    for (const Case& k : cases) {
        Canvas c(10, 10, kClear);
        Filter f;
        f.kind = FilterKind::Shadow;
        f.passes = 0;  // unblurred, so the offset shows exactly
        f.dx = 2;
        f.dy = 3;
        f.knockout = k.knockout;
        f.colors[0] = kClear;
        f.ratios[0] = 0;
        f.colors[1] = {0, 0, 0, 255};
        f.ratios[1] = 255;
        f.stopCount = 2;
        DrawFiltered(c, RectPath(1, 1, 5, 5), {255, 0, 0, 255}, f);
        EXPECT_EQ(c.At(1, 1), k.atSource) << k.knockout;
        EXPECT_EQ(c.At(6, 7), k.atShadow) << k.knockout;
        EXPECT_EQ(c.At(4, 4), k.overlap) << k.knockout;
        EXPECT_EQ(c.At(7, 8), 0u) << "beyond the shadow";
    }
}

TEST(LayerFilter, ColourMatrixActsOnStraightColour) {
    Canvas c(2, 2, kClear);
    Filter f;
    f.kind = FilterKind::ColorMatrix;
    // Swap red and blue, halve alpha, add 10 to green.
    f.colorMatrix = {0, 0, 1, 0, 0, 0, 1, 0, 0, 10, 1, 0, 0, 0, 0, 0, 0, 0, 0.5f, 0};
    DrawFiltered(c, RectPath(0, 0, 1, 1), {200, 100, 50, 255}, f);
    // Straight (50, 110, 200) at alpha 128, stored premultiplied.
    const uint32_t p = c.At(0, 0);
    EXPECT_EQ(rastertest::Alpha(p), 128u);
    EXPECT_EQ(rastertest::Red(p), 25u);
    EXPECT_EQ(rastertest::Green(p), 55u);
    EXPECT_EQ(rastertest::Blue(p), 100u);
}
