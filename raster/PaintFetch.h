// Paint sources: fill a run of premultiplied colours for the pixels (x .. x + count - 1, y).
// The fetch function is chosen once per draw from the paint's kind, spread and filter, so the
// loops below carry no per-pixel branching on the paint.
#pragma once

#include "GradientRamp.h"
#include "raster/Paint.h"

#include <cstdint>

namespace raster {

struct PaintContext {
    // Device pixel space to the paint's own space (gradient space or image pixels).
    Matrix inverse;
    const uint32_t* ramp = nullptr;
    float focal = 0;
    const Image* image = nullptr;
    ColorTransform cxform;  // bitmaps only: applied per pixel when not the identity
};

using FetchFn = void (*)(const PaintContext&, int x, int y, int count, uint32_t* out);

// The fetch for a gradient or bitmap paint; null for a paint that cannot be drawn.
FetchFn ChooseGradientFetch(Gradient::Kind kind, Spread spread);
FetchFn ChooseBitmapFetch(bool repeat, bool bilinear, bool transformColors);

}  // namespace raster
