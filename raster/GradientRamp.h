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

// Ramps kept between draws and frames, found by their content (stops, interpolation, colour
// transform), so that a gradient drawn again, in this frame or the next, is not rebuilt. A
// two-way set-associative table of fixed entries (the older of a pair is replaced): nothing
// is allocated after construction.
class RampCache {
public:
    const uint32_t* Get(const Gradient& g, const ColorTransform& cx);

private:
    static constexpr size_t kEntries = 128;
    static constexpr size_t kMaxStops = 16;  // gradients with more are rebuilt every time
    struct Entry {
        bool valid = false;
        uint64_t hash = 0;
        uint64_t lastUse = 0;
        Interpolation interpolation = Interpolation::Rgb;
        uint8_t count = 0;
        GradientStop stops[kMaxStops];
        ColorTransform cxform;
        GradientRamp ramp;
    };
    bool Matches(const Entry& e, uint64_t hash, const Gradient& g, const ColorTransform& cx) const;

    Entry m_entries[kEntries];
    GradientRamp m_uncached;
    uint64_t m_clock = 0;
};

}  // namespace raster
