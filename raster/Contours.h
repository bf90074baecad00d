// Flattened outlines: polylines in device space, the plain data between geometry and coverage.
#pragma once

#include "raster/Geometry.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace raster {

struct Contours {
    std::vector<Point> points;
    // Per contour: one past the index of its last point, and whether the path closed it.
    // A fill treats every contour as closed; a stroke puts caps on the open ones.
    std::vector<uint32_t> ends;
    std::vector<uint8_t> closed;

    void Clear() {
        points.clear();
        ends.clear();
        closed.clear();
    }
    size_t Count() const { return ends.size(); }
    uint32_t Begin(size_t i) const { return i == 0 ? 0 : ends[i - 1]; }
    uint32_t End(size_t i) const { return ends[i]; }
    // Ends the contour made of the points added since the last one (empty ones are dropped).
    void EndContour(bool isClosed) {
        const uint32_t start = ends.empty() ? 0 : ends.back();
        if (points.size() == start)
            return;
        ends.push_back(static_cast<uint32_t>(points.size()));
        closed.push_back(isClosed ? 1 : 0);
    }
    Rect Bounds() const;
};

}  // namespace raster
