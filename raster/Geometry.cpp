// Affine matrices and rectangles.
#include "raster/Geometry.h"

#include <algorithm>

namespace raster {

Matrix Matrix::operator*(const Matrix& m) const {
    Matrix r;
    r.a = a * m.a + c * m.b;
    r.b = b * m.a + d * m.b;
    r.c = a * m.c + c * m.d;
    r.d = b * m.c + d * m.d;
    r.tx = a * m.tx + c * m.ty + tx;
    r.ty = b * m.tx + d * m.ty + ty;
    return r;
}

Point Matrix::Apply(Point p) const {
    return {static_cast<float>(a * p.x + c * p.y + tx), static_cast<float>(b * p.x + d * p.y + ty)};
}

bool Matrix::Invert() {
    const double det = a * d - b * c;
    // A map that squeezes the plane to a line (or nearly) has no usable inverse.
    if (!(det > 1e-300 || det < -1e-300))
        return false;
    const double inv = 1.0 / det;
    Matrix r;
    r.a = d * inv;
    r.b = -b * inv;
    r.c = -c * inv;
    r.d = a * inv;
    r.tx = -(r.a * tx + r.c * ty);
    r.ty = -(r.b * tx + r.d * ty);
    *this = r;
    return true;
}

Rect TransformRect(const Matrix& m, const Rect& r) {
    if (r.Empty())
        return r;
    const Point corners[4] = {m.Apply({r.xMin, r.yMin}), m.Apply({r.xMax, r.yMin}), m.Apply({r.xMin, r.yMax}),
                              m.Apply({r.xMax, r.yMax})};
    Rect out{corners[0].x, corners[0].y, corners[0].x, corners[0].y};
    for (const Point& p : corners) {
        out.xMin = std::min(out.xMin, p.x);
        out.yMin = std::min(out.yMin, p.y);
        out.xMax = std::max(out.xMax, p.x);
        out.yMax = std::max(out.yMax, p.y);
    }
    return out;
}

}  // namespace raster
