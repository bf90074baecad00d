// Turns a path's curves into line segments after its matrix, within a tolerance in the
// target's units (device pixels for drawing).
#pragma once

#include "Contours.h"
#include "raster/Path.h"

namespace raster {

// A tenth of a pixel: chords cut inside the curve by at most this, so an edge moves inward by
// well under the anti-aliasing step (a quarter pixel already loses 1% of a small circle).
constexpr float kPixelTolerance = 0.1f;

// Appends the sub-paths of `path`, mapped by `m` and flattened, to `out`.
void FlattenPath(const Path& path, const Matrix& m, float tolerance, Contours& out);

// Segment counts that keep a curve within `tolerance` of its chords.
int QuadSegments(Point p0, Point p1, Point p2, float tolerance);
int CubicSegments(Point p0, Point p1, Point p2, Point p3, float tolerance);

}  // namespace raster
