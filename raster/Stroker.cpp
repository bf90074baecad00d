// The stroker. Each flattened segment becomes a quadrilateral of the stroke's width, each
// corner a wedge on its outer side (round, bevel or miter cut at the limit), each open end a
// cap. Every piece is emitted counter-clockwise by its signed area, so the non-zero fill of
// all of them is their union however they overlap.
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

inline Vec Sub(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }
inline Point Offset(Point p, Vec v, float k) { return {p.x + v.x * k, p.y + v.y * k}; }
inline float Cross(Vec a, Vec b) { return a.x * b.y - a.y * b.x; }
inline float Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y; }
inline Vec Unit(Vec v) {
    const float l = std::sqrt(v.x * v.x + v.y * v.y);
    return l > 0 ? Vec{v.x / l, v.y / l} : Vec{1, 0};
}
inline Vec Normal(Vec unitDir) { return {-unitDir.y, unitDir.x}; }

// Angle step that keeps an arc of radius r within `tolerance` of its chords.
float ArcStep(float r, float tolerance) {
    if (r <= tolerance) return kPi / 2;
    return std::max(2.0f * std::acos(1.0f - tolerance / r), kPi / 64);
}

// Appends `poly` to `out` as one contour wound with positive signed area.
void EmitPolygon(const std::vector<Point>& poly, Contours& out) {
    if (poly.size() < 3) return;
    double area = 0;
    for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++)
        area += static_cast<double>(poly[j].x) * poly[i].y - static_cast<double>(poly[i].x) * poly[j].y;
    if (area == 0) return;
    if (area > 0)
        out.points.insert(out.points.end(), poly.begin(), poly.end());
    else
        out.points.insert(out.points.end(), poly.rbegin(), poly.rend());
    out.EndContour(true);
}

class OutlineBuilder {
public:
    OutlineBuilder(const StrokeStyle& style, float halfWidth, float tolerance, std::vector<Point>& scratch, Contours& out)
        : style_(style), hw_(halfWidth), tol_(tolerance), poly_(scratch), out_(out) {}

    void AddSegment(Point a, Point b) {
        const Vec n = Normal(Unit(Sub(b, a)));
        poly_.assign({Offset(a, n, hw_), Offset(b, n, hw_), Offset(b, n, -hw_), Offset(a, n, -hw_)});
        EmitPolygon(poly_, out_);
    }

    // The corner at v between a segment arriving in unit direction d0 and one leaving in d1.
    void AddJoin(Point v, Vec d0, Vec d1) {
        const float cross = Cross(d0, d1), dot = Dot(d0, d1);
        if (std::fabs(cross) < 1e-6f && dot > 0) return;  // straight on
        const float side = cross > 0 ? -1.0f : 1.0f;       // the outer side of the turn
        const Vec n0 = Normal(d0), n1 = Normal(d1);
        const Point a = Offset(v, n0, side * hw_), b = Offset(v, n1, side * hw_);
        if (style_.join == raster::Join::Round) {
            AddArc(v, a, b);
            return;
        }
        poly_.assign({v, a, b});
        if (style_.join == raster::Join::Miter) {
            // Half the angle between the normals: the miter reaches hw / c from v.
            const Vec bis{n0.x + n1.x, n0.y + n1.y};
            const float c = 0.5f * std::sqrt(bis.x * bis.x + bis.y * bis.y);
            if (c > 1e-4f) {
                const Vec u = Unit(bis);
                const Point tip = Offset(v, u, side * hw_ / c);
                const float limit = std::max(style_.miterLimit, 1.0f);
                if (1.0f / c <= limit) {
                    poly_.assign({v, a, tip, b});
                } else {
                    // Cut the miter square to the bisector at limit * hw from v.
                    const float t = (limit - c) / (1.0f / c - c);
                    const Point a2{a.x + (tip.x - a.x) * t, a.y + (tip.y - a.y) * t};
                    const Point b2{b.x + (tip.x - b.x) * t, b.y + (tip.y - b.y) * t};
                    poly_.assign({v, a, a2, b2, b});
                }
            }
        }
        EmitPolygon(poly_, out_);
    }

    // An end at p, the stroke running on in unit direction `outward`'s opposite.
    void AddCap(Point p, Vec outward, raster::Cap cap) {
        const Vec n = Normal(outward);
        if (cap == raster::Cap::Round) {
            AddCircle(p);
        } else if (cap == raster::Cap::Square) {
            poly_.assign({Offset(p, n, hw_), Offset(Offset(p, n, hw_), outward, hw_),
                          Offset(Offset(p, n, -hw_), outward, hw_), Offset(p, n, -hw_)});
            EmitPolygon(poly_, out_);
        }
    }

    // A lone point: a dot of the stroke's width for round and square caps.
    void AddDot(Point p) {
        if (style_.startCap == raster::Cap::Round) {
            AddCircle(p);
        } else if (style_.startCap == raster::Cap::Square) {
            poly_.assign({{p.x - hw_, p.y - hw_}, {p.x + hw_, p.y - hw_}, {p.x + hw_, p.y + hw_}, {p.x - hw_, p.y + hw_}});
            EmitPolygon(poly_, out_);
        }
    }

private:
    void AddCircle(Point c) {
        const int steps = std::max(8, static_cast<int>(std::ceil(2 * kPi / ArcStep(hw_, tol_))));
        poly_.clear();
        for (int i = 0; i < steps; ++i) {
            const float t = 2 * kPi * static_cast<float>(i) / static_cast<float>(steps);
            poly_.push_back({c.x + hw_ * std::cos(t), c.y + hw_ * std::sin(t)});
        }
        EmitPolygon(poly_, out_);
    }

    // The wedge from v over the short arc from a to b.
    void AddArc(Point v, Point a, Point b) {
        const float a0 = std::atan2(a.y - v.y, a.x - v.x);
        float sweep = std::atan2(b.y - v.y, b.x - v.x) - a0;
        while (sweep > kPi) sweep -= 2 * kPi;
        while (sweep < -kPi) sweep += 2 * kPi;
        const int steps = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / ArcStep(hw_, tol_))));
        poly_.clear();
        poly_.push_back(v);
        poly_.push_back(a);
        for (int i = 1; i < steps; ++i) {
            const float t = a0 + sweep * static_cast<float>(i) / static_cast<float>(steps);
            poly_.push_back({v.x + hw_ * std::cos(t), v.y + hw_ * std::sin(t)});
        }
        poly_.push_back(b);
        EmitPolygon(poly_, out_);
    }

    const StrokeStyle& style_;
    float hw_, tol_;
    std::vector<Point>& poly_;
    Contours& out_;
};

}  // namespace

float DeviceStrokeWidth(const StrokeStyle& style, const Matrix& m) {
    if (!(style.width > 0)) return 1.0f;  // hairline (and NaN)
    double scale = 1.0;
    if (style.scaleX && style.scaleY)
        scale = std::sqrt(std::fabs(m.a * m.d - m.b * m.c));
    else if (style.scaleX)
        scale = std::sqrt(m.a * m.a + m.b * m.b);
    else if (style.scaleY)
        scale = std::sqrt(m.c * m.c + m.d * m.d);
    const double w = style.width * scale;
    if (!(w >= 1.0)) return 1.0f;
    return static_cast<float>(std::min(w, 1e6));
}

void Stroker::Stroke(const Path& path, const Matrix& m, const StrokeStyle& style, float width, float tolerance,
                     Contours& out) {
    lines_.Clear();
    FlattenPath(path, m, tolerance, lines_);
    std::vector<Point>& pts = scratch_;
    OutlineBuilder builder(style, 0.5f * width, tolerance, poly_, out);
    for (size_t c = 0; c < lines_.Count(); ++c) {
        // Drop repeated points: they have no direction.
        pts.clear();
        for (uint32_t k = lines_.Begin(c); k < lines_.End(c); ++k) {
            const Point p = lines_.points[k];
            if (!(std::isfinite(p.x) && std::isfinite(p.y))) continue;
            if (pts.empty() || std::fabs(p.x - pts.back().x) > 1e-4f || std::fabs(p.y - pts.back().y) > 1e-4f)
                pts.push_back(p);
        }
        bool closed = lines_.closed[c] != 0;
        if (closed && pts.size() > 1 && std::fabs(pts.front().x - pts.back().x) <= 1e-4f &&
            std::fabs(pts.front().y - pts.back().y) <= 1e-4f)
            pts.pop_back();
        const size_t n = pts.size();
        if (n == 0) continue;
        if (n == 1) {
            builder.AddDot(pts[0]);
            continue;
        }
        if (n == 2) closed = false;  // a closed two-point path is one segment back and forth
        const size_t segments = closed ? n : n - 1;
        for (size_t k = 0; k < segments; ++k) builder.AddSegment(pts[k], pts[(k + 1) % n]);
        auto dir = [&](size_t from) { return Unit(Sub(pts[(from + 1) % n], pts[from])); };
        for (size_t k = closed ? 0 : 1; k < (closed ? n : n - 1); ++k)
            builder.AddJoin(pts[k], dir((k + n - 1) % n), dir(k));
        if (!closed) {
            const Vec d0 = dir(0), d1 = dir(n - 2);
            builder.AddCap(pts[0], {-d0.x, -d0.y}, style.startCap);
            builder.AddCap(pts[n - 1], d1, style.endCap);
        }
    }
}

}  // namespace raster
