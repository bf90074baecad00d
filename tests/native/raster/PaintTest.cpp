// Paints: the colour transform, gradient ramps and gradient geometry, bitmaps drawn through
// their matrix.
#include "Canvas.h"
#include "GradientRamp.h"
#include "raster/DrawList.h"

#include <gtest/gtest.h>

#include <memory>

using namespace raster;
using rastertest::Canvas;
using rastertest::RectPath;

TEST(ColorTransform, MultipliesInEightDotEightAndClamps) {
    struct Case {
        int32_t mul, add;
        uint8_t in, out;
    } cases[] = {
        {256, 0, 200, 200},  {128, 0, 200, 100}, {128, 100, 200, 200}, {256, 100, 200, 255}, {-256, 0, 200, 0},
        {256, -300, 200, 0}, {512, 0, 100, 200}, {0, 77, 12, 77},      {255, 0, 255, 254},  // 255 * 255 / 256 floors
    };
    for (const Case& c : cases) {
        ColorTransform cx;
        cx.gMul = c.mul;
        cx.gAdd = c.add;
        EXPECT_EQ(cx.Apply({1, c.in, 3, 4}).g, c.out) << c.mul << " " << c.add;
        EXPECT_EQ(cx.Apply({1, c.in, 3, 4}).r, 1);
    }
    EXPECT_TRUE(ColorTransform{}.IsIdentity());
}

TEST(ColorTransform, ProductAppliesInnerFirst) {
    ColorTransform inner, outer;
    inner.rMul = 128;
    inner.rAdd = 20;
    outer.rMul = 512;
    outer.rAdd = -10;
    const Color c{100, 0, 0, 255};
    EXPECT_EQ((outer * inner).Apply(c), outer.Apply(inner.Apply(c)));  // (50 + 20) * 2 - 10 = 130
    EXPECT_EQ((outer * inner).Apply(c).r, 130);
}

namespace {

Gradient TwoStops(Color a, Color b) {
    Gradient g;
    g.stops = {{0, a}, {255, b}};
    return g;
}

}  // namespace

TEST(GradientRamp, EntriesAtKnownRatios) {
    GradientRamp ramp;
    BuildGradientRamp(TwoStops({0, 0, 0, 255}, {255, 255, 255, 255}), ColorTransform{}, ramp);
    EXPECT_EQ(ramp.entries[0], 0xFF000000u);
    EXPECT_EQ(ramp.entries[255], 0xFFFFFFFFu);
    EXPECT_EQ(ramp.entries[51], 0xFF333333u);
    EXPECT_EQ(ramp.entries[128], 0xFF808080u);

    // Before the first stop and after the last, the end colours; a stop's own ratio, its colour.
    Gradient g;
    g.stops = {{50, {255, 0, 0, 255}}, {100, {0, 0, 255, 255}}, {200, {0, 255, 0, 255}}};
    BuildGradientRamp(g, ColorTransform{}, ramp);
    EXPECT_EQ(ramp.entries[0], 0xFFFF0000u);
    EXPECT_EQ(ramp.entries[50], 0xFFFF0000u);
    EXPECT_EQ(ramp.entries[75], 0xFF800080u);  // half way red to blue, rounded
    EXPECT_EQ(ramp.entries[100], 0xFF0000FFu);
    EXPECT_EQ(ramp.entries[150], 0xFF008080u);
    EXPECT_EQ(ramp.entries[200], 0xFF00FF00u);
    EXPECT_EQ(ramp.entries[255], 0xFF00FF00u);
}

TEST(GradientRamp, StopsSharingARatioEachTakeTheNextEntry) {
    // Red, green, blue at 10, then white at 40: red up to 10 and again at 11, green at 12; blue
    // has no entry of its own and starts the blend to white from ratio 10 (3/30 at 13).
    const Color red{255, 0, 0, 255}, green{0, 255, 0, 255}, blue{0, 0, 255, 255}, white{255, 255, 255, 255};
    Gradient g;
    g.stops = {{10, red}, {10, green}, {10, blue}, {40, white}};
    GradientRamp ramp;
    BuildGradientRamp(g, ColorTransform{}, ramp);
    EXPECT_EQ(ramp.entries[0], 0xFFFF0000u);
    EXPECT_EQ(ramp.entries[10], 0xFFFF0000u);
    EXPECT_EQ(ramp.entries[11], 0xFFFF0000u);
    EXPECT_EQ(ramp.entries[12], 0xFF00FF00u);
    EXPECT_EQ(ramp.entries[13], 0xFF1A1AFFu);
    EXPECT_EQ(ramp.entries[40], 0xFFFFFFFFu);

    // Several shared ratios in a row: each stop still gets an entry, the blends carry on, and
    // the last stops run to the end without an index past the ramp.
    g.stops = {{100, red}, {100, green}, {100, blue}, {101, white}, {255, red}, {255, green}};
    BuildGradientRamp(g, ColorTransform{}, ramp);
    EXPECT_EQ(ramp.entries[100], 0xFFFF0000u);
    EXPECT_EQ(ramp.entries[101], 0xFFFF0000u);
    EXPECT_EQ(ramp.entries[102], 0xFF00FF00u);
    EXPECT_EQ(ramp.entries[103], 0xFFFFFFFFu);  // blue, passed at 103, is already past white's 101
    EXPECT_EQ(ramp.entries[255], 0xFFFF0000u);  // the second stop at 255 has no entry left
}

TEST(GradientRamp, LinearRgbInterpolatesLight) {
    Gradient g = TwoStops({0, 0, 0, 255}, {255, 255, 255, 255});
    g.interpolation = Interpolation::LinearRgb;
    GradientRamp ramp;
    BuildGradientRamp(g, ColorTransform{}, ramp);
    // Half the light of white is sRGB 188, well above RGB's 128.
    EXPECT_NEAR(static_cast<int>(ramp.entries[128] & 0xFF), 188, 1);
    EXPECT_EQ(ramp.entries[0], 0xFF000000u);
    EXPECT_EQ(ramp.entries[255], 0xFFFFFFFFu);
}

TEST(GradientRamp, ColorTransformComesBeforePremultiplying) {
    ColorTransform half;
    half.aMul = 128;
    GradientRamp ramp;
    BuildGradientRamp(TwoStops({255, 0, 0, 255}, {255, 0, 0, 255}), half, ramp);
    EXPECT_EQ(ramp.entries[10], 0x7F7F0000u);  // alpha 255 * 128 >> 8 = 127
    // Translucent stops interpolate straight colour and alpha, then premultiply.
    BuildGradientRamp(TwoStops({255, 0, 0, 0}, {255, 0, 0, 255}), ColorTransform{}, ramp);
    EXPECT_EQ(ramp.entries[0], 0u);
    EXPECT_EQ(ramp.entries[255], 0xFFFF0000u);
    EXPECT_EQ(ramp.entries[51], 0x33330000u);
}

namespace {

// Renders a 256 x 1 band (or wider) of a black-to-white gradient whose ratio 0..255 spans
// pixels 0..255, so pixel x shows ramp entry x inside the gradient.
Canvas LinearBand(Spread spread, int width) {
    Canvas c(width, 1, {0, 0, 0, 0});
    Gradient g = TwoStops({0, 0, 0, 255}, {255, 255, 255, 255});
    g.spread = spread;
    g.matrix = Matrix::Translate(128, 0) * Matrix::Scale(128, 1);
    const Path band = RectPath(0, 0, static_cast<float>(width), 1);
    Paint paint;
    paint.kind = Paint::Kind::Gradient;
    paint.gradient = &g;
    DrawList list;
    list.Fill(band, {}, FillRule::NonZero, paint, ColorTransform{});
    c.Render(list);
    return c;
}

}  // namespace

TEST(LinearGradient, PixelsFollowTheRampAndItsSpread) {
    Canvas pad = LinearBand(Spread::Pad, 512);
    for (int x = 0; x < 256; ++x)
        ASSERT_EQ(rastertest::Red(pad.At(x, 0)), static_cast<uint32_t>(x)) << x;
    EXPECT_EQ(pad.At(300, 0), 0xFFFFFFFFu);
    EXPECT_EQ(pad.At(511, 0), 0xFFFFFFFFu);

    Canvas repeat = LinearBand(Spread::Repeat, 512);
    Canvas reflect = LinearBand(Spread::Reflect, 512);
    for (int x : {0, 1, 100, 254, 255}) {
        EXPECT_EQ(rastertest::Red(repeat.At(256 + x, 0)), static_cast<uint32_t>(x)) << x;
        EXPECT_EQ(rastertest::Red(reflect.At(256 + x, 0)), static_cast<uint32_t>(255 - x)) << x;
    }
}

TEST(LinearGradient, PixelsBlendTheEntriesAroundThem) {
    // Black to white over ratios 0..4 (entries 0, 64, 128, 191, 255), the gradient 512 pixels
    // wide: two pixels per entry, entry i at the centre of its slice. Pixel x sits at entry
    // x / 2 - 0.25 and takes the floored blend of the two entries around it.
    Canvas c(16, 1, {0, 0, 0, 0});
    Gradient g;
    g.stops = {{0, {0, 0, 0, 255}}, {4, {255, 255, 255, 255}}};
    g.matrix = Matrix::Translate(256, 0) * Matrix::Scale(256, 1);
    for (Spread spread : {Spread::Pad, Spread::Repeat}) {
        g.spread = spread;
        Paint paint;
        paint.kind = Paint::Kind::Gradient;
        paint.gradient = &g;
        DrawList list;
        const Path band = RectPath(0, 0, 16, 1);
        list.Fill(band, {}, FillRule::NonZero, paint, ColorTransform{});
        c.Render(list);
        const uint32_t expected[] = {0, 16, 48, 80, 112, 143, 175, 207, 239, 255, 255};
        for (int x = 0; x < 11; ++x)
            EXPECT_EQ(rastertest::Red(c.At(x, 0)), expected[x]) << x;
    }
}

namespace {

Canvas RadialDisc(Gradient::Kind kind, float focal) {
    Canvas c(200, 200, {0, 0, 0, 0});
    Gradient g = TwoStops({0, 0, 0, 255}, {255, 255, 255, 255});
    g.kind = kind;
    g.focal = focal;
    g.matrix = Matrix::Translate(100, 100) * Matrix::Scale(100, 100);
    const Path square = RectPath(0, 0, 200, 200);
    Paint paint;
    paint.kind = Paint::Kind::Gradient;
    paint.gradient = &g;
    DrawList list;
    list.Fill(square, {}, FillRule::NonZero, paint, ColorTransform{});
    c.Render(list);
    return c;
}

}  // namespace

TEST(RadialGradient, RatioGrowsWithDistanceFromTheCentre) {
    Canvas c = RadialDisc(Gradient::Kind::Radial, 0);
    EXPECT_LE(rastertest::Red(c.At(100, 100)), 2u);
    // Pixel centre (150.5, 100.5) lies 50.5 from the centre: ratio 0.505 -> entry 129.
    EXPECT_NEAR(rastertest::Red(c.At(150, 100)), 129, 1);
    EXPECT_NEAR(rastertest::Red(c.At(100, 49)), 129, 1);
    EXPECT_EQ(c.At(1, 1), 0xFFFFFFFFu);  // beyond the circle: padded
}

TEST(FocalGradient, RatioZeroAtTheFocalPoint) {
    Canvas c = RadialDisc(Gradient::Kind::Focal, 0.5f);
    EXPECT_LE(rastertest::Red(c.At(150, 100)), 4u);  // focal point (0.5, 0) -> (150, 100)
    // Half way from the focal point to the circle, on either side, ratio one half: 175 is
    // half way to the circle at 200, 75 half way to the circle at 0. Pixel 174's centre is
    // 24.5 of 50 from the focal point: 0.49 of the way, red 124.9.
    EXPECT_NEAR(rastertest::Red(c.At(174, 100)), 125, 1);
    EXPECT_NEAR(rastertest::Red(c.At(74, 100)), 128, 3);
    // Near the circle: pixel 198's centre is 48.5 of 50 from the focal point.
    EXPECT_NEAR(rastertest::Red(c.At(198, 100)), 248, 2);
    EXPECT_NEAR(rastertest::Red(c.At(2, 100)), 250, 2);  // 147.5 of 150
    EXPECT_EQ(rastertest::Red(c.At(1, 1)), 255u);
}

namespace {

std::shared_ptr<Image> TestImage() {
    auto img = std::make_shared<Image>();
    img->width = 4;
    img->height = 3;
    img->pixels = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x80402010,  //
                   0x00000000, 0xFFFFFFFF, 0xFF123456, 0x40404040,  //
                   0xFF000000, 0xFF808080, 0xC0A0B0C0, 0xFF00FFFF};
    return img;
}

Paint BitmapPaintOf(std::shared_ptr<Image> img, Matrix m, bool repeat, bool smooth) {
    Paint p;
    p.kind = Paint::Kind::Bitmap;
    p.bitmap.image = std::move(img);
    p.bitmap.matrix = m;
    p.bitmap.repeat = repeat;
    p.bitmap.smooth = smooth;
    return p;
}

}  // namespace

TEST(BitmapPaint, DrawnOneToOneReproducesItsPixels) {
    const auto img = TestImage();
    for (bool smooth : {false, true}) {
        for (Quality q : {Quality::Low, Quality::High}) {
            Canvas c(8, 6, {0, 0, 0, 0});
            const Path area = RectPath(0, 0, 4, 3);
            DrawList list;
            // Path and image both placed by the draw's matrix at (2, 1).
            list.Fill(area, Matrix::Translate(2, 1), FillRule::NonZero, BitmapPaintOf(img, {}, false, smooth),
                      ColorTransform{});
            c.Render(list, q);
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 4; ++x)
                    ASSERT_EQ(c.At(x + 2, y + 1), img->pixels[y * 4 + x]) << x << "," << y << " smooth " << smooth;
            EXPECT_EQ(c.At(1, 1), 0u);
            EXPECT_EQ(c.At(6, 1), 0u);
        }
    }
}

TEST(BitmapPaint, RepeatTilesClampStretchesTheEdges) {
    const auto img = TestImage();
    const Path area = RectPath(0, 0, 12, 6);
    for (bool repeat : {true, false}) {
        Canvas c(12, 6, {0, 0, 0, 0});
        DrawList list;
        list.Fill(area, {}, FillRule::NonZero, BitmapPaintOf(img, {}, repeat, false), ColorTransform{});
        c.Render(list);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 12; ++x) {
                const int u = repeat ? x % 4 : std::min(x, 3), v = repeat ? y % 3 : std::min(y, 2);
                ASSERT_EQ(c.At(x, y), img->pixels[v * 4 + u]) << x << "," << y << " repeat " << repeat;
            }
    }
}

TEST(BitmapPaint, ScaledUpNearestOrBilinearByQuality) {
    // Two texels, black and white, magnified 4x: nearest keeps hard halves; smoothing blends
    // across the middle, but only at high quality and when the paint asks for it.
    auto img = std::make_shared<Image>();
    img->width = 2;
    img->height = 1;
    img->pixels = {0xFF000000, 0xFFFFFFFF};
    const Path area = RectPath(0, 0, 8, 4);
    auto render = [&](bool smooth, Quality q) {
        Canvas c(8, 4, {0, 0, 0, 0});
        DrawList list;
        list.Fill(area, {}, FillRule::NonZero, BitmapPaintOf(img, Matrix::Scale(4, 4), false, smooth),
                  ColorTransform{});
        c.Render(list, q);
        return c;
    };
    for (auto [smooth, q] :
         {std::pair{false, Quality::High}, std::pair{true, Quality::Low}, std::pair{true, Quality::Medium}}) {
        const Canvas c = render(smooth, q);
        EXPECT_EQ(c.At(3, 1), 0xFF000000u);
        EXPECT_EQ(c.At(4, 1), 0xFFFFFFFFu);
    }
    const Canvas s = render(true, Quality::High);
    // Pixel 3's centre 3.5 is texel space 0.875: 0.375 of the way from texel 0's centre to 1's.
    EXPECT_NEAR(rastertest::Red(s.At(3, 1)), 96, 1);
    EXPECT_NEAR(rastertest::Red(s.At(4, 1)), 159, 1);
    EXPECT_EQ(s.At(0, 1), 0xFF000000u);  // clamped at the edge
    EXPECT_EQ(s.At(7, 1), 0xFFFFFFFFu);
}

TEST(BitmapPaint, ColorTransformActsOnStraightColour) {
    auto img = std::make_shared<Image>();
    img->width = 1;
    img->height = 1;
    img->pixels = {0x80800000};  // red at half alpha, premultiplied
    ColorTransform cx;
    cx.rMul = 0;
    cx.gAdd = 255;  // straight (255, 0, 0) becomes (0, 255, 0), alpha kept
    const Path area = RectPath(0, 0, 1, 1);
    Canvas c(1, 1, {0, 0, 0, 0});
    DrawList list;
    list.Fill(area, {}, FillRule::NonZero, BitmapPaintOf(img, {}, false, false), cx);
    c.Render(list);
    EXPECT_EQ(c.At(0, 0), 0x80008000u);
}

TEST(SolidPaint, ColorTransformThenPremultiply) {
    ColorTransform cx;
    cx.aMul = 128;
    cx.bAdd = 255;
    const Path area = RectPath(0, 0, 2, 2);
    Canvas c(2, 2, {0, 0, 0, 0});
    DrawList list;
    list.Fill(area, {}, FillRule::NonZero, Paint::Solid({255, 0, 0, 255}), cx);
    c.Render(list);
    EXPECT_EQ(c.At(1, 1), 0x7F7F007Fu);  // alpha 255 * 128 >> 8 = 127
}

TEST(RampCache, FindsRampsByContentNotByObject) {
    static RampCache cache;  // large: kept off the stack
    Gradient g = TwoStops({0, 0, 0, 255}, {255, 255, 255, 255});
    const uint32_t* first = cache.Get(g, ColorTransform{});
    EXPECT_EQ(first[128], 0xFF808080u);
    // Many other gradients in between, then the same content again: the same ramp.
    std::vector<Gradient> others;
    for (int i = 0; i < 40; ++i)
        others.push_back(TwoStops({static_cast<uint8_t>(i), 0, 0, 255}, {0, 0, 255, 255}));
    for (const Gradient& o : others)
        EXPECT_EQ(cache.Get(o, ColorTransform{})[0], 0xFF000000u | (static_cast<uint32_t>(&o - others.data()) << 16));
    EXPECT_EQ(cache.Get(g, ColorTransform{}), first);
    // The same object changed in place (a morph's next frame) gets its new ramp.
    g.stops[1].color = {255, 0, 0, 255};
    EXPECT_EQ(cache.Get(g, ColorTransform{})[255], 0xFFFF0000u);
    // Another colour transform, another ramp.
    ColorTransform invert;
    invert.rMul = -256;
    invert.rAdd = 255;
    EXPECT_EQ(cache.Get(g, invert)[255], 0xFF000000u);
    // More stops than an entry holds: still right.
    Gradient many;
    for (int i = 0; i < 20; ++i)
        many.stops.push_back({static_cast<uint8_t>(i * 13), {static_cast<uint8_t>(i * 13), 0, 0, 255}});
    EXPECT_EQ(cache.Get(many, ColorTransform{})[26], 0xFF1A0000u);
}
