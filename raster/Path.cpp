// Building paths and their bounds.
#include "raster/Path.h"

#include <algorithm>

namespace raster {

void Path::MoveTo(Point p) {
    m_verbs.push_back(Verb::Move);
    m_points.push_back(p);
}

void Path::LineTo(Point p) {
    m_verbs.push_back(Verb::Line);
    m_points.push_back(p);
}

void Path::QuadTo(Point control, Point end) {
    m_verbs.push_back(Verb::Quad);
    m_points.push_back(control);
    m_points.push_back(end);
}

void Path::CubicTo(Point c1, Point c2, Point end) {
    m_verbs.push_back(Verb::Cubic);
    m_points.push_back(c1);
    m_points.push_back(c2);
    m_points.push_back(end);
}

void Path::Close() {
    m_verbs.push_back(Verb::Close);
}

void Path::Clear() {
    m_verbs.clear();
    m_points.clear();
}

Rect Path::Bounds() const {
    if (m_points.empty())
        return Rect{};
    Rect r{m_points[0].x, m_points[0].y, m_points[0].x, m_points[0].y};
    for (const Point& p : m_points) {
        r.xMin = std::min(r.xMin, p.x);
        r.yMin = std::min(r.yMin, p.y);
        r.xMax = std::max(r.xMax, p.x);
        r.yMax = std::max(r.yMax, p.y);
    }
    return r;
}

}  // namespace raster
