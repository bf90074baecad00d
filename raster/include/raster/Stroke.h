// How a path is outlined: width, caps, joins and how the width follows the matrix.
#pragma once

#include <cstdint>

namespace raster {

enum class Cap : uint8_t { Round, None, Square };
enum class Join : uint8_t { Round, Bevel, Miter };

struct StrokeStyle {
    float width = 1;  // in path units; 0 is a hairline
    Cap startCap = Cap::Round;
    Cap endCap = Cap::Round;
    Join join = Join::Round;
    float miterLimit = 3;
    // Which parts of the matrix scale the width: both (normal), one axis, or none (the width is
    // then in pixels).
    bool scaleX = true;
    bool scaleY = true;
    bool pixelHinting = false;
    // Strokes that come out thinner than one pixel are drawn one pixel wide, as are hairlines.
};

}  // namespace raster
