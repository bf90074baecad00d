// Building paths and their bounds.
#include "raster/Path.h"

#include <algorithm>

namespace raster {

void Path::MoveTo(Point p) {
    verbs_.push_back(Verb::Move);
    points_.push_back(p);
}

void Path::LineTo(Point p) {
    verbs_.push_back(Verb::Line);
    points_.push_back(p);
}

void Path::QuadTo(Point control, Point end) {
    verbs_.push_back(Verb::Quad);
    points_.push_back(control);
    points_.push_back(end);
}

void Path::CubicTo(Point c1, Point c2, Point end) {
    verbs_.push_back(Verb::Cubic);
    points_.push_back(c1);
    points_.push_back(c2);
    points_.push_back(end);
}

void Path::Close() { verbs_.push_back(Verb::Close); }

void Path::Clear() {
    verbs_.clear();
    points_.clear();
}

Rect Path::Bounds() const {
    if (points_.empty()) return Rect{};
    Rect r{points_[0].x, points_[0].y, points_[0].x, points_[0].y};
    for (const Point& p : points_) {
        r.xMin = std::min(r.xMin, p.x);
        r.yMin = std::min(r.yMin, p.y);
        r.xMax = std::max(r.xMax, p.x);
        r.yMax = std::max(r.yMax, p.y);
    }
    return r;
}

}  // namespace raster
