// A path: sub-paths of lines and Bézier curves, in the coordinates of whoever built it (the
// renderer maps them to pixels with a matrix). Shapes keep their paths for their whole life;
// the renderer reads them through pointers in a draw list.
#pragma once

#include "raster/Geometry.h"

#include <cstdint>
#include <vector>

namespace raster {

enum class Verb : uint8_t {
    Move,   // 1 point: starts a sub-path
    Line,   // 1 point
    Quad,   // 2 points: control, end
    Cubic,  // 3 points: control, control, end
    Close,  // 0 points: closes the current sub-path
};

enum class FillRule : uint8_t { EvenOdd, NonZero };

class Path {
public:
    void MoveTo(Point p);
    void LineTo(Point p);
    void QuadTo(Point control, Point end);
    void CubicTo(Point c1, Point c2, Point end);
    void Close();
    void Clear();

    bool Empty() const { return m_verbs.empty(); }
    const std::vector<Verb>& Verbs() const { return m_verbs; }
    const std::vector<Point>& Points() const { return m_points; }
    // The bounds of the points, control points included.
    Rect Bounds() const;

    // A path of whole units (a movie's twips): the points its quadratic curves are cut at
    // are rounded to whole units too, as the reference player computes them, before the
    // matrix maps them.
    void SetWholeUnitCurves(bool on) { m_wholeUnitCurves = on; }
    bool WholeUnitCurves() const { return m_wholeUnitCurves; }

private:
    std::vector<Verb> m_verbs;
    std::vector<Point> m_points;
    bool m_wholeUnitCurves = false;
};

}  // namespace raster
