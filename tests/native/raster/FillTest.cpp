// Coverage of filled paths: exact pixels on pixel boundaries, the sample grid of anti-aliased
// quality, fill rules, aliased sampling at pixel centres and clipping to the surface.
#include "Canvas.h"
#include "Flatten.h"
#include "raster/DrawList.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace raster;
using rastertest::Canvas;
using rastertest::RectPath;

namespace {

const Color kBlack{0, 0, 0, 255};
const Color kWhite{255, 255, 255, 255};

// Darkness of a black fill on white: 255 - red, which is the pixel's coverage.
int CoverageAt(const Canvas& c, int x, int y) {
    return 255 - static_cast<int>(rastertest::Red(c.At(x, y)));
}

void FillBlack(Canvas& c, const Path& p, Quality q, FillRule rule = FillRule::NonZero, Matrix m = {}) {
    DrawList list;
    list.Fill(p, m, rule, Paint::Solid(kBlack), ColorTransform{});
    c.Render(list, q);
}

}  // namespace

class QualityFill : public ::testing::TestWithParam<Quality> {};

TEST_P(QualityFill, RectangleOnPixelBoundariesCoversExactlyItsPixels) {
    Canvas c(20, 20, kWhite);
    FillBlack(c, RectPath(3, 4, 12, 9), GetParam());
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool inside = x >= 3 && x < 12 && y >= 4 && y < 9;
            ASSERT_EQ(c.At(x, y), inside ? 0xFF000000u : 0xFFFFFFFFu) << x << "," << y;
        }
}

TEST_P(QualityFill, ScaledRectangleLandsOnTheSamePixels) {
    // The path in twips, the matrix takes it to pixels.
    Canvas c(20, 20, kWhite);
    FillBlack(c, RectPath(60, 80, 240, 180), GetParam(), FillRule::EvenOdd, Matrix::Scale(0.05, 0.05));
    EXPECT_EQ(c.At(3, 4), 0xFF000000u);
    EXPECT_EQ(c.At(11, 8), 0xFF000000u);
    EXPECT_EQ(c.At(12, 8), 0xFFFFFFFFu);
    EXPECT_EQ(c.At(11, 9), 0xFFFFFFFFu);
    EXPECT_EQ(c.At(2, 4), 0xFFFFFFFFu);
}

INSTANTIATE_TEST_SUITE_P(Qualities, QualityFill, ::testing::Values(Quality::Low, Quality::High));

TEST(Fill, HalfPixelEdgeGivesHalfCoverage) {
    Canvas c(10, 10, kWhite);
    FillBlack(c, RectPath(2.5f, 2, 7.5f, 8), Quality::High);
    for (int y = 2; y < 8; ++y) {
        EXPECT_NEAR(CoverageAt(c, 2, y), 128, 1);
        EXPECT_EQ(CoverageAt(c, 3, y), 255);
        EXPECT_EQ(CoverageAt(c, 6, y), 255);
        EXPECT_NEAR(CoverageAt(c, 7, y), 128, 1);
        EXPECT_EQ(CoverageAt(c, 8, y), 0);
    }
    // Half a pixel on both axes: a quarter.
    Canvas d(10, 10, kWhite);
    FillBlack(d, RectPath(2.5f, 2.5f, 7, 7), Quality::High);
    EXPECT_NEAR(CoverageAt(d, 2, 2), 64, 1);
    EXPECT_NEAR(CoverageAt(d, 2, 4), 128, 1);
}

TEST(Fill, DiagonalEdgeCoversTheSamplesBelowIt) {
    // The triangle below the diagonal y = x. A pixel on the diagonal holds a grid of sample
    // points (4 x 4 at high and best, 2 x 2 at medium); those on the edge itself lie at its
    // crossing and count for the side right of it, outside here. High: 6 of 16 below the
    // diagonal; medium: 1 of 4.
    Path p;
    p.MoveTo({0, 0});
    p.LineTo({10, 10});
    p.LineTo({0, 10});
    p.Close();
    struct Case {
        Quality quality;
        int coverage;
    } cases[] = {{Quality::High, 96}, {Quality::Best, 96}, {Quality::Medium, 64}};
    for (const Case& k : cases) {
        Canvas c(10, 10, kWhite);
        FillBlack(c, p, k.quality);
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(CoverageAt(c, i, i), k.coverage) << i;
        EXPECT_EQ(CoverageAt(c, 0, 9), 255);
        EXPECT_EQ(CoverageAt(c, 9, 0), 0);
    }
}

TEST(Fill, SampleGridCountsSamplesNotArea) {
    // A rectangle 1.3 pixels tall from y = 2.1: sample rows at 2.125, 2.375, ... 3.375 lie
    // inside (6 of 8 in rows 2 and 3 at high: 4 in row 2, 2 in row 3), not 0.9 and 0.4 of area.
    Path p = RectPath(0, 2.1f, 10, 3.4f);
    Canvas c(10, 6, kWhite);
    FillBlack(c, p, Quality::High);
    EXPECT_EQ(CoverageAt(c, 5, 2), 255);  // 2.125 .. 2.875: all four rows
    EXPECT_EQ(CoverageAt(c, 5, 3), 128);  // 3.125, 3.375: half, 8 of 16 -> 127.5 rounded up
    EXPECT_EQ(CoverageAt(c, 5, 4), 0);
}

TEST(Fill, CircleAreaMatchesCoverageSum) {
    // A circle of radius 20 as four cubic arcs: the summed coverage is its area within 0.5%
    // (flattening cuts inside the curve, by at most its tolerance).
    const float r = 20, k = 0.5522847f * r, cx = 32, cy = 32;
    Path p;
    p.MoveTo({cx + r, cy});
    p.CubicTo({cx + r, cy + k}, {cx + k, cy + r}, {cx, cy + r});
    p.CubicTo({cx - k, cy + r}, {cx - r, cy + k}, {cx - r, cy});
    p.CubicTo({cx - r, cy - k}, {cx - k, cy - r}, {cx, cy - r});
    p.CubicTo({cx + k, cy - r}, {cx + r, cy - k}, {cx + r, cy});
    p.Close();
    Canvas c(64, 64, kWhite);
    FillBlack(c, p, Quality::High);
    double sum = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            sum += CoverageAt(c, x, y) / 255.0;
    // The flattened outline's own area, which the samples estimate; it lies inside the circle
    // by at most the tolerance times the perimeter.
    Contours flat;
    FlattenPath(p, Matrix{}, kPixelTolerance, flat);
    double polygon = 0;
    for (size_t i = 0; i + 1 < flat.points.size(); ++i)
        polygon += flat.points[i].x * flat.points[i + 1].y - flat.points[i + 1].x * flat.points[i].y;
    polygon += flat.points.back().x * flat.points[0].y - flat.points[0].x * flat.points.back().y;
    polygon = std::fabs(polygon) / 2;
    const double area = 3.14159265 * r * r;
    EXPECT_LE(polygon, area);
    EXPECT_GE(polygon, area - kPixelTolerance * 2 * 3.14159265 * r);
    EXPECT_NEAR(sum, polygon, 0.003 * area);
}

namespace {

// A five-pointed star drawn in one stroke: its pentagon centre is wound twice.
Path Star(float cx, float cy, float r) {
    Path p;
    for (int i = 0; i < 5; ++i) {
        const double a = -3.14159265 / 2 + i * 4 * 3.14159265 / 5;
        const Point pt{static_cast<float>(cx + r * std::cos(a)), static_cast<float>(cy + r * std::sin(a))};
        if (i == 0)
            p.MoveTo(pt);
        else
            p.LineTo(pt);
    }
    p.Close();
    return p;
}

}  // namespace

TEST(Fill, EvenOddLeavesTheStarsCentreOpenNonZeroFillsIt) {
    for (Quality q : {Quality::Low, Quality::High}) {
        Canvas even(40, 40, kWhite), nonzero(40, 40, kWhite);
        FillBlack(even, Star(20, 20, 18), q, FillRule::EvenOdd);
        FillBlack(nonzero, Star(20, 20, 18), q, FillRule::NonZero);
        EXPECT_EQ(CoverageAt(even, 20, 20), 0);
        EXPECT_EQ(CoverageAt(nonzero, 20, 20), 255);
        // A point of the star is wound once: filled by both rules.
        EXPECT_EQ(CoverageAt(even, 20, 5), 255);
        EXPECT_EQ(CoverageAt(nonzero, 20, 5), 255);
    }
}

TEST(Fill, OppositeWindingCancelsUnderNonZeroOnly) {
    // Two nested squares wound the same way: non-zero fills the hole, even-odd does not.
    Path p = RectPath(0, 0, 10, 10);
    p.MoveTo({3, 3});
    p.LineTo({7, 3});
    p.LineTo({7, 7});
    p.LineTo({3, 7});
    p.Close();
    Canvas nz(10, 10, kWhite), eo(10, 10, kWhite);
    FillBlack(nz, p, Quality::High, FillRule::NonZero);
    FillBlack(eo, p, Quality::High, FillRule::EvenOdd);
    EXPECT_EQ(CoverageAt(nz, 5, 5), 255);
    EXPECT_EQ(CoverageAt(eo, 5, 5), 0);
    EXPECT_EQ(CoverageAt(eo, 1, 1), 255);
}

TEST(Fill, AliasedModeSamplesPixelCentres) {
    // Edges at x = 2.4 and 7.6: centres 2.5 .. 6.5 and 7.5 are inside, 1.5 and 8.5 are not;
    // no pixel is partly covered.
    Canvas c(10, 10, kWhite);
    FillBlack(c, RectPath(2.4f, 2.6f, 7.6f, 7.4f), Quality::Low);
    for (int x = 0; x < 10; ++x) {
        const bool inside = x >= 2 && x <= 7;
        EXPECT_EQ(CoverageAt(c, x, 5), inside ? 255 : 0) << x;
    }
    EXPECT_EQ(CoverageAt(c, 5, 2), 0);  // centre 2.5 above the top edge at 2.6
    EXPECT_EQ(CoverageAt(c, 5, 3), 255);
    EXPECT_EQ(CoverageAt(c, 5, 6), 255);
    EXPECT_EQ(CoverageAt(c, 5, 7), 0);  // centre 7.5 below the bottom edge at 7.4
}

// Slanted edges in twips drawn at 1/20 pixel per twip, with an aliased pixel whose centre lies
// on the edge or a hair beside it: the ends sit on a 1/256 pixel grid and the crossing is
// exact there, so such a pixel comes out as the reference player draws it (not by float noise).
TEST(Fill, AliasedCentresOnSlantedEdgesFollowTheSubpixelGrid) {
    struct Case {
        const char* name;
        Point a, b, c;  // a triangle in twips
        int x, y;       // a pixel on or beside the edge a-b
        bool covered;
    };
    const Case cases[] = {
        // Right edge passing 0.005 twip left of the centre; on the grid it passes right of it.
        {"right edge, near the centre", {5237, 1223}, {5175, 1639}, {5000, 1400}, 261, 63, true},
        // Right edge exactly through the centre in twips; its ends rounded to the grid put the
        // crossing right of the centre.
        {"right edge, through the centre", {2382, 6176}, {2252, 7111}, {2000, 6600}, 116, 327, true},
        // Left edges through centres: a centre on an edge counts as right of it, inside.
        {"left edge, through a centre", {2338, 5802}, {2306, 5834}, {2500, 5834}, 116, 290, true},
        {"left edge, through another", {2338, 5802}, {2306, 5834}, {2500, 5834}, 115, 291, true},
        // A vertical right edge through centres leaves them out.
        {"vertical right edge", {2330, 5000}, {2330, 6000}, {2000, 5500}, 116, 270, false},
    };
    for (const Case& t : cases) {
        Path p;
        p.MoveTo(t.a);
        p.LineTo(t.b);
        p.LineTo(t.c);
        p.Close();
        // The pixel at (8, 8) of the canvas is the case's pixel.
        const Matrix m{0.05, 0, 0, 0.05, 8.0 - t.x, 8.0 - t.y};
        Canvas c(16, 16, kWhite);
        FillBlack(c, p, Quality::Low, FillRule::NonZero, m);
        EXPECT_EQ(CoverageAt(c, 8, 8), t.covered ? 255 : 0) << t.name;
    }
}

// A small curve in twips (a glyph's corner from the corpus) cut into two chords: in whole
// units its middle point rounds so that the first chord passes right of the pixel centre at
// (274.5, 92.5), as the reference player draws it; cut in pixels the chord passes left of it.
TEST(Fill, WholeUnitCurvesCutAtRoundedPoints) {
    Path p;
    p.MoveTo({5459, 1869});
    p.QuadTo({5496, 1838}, {5538, 1837});
    p.LineTo({5700, 1837});
    p.LineTo({5700, 1950});
    p.LineTo({5459, 1950});
    p.Close();
    const Matrix m{0.05, 0, 0, 0.05, 8.0 - 274, 8.0 - 92};  // pixel (274, 92) at (8, 8)
    ASSERT_EQ(QuadSegments(m.Apply({5459, 1869}), m.Apply({5496, 1838}), m.Apply({5538, 1837}), kPixelTolerance), 2);
    for (bool wholeUnits : {true, false}) {
        p.SetWholeUnitCurves(wholeUnits);
        Canvas c(16, 16, kWhite);
        FillBlack(c, p, Quality::Low, FillRule::NonZero, m);
        EXPECT_EQ(CoverageAt(c, 8, 8), wholeUnits ? 0 : 255) << wholeUnits;
        EXPECT_EQ(CoverageAt(c, 12, 8), 255) << wholeUnits;  // well inside either way
    }
}

TEST(Fill, ShapesPartlyOffTheSurfaceAreClipped) {
    for (Quality q : {Quality::Low, Quality::High}) {
        Canvas c(10, 10, kWhite);
        // Reaches far beyond every side; its diagonal left edge crosses x = 0 inside the rows.
        Path p;
        p.MoveTo({-50, -30});
        p.LineTo({40, -30});
        p.LineTo({40, 40});
        p.LineTo({-10, 40});
        p.Close();
        FillBlack(c, p, q);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x)
                ASSERT_EQ(CoverageAt(c, x, y), 255) << x << "," << y;
        // Entirely outside: nothing drawn.
        Canvas d(10, 10, kWhite);
        FillBlack(d, RectPath(20, 20, 30, 30), q);
        FillBlack(d, RectPath(-30, 2, -20, 8), q);
        for (uint32_t px : d.pixels)
            ASSERT_EQ(px, 0xFFFFFFFFu);
    }
}

TEST(Fill, LeftEdgeOffSurfaceStillFillsToItsRight) {
    // The left part is outside; a slanted right edge inside makes partial pixels.
    Canvas c(10, 4, kWhite);
    Path p;
    p.MoveTo({-20, 0});
    p.LineTo({4, 0});
    p.LineTo({6, 4});
    p.LineTo({-20, 4});
    p.Close();
    FillBlack(c, p, Quality::High);
    EXPECT_EQ(CoverageAt(c, 0, 2), 255);
    EXPECT_EQ(CoverageAt(c, 3, 0), 255);
    EXPECT_EQ(CoverageAt(c, 7, 0), 0);
    // Row 0 runs the edge from x=4 to 4.5, the inside on its left: pixel 4 is a quarter covered.
    EXPECT_NEAR(CoverageAt(c, 4, 0), 64, 1);
}

TEST(Fill, TranslucentSolidBlendsPremultiplied) {
    Canvas c(4, 4, kWhite);
    const Path square = RectPath(0, 0, 4, 4);  // a draw list refers to its paths
    DrawList list;
    list.Fill(square, {}, FillRule::NonZero, Paint::Solid({255, 0, 0, 128}), ColorTransform{});
    c.Render(list);
    // red*0.5 + white*0.5
    EXPECT_EQ(rastertest::Alpha(c.At(1, 1)), 255u);
    EXPECT_NEAR(rastertest::Red(c.At(1, 1)), 255, 1);
    EXPECT_NEAR(rastertest::Green(c.At(1, 1)), 127, 1);
}

TEST(Clear, FillsEveryPixelPremultiplied) {
    std::vector<uint32_t> px(6 * 3, 0x12345678);
    // A stride wider than the surface: the padding is left alone.
    Surface s{px.data(), 5, 3, 6};
    Clear(s, {255, 0, 0, 128});
    EXPECT_EQ(px[0], 0x80800000u);
    EXPECT_EQ(px[4], 0x80800000u);
    EXPECT_EQ(px[5], 0x12345678u);
    EXPECT_EQ(px[6 * 2 + 4], 0x80800000u);
}

TEST(Renderer, SteadySceneGivesTheSamePixelsFrameAfterFrame) {
    // The reused buffers must be left clean: rendering the same list twice onto fresh
    // backgrounds gives identical results.
    Path star = Star(20, 20, 18);
    DrawList list;
    list.Fill(star, {}, FillRule::EvenOdd, Paint::Solid({10, 200, 30, 200}), ColorTransform{});
    const Path band = RectPath(5.3f, 5.7f, 30.2f, 12.9f);
    list.Fill(band, {}, FillRule::NonZero, Paint::Solid({200, 0, 30, 100}), ColorTransform{});
    Canvas c(40, 40, kWhite);
    c.Render(list);
    const std::vector<uint32_t> first = c.pixels;
    Clear(c.surface(), kWhite);
    c.Render(list);
    EXPECT_EQ(first, c.pixels);
}

TEST(Fill, ExtremeAndBrokenGeometryStaysInsideTheSurface) {
    // Coordinates that overflow, NaN, infinities and singular matrices: nothing is written
    // outside the surface (its stride's padding column stays as it was) and a sound shape drawn
    // afterwards still comes out exact.
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<Path> paths;
    const Point wild[][3] = {{{-1e38f, -1e38f}, {1e38f, 1e38f}, {-1e38f, 1e38f}},
                             {{nan, 0}, {5, nan}, {3, 3}},
                             {{-inf, 2}, {inf, 7}, {3, inf}},
                             {{1e-30f, 1e-30f}, {4e-30f, 9}, {1e30f, 1e-30f}},
                             {{2, 2}, {2, 2}, {2, 2}}};
    for (const auto& tri : wild) {
        Path p;
        p.MoveTo(tri[0]);
        p.QuadTo(tri[1], tri[2]);
        p.CubicTo(tri[2], tri[0], tri[1]);
        p.Close();
        paths.push_back(p);
    }
    const Matrix matrices[] = {Matrix{}, Matrix{1e30, 0, 0, 1e30, 0, 0}, Matrix{0, 0, 0, 0, 5, 5},
                               Matrix{1, 0, 0, 1, nan, 0}};
    for (Quality q : {Quality::Low, Quality::High}) {
        std::vector<uint32_t> px(11 * 10, 0xFFFFFFFFu);
        Surface s{px.data(), 10, 10, 11};
        Renderer r;
        DrawList list;
        StrokeStyle st;
        st.width = 3;
        for (const Path& p : paths)
            for (const Matrix& m : matrices) {
                list.Fill(p, m, FillRule::NonZero, Paint::Solid({0, 0, 0, 255}), ColorTransform{});
                list.Stroke(p, m, st, Paint::Solid({0, 0, 0, 255}), ColorTransform{});
            }
        r.Render(list, s, {q});
        for (int y = 0; y < 10; ++y)
            ASSERT_EQ(px[y * 11 + 10], 0xFFFFFFFFu) << y;
        Clear(s, kWhite);
        const Path square = RectPath(2, 3, 6, 8);
        DrawList sound;
        sound.Fill(square, {}, FillRule::NonZero, Paint::Solid(kBlack), ColorTransform{});
        r.Render(sound, s, {q});
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x)
                ASSERT_EQ(px[y * 11 + x], (x >= 2 && x < 6 && y >= 3 && y < 8) ? 0xFF000000u : 0xFFFFFFFFu)
                    << x << "," << y;
    }
}

TEST(Fill, WideShapesWithLongEmptyAndFullStretches) {
    // A one-pixel frame 300 wide (long untouched stretches with no coverage between its sides)
    // beside a solid band (long stretches of full coverage): both exact to the pixel.
    Path frame = RectPath(3, 2, 303, 40);
    frame.MoveTo({4, 3});
    frame.LineTo({302, 3});
    frame.LineTo({302, 39});
    frame.LineTo({4, 39});
    frame.Close();
    const Path band = RectPath(0, 50, 330, 60);
    for (Quality q : {Quality::Low, Quality::High}) {
        Canvas c(330, 64, kWhite);
        FillBlack(c, frame, q, FillRule::EvenOdd);
        FillBlack(c, band, q);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 330; ++x) {
                const bool inFrame = x >= 3 && x < 303 && y >= 2 && y < 40 && !(x >= 4 && x < 302 && y >= 3 && y < 39);
                const bool inBand = y >= 50 && y < 60;
                ASSERT_EQ(CoverageAt(c, x, y), inFrame || inBand ? 255 : 0) << x << "," << y;
            }
    }
}
