// Point-in-shape tests in path space: the winding number of the flattened outline at the point.
#include "raster/HitTest.h"

#include "Contours.h"
#include "Flatten.h"
#include "Stroker.h"

#include <algorithm>
#include <cmath>

namespace raster {

namespace {

// Flattening tolerance for a path in its own units: a thousandth of its size.
float PathTolerance(const Path& path) {
    const Rect b = path.Bounds();
    const float extent = std::max(b.xMax - b.xMin, b.yMax - b.yMin);
    return std::max(extent * 1e-3f, 1e-4f);
}

// Winding number of the closed contours at p, counting crossings of the horizontal ray to
// its right (an edge's lower end included, its upper end not).
int WindingAt(const Contours& c, Point p) {
    int winding = 0;
    for (size_t i = 0; i < c.Count(); ++i) {
        const uint32_t b = c.Begin(i), e = c.End(i);
        for (uint32_t k = b; k < e; ++k) {
            const Point a = c.points[k], d = c.points[k + 1 < e ? k + 1 : b];
            if ((a.y <= p.y) == (d.y <= p.y))
                continue;
            const float x = a.x + (p.y - a.y) * (d.x - a.x) / (d.y - a.y);
            if (x > p.x)
                winding += d.y > a.y ? 1 : -1;
        }
    }
    return winding;
}

bool Inside(int winding, FillRule rule) {
    return rule == FillRule::NonZero ? winding != 0 : (winding & 1) != 0;
}

}  // namespace

bool FillContains(const Path& path, FillRule rule, Point p) {
    if (path.Empty())
        return false;
    Contours c;
    FlattenPath(path, Matrix::Identity(), PathTolerance(path), c);
    return Inside(WindingAt(c, p), rule);
}

bool StrokeContains(const Path& path, const StrokeStyle& style, Point p) {
    if (path.Empty())
        return false;
    const float tolerance = PathTolerance(path);
    // A hairline has no width in path units: give it the flattening tolerance's.
    const float width = style.width > 0 ? style.width : 2 * tolerance;
    Contours outline;
    Stroker stroker;
    stroker.Stroke(path, Matrix::Identity(), style, width, tolerance, outline);
    return Inside(WindingAt(outline, p), FillRule::NonZero);
}

}  // namespace raster
