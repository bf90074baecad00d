// Matrices, bounds and curve flattening.
#include "Contours.h"
#include "Flatten.h"
#include "raster/Geometry.h"
#include "raster/Path.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace raster;

TEST(Matrix, ProductAppliesInnerFirst) {
    const Matrix scale = Matrix::Scale(2, 3), move = Matrix::Translate(10, 20);
    const Point p = (move * scale).Apply({1, 1});
    EXPECT_FLOAT_EQ(p.x, 12);
    EXPECT_FLOAT_EQ(p.y, 23);
    const Point q = (scale * move).Apply({1, 1});
    EXPECT_FLOAT_EQ(q.x, 22);
    EXPECT_FLOAT_EQ(q.y, 63);
}

TEST(Matrix, InverseUndoesTheMap) {
    Matrix m{0.5, 1.5, -2, 0.25, 7, -3};
    Matrix inv = m;
    ASSERT_TRUE(inv.Invert());
    const Point p = inv.Apply(m.Apply({3.5f, -8}));
    EXPECT_NEAR(p.x, 3.5, 1e-4);
    EXPECT_NEAR(p.y, -8, 1e-4);
}

TEST(Matrix, SingularMatrixIsLeftUnchanged) {
    Matrix m{1, 2, 2, 4, 5, 6};
    const Matrix before = m;
    EXPECT_FALSE(m.Invert());
    EXPECT_EQ(m, before);
}

TEST(Rect, TransformRectBoundsTheCorners) {
    // A 45 degree rotation of the unit square centred on the origin.
    const double k = std::sqrt(0.5);
    const Rect r = TransformRect(Matrix{k, k, -k, k, 0, 0}, Rect{-1, -1, 1, 1});
    EXPECT_NEAR(r.xMin, -std::sqrt(2.0), 1e-5);
    EXPECT_NEAR(r.xMax, std::sqrt(2.0), 1e-5);
    EXPECT_NEAR(r.yMin, -std::sqrt(2.0), 1e-5);
    EXPECT_TRUE(TransformRect(Matrix{}, Rect{}).Empty());
}

TEST(Path, BoundsIncludeControlPoints) {
    Path p;
    p.MoveTo({0, 0});
    p.QuadTo({5, 10}, {10, 0});
    const Rect b = p.Bounds();
    EXPECT_EQ(b.xMin, 0);
    EXPECT_EQ(b.xMax, 10);
    EXPECT_EQ(b.yMax, 10);
    EXPECT_TRUE(Path{}.Bounds().Empty());
}

// The flattened points of a curve stay within the tolerance of the true curve, and a curve
// gets more segments when the matrix makes it bigger (flattening happens after the matrix).
TEST(Flatten, QuadStaysWithinTolerance) {
    Path p;
    p.MoveTo({0, 0});
    p.QuadTo({50, 100}, {100, 0});
    Contours c;
    FlattenPath(p, Matrix::Identity(), kPixelTolerance, c);
    ASSERT_EQ(c.Count(), 1u);
    // Each chord's midpoint is compared with the curve at the parameter midway.
    const size_t n = c.points.size() - 1;
    for (size_t i = 0; i < n; ++i) {
        const float t = (i + 0.5f) / n, u = 1 - t;
        const float cx = 2 * u * t * 50 + t * t * 100, cy = 2 * u * t * 100;
        const float mx = 0.5f * (c.points[i].x + c.points[i + 1].x), my = 0.5f * (c.points[i].y + c.points[i + 1].y);
        EXPECT_LT(std::hypot(cx - mx, cy - my), kPixelTolerance + 1e-3f) << i;
    }
    Contours big;
    FlattenPath(p, Matrix::Scale(10, 10), kPixelTolerance, big);
    EXPECT_GT(big.points.size(), 2 * c.points.size());
}

TEST(Flatten, SegmentCounts) {
    // Straight curves need one segment; for the arch, max |p0 - 2 p1 + p2| = |(100, -100)|,
    // so n = ceil(sqrt(6 * 141.42 / (8 * 0.25))) = 21 at a quarter pixel, 33 at a tenth.
    EXPECT_EQ(QuadSegments({0, 0}, {5, 0}, {10, 0}, 0.25f), 1);
    EXPECT_EQ(CubicSegments({0, 0}, {0, 100}, {100, 100}, {100, 0}, 0.25f), 21);
    EXPECT_EQ(CubicSegments({0, 0}, {0, 100}, {100, 100}, {100, 0}, 0.1f), 33);
    // A huge control point cannot ask for unbounded work.
    EXPECT_LE(QuadSegments({0, 0}, {1e30f, 1e30f}, {1, 0}, 0.25f), 1024);
}

TEST(Flatten, SubPathsAndCloseFlags) {
    Path p;
    p.MoveTo({0, 0});
    p.LineTo({10, 0});
    p.LineTo({10, 10});
    p.Close();
    p.MoveTo({20, 20});
    p.LineTo({30, 20});
    Contours c;
    FlattenPath(p, Matrix::Translate(1, 2), kPixelTolerance, c);
    ASSERT_EQ(c.Count(), 2u);
    EXPECT_EQ(c.closed[0], 1);
    EXPECT_EQ(c.closed[1], 0);
    EXPECT_EQ(c.End(0), 3u);
    EXPECT_FLOAT_EQ(c.points[3].x, 21);
    EXPECT_FLOAT_EQ(c.points[3].y, 22);
}
