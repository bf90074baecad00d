// Masks (coverage that clips, nested masks intersect) and isolated layers with their blend.
#include "Canvas.h"
#include "raster/DrawList.h"

#include <gtest/gtest.h>

using namespace raster;
using rastertest::Canvas;
using rastertest::RectPath;

namespace {

const Color kWhite{255, 255, 255, 255};
const Color kRed{255, 0, 0, 255};
const ColorTransform kNone{};

bool IsRed(uint32_t p) {
    return p == 0xFFFF0000u;
}

}  // namespace

TEST(Mask, ClipsDrawsUntilPopped) {
    const Path maskShape = RectPath(2, 2, 6, 6), all = RectPath(0, 0, 10, 10), strip = RectPath(0, 8, 10, 9);
    for (Quality q : {Quality::Low, Quality::High}) {
        Canvas c(10, 10, kWhite);
        DrawList list;
        list.BeginMask();
        // A mask's colour and alpha do not matter, only its coverage.
        list.Fill(maskShape, {}, FillRule::NonZero, Paint::Solid({0, 0, 0, 0}), kNone);
        list.EndMaskShape();
        list.Fill(all, {}, FillRule::NonZero, Paint::Solid(kRed), kNone);
        list.PopMask();
        list.Fill(strip, {}, FillRule::NonZero, Paint::Solid(kRed), kNone);
        c.Render(list, q);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 10; ++x) {
                const bool inside = x >= 2 && x < 6 && y >= 2 && y < 6;
                ASSERT_EQ(IsRed(c.At(x, y)), inside) << x << "," << y;
                if (!inside) {
                    ASSERT_EQ(c.At(x, y), 0xFFFFFFFFu);
                }
            }
        EXPECT_TRUE(IsRed(c.At(9, 8)));  // after PopMask nothing clips
    }
}

TEST(Mask, AntiAliasedEdgeScalesCoverage) {
    const Path maskShape = RectPath(2.5f, 0, 10, 10), all = RectPath(0, 0, 10, 10);
    Canvas c(10, 10, kWhite);
    DrawList list;
    list.BeginMask();
    list.Fill(maskShape, {}, FillRule::NonZero, Paint::Solid(kRed), kNone);
    list.EndMaskShape();
    list.Fill(all, {}, FillRule::NonZero, Paint::Solid({0, 0, 0, 255}), kNone);
    list.PopMask();
    c.Render(list);
    EXPECT_NEAR(rastertest::Red(c.At(2, 5)), 127, 1);
    EXPECT_EQ(rastertest::Red(c.At(1, 5)), 255u);
    EXPECT_EQ(rastertest::Red(c.At(3, 5)), 0u);
}

TEST(Mask, NestedMasksIntersect) {
    const Path outer = RectPath(0, 0, 6, 10), inner = RectPath(4, 0, 10, 10), all = RectPath(0, 0, 10, 10);
    Canvas c(10, 10, kWhite);
    DrawList list;
    list.BeginMask();
    list.Fill(outer, {}, FillRule::NonZero, Paint::Solid(kRed), kNone);
    list.EndMaskShape();
    list.BeginMask();
    list.Fill(inner, {}, FillRule::NonZero, Paint::Solid(kRed), kNone);
    list.EndMaskShape();
    list.Fill(all, {}, FillRule::NonZero, Paint::Solid(kRed), kNone);
    list.PopMask();
    list.PopMask();
    c.Render(list);
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(IsRed(c.At(x, 5)), x >= 4 && x < 6) << x;
}

TEST(Layer, AlphaBlendSetsTheLayerBelowsAlpha) {
    // A red layer, then inside it an alpha-blended half: the left half keeps half its alpha,
    // the right half (no source) stays as it was, as the reference player leaves it.
    const Path all = RectPath(0, 0, 10, 4), left = RectPath(0, 0, 5, 4);
    Canvas c(10, 4, kWhite);
    DrawList list;
    list.PushLayer({BlendMode::Layer, {}, {}});
    list.Fill(all, {}, FillRule::NonZero, Paint::Solid(kRed), kNone);
    list.PushLayer({BlendMode::Alpha, {}, {}});
    list.Fill(left, {}, FillRule::NonZero, Paint::Solid({0, 0, 255, 128}), kNone);
    list.PopLayer();
    list.PopLayer();
    c.Render(list);
    EXPECT_EQ(c.At(2, 2), 0xFFFF7F7Fu);  // red at alpha 128 over white
    EXPECT_EQ(c.At(7, 2), 0xFFFF0000u);
}

TEST(Layer, EraseCutsTheLayerBelowButNotTheStage) {
    const Path all = RectPath(0, 0, 10, 4), left = RectPath(0, 0, 5, 4);
    DrawList list;
    list.PushLayer({BlendMode::Layer, {}, {}});
    list.Fill(all, {}, FillRule::NonZero, Paint::Solid(kRed), kNone);
    list.PushLayer({BlendMode::Erase, {}, {}});
    list.Fill(left, {}, FillRule::NonZero, Paint::Solid({0, 255, 0, 255}), kNone);
    list.PopLayer();
    list.PopLayer();
    Canvas c(10, 4, kWhite);
    c.Render(list);
    EXPECT_EQ(c.At(2, 2), 0xFFFFFFFFu);
    EXPECT_TRUE(IsRed(c.At(7, 2)));

    // Straight onto the stage, erase draws its content as normal.
    DrawList root;
    root.PushLayer({BlendMode::Erase, {}, {}});
    root.Fill(left, {}, FillRule::NonZero, Paint::Solid({0, 255, 0, 255}), kNone);
    root.PopLayer();
    Canvas s(10, 4, kWhite);
    s.Render(root);
    EXPECT_EQ(s.At(2, 2), 0xFF00FF00u);
}

TEST(Layer, IsolatedBeforeItsBlend) {
    // Red then green inside one multiply layer over grey: the shapes cover each other inside
    // the layer (green wins) and only the result multiplies the grey.
    const Path all = RectPath(0, 0, 4, 4);
    Canvas c(4, 4, {128, 128, 128, 255});
    DrawList list;
    list.PushLayer({BlendMode::Multiply, {}, {}});
    list.Fill(all, {}, FillRule::NonZero, Paint::Solid(kRed), kNone);
    list.Fill(all, {}, FillRule::NonZero, Paint::Solid({0, 255, 0, 255}), kNone);
    list.PopLayer();
    c.Render(list);
    EXPECT_EQ(c.At(1, 1), 0xFF008000u);
}

TEST(Layer, MaskOutsideTheLayerClipsItOnce) {
    // A mask with a half-covered column around a layer: the column gets half, not a quarter.
    const Path maskShape = RectPath(2.5f, 0, 10, 4), all = RectPath(0, 0, 10, 4);
    Canvas c(10, 4, kWhite);
    DrawList list;
    list.BeginMask();
    list.Fill(maskShape, {}, FillRule::NonZero, Paint::Solid(kRed), kNone);
    list.EndMaskShape();
    list.PushLayer({BlendMode::Layer, {}, {}});
    list.Fill(all, {}, FillRule::NonZero, Paint::Solid({0, 0, 0, 255}), kNone);
    list.PopLayer();
    list.PopMask();
    c.Render(list);
    EXPECT_NEAR(rastertest::Red(c.At(2, 1)), 127, 1);
    EXPECT_EQ(rastertest::Red(c.At(1, 1)), 255u);
    EXPECT_EQ(rastertest::Red(c.At(5, 1)), 0u);
}

TEST(Layer, BoundsClipTheLayersDraws) {
    const Path all = RectPath(0, 0, 10, 4);
    Canvas c(10, 4, kWhite);
    DrawList list;
    list.PushLayer({BlendMode::Layer, Rect{2, 0, 5.5f, 4}, {}});
    list.Fill(all, {}, FillRule::NonZero, Paint::Solid(kRed), kNone);
    list.PopLayer();
    c.Render(list);
    EXPECT_EQ(c.At(1, 1), 0xFFFFFFFFu);
    EXPECT_TRUE(IsRed(c.At(2, 1)));
    EXPECT_TRUE(IsRed(c.At(5, 1)));  // the pixel the bounds end in
    EXPECT_EQ(c.At(6, 1), 0xFFFFFFFFu);
}

TEST(Layer, PooledBuffersComeBackClean) {
    // The same list twice (and an unbalanced one between) gives the same pixels: layer and mask
    // buffers are returned to their pools zeroed.
    const Path a = RectPath(1, 1, 7, 7), b = RectPath(3.5f, 2.25f, 9, 9);
    DrawList list;
    list.BeginMask();
    list.Fill(b, {}, FillRule::NonZero, Paint::Solid(kRed), kNone);
    list.EndMaskShape();
    list.PushLayer({BlendMode::Screen, {}, {}});
    list.Fill(a, {}, FillRule::NonZero, Paint::Solid({10, 100, 200, 180}), kNone);
    list.PopLayer();
    list.PopMask();
    DrawList unbalanced;
    unbalanced.PushLayer({BlendMode::Multiply, {}, {}});
    unbalanced.BeginMask();
    unbalanced.Fill(a, {}, FillRule::NonZero, Paint::Solid(kRed), kNone);
    unbalanced.PopLayer();
    unbalanced.PushLayer({BlendMode::Layer, {}, {}});
    unbalanced.Fill(b, {}, FillRule::NonZero, Paint::Solid(kRed), kNone);

    Canvas c(10, 10, {40, 40, 40, 255});
    c.Render(list);
    const std::vector<uint32_t> first = c.pixels;
    c.Render(unbalanced);
    Clear(c.surface(), {40, 40, 40, 255});
    c.Render(list);
    EXPECT_EQ(first, c.pixels);
}

TEST(Layer, ColorTransformActsOnTheFinishedGroup) {
    // Two overlapping opaque rects in a half-transparent layer: the group fades as one, so the
    // overlap shows no more red than either rect alone; a tint reaches every drawn pixel and
    // leaves the undrawn ones alone.
    const Path a = RectPath(0, 0, 6, 4), b = RectPath(4, 0, 10, 4);
    ColorTransform half;
    half.aMul = 128;
    ColorTransform blueTint;
    blueTint.rMul = 0;
    blueTint.bAdd = 255;
    struct Case {
        const char* name;
        ColorTransform cx;
        uint32_t drawn, undrawn;
    };
    const Case cases[] = {
        {"half alpha", half, 0xFFFF8080u, 0xFFFFFFFFu},  // alpha 255 * 128 >> 8 = 127
        {"tint", blueTint, 0xFF0000FFu, 0xFFFFFFFFu},
    };
    for (const Case& t : cases) {
        Canvas c(12, 4, kWhite);
        DrawList list;
        list.PushLayer({BlendMode::Layer, {}, t.cx});
        list.Fill(a, {}, FillRule::NonZero, Paint::Solid(kRed), kNone);
        list.Fill(b, {}, FillRule::NonZero, Paint::Solid(kRed), kNone);
        list.PopLayer();
        c.Render(list, Quality::Low);
        EXPECT_EQ(c.At(2, 2), t.drawn) << t.name;
        EXPECT_EQ(c.At(5, 2), t.drawn) << t.name << " (overlap)";
        EXPECT_EQ(c.At(11, 2), t.undrawn) << t.name;
    }
}
