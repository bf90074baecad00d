// Point-in-shape tests in path space.
#include "Canvas.h"
#include "raster/HitTest.h"

#include <gtest/gtest.h>

using namespace raster;

TEST(FillContains, RuleDecidesTheDoublyWoundCentre) {
    // A square with a second square inside it wound the same way.
    Path p = rastertest::RectPath(0, 0, 100, 100);
    p.MoveTo({30, 30});
    p.LineTo({70, 30});
    p.LineTo({70, 70});
    p.LineTo({30, 70});
    p.Close();
    EXPECT_TRUE(FillContains(p, FillRule::NonZero, {50, 50}));
    EXPECT_FALSE(FillContains(p, FillRule::EvenOdd, {50, 50}));
    EXPECT_TRUE(FillContains(p, FillRule::EvenOdd, {10, 50}));
    EXPECT_FALSE(FillContains(p, FillRule::NonZero, {150, 50}));
    EXPECT_FALSE(FillContains(p, FillRule::NonZero, {50, -1}));
    EXPECT_FALSE(FillContains(Path{}, FillRule::NonZero, {0, 0}));
}

TEST(FillContains, FollowsCurvesAndClosesOpenPaths) {
    // A quadratic bulge from (0, 0) to (100, 0) through control (50, 100): its apex is at y 50.
    Path p;
    p.MoveTo({0, 0});
    p.QuadTo({50, 100}, {100, 0});  // left open: a fill closes it
    EXPECT_TRUE(FillContains(p, FillRule::EvenOdd, {50, 49}));
    EXPECT_FALSE(FillContains(p, FillRule::EvenOdd, {50, 51}));
    EXPECT_FALSE(FillContains(p, FillRule::EvenOdd, {50, 80}));  // inside the control hull only
}

TEST(StrokeContains, WithinHalfTheWidthAndTheCaps) {
    Path line;
    line.MoveTo({0, 0});
    line.LineTo({100, 0});
    StrokeStyle s;
    s.width = 10;
    s.startCap = s.endCap = Cap::Round;
    EXPECT_TRUE(StrokeContains(line, s, {50, 4}));
    EXPECT_FALSE(StrokeContains(line, s, {50, 6}));
    EXPECT_TRUE(StrokeContains(line, s, {104, 0}));   // round cap
    EXPECT_FALSE(StrokeContains(line, s, {104, 4}));  // outside the cap's circle
    s.startCap = s.endCap = Cap::None;
    EXPECT_FALSE(StrokeContains(line, s, {104, 0}));
    s.startCap = s.endCap = Cap::Square;
    EXPECT_TRUE(StrokeContains(line, s, {104, 4}));
    // The width is in path units whatever the scaling flags say (they are about the matrix).
    s.scaleX = s.scaleY = false;
    EXPECT_FALSE(StrokeContains(line, s, {50, 6}));
}
