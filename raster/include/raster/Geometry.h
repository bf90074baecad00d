// Points, rectangles and affine matrices of the drawing engine. Portable.
#pragma once

#include <cstdint>

namespace raster {

struct Point {
    float x = 0, y = 0;
};

// An axis-aligned rectangle; empty when xMin > xMax or yMin > yMax.
struct Rect {
    float xMin = 0, yMin = 0, xMax = -1, yMax = -1;
    bool Empty() const { return xMin > xMax || yMin > yMax; }
    // The smallest rectangle holding both; an empty one adds nothing.
    Rect Union(const Rect& o) const {
        if (Empty())
            return o;
        if (o.Empty())
            return *this;
        return {xMin < o.xMin ? xMin : o.xMin, yMin < o.yMin ? yMin : o.yMin, xMax > o.xMax ? xMax : o.xMax,
                yMax > o.yMax ? yMax : o.yMax};
    }
};

// An affine map in the movie format's layout:
//   x' = a*x + c*y + tx
//   y' = b*x + d*y + ty
struct Matrix {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

    static Matrix Identity() { return {}; }
    static Matrix Translate(double x, double y) { return {1, 0, 0, 1, x, y}; }
    static Matrix Scale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }

    // This map applied after `inner`: (this * inner)(p) == this(inner(p)).
    Matrix operator*(const Matrix& inner) const;
    Point Apply(Point p) const;
    // False (and this left unchanged) when the map is not invertible.
    bool Invert();
    bool operator==(const Matrix&) const = default;
};

// The bounds of `r` after `m`.
Rect TransformRect(const Matrix& m, const Rect& r);

}  // namespace raster
