// Turns a path's outline into polygons to fill with the non-zero rule, in device space: per
// sub-path, the offset lines on both sides joined at corners and capped at open ends.
#pragma once

#include "Contours.h"
#include "raster/Geometry.h"
#include "raster/Path.h"
#include "raster/Stroke.h"

#include <vector>

namespace raster {

// The stroke's width in device pixels under `m`: the matrix's scale on the axes the style
// lets scale it (sqrt |det| for both), the width itself for neither; never under one pixel.
float DeviceStrokeWidth(const StrokeStyle& style, const Matrix& m);

class Stroker {
public:
    // Appends the polygons outlining `path` (mapped by `m`, flattened within `tolerance`)
    // with the given full width to `out`.
    void Stroke(const Path& path, const Matrix& m, const StrokeStyle& style, float width, float tolerance,
                Contours& out);

private:
    // Kept between calls: the flattened centre lines and one sub-path's points.
    Contours m_lines;
    std::vector<Point> m_scratch;
};

}  // namespace raster
