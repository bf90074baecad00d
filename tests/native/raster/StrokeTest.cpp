// Strokes: widths in pixels under the scaling flags, the one-pixel minimum, caps and joins.
#include "Canvas.h"
#include "Stroker.h"
#include "raster/DrawList.h"

#include <gtest/gtest.h>

using namespace raster;
using rastertest::Canvas;

namespace {

const Color kWhite{255, 255, 255, 255};

int CoverageAt(const Canvas& c, int x, int y) {
    return 255 - static_cast<int>(rastertest::Red(c.At(x, y)));
}

Path Polyline(std::initializer_list<Point> pts, bool closed = false) {
    Path p;
    bool first = true;
    for (Point q : pts) {
        if (first)
            p.MoveTo(q);
        else
            p.LineTo(q);
        first = false;
    }
    if (closed)
        p.Close();
    return p;
}

StrokeStyle Style(float width, Cap cap = Cap::None, Join join = Join::Miter) {
    StrokeStyle s;
    s.width = width;
    s.startCap = s.endCap = cap;
    s.join = join;
    return s;
}

Canvas StrokeBlack(const Path& p, const StrokeStyle& s, Matrix m = {}, int w = 40, int h = 40) {
    Canvas c(w, h, kWhite);
    DrawList list;
    list.Stroke(p, m, s, Paint::Solid({0, 0, 0, 255}), ColorTransform{});
    c.Render(list);
    return c;
}

// Summed coverage of column x, in pixels: the stroke's width across a horizontal line.
double ColumnWidth(const Canvas& c, int x) {
    double sum = 0;
    for (int y = 0; y < c.height; ++y)
        sum += CoverageAt(c, x, y) / 255.0;
    return sum;
}

}  // namespace

TEST(StrokeWidth, FollowsTheMatrixByTheScalingFlags) {
    struct Case {
        bool scaleX, scaleY;
        Matrix m;
        float expected;
    } cases[] = {
        {true, true, Matrix::Scale(0.5, 0.5), 2},    // both: the average scale
        {true, true, Matrix::Scale(2, 0.5), 4},      // sqrt(|det|) = 1
        {false, false, Matrix::Scale(0.5, 0.5), 4},  // none: the width in pixels
        {true, false, Matrix::Scale(3, 0.5), 12},    // horizontal scale only
        {false, true, Matrix::Scale(3, 0.5), 2},     // vertical scale only
        {true, true, Matrix::Scale(0.05, 0.05), 1},  // never under a pixel
    };
    for (const Case& c : cases) {
        StrokeStyle s = Style(4);
        s.scaleX = c.scaleX;
        s.scaleY = c.scaleY;
        EXPECT_FLOAT_EQ(DeviceStrokeWidth(s, c.m), c.expected) << c.scaleX << c.scaleY;
    }
    EXPECT_FLOAT_EQ(DeviceStrokeWidth(Style(0), Matrix::Scale(10, 10)), 1);  // hairline
}

TEST(Stroke, HorizontalLineCoversItsWidthExactly) {
    // Width 4 centred on y = 10: rows 8..11, from x = 5 to 30 with no caps.
    const Canvas c = StrokeBlack(Polyline({{5, 10}, {30, 10}}), Style(4));
    for (int y = 0; y < 40; ++y) {
        const bool inside = y >= 8 && y < 12;
        ASSERT_EQ(CoverageAt(c, 15, y), inside ? 255 : 0) << y;
    }
    EXPECT_EQ(CoverageAt(c, 4, 10), 0);
    EXPECT_EQ(CoverageAt(c, 5, 10), 255);
    EXPECT_EQ(CoverageAt(c, 29, 10), 255);
    EXPECT_EQ(CoverageAt(c, 30, 10), 0);
}

TEST(Stroke, WidthInPixelsUnderScaling) {
    // The same line in twips with a 1/20 matrix: 80 twips wide is 4 pixels; with no scaling,
    // 2.5 stays 2.5 pixels; 4 twips would be 0.2 pixels, drawn one pixel wide.
    const Path line = Polyline({{100, 200}, {600, 200}});
    const Matrix twips = Matrix::Scale(0.05, 0.05);
    EXPECT_NEAR(ColumnWidth(StrokeBlack(line, Style(80), twips), 15), 4.0, 0.02);
    StrokeStyle fixed = Style(2.5f);
    fixed.scaleX = fixed.scaleY = false;
    EXPECT_NEAR(ColumnWidth(StrokeBlack(line, fixed, twips), 15), 2.5, 0.02);
    EXPECT_NEAR(ColumnWidth(StrokeBlack(line, Style(4), twips), 15), 1.0, 0.02);
    EXPECT_NEAR(ColumnWidth(StrokeBlack(line, Style(0), twips), 15), 1.0, 0.02);
}

TEST(Stroke, HairlineOnAPixelCentreFillsOneRow) {
    const Canvas c = StrokeBlack(Polyline({{5, 10.5f}, {30, 10.5f}}), Style(0));
    EXPECT_EQ(CoverageAt(c, 15, 10), 255);
    EXPECT_EQ(CoverageAt(c, 15, 9), 0);
    EXPECT_EQ(CoverageAt(c, 15, 11), 0);
}

TEST(Stroke, CapsExtendTheEnds) {
    const Path line = Polyline({{10, 10}, {30, 10}});
    const Canvas none = StrokeBlack(line, Style(4, Cap::None));
    const Canvas square = StrokeBlack(line, Style(4, Cap::Square));
    const Canvas round = StrokeBlack(line, Style(4, Cap::Round));
    EXPECT_EQ(CoverageAt(none, 9, 10), 0);
    EXPECT_EQ(CoverageAt(square, 9, 10), 255);
    EXPECT_EQ(CoverageAt(square, 8, 8), 255);  // the square's corner
    EXPECT_EQ(CoverageAt(square, 7, 10), 0);
    EXPECT_EQ(CoverageAt(square, 31, 11), 255);
    EXPECT_EQ(CoverageAt(round, 9, 10), 255);  // within the half circle
    EXPECT_LT(CoverageAt(round, 8, 8), 128);   // the half circle cuts the corner
    EXPECT_GT(CoverageAt(round, 8, 8), 0);
}

TEST(Stroke, JoinsFillTheOuterCorner) {
    // A right angle at (15, 5), width 4: the miter fills the square corner [15, 17] x [3, 5],
    // the bevel cuts it along x - y = 12, the round join lies between.
    const Path corner = Polyline({{5, 5}, {15, 5}, {15, 15}});
    const Canvas miter = StrokeBlack(corner, Style(4, Cap::None, Join::Miter));
    const Canvas bevel = StrokeBlack(corner, Style(4, Cap::None, Join::Bevel));
    const Canvas round = StrokeBlack(corner, Style(4, Cap::None, Join::Round));
    EXPECT_EQ(CoverageAt(miter, 16, 3), 255);
    EXPECT_EQ(CoverageAt(bevel, 16, 3), 0);
    EXPECT_GT(CoverageAt(round, 16, 3), 0);
    EXPECT_LT(CoverageAt(round, 16, 3), 255);
    // The inner side and the legs are the same for all three.
    for (const Canvas* c : {&miter, &bevel, &round}) {
        EXPECT_EQ(CoverageAt(*c, 14, 4), 255);
        EXPECT_EQ(CoverageAt(*c, 10, 3), 255);
        EXPECT_EQ(CoverageAt(*c, 16, 12), 255);
    }
}

TEST(Stroke, MiterLimitCutsSharpCorners) {
    // A 20 degree spike at (30, 20), width 2: its miter tip lies 1 / sin(10 deg) = 5.76 beyond
    // the corner, at x = 35.76, narrowing to it.
    const Path spike = Polyline({{5, 15.6f}, {30, 20}, {5, 24.4f}});
    StrokeStyle s = Style(2, Cap::None, Join::Miter);
    s.miterLimit = 10;
    const Canvas longMiter = StrokeBlack(spike, s, {}, 60, 40);
    s.miterLimit = 2;
    const Canvas cut = StrokeBlack(spike, s, {}, 60, 40);
    // Column 34 is 0.9 to 1.6 from the tip, where the spike is 0.31 to 0.58 wide (0.44 of
    // area): each of the column's four sample columns holds the two sample rows at 19.875 and
    // 20.125, 8 samples, 64 in each of rows 19 and 20.
    EXPECT_NEAR(ColumnWidth(longMiter, 34), 2 * 64 / 255.0, 0.001);
    EXPECT_EQ(ColumnWidth(longMiter, 36), 0);  // past the tip at 35.76
    EXPECT_EQ(ColumnWidth(cut, 33), 0);        // cut at 2 half-widths: x = 32
    EXPECT_GT(ColumnWidth(cut, 31), 1.0);
}

TEST(Stroke, ClosedPathsJoinInsteadOfCapping) {
    // A closed square with no caps still has its four corners filled by the miter joins.
    const Canvas c = StrokeBlack(Polyline({{10, 10}, {30, 10}, {30, 30}, {10, 30}}, true), Style(4));
    EXPECT_EQ(CoverageAt(c, 8, 8), 255);
    EXPECT_EQ(CoverageAt(c, 31, 31), 255);
    EXPECT_EQ(CoverageAt(c, 20, 20), 0);
    // Open, the start corner has no join and no cap.
    const Canvas open = StrokeBlack(Polyline({{10, 10}, {30, 10}, {30, 30}, {10, 30}, {10, 10}}), Style(4));
    EXPECT_EQ(CoverageAt(open, 8, 8), 0);
}

TEST(Stroke, OverlappingPiecesDoNotCancel) {
    // A path that crosses itself: the crossing is covered, not cancelled.
    const Canvas c = StrokeBlack(Polyline({{5, 20}, {35, 20}, {35, 30}, {20, 30}, {20, 5}}), Style(4));
    EXPECT_EQ(CoverageAt(c, 20, 20), 255);
    EXPECT_EQ(CoverageAt(c, 21, 19), 255);
}

TEST(Stroke, LonePointWithRoundCapsIsADot) {
    Path p;
    p.MoveTo({20, 20});
    p.LineTo({20, 20});
    const Canvas c = StrokeBlack(p, Style(6, Cap::Round));
    EXPECT_EQ(CoverageAt(c, 20, 20), 255);
    EXPECT_EQ(CoverageAt(c, 19, 19), 255);
    EXPECT_EQ(CoverageAt(c, 26, 20), 0);
    const Canvas none = StrokeBlack(p, Style(6, Cap::None));
    EXPECT_EQ(CoverageAt(none, 20, 20), 0);
}

TEST(Stroke, PixelHintingSnapsToWholePixels) {
    // A 1-pixel line at y = 10.3 straddles two rows; hinted, it fills row 10 only. A 2-pixel
    // line is moved onto pixel edges, 1.6 rounds to 2.
    const Path line = Polyline({{5, 10.3f}, {30, 10.3f}});
    StrokeStyle s = Style(1);
    const Canvas plain = StrokeBlack(line, s);
    EXPECT_GT(CoverageAt(plain, 15, 9), 0);
    EXPECT_LT(CoverageAt(plain, 15, 10), 255);
    s.pixelHinting = true;
    const Canvas hinted = StrokeBlack(line, s);
    EXPECT_EQ(CoverageAt(hinted, 15, 9), 0);
    EXPECT_EQ(CoverageAt(hinted, 15, 10), 255);
    EXPECT_EQ(CoverageAt(hinted, 15, 11), 0);
    s.width = 1.6f;
    const Canvas even = StrokeBlack(line, s);
    EXPECT_EQ(CoverageAt(even, 15, 9), 255);
    EXPECT_EQ(CoverageAt(even, 15, 10), 255);
    EXPECT_EQ(CoverageAt(even, 15, 11), 0);
    EXPECT_EQ(CoverageAt(even, 15, 8), 0);
}
