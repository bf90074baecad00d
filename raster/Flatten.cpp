// Curve flattening. A Bézier curve split into n equal parameter steps stays within
// max|second derivative| / (8 n^2) of its chords; the segment counts follow from that bound.
#include "Flatten.h"

#include <algorithm>
#include <cmath>

namespace raster {

namespace {

// No curve needs more segments than this, whatever its size; it bounds the work a huge
// control point can cause.
constexpr int kMaxSegments = 1024;

float Length(float x, float y) {
    return std::sqrt(x * x + y * y);
}

int SegmentsFor(float secondDerivative, float tolerance) {
    const float n = std::ceil(std::sqrt(secondDerivative / (8.0f * tolerance)));
    if (!(n >= 1.0f))
        return 1;  // also NaN
    return n > kMaxSegments ? kMaxSegments : static_cast<int>(n);
}

// The inner points of a quadratic curve cut into n equal parameter steps.
void AppendQuad(Point p0, Point p1, Point p2, int n, Contours& out) {
    const float step = 1.0f / static_cast<float>(n);
    for (int i = 1; i < n; ++i) {
        const float t = step * static_cast<float>(i), u = 1 - t;
        out.points.push_back(
            {u * u * p0.x + 2 * u * t * p1.x + t * t * p2.x, u * u * p0.y + 2 * u * t * p1.y + t * t * p2.y});
    }
}

// The same cut in path space, each point rounded to whole units (halves up), then mapped.
void AppendWholeUnitQuad(Point p0, Point p1, Point p2, int n, const Matrix& m, Contours& out) {
    for (int i = 1; i < n; ++i) {
        const double t = static_cast<double>(i) / n, u = 1 - t;
        const double x = u * u * p0.x + 2 * u * t * p1.x + t * t * p2.x;
        const double y = u * u * p0.y + 2 * u * t * p1.y + t * t * p2.y;
        out.points.push_back(
            m.Apply({static_cast<float>(std::floor(x + 0.5)), static_cast<float>(std::floor(y + 0.5))}));
    }
}

}  // namespace

Rect Contours::Bounds() const {
    if (points.empty())
        return Rect{};
    Rect r{points[0].x, points[0].y, points[0].x, points[0].y};
    for (const Point& p : points) {
        r.xMin = std::min(r.xMin, p.x);
        r.yMin = std::min(r.yMin, p.y);
        r.xMax = std::max(r.xMax, p.x);
        r.yMax = std::max(r.yMax, p.y);
    }
    return r;
}

int QuadSegments(Point p0, Point p1, Point p2, float tolerance) {
    // B''(t) = 2 (p0 - 2 p1 + p2), constant.
    const float dd = 2.0f * Length(p0.x - 2 * p1.x + p2.x, p0.y - 2 * p1.y + p2.y);
    return SegmentsFor(dd, tolerance);
}

int CubicSegments(Point p0, Point p1, Point p2, Point p3, float tolerance) {
    // B''(t) = 6 ((1 - t) (p0 - 2 p1 + p2) + t (p1 - 2 p2 + p3)): largest at an end.
    const float d0 = Length(p0.x - 2 * p1.x + p2.x, p0.y - 2 * p1.y + p2.y);
    const float d1 = Length(p1.x - 2 * p2.x + p3.x, p1.y - 2 * p2.y + p3.y);
    return SegmentsFor(6.0f * std::max(d0, d1), tolerance);
}

void FlattenPath(const Path& path, const Matrix& m, float tolerance, Contours& out) {
    const std::vector<Verb>& verbs = path.Verbs();
    const std::vector<Point>& pts = path.Points();
    size_t pi = 0;
    bool open = false;
    Point current{}, start{};     // device space
    Point local{}, localStart{};  // the same in path space
    const bool wholeUnits = path.WholeUnitCurves();
    auto need = [&](size_t n) { return pi + n <= pts.size(); };
    for (Verb v : verbs) {
        switch (v) {
        case Verb::Move:
            if (!need(1))
                return;
            if (open)
                out.EndContour(false);
            local = localStart = pts[pi];
            current = start = m.Apply(pts[pi++]);
            out.points.push_back(current);
            open = true;
            break;
        case Verb::Line:
            if (!need(1))
                return;
            if (!open) {
                out.points.push_back(current);
                open = true;
            }
            local = pts[pi];
            current = m.Apply(pts[pi++]);
            out.points.push_back(current);
            break;
        case Verb::Quad: {
            if (!need(2))
                return;
            if (!open) {
                out.points.push_back(current);
                open = true;
            }
            const Point p1 = m.Apply(pts[pi]), p2 = m.Apply(pts[pi + 1]);
            const int n = QuadSegments(current, p1, p2, tolerance);
            if (wholeUnits)
                AppendWholeUnitQuad(local, pts[pi], pts[pi + 1], n, m, out);
            else
                AppendQuad(current, p1, p2, n, out);
            local = pts[pi + 1];
            pi += 2;
            out.points.push_back(p2);
            current = p2;
            break;
        }
        case Verb::Cubic: {
            if (!need(3))
                return;
            if (!open) {
                out.points.push_back(current);
                open = true;
            }
            const Point p1 = m.Apply(pts[pi]), p2 = m.Apply(pts[pi + 1]), p3 = m.Apply(pts[pi + 2]);
            pi += 3;
            const int n = CubicSegments(current, p1, p2, p3, tolerance);
            const float step = 1.0f / static_cast<float>(n);
            for (int i = 1; i < n; ++i) {
                const float t = step * static_cast<float>(i), u = 1 - t;
                const float w0 = u * u * u, w1 = 3 * u * u * t, w2 = 3 * u * t * t, w3 = t * t * t;
                out.points.push_back({w0 * current.x + w1 * p1.x + w2 * p2.x + w3 * p3.x,
                                      w0 * current.y + w1 * p1.y + w2 * p2.y + w3 * p3.y});
            }
            out.points.push_back(p3);
            current = p3;
            local = pts[pi - 1];
            break;
        }
        case Verb::Close:
            if (open) {
                out.EndContour(true);
                open = false;
            }
            current = start;
            local = localStart;
            break;
        }
    }
    if (open)
        out.EndContour(false);
}

}  // namespace raster
