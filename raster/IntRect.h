// A half-open rectangle of device pixels: [x0, x1) x [y0, y1).
#pragma once

#include "raster/Geometry.h"

#include <algorithm>
#include <cmath>

namespace raster {

struct IntRect {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;

    bool Empty() const { return x0 >= x1 || y0 >= y1; }
    int Width() const { return x1 - x0; }
    int Height() const { return y1 - y0; }
    IntRect Intersect(const IntRect& o) const {
        return {std::max(x0, o.x0), std::max(y0, o.y0), std::min(x1, o.x1), std::min(y1, o.y1)};
    }
    IntRect Union(const IntRect& o) const {
        if (Empty())
            return o;
        if (o.Empty())
            return *this;
        return {std::min(x0, o.x0), std::min(y0, o.y0), std::max(x1, o.x1), std::max(y1, o.y1)};
    }
};

// The pixels a float rectangle touches, limited to `limit` (which also absorbs NaN and huge
// values).
inline IntRect PixelsTouched(const Rect& r, const IntRect& limit) {
    if (r.Empty())
        return {};
    auto clampTo = [](float v, int lo, int hi) {
        if (!(v >= static_cast<float>(lo)))
            return lo;
        if (!(v <= static_cast<float>(hi)))
            return hi;
        return static_cast<int>(v);
    };
    IntRect out{clampTo(std::floor(r.xMin), limit.x0, limit.x1), clampTo(std::floor(r.yMin), limit.y0, limit.y1),
                clampTo(std::floor(r.xMax) + 1, limit.x0, limit.x1),
                clampTo(std::floor(r.yMax) + 1, limit.y0, limit.y1)};
    return out;
}

}  // namespace raster
