// The stroker: offset outlines of the flattened centre line, with joins (round, bevel, or
// miter cut at the limit) and caps.
#include "Stroker.h"

#include "Flatten.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace raster {

namespace {

constexpr float kPi = 3.14159265358979f;

struct Vec {
    float x, y;
};

inline Vec Sub(Point a, Point b) {
    return {a.x - b.x, a.y - b.y};
}
inline Point Offset(Point p, Vec v, float k) {
    return {p.x + v.x * k, p.y + v.y * k};
}
inline float Cross(Vec a, Vec b) {
    return a.x * b.y - a.y * b.x;
}
inline float Dot(Vec a, Vec b) {
    return a.x * b.x + a.y * b.y;
}
inline Vec Unit(Vec v) {
    const float l = std::sqrt(v.x * v.x + v.y * v.y);
    return l > 0 ? Vec{v.x / l, v.y / l} : Vec{1, 0};
}
inline Vec Normal(Vec unitDir) {
    return {-unitDir.y, unitDir.x};
}

// Angle step that keeps an arc of radius r within `tolerance` of its chords.
float ArcStep(float r, float tolerance) {
    if (r <= tolerance)
        return kPi / 2;
    return std::max(2.0f * std::acos(1.0f - tolerance / r), kPi / 64);
}

// Builds each sub-path's outline as one polygon: the left offset line forward, the end cap,
// the right offset line backward, the start cap (a closed sub-path: the two offset loops). At
// a corner the outer side gets the join's points and the inner side passes through the
// corner itself. Traced this way every stretch of the stroke winds the same way round, so
// overlaps of a self-crossing stroke add up instead of cancelling under the non-zero rule.
class OutlineBuilder {
public:
    OutlineBuilder(const StrokeStyle& style, float halfWidth, float tolerance, Contours& out)
        : m_style(style), m_hw(halfWidth), m_tol(tolerance), m_out(out) {}

    // pts: the sub-path's points without repeats (at least two).
    void Open(const std::vector<Point>& pts) {
        const size_t n = pts.size();
        const Vec dFirst = Dir(pts, 0, 1), dLast = Dir(pts, n - 2, n - 1);
        Side(pts, 1.0f, false);
        Cap(pts[n - 1], dLast, m_style.endCap);
        Side(pts, -1.0f, false);
        Cap(pts[0], {-dFirst.x, -dFirst.y}, m_style.startCap);
        m_out.EndContour(true);
    }

    void Closed(const std::vector<Point>& pts) {
        Side(pts, 1.0f, true);
        m_out.EndContour(true);
        Side(pts, -1.0f, true);
        m_out.EndContour(true);
    }

    // A lone point: a dot of the stroke's width for round and square caps.
    void AddDot(Point p) {
        if (m_style.startCap == raster::Cap::None)
            return;
        const Vec d{1, 0};
        Add(Offset(p, Normal(d), m_hw));
        Cap(p, d, m_style.startCap);
        Cap(p, {-d.x, -d.y}, m_style.startCap);
        m_out.EndContour(true);
    }

private:
    static Vec Dir(const std::vector<Point>& pts, size_t from, size_t to) { return Unit(Sub(pts[to], pts[from])); }
    void Add(Point p) { m_out.points.push_back(p); }

    // One offset side: s = +1 the left (normal) side forward, -1 the right side backward.
    void Side(const std::vector<Point>& pts, float s, bool closed) {
        const size_t n = pts.size();
        const size_t segments = closed ? n : n - 1;
        for (size_t i = 0; i < segments; ++i) {
            // Walk segment k in the side's direction.
            const size_t k = s > 0 ? i : segments - 1 - i;
            const Point a = pts[k], b = pts[(k + 1) % n];
            const Vec d = s > 0 ? Dir(pts, k, (k + 1) % n) : Dir(pts, (k + 1) % n, k);
            const Point from = s > 0 ? a : b, to = s > 0 ? b : a;
            const Vec nrm = Normal(d);
            if (i == 0 && !closed)
                Add(Offset(from, nrm, m_hw));
            // The corner at `to` towards the next segment on this side, if there is one.
            const bool last = i + 1 == segments;
            if (last && !closed) {
                Add(Offset(to, nrm, m_hw));
                break;
            }
            const size_t kn = s > 0 ? (k + 1) % segments : (k + segments - 1) % segments;
            const Point na = pts[kn], nb = pts[(kn + 1) % n];
            const Vec dn = s > 0 ? Unit(Sub(nb, na)) : Unit(Sub(na, nb));
            Corner(to, d, dn);
        }
    }

    // The corner at v from direction d0 to d1, on the side of the walk's normal.
    void Corner(Point v, Vec d0, Vec d1) {
        const Vec n0 = Normal(d0), n1 = Normal(d1);
        const Point a = Offset(v, n0, m_hw), b = Offset(v, n1, m_hw);
        const float cross = Cross(d0, d1), dot = Dot(d0, d1);
        if (std::fabs(cross) < 1e-6f && dot > 0) {
            Add(a);
            return;
        }
        if (cross > 0) {
            // Turning towards this side: it is the inner side of the corner.
            Add(a);
            Add(v);
            Add(b);
            return;
        }
        Add(a);
        if (m_style.join == raster::Join::Round) {
            Arc(v, a, b);
        } else if (m_style.join == raster::Join::Miter) {
            // Half the angle between the normals: the miter reaches hw / c from v.
            const Vec bis{n0.x + n1.x, n0.y + n1.y};
            const float c = 0.5f * std::sqrt(bis.x * bis.x + bis.y * bis.y);
            if (c > 1e-4f) {
                const Point tip = Offset(v, Unit(bis), m_hw / c);
                const float limit = std::max(m_style.miterLimit, 1.0f);
                if (1.0f / c <= limit) {
                    Add(tip);
                } else {
                    // Cut the miter square to the bisector at limit * hw from v.
                    const float t = (limit - c) / (1.0f / c - c);
                    Add({a.x + (tip.x - a.x) * t, a.y + (tip.y - a.y) * t});
                    Add({b.x + (tip.x - b.x) * t, b.y + (tip.y - b.y) * t});
                }
            }
        }
        Add(b);
    }

    // From the end's left offset round (or square) to its right offset; `d` points out of
    // the stroke.
    void Cap(Point p, Vec d, raster::Cap cap) {
        const Vec n = Normal(d);
        if (cap == raster::Cap::Square) {
            Add(Offset(Offset(p, n, m_hw), d, m_hw));
            Add(Offset(Offset(p, n, -m_hw), d, m_hw));
        } else if (cap == raster::Cap::Round) {
            const int steps = std::max(4, static_cast<int>(std::ceil(kPi / ArcStep(m_hw, m_tol))));
            for (int i = 1; i < steps; ++i) {
                const float t = kPi * static_cast<float>(i) / static_cast<float>(steps);
                const float c = std::cos(t), sn = std::sin(t);
                Add({p.x + m_hw * (n.x * c + d.x * sn), p.y + m_hw * (n.y * c + d.y * sn)});
            }
        }
        Add(Offset(p, n, -m_hw));
    }

    // The points strictly between a and b on the short arc round v.
    void Arc(Point v, Point a, Point b) {
        const float a0 = std::atan2(a.y - v.y, a.x - v.x);
        float sweep = std::atan2(b.y - v.y, b.x - v.x) - a0;
        while (sweep > kPi)
            sweep -= 2 * kPi;
        while (sweep < -kPi)
            sweep += 2 * kPi;
        const int steps = static_cast<int>(std::ceil(std::fabs(sweep) / ArcStep(m_hw, m_tol)));
        for (int i = 1; i < steps; ++i) {
            const float t = a0 + sweep * static_cast<float>(i) / static_cast<float>(steps);
            Add({v.x + m_hw * std::cos(t), v.y + m_hw * std::sin(t)});
        }
    }

    const StrokeStyle& m_style;
    float m_hw, m_tol;
    Contours& m_out;
};

}  // namespace

float DeviceStrokeWidth(const StrokeStyle& style, const Matrix& m) {
    if (!(style.width > 0))
        return 1.0f;  // hairline (and NaN)
    double scale = 1.0;
    if (style.scaleX && style.scaleY)
        scale = std::sqrt(std::fabs(m.a * m.d - m.b * m.c));
    else if (style.scaleX)
        scale = std::sqrt(m.a * m.a + m.b * m.b);
    else if (style.scaleY)
        scale = std::sqrt(m.c * m.c + m.d * m.d);
    const double w = style.width * scale;
    if (!(w >= 1.0))
        return 1.0f;
    return static_cast<float>(std::min(w, 1e6));
}

void Stroker::Stroke(const Path& path, const Matrix& m, const StrokeStyle& style, float width, float tolerance,
                     Contours& out) {
    m_lines.Clear();
    FlattenPath(path, m, tolerance, m_lines);
    // Pixel hinting: a whole number of pixels wide, its centre line on pixel centres (odd
    // widths) or pixel edges (even), so that straight strokes come out crisp.
    float hintOffset = -1;
    if (style.pixelHinting) {
        width = std::max(1.0f, std::round(width));
        hintOffset = std::fmod(width, 2.0f) == 1.0f ? 0.5f : 0.0f;
    }
    std::vector<Point>& pts = m_scratch;
    OutlineBuilder builder(style, 0.5f * width, tolerance, out);
    for (size_t c = 0; c < m_lines.Count(); ++c) {
        // Drop repeated points: they have no direction.
        pts.clear();
        for (uint32_t k = m_lines.Begin(c); k < m_lines.End(c); ++k) {
            Point p = m_lines.points[k];
            if (!(std::isfinite(p.x) && std::isfinite(p.y)))
                continue;
            if (hintOffset >= 0)
                p = {std::floor(p.x - hintOffset + 0.5f) + hintOffset,
                     std::floor(p.y - hintOffset + 0.5f) + hintOffset};
            if (pts.empty() || std::fabs(p.x - pts.back().x) > 1e-4f || std::fabs(p.y - pts.back().y) > 1e-4f)
                pts.push_back(p);
        }
        bool closed = m_lines.closed[c] != 0;
        if (closed && pts.size() > 1 && std::fabs(pts.front().x - pts.back().x) <= 1e-4f &&
            std::fabs(pts.front().y - pts.back().y) <= 1e-4f)
            pts.pop_back();
        if (pts.empty())
            continue;
        if (pts.size() == 1)
            builder.AddDot(pts[0]);
        else if (closed && pts.size() > 2)
            builder.Closed(pts);
        else
            builder.Open(pts);  // a closed two-point path is one segment there and back
    }
}

}  // namespace raster
