// Blend modes on single premultiplied pixels, against values worked out by hand from the
// formulas (s, d the channels, sa, da the alphas, all in 0..255).
#include "LayerBlend.h"

#include <gtest/gtest.h>

using namespace raster;

namespace {

constexpr uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}

}  // namespace

TEST(BlendPixel, OpaqueColoursByMode) {
    const uint32_t s = Argb(255, 200, 100, 50), d = Argb(255, 100, 150, 220);
    struct Case {
        BlendMode mode;
        uint32_t expected;
    } cases[] = {
        {BlendMode::Normal, s},
        {BlendMode::Layer, s},
        {BlendMode::Multiply, Argb(255, 78, 59, 43)},   // s d / 255
        {BlendMode::Screen, Argb(255, 222, 191, 227)},  // s + d - s d / 255
        {BlendMode::Lighten, Argb(255, 200, 150, 220)},
        {BlendMode::Darken, Argb(255, 100, 100, 50)},
        {BlendMode::Difference, Argb(255, 100, 50, 170)},
        {BlendMode::Add, Argb(255, 255, 250, 255)},       // clamped sums
        {BlendMode::Subtract, Argb(255, 0, 50, 170)},     // d - s, clamped
        {BlendMode::Invert, Argb(255, 155, 105, 35)},     // 255 - d
        {BlendMode::HardLight, Argb(255, 188, 118, 86)},  // by s: screen-like above half, else 2 s d
        {BlendMode::Overlay, Argb(255, 157, 127, 199)},   // the same chosen by d
        {BlendMode::Alpha, d},                            // opaque source keeps d
        {BlendMode::Erase, 0},                            // opaque source removes d
    };
    for (const Case& c : cases)
        EXPECT_EQ(BlendPixel(c.mode, s, d), c.expected)
            << static_cast<int>(c.mode) << " got " << std::hex << BlendPixel(c.mode, s, d);
}

TEST(BlendPixel, AlphaAndEraseScaleWhatLiesBelow) {
    const uint32_t d = Argb(255, 100, 150, 220), half = Argb(128, 0, 0, 0);
    EXPECT_EQ(BlendPixel(BlendMode::Alpha, half, d), Argb(128, 50, 75, 110));
    EXPECT_EQ(BlendPixel(BlendMode::Erase, half, d), Argb(127, 50, 75, 110));
    // A fully transparent source leaves what lies below; the faintest one nearly erases it.
    EXPECT_EQ(BlendPixel(BlendMode::Alpha, 0, d), d);
    EXPECT_EQ(BlendPixel(BlendMode::Alpha, Argb(1, 0, 0, 0), d) >> 24, 1u);
    EXPECT_EQ(BlendPixel(BlendMode::Erase, 0, d), d);
}

TEST(BlendPixel, TranslucentSourceKeepsTheUncoveredPartOfTheDestination) {
    // Half-transparent red multiplied onto opaque blue: where red is absent, blue shows.
    const uint32_t s = Argb(128, 128, 0, 0), d = Argb(255, 0, 0, 255);
    EXPECT_EQ(BlendPixel(BlendMode::Multiply, s, d), Argb(255, 0, 0, 127));
    // Onto a transparent destination every separable mode gives the source.
    for (BlendMode m : {BlendMode::Multiply, BlendMode::Screen, BlendMode::Lighten, BlendMode::Darken,
                        BlendMode::Difference, BlendMode::Overlay, BlendMode::HardLight})
        EXPECT_EQ(BlendPixel(m, s, 0), s) << static_cast<int>(m);
    // Screen and add also combine the alphas.
    EXPECT_EQ(BlendPixel(BlendMode::Add, s, Argb(100, 0, 100, 0)), Argb(228, 128, 100, 0));
}

TEST(CompositeRow, NormalSkipsEmptySourceAndMasksScaleIt) {
    uint32_t dst[3] = {Argb(255, 10, 20, 30), Argb(255, 10, 20, 30), Argb(255, 10, 20, 30)};
    const uint32_t src[3] = {0, Argb(255, 255, 255, 255), Argb(255, 255, 255, 255)};
    const uint8_t mask[3] = {255, 255, 0};
    ChooseComposite(BlendMode::Normal, false, true)(dst, src, mask, 3);
    EXPECT_EQ(dst[0], Argb(255, 10, 20, 30));
    EXPECT_EQ(dst[1], Argb(255, 255, 255, 255));
    EXPECT_EQ(dst[2], Argb(255, 10, 20, 30));
    // Erase straight onto the target surface draws as normal.
    uint32_t root[1] = {Argb(255, 10, 20, 30)};
    ChooseComposite(BlendMode::Erase, false, false)(root, src + 1, nullptr, 1);
    EXPECT_EQ(root[0], Argb(255, 255, 255, 255));
}
