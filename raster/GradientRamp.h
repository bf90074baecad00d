// The 256-entry colour ramp of a gradient, as the reference player builds one: entry i is the
// colour at ratio i, interpolated between the stops around it in RGB or linear RGB, then the
// colour transform, then premultiplied.
#pragma once

#include "raster/Paint.h"

#include <cstdint>

namespace raster {

struct GradientRamp {
    uint32_t entries[256];
};

void BuildGradientRamp(const Gradient& g, const ColorTransform& cx, GradientRamp& out);

}  // namespace raster
