// Point-in-shape tests in path space, for buttons and scripts.
#pragma once

#include "raster/Path.h"
#include "raster/Stroke.h"

namespace raster {

// Whether `p` lies inside the filled area of `path` under `rule`.
bool FillContains(const Path& path, FillRule rule, Point p);
// Whether `p` lies within the outline `style` draws along `path` (width in path units).
bool StrokeContains(const Path& path, const StrokeStyle& style, Point p);

}  // namespace raster
